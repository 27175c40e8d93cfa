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

// A button's caption as the user reads it, without its keyboard mnemonic
// ("是(&Y)" reads 是).
QString shownCaption(const QAbstractButton* button) {
    QString caption = button->text();
    caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    caption.remove(QLatin1Char('&'));
    return caption;
}

// The message box that is open now, if any. The offscreen platform does not
// always make a new box the active modal widget, so look at every window.
QMessageBox* openMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

// Once the box is up: its text and button captions, then a click on the
// button with the given caption. Gives up after about five seconds by
// closing the box, so a missing button fails the test instead of hanging it.
struct BoxAnswer {
    QString text;
    QStringList buttons;
    void answerWith(const QString& caption, int triesLeft = 500) {
        QTimer::singleShot(10, [this, caption, triesLeft] {
            QMessageBox* box = openMessageBox();
            if (!box) {
                if (triesLeft > 0)
                    answerWith(caption, triesLeft - 1);
                return;
            }
            text = box->text();
            for (QAbstractButton* button : box->buttons())
                buttons << shownCaption(button);
            for (QAbstractButton* button : box->buttons()) {
                if (shownCaption(button) == caption) {
                    button->click();
                    return;
                }
            }
            box->reject();
        });
    }
};

} // namespace

TEST(MessageBoxPrompt, QuestionsAnswerYesOrNo) {
    MessageBoxPrompt prompt;
    BoxAnswer no;
    no.answerWith(QStringLiteral("否"));
    EXPECT_FALSE(prompt.question(QStringLiteral("继续吗？")));
    EXPECT_EQ(no.text, QStringLiteral("继续吗？"));
    no.buttons.sort();
    EXPECT_EQ(no.buttons, (QStringList{QStringLiteral("否"), QStringLiteral("是")}));

    BoxAnswer yes;
    yes.answerWith(QStringLiteral("是"));
    EXPECT_TRUE(prompt.question(QStringLiteral("继续吗？")));
}

TEST(MessageBoxPrompt, InformationHasOneOkButton) {
    MessageBoxPrompt prompt;
    BoxAnswer ok;
    ok.answerWith(QStringLiteral("确定"));
    prompt.information(QStringLiteral("完成！"));
    EXPECT_EQ(ok.text, QStringLiteral("完成！"));
    EXPECT_EQ(ok.buttons, QStringList{QStringLiteral("确定")});
}
