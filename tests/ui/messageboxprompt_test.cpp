// The window's prompt: real message boxes with Qt's Chinese button texts.

#include "app/messageboxprompt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

using namespace korvane;

namespace {

// Once a message box is up: its text and button captions as the user reads
// them ("是(&Y)" reads 是), then a click on the button with the given caption.
// The offscreen platform does not always make a new box the active modal
// widget, so every window is looked at. Gives up after about five seconds by
// closing the box, so a missing button fails the test instead of hanging it.
struct BoxAnswer {
    QString text;
    QStringList buttons;
    QString title;
    int width = 0;

    explicit BoxAnswer(const QString& caption, int triesLeft = 500) {
        QTimer::singleShot(10, [this, caption, triesLeft] { answer(caption, triesLeft); });
    }
    void answer(const QString& caption, int triesLeft) {
        QMessageBox* box = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* candidate = qobject_cast<QMessageBox*>(widget);
                candidate && candidate->isVisible())
                box = candidate;
        if (!box) {
            if (triesLeft > 0)
                QTimer::singleShot(10,
                                   [this, caption, triesLeft] { answer(caption, triesLeft - 1); });
            return;
        }
        text = box->text();
        title = box->windowTitle();
        width = box->width();
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text().remove(QRegularExpression("\\(&.\\)")).remove('&');
            if (buttons.last() == caption)
                chosen = button;
        }
        if (chosen)
            chosen->click();
        else
            box->reject();
    }
};

} // namespace

TEST(MessageBoxPrompt, QuestionsAnswerYesOrNo) {
    MessageBoxPrompt prompt;
    BoxAnswer no("否");
    EXPECT_FALSE(prompt.question("继续吗？"));
    EXPECT_EQ(no.text, "继续吗？");
    no.buttons.sort();
    EXPECT_EQ(no.buttons, (QStringList{"否", "是"}));

    BoxAnswer yes("是");
    EXPECT_TRUE(prompt.question("继续吗？"));
}

TEST(MessageBoxPrompt, InformationHasOneOkButton) {
    MessageBoxPrompt prompt;
    BoxAnswer ok("确定");
    prompt.information("完成！");
    EXPECT_EQ(ok.text, "完成！");
    EXPECT_EQ(ok.buttons, QStringList{"确定"});
    // A short text still leaves the title bar room for the whole title
    // beside the frame's icon and buttons (about three title widths here).
    EXPECT_EQ(ok.title, "Korvane3.2");
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(ok.width, 2 * QFontMetrics(bold).horizontalAdvance(ok.title) + 100);
}
