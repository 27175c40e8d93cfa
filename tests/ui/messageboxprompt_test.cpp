// The window's prompt: real message boxes with Qt's Chinese button texts.

#include "app/messageboxprompt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace korvane;

namespace {

// Once a message box is up: what it shows, then a click on the button with
// the given caption ("是(&Y)" reads 是). The offscreen platform does not always
// make a new box the active modal widget, so every window is looked at. After
// about five seconds the box is closed, so a missing button fails the test
// instead of hanging it.
struct BoxAnswer {
    QString text, title;
    QStringList buttons;
    int width = 0;

    explicit BoxAnswer(const QString& caption) { answer(caption, 500); }
    void answer(const QString& caption, int triesLeft) {
        QTimer::singleShot(10, [this, caption, triesLeft] {
            QMessageBox* box = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* found = qobject_cast<QMessageBox*>(widget); found && found->isVisible())
                    box = found;
            if (!box) {
                if (triesLeft > 0)
                    answer(caption, triesLeft - 1);
                return;
            }
            text = box->text();
            title = box->windowTitle();
            width = box->width();
            QAbstractButton* chosen = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                buttons << button->text().section('(', 0, 0).remove('&');
                if (buttons.last() == caption)
                    chosen = button;
            }
            chosen ? chosen->click() : box->reject();
        });
    }
};

} // namespace

TEST(MessageBoxPrompt, QuestionsAnswerYesOrNoAndInformationHasOneOkButton) {
    MessageBoxPrompt prompt;
    BoxAnswer no("否");
    EXPECT_FALSE(prompt.question("继续吗？"));
    EXPECT_EQ(no.text, "继续吗？");
    no.buttons.sort();
    EXPECT_EQ(no.buttons, (QStringList{"否", "是"}));
    BoxAnswer yes("是");
    EXPECT_TRUE(prompt.question("继续吗？"));

    BoxAnswer ok("确定");
    prompt.information("完成！");
    EXPECT_EQ(ok.text, "完成！");
    EXPECT_EQ(ok.buttons, QStringList{"确定"});
    // A short text still leaves the title bar room for the whole title
    // beside the frame's icon and buttons (about three title widths here).
    EXPECT_FALSE(ok.title.isEmpty());
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(ok.width, 2 * QFontMetrics(bold).horizontalAdvance(ok.title) + 100);
}
