// The operations behind 人员限制与休假: what a limit cell takes, what a run
// then reads for each person, and what the leave list accepts.

#include "engine/planningdata.h"
#include "limits/limits.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;
using limits::Target;

namespace {

// 甲 (IDID 1) and 乙 (IDID 2) in staff group 2 (病区), 丙 (IDID 3) not; a
// period of 2027-03-01 to 2027-03-31.
class LimitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.run("insert into 值班人员组 (值班人员组名称, idid) values ('病区', 2);"
               "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '甲', 'zz2z1z'), "
               "(2, '乙', 'zz2z1z'), (3, '丙', 'zz1z');"
               "insert into 日期类型 (日期, 所属日期组ID) values ('2027-03-01', 'zz1z'), "
               "('2027-03-31', 'zz1z')");
    }
    limits::LimitRow row(Target target, int index) { return editor.rows(target)->at(index); }
    // The limits a run holds each of the three people to, as the grid shows them.
    QStringList heldByRun() {
        engine::PlanningData data;
        QString error;
        EXPECT_TRUE(data.load(db.db(), &error)) << error.toStdString();
        QStringList held;
        for (const engine::WorkLimits& each : data.limits) {
            QStringList values;
            for (int column = 0; column < limits::ColumnCount; ++column)
                values << limits::limitText(each, column);
            held << values.join('|');
        }
        return held;
    }
    test::TempDatabase db;
    ScriptedPrompt prompt;
    limits::LimitsEditor editor{db.db(), prompt};
};

