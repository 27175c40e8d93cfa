// The setup wizard driven through the main window's bar, step by step.

#include <QWidget>

#include "app/mainwindow.h"
#include "app/setuppage.h"
#include "editors/ui/grouppanel.h"
#include "ui/shellfixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiSubWindow>
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

    // The bar's button, not a page's button of the same name.
    QPushButton* bar(const char* name) {
        for (QPushButton* button : window->findChildren<QPushButton*>(QLatin1String(name))) {
            bool inPage = false;
            for (QWidget* w = button; w; w = w->parentWidget())
                inPage = inPage || qobject_cast<QMdiSubWindow*>(w);
            if (!inPage)
                return button;
        }
        ADD_FAILURE() << "no bar button " << name;
        return nullptr;
    }
    void press(const char* name) {
        QPushButton* button = bar(name);
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
    bool shown(const char* name) { return bar(name)->isVisibleTo(window); }
    bool enabled(const char* name) { return bar(name)->isEnabled(); }
    bool highlighted(const char* name) {
        SetupPage* page = window->setupPage();
        return page && SetupPage::isHighlighted(page->findChild<QPushButton*>(QLatin1String(name)));
    }
    int groupKindShown() { return controller->state().group.groupKind; }
};

} // namespace

TEST_F(WizardTest, EnterWalkForwardAndBack) {
    press("Command6");
    EXPECT_EQ(step(), 1);
    EXPECT_TRUE(pageOpen("baseinfo"));
    EXPECT_FALSE(shown("Command6"));
    for (const char* name : {"Command11", "Command2", "Command3", "Command5"})
        EXPECT_TRUE(shown(name)) << name;
    EXPECT_FALSE(enabled("Command5"));
    EXPECT_TRUE(enabled("Command3"));

    press("Command3"); // 2: staff groups
    EXPECT_EQ(step(), 2);
    EXPECT_FALSE(pageOpen("baseinfo"));
    EXPECT_EQ(groupKindShown(), 1);
    EXPECT_TRUE(enabled("Command5"));
    EXPECT_FALSE(window->setupPage()->findChild<QWidget*>("Frame1")->isEnabled());
    EXPECT_TRUE(highlighted("btnRenyuanset"));
    EXPECT_FALSE(highlighted("btnDate1"));

    press("Command3"); // 3: date range
    EXPECT_EQ(step(), 3);
    EXPECT_TRUE(highlighted("btnDate1"));
    EXPECT_FALSE(highlighted("btnRenyuanset"));

    press("Command3"); // 4: date groups
    EXPECT_EQ(groupKindShown(), 2);
    EXPECT_TRUE(highlighted("btnDateset"));

    press("Command3"); // 5: shifts
    EXPECT_EQ(step(), 5);
    EXPECT_TRUE(pageOpen("frmBanciset"));

    press("Command3"); // 6: shift groups
    EXPECT_EQ(step(), 6);
    EXPECT_FALSE(pageOpen("frmBanciset"));
    EXPECT_EQ(groupKindShown(), 3);
    EXPECT_FALSE(enabled("Command3"));
    EXPECT_TRUE(enabled("Command5"));

    press("Command5"); // 5 again: next is back
    EXPECT_EQ(step(), 5);
    EXPECT_TRUE(enabled("Command3"));
    EXPECT_TRUE(pageOpen("frmBanciset"));

    press("Command5"); // 4: the shift editor goes
    EXPECT_EQ(step(), 4);
    EXPECT_FALSE(pageOpen("frmBanciset"));
    EXPECT_EQ(groupKindShown(), 2);

    press("Command5"); // 3
    press("Command5"); // 2
    EXPECT_EQ(step(), 2);
    EXPECT_EQ(groupKindShown(), 1);
    EXPECT_TRUE(enabled("Command5"));

    press("Command5"); // 1: previous is off
    EXPECT_EQ(step(), 1);
    EXPECT_TRUE(pageOpen("baseinfo"));
    EXPECT_FALSE(enabled("Command5"));
    EXPECT_TRUE(enabled("Command3"));
}

TEST_F(WizardTest, LeavingRestartsInNormalMode) {
    press("Command6");
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
    // The counter is not reset by a restart.
    EXPECT_EQ(step(), 3);
}

TEST_F(WizardTest, SetupPagesOwnButtonStartsAtStepOne) {
    SetupPage* page = window->setupPage();
    ASSERT_NE(page, nullptr);
    controller->state().wizardStep = 4;
    page->findChild<QPushButton*>("Command5")->click(); // the page's own 进入设置向导
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(step(), 1);
    EXPECT_EQ(window->setupPage(), nullptr);
    EXPECT_TRUE(pageOpen("baseinfo"));
    for (const char* name : {"Command2", "Command3", "Command5"})
        EXPECT_TRUE(shown(name)) << name;
    EXPECT_TRUE(shown("Command6"));
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
    bar("Command3")->setEnabled(true);
    press("Command3");
    EXPECT_EQ(step(), 7);
    EXPECT_TRUE(pageOpen("baseinfo"));
    EXPECT_TRUE(enabled("Command3"));
}

TEST_F(WizardTest, Screenshot) {
    const QString folder = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set KORVANE_SCREENSHOT_DIR to write the screenshot";
    exec("insert into 班次组 (班次组名称) values ('夜间班')");
    exec("insert into banci (班次名称, 起始时间, 所属组ID) values ('夜班', '22:00', 'zz2z1z')");
    window->resize(1100, 700);
    window->show();
    press("Command6");
    for (int i = 0; i < 5; ++i)
        press("Command3");
    EXPECT_TRUE(window->grab().save(folder + "/wizard-step6.png"));
}
