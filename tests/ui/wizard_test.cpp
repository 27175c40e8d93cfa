// The setup wizard driven through the main window's bar, step by step.

#include <QWidget>

#include "app/mainwindow.h"
#include "app/setuppage.h"
#include "editors/ui/grouppanel.h"
#include "ui/shellfixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>

using namespace korvane;

namespace {

class WizardTest : public test::ShellTest {
protected:
    MainWindow* window = nullptr;

    void SetUp() override {
        ShellTest::SetUp();
        window = startProgram();
        ASSERT_NE(window, nullptr);
    }

    void press(const char* name) {
        QPushButton* button = barButton(name);
        ASSERT_TRUE(button->isVisibleTo(window) && button->isEnabled()) << name;
        button->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool pageOpen(const char* objectName) {
        for (QWidget* page : window->findChildren<QWidget*>(QLatin1String(objectName)))
            if (page->isVisibleTo(window))
                return true;
        return false;
    }
    qint16 step() { return controller->state().wizardStep; }
    int groupKind() { return controller->state().group.groupKind; }
    bool shown(const char* name) { return barButton(name)->isVisibleTo(window); }
    bool enabled(const char* name) { return barButton(name)->isEnabled(); }
    bool highlighted(const char* name) {
        SetupPage* page = window->setupPage();
        return page && SetupPage::isHighlighted(page->findChild<QPushButton*>(QLatin1String(name)));
    }
};

} // namespace

TEST_F(WizardTest, EnterWalkForwardAndBack) {
    // After each press: the step; a page open and one closed; the group kind
    // shown; 上一步<< and 下一步>> on (1) or off (0); a setup button lit and
    // one not (nullptr or -1: not looked at).
    const struct {
        const char* press;
        int step;
        const char *open, *closed;
        int groupKind, previous, next;
        const char *lit, *unlit;
    } walk[] = {
        {"Command6", 1, "baseinfo", nullptr, -1, 0, 1, nullptr, nullptr},
        {"Command3", 2, nullptr, "baseinfo", 1, 1, 1, "btnRenyuanset", "btnDate1"}, // staff groups
        {"Command3", 3, nullptr, nullptr, -1, -1, -1, "btnDate1", "btnRenyuanset"}, // date range
        {"Command3", 4, nullptr, nullptr, 2, -1, -1, "btnDateset", nullptr},        // date groups
        {"Command3", 5, "frmBanciset", nullptr, -1, -1, -1, nullptr, nullptr},      // shifts
        {"Command3", 6, nullptr, "frmBanciset", 3, 1, 0, nullptr, nullptr},         // shift groups
        {"Command5", 5, "frmBanciset", nullptr, -1, -1, 1, nullptr, nullptr},       // next is back
        {"Command5", 4, nullptr, "frmBanciset", 2, -1, -1, nullptr, nullptr},
        {"Command5", 3, nullptr, nullptr, -1, -1, -1, nullptr, nullptr},
        {"Command5", 2, nullptr, nullptr, 1, 1, -1, nullptr, nullptr},
        {"Command5", 1, "baseinfo", nullptr, -1, 0, 1, nullptr, nullptr}, // previous is off
    };
    for (const auto& at : walk) {
        const bool entering = &at == &walk[0], firstStepTwo = &at == &walk[1];
        SCOPED_TRACE(at.step);
        press(at.press);
        EXPECT_EQ(step(), at.step);
        EXPECT_TRUE(!at.open || pageOpen(at.open)) << at.open;
        EXPECT_TRUE(!at.closed || !pageOpen(at.closed)) << at.closed;
        EXPECT_TRUE(at.groupKind < 0 || groupKind() == at.groupKind) << groupKind();
        EXPECT_TRUE(at.previous < 0 || enabled("Command5") == bool(at.previous));
        EXPECT_TRUE(at.next < 0 || enabled("Command3") == bool(at.next));
        EXPECT_TRUE(!at.lit || highlighted(at.lit)) << at.lit;
        EXPECT_TRUE(!at.unlit || !highlighted(at.unlit)) << at.unlit;
        EXPECT_TRUE(!firstStepTwo ||
                    !window->setupPage()->findChild<QWidget*>("Frame1")->isEnabled());
        if (entering) {
            EXPECT_FALSE(shown("Command6"));
            for (const char* name : {"Command11", "Command2", "Command3", "Command5"})
                EXPECT_TRUE(shown(name)) << name;
        }
    }
    // Leaving the wizard restarts the window in normal mode; the counter stays.
    press("Command3");
    press("Command3");
    MainWindow* before = window;
    press("Command11");
    window = controller->mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(window, before);
    EXPECT_TRUE(shown("Command6"));
    for (const char* name : {"Command5", "Command11", "Command3"})
        EXPECT_FALSE(shown(name)) << name;
    EXPECT_NE(window->setupPage(), nullptr);
    EXPECT_EQ(step(), 3);
}

TEST_F(WizardTest, SetupPagesOwnButtonStartsAtStepOne) {
    // With a 班数限制 row the staff editor holds 初始设置 and 排班 off.
    data.run("INSERT INTO 班数限制 (班数) VALUES (2)");
    controller->state().wizardStep = 4;
    window->setupPage()->findChild<QPushButton*>("Command5")->click(); // its 进入设置向导
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(step(), 1);
    EXPECT_FALSE(enabled("cssd"));
    EXPECT_FALSE(enabled("Command4"));
    EXPECT_EQ(window->setupPage(), nullptr);
    EXPECT_TRUE(pageOpen("baseinfo"));
    for (const char* name : {"Command2", "Command3", "Command5", "Command6"})
        EXPECT_TRUE(shown(name)) << name;
    EXPECT_FALSE(shown("Command11"));
    EXPECT_FALSE(enabled("Command5"));

    // The next step opens the setup page again for the staff groups.
    press("Command3");
    EXPECT_EQ(step(), 2);
    ASSERT_NE(window->setupPage(), nullptr);
    EXPECT_FALSE(pageOpen("baseinfo"));
    EXPECT_TRUE(window->setupPage()->groupPanel()->isVisibleTo(window));
}

TEST_F(WizardTest, AStepOutsideTheSixOnlyMovesTheCounter) {
    press("Command6");
    controller->state().wizardStep = 6;
    barButton("Command3")->setEnabled(true);
    press("Command3");
    EXPECT_EQ(step(), 7);
    EXPECT_TRUE(pageOpen("baseinfo"));
    EXPECT_TRUE(enabled("Command3"));
}

// 确认 at the date-range step goes on; the last step leads on to 人员限制与休假
// or, by 结束设置, to the scheduling page with the bar of a fresh window.
TEST_F(WizardTest, ConfirmingThePeriodGoesOnAndTheLastStepLeadsOn) {
    press("Command6");
    press("Command3");
    press("Command3");
    ASSERT_EQ(step(), 3);
    SetupPage* setup = window->setupPage();
    auto* wizardEnd = setup->findChild<QWidget*>("wizardEnd");
    EXPECT_FALSE(wizardEnd->isVisibleTo(window));
    setup->findChild<QPushButton*>("Command7")->click();
    EXPECT_EQ(step(), 4);
    EXPECT_TRUE(setup->groupPanel()->isVisibleTo(window));

    press("Command3");
    press("Command3");
    EXPECT_TRUE(wizardEnd->isVisibleTo(window));
    press("Command5");
    EXPECT_FALSE(wizardEnd->isVisibleTo(window));
    press("Command3");
    setup->findChild<QPushButton*>("wizardLimits")->click();
    EXPECT_TRUE(pageOpen("limitsPage"));

    setup->findChild<QPushButton*>("wizardFinish")->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pageOpen("paiban"));
    EXPECT_EQ(window->setupPage(), nullptr);
    EXPECT_TRUE(shown("Command6"));
    for (const char* name : {"Command5", "Command11", "Command3"})
        EXPECT_FALSE(shown(name)) << name;
    press("Command6");
    EXPECT_EQ(step(), 1);
    EXPECT_TRUE(enabled("Command3"));
}