TEST_F(LimitsTest, ALimitCellTakesAWholeNumberOrNothingAndRestUpTo720Hours) {
    struct Case {
        int column;
        QString typed;
        QString stored; // what the grid shows afterwards
        QString message;
    };
    const QString shifts = "最多班数";
    const QString rest = "最少休息小时";
    const QList<Case> cases = {
        {limits::Shifts, "12", "12", ""},
        {limits::Shifts, "0", "0", ""}, // never
        {limits::Shifts, " ８ ", "8", ""},
        {limits::Shifts, "-1", "8", msg::limitNotCount.arg(shifts, "-1")},
        {limits::Shifts, "1.5", "8", msg::limitNotCount.arg(shifts, "1.5")},
        {limits::Shifts, "三", "8", msg::limitNotCount.arg(shifts, "三")},
        {limits::Shifts, "", "", ""}, // no limit
        {limits::RestHours, "11.5", "11.5", ""},
        {limits::RestHours, "48", "48", ""},
        {limits::RestHours, "720", "48", msg::restNotHours.arg(rest, "720")},
        {limits::RestHours, "-2", "48", msg::restNotHours.arg(rest, "-2")},
        {limits::RestHours, "inf", "48", msg::restNotHours.arg(rest, "inf")},
    };
    for (const Case& c : cases) {
        prompt.clear();
        limits::LimitRow person = row(Target::Person, 0);
        EXPECT_EQ(editor.setLimit(Target::Person, person, c.column, c.typed), c.message.isEmpty())
            << c.typed.toStdString();
        EXPECT_EQ(limits::limitText(row(Target::Person, 0).limits, c.column), c.stored)
            << c.typed.toStdString();
        EXPECT_EQ(prompt.shown(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
    }
    // One row per person; none once every limit is empty again.
    EXPECT_EQ(db.rows("select 对象, 对象IDID, 最多班数, 最少休息小时 from 人员限制"),
              QStringList{"人员|1||48"});
    limits::LimitRow person = row(Target::Person, 0);
    ASSERT_TRUE(editor.setLimit(Target::Person, person, limits::RestHours, ""));
    EXPECT_EQ(db.scalar("select count(*) from 人员限制").toInt(), 0);
}

// A group's limit holds for each member, 全部 for everyone; where a person
// has two, the stricter holds (the larger rest).
TEST_F(LimitsTest, AGroupsLimitHoldsForItsMembersAndTheStricterOfTwoHolds) {
    const auto set = [&](Target target, int index, int column, const QString& value) {
        limits::LimitRow limitRow = row(target, index);
        ASSERT_TRUE(editor.setLimit(target, limitRow, column, value));
    };
    // Groups: 全部 first, then 病区.
    ASSERT_EQ(row(Target::Group, 0).name, "全部");
    set(Target::Group, 1, limits::Shifts, "8");
    set(Target::Group, 1, limits::RestHours, "11");
    set(Target::Group, 0, limits::Consecutive, "5");
    set(Target::Person, 0, limits::Shifts, "5");      // 甲: stricter than 病区
    set(Target::Person, 1, limits::Shifts, "12");     // 乙: 病区 is stricter
    set(Target::Person, 1, limits::RestHours, "8");   // 乙: 病区's 11 hours hold
    set(Target::Person, 2, limits::RestHours, "9.5"); // 丙: no group limit but 全部's
    EXPECT_EQ(heldByRun(), QStringList({"5|||5|11", "8|||5|11", "|||5|9.5"}));
    EXPECT_TRUE(prompt.shown().isEmpty());
}

// A person or group deleted keeps its rows; the grid says so, and clearing
// the row removes them.
TEST_F(LimitsTest, LimitsOfADeletedPersonAreShownAsSuchAndCanBeCleared) {
    limits::LimitsTableModel model(editor, Target::Person);
    ASSERT_TRUE(model.reload());
    ASSERT_TRUE(model.setData(model.index(2, 1 + limits::Weekend), "2"));
    db.run("delete from 基本信息 where IDID = 3");
    ASSERT_TRUE(model.reload());
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(2, 0).data().toString(), msg::deletedPerson.arg(3));
    EXPECT_EQ(model.index(2, 1 + limits::Weekend).data().toString(), "2");
    EXPECT_FALSE(model.flags(model.index(2, 1)) & Qt::ItemIsEditable);
    ASSERT_TRUE(model.clearRow(2));
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(db.scalar("select count(*) from 人员限制").toInt(), 0);
}

TEST_F(LimitsTest, LeaveIsCheckedAndARangeOutsideThePeriodIsKeptWithAWarning) {
    struct Case {
        limits::LeaveEntry entry;
        bool added;
        QString message;
    };
    const QDate march1(2027, 3, 1);
    const QString quoted = "培训 'O''Neil' \"进修\" 🏥";
    const QList<Case> cases = {
        {{1, march1, march1.addDays(4), "年假"}, true, ""},
        {{2, march1.addDays(-3), march1, quoted}, true, ""}, // touches the period
        {{2, march1.addDays(5), march1.addDays(4), "病假"}, false, msg::endBeforeStart},
        {{0, march1, march1, "病假"}, false, msg::leaveNoPerson},
        {{9, march1, march1, "病假"}, false, msg::leaveNoPerson},
        {{3, march1, march1, "  "}, false, msg::leaveNoReason},
        {{1, march1, march1.addDays(4), "年假"},
         false,
         msg::duplicateLeave.arg(1)}, // a double-click
        {{1, march1, march1.addDays(4), "病假"}, true, ""},
        {{3, QDate(2027, 4, 1), QDate(2027, 4, 9), "年假"},
         true,
         msg::leaveOutsidePeriod.arg("2027-04-01", "2027-04-09", "2027-03-01", "2027-03-31")},
    };
    for (const Case& c : cases) {
        prompt.clear();
        EXPECT_EQ(editor.addLeave(c.entry).has_value(), c.added) << c.entry.reason.toStdString();
        EXPECT_EQ(prompt.shown(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
    }
    EXPECT_EQ(db.rows("select 人员IDID, 开始日期, 结束日期, 原因 from 休假 order by 编号"),
              QStringList({"1|2027-03-01|2027-03-05|年假", "2|2027-02-26|2027-03-01|" + quoted,
                           "1|2027-03-01|2027-03-05|病假", "3|2027-04-01|2027-04-09|年假"}));
    // A reason typed once is offered again.
    EXPECT_TRUE(editor.reasons().contains(quoted));

    // Changed under the same checks; a deleted person's leave is named as
    // such and can be deleted.
    const qint64 first = db.scalar("select min(编号) from 休假").toLongLong();
    prompt.clear();
    EXPECT_FALSE(editor.changeLeave(first, {1, march1, march1.addDays(-1), "年假"}));
    EXPECT_EQ(prompt.shown(), QStringList{msg::endBeforeStart});
    prompt.clear();
    EXPECT_FALSE(editor.changeLeave(first, {1, march1, march1.addDays(4), "病假"}));
    EXPECT_EQ(prompt.shown(), QStringList{msg::duplicateLeave.arg(first + 2)});
    EXPECT_TRUE(editor.changeLeave(first, {1, march1.addDays(1), march1.addDays(2), "病假"}));
    db.run("delete from 基本信息 where IDID = 3");
    const QList<limits::LeaveRow> leave = *editor.leave();
    ASSERT_EQ(leave.size(), 4);
    EXPECT_EQ(leave.at(2).name, "甲");
    EXPECT_EQ(leave.at(2).firstText, "2027-03-02");
    EXPECT_TRUE(leave.at(3).deleted);
    EXPECT_EQ(leave.at(3).name, msg::deletedPerson.arg(3));
    EXPECT_TRUE(editor.deleteLeave(leave.at(3).number));
    EXPECT_EQ(db.scalar("select count(*) from 休假").toInt(), 3);
}

} // namespace
