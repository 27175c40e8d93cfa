// The date form as the planner meets it: opened on the stored period, asked
// before date-group memberships go, and the setup page showing the result.

#include <QWidget>

#include "app/setuppage.h"
#include "editors/ui/periodform.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"
#include "ui/shellfixture.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>

using namespace korvane;
using korvane::test::control;
using korvane::test::ShellTest;

TEST_F(ShellTest, PeriodFormOpensOnTheStoredPeriodAndAsksBeforeMembershipsGo) {
    exec("INSERT INTO 日期组 (日期组名称, idid) VALUES ('周末', 2);"
         "INSERT INTO 日期类型 (日期, 所属日期组ID) VALUES ('2027-01-01', 'zz1z'), "
         "('2027-01-02', 'zz2z1z'), ('2027-01-03', 'zz2z1z')");
    MainWindow* window = startProgram();
    window->setupPage()->dateRangeSetting();
    control(window->setupPage(), "Command6")->click();
    auto* form = window->findChild<PeriodForm*>("riqi");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->startPicker()->date(), QDate(2027, 1, 1));
    EXPECT_EQ(form->endPicker()->date(), QDate(2027, 1, 3));
    // The setup page is closed meanwhile.
    window->setupPage()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(window->setupPage(), nullptr);

    form->endPicker()->setDate(QDate(2027, 1, 31));
    prompt.addAnswer(false);
    control(form, "btnOK")->click();
    EXPECT_EQ(prompt.questions(), QStringList{msg::periodDropsMemberships.arg(2).arg("周末")});
    EXPECT_FALSE(form->isHidden());
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM 日期类型 WHERE 所属日期组ID = 'zz2z1z'").toInt(), 2);

    prompt.addAnswer(true);
    control(form, "btnOK")->click();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM 日期类型").toInt(), 31);
    // The setup page comes back with the new period on show.
    SetupPage* setup = window->setupPage();
    ASSERT_NE(setup, nullptr);
    EXPECT_TRUE(control<QWidget>(setup, "Frame4")->isVisibleTo(setup));
    EXPECT_EQ(control<QLabel>(setup, "Label1")->text(),
              "起始日期：2027-01-01        终止日期：2027-01-31");
}
