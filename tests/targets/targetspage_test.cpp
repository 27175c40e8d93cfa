// 排班目标与意愿 on a copy of the sample ward, as a planner uses it: a target
// typed and kept, a refused one, a fairness default replaced, a holiday.

#include "targets/messages.h"
#include "targets/objectives.h"
#include "targets/ui/targetspage.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

using namespace korvane;
using korvane::test::control;

namespace {

TEST(TargetsPage, ATargetAFairnessWeightAndAHolidayAreKeptAndAWrongTargetIsRefused) {
    test::FakePageContext context;
    context.data.loadSample();
    auto* page = new TargetsPage(context);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page));

    // 张敏: at most 5 days in a row; then a least above the most.
    control<QComboBox>(page, "targetFor")->setCurrentText("张敏");
    control<QComboBox>(page, "targetKind")->setCurrentText("连续上班");
    control<QLineEdit>(page, "targetMost")->setText("5");
    control(page, "addTarget")->click();
    control<QLineEdit>(page, "targetLeast")->setText("6");
    control(page, "changeTarget")->click();
    EXPECT_EQ(context.scripted.shown(),
              QStringList{targetmsg::refused.arg(targetmsg::targetRow.arg("张敏", "连续上班"),
                                                 targetmsg::leastAboveMost.arg("6", "5"))});
    EXPECT_EQ(
        context.data.rows(
            "select 对象, 种类, 最少, 最多, 权重 from 排班目标 where 对象 = '人员' and 对象IDID = "
            "(select IDID from 基本信息 where 姓名 = '张敏')"),
        QStringList{"人员|连续上班||5|10"});
    EXPECT_EQ(control<QTableView>(page, "targetList")->model()->rowCount(),
              context.count("排班目标"));

    // 全部 shows its default night weight; a value typed replaces it.
    auto* fairness = control<QTableView>(page, "fairnessGrid");
    const QModelIndex nights =
        fairness->model()->index(0, 1 + int(targets::FairnessKind::Overnight));
    EXPECT_EQ(nights.data().toString(),
              QString::number(targets::defaultFairnessWeight(targets::FairnessKind::Overnight)));
    fairness->model()->setData(nights, "3");
    QApplication::processEvents();
    EXPECT_EQ(context.data.rows("select 组IDID, 种类, 权重 from 公平权重"),
              QStringList{"1|夜班|3"});

    // New Year's Day marked a holiday.
    auto* calendar = control<QTableView>(page, "holidayCalendar");
    calendar->selectRow(0);
    control(page, "markHoliday")->click();
    EXPECT_EQ(calendar->model()->index(0, 2).data().toString(), targets::holidayMark);
    EXPECT_EQ(context.data.rows("select 日期 from 日期类型 where 节假日 = '节假日'"),
              QStringList{"2027-01-01"});
    page->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
