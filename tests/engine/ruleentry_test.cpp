// Rule entry on the scheduling page: the pick lists and the group flags a
// pick gives a rule (the page's test adds and deletes rules).

#include "engine/ruleentry.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::engine;

namespace {

// Two staff groups besides 全部, two date groups, one shift group, three
// people, three dates and two shifts.
const char* const masterData =
    "insert into 值班人员组 (值班人员组名称) values ('护士组'), ('医生组');"
    "insert into 日期组 (日期组名称) values ('周末'), ('节日');"
    "insert into 班次组 (班次组名称) values ('夜班组');"
    "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', 'zz2z1z'), (2, '李四', 'zz1z'), "
    "(3, 'O''Neil', 'zz1z');"
    "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-01', 'zz3z1z'), "
    "('2027-01-02', 'zz2z1z'), ('2027-01-03', 'zz1z');"
    "insert into banci (班次名称, 起始时间, 终止时间, 所属组ID, 人数) values "
    "('白班', '08:00', '16:00', 'zz1z', 1), ('夜班', '22:00', '08:00', 'zz2z1z', 1)";

} // namespace

TEST(RulePickLists, GroupsComeFirstWithTheAllRowThenEntriesInStoredOrder) {
    test::TempDatabase db;
    db.run(masterData);
    RulePickLists lists;
    QString error;
    ASSERT_TRUE(loadRulePickLists(db.db(), &lists, &error)) << error.toStdString();

    EXPECT_EQ(lists.people.entries,
              QStringList({"全部", "护士组", "医生组", "张三", "李四", "O'Neil"}));
    EXPECT_EQ(lists.people.groupCount, 3);
    EXPECT_EQ(lists.people.initialText, "全部");
    EXPECT_EQ(lists.dates.entries,
              QStringList({"全部", "周末", "节日", "2027-01-01", "2027-01-02", "2027-01-03"}));
    EXPECT_EQ(lists.dates.groupCount, 3);
    EXPECT_EQ(lists.dates.initialPosition(), 1);
    EXPECT_EQ(lists.shifts.entries, QStringList({"全部", "夜班组", "白班", "夜班"}));
    EXPECT_EQ(lists.shifts.groupCount, 2);

    // A group table without rows: no group head, an empty box, position 0.
    test::TempDatabase bare;
    bare.run("delete from 班次组; insert into banci (班次名称) values ('白班')");
    ASSERT_TRUE(loadRulePickLists(bare.db(), &lists));
    EXPECT_EQ(lists.shifts.groupCount, 0);
    EXPECT_TRUE(lists.shifts.initialText.isEmpty());
    EXPECT_EQ(lists.shifts.initialPosition(), 0);
    EXPECT_EQ(lists.shifts.entries, QStringList({"白班"}));
}

TEST(RuleFlags, PositionInsideTheGroupHeadMarksAGroup) {
    const QStringList dates = {"全部", "周末", "2027-01-01", "2027-01-02"};
    auto dateIsGroup = [&](const QString& text) {
        return ruleFromFrame("张三", notOn, text, pickPosition(dates, text), 2, "白班", 3, 2)
            .dateIsGroup;
    };
    // A picked date group, the last group of the head, a picked date.
    EXPECT_TRUE(dateIsGroup("全部"));
    EXPECT_TRUE(dateIsGroup("周末"));
    EXPECT_FALSE(dateIsGroup("2027-01-01"));
    EXPECT_FALSE(dateIsGroup("2027-01-02"));
    // A typed date that is not in the list is taken as a group name.
    EXPECT_TRUE(dateIsGroup("2027-02-30"));
    EXPECT_TRUE(dateIsGroup(QString()));

    // The shift group count decides the shift flag.
    const QStringList shifts = {"全部", "夜班组", "白班", "夜班"};
    auto shiftIsGroup = [&](const QString& text, int groupCount) {
        return ruleFromFrame("张三", onlyOn, "全部", 1, 1, text, pickPosition(shifts, text),
                             groupCount)
            .shiftIsGroup;
    };
    EXPECT_TRUE(shiftIsGroup("夜班组", 2));
    EXPECT_FALSE(shiftIsGroup("白班", 2));
    // One group fewer in the head and the same pick is a single shift.
    EXPECT_FALSE(shiftIsGroup("夜班组", 1));
    EXPECT_TRUE(shiftIsGroup("白班", 3));
}

TEST(RuleFlags, TheBoxsCurrentIndexDecidesBetweenEqualEntries) {
    // A date group that carries the text of a date.
    const QStringList dates = {"全部", "2027-01-01", "2027-01-01"};
    EXPECT_EQ(pickPosition(dates, "2027-01-01", 2), 3);
    EXPECT_EQ(pickPosition(dates, "2027-01-01", -1), 2);
    // An index whose entry the text no longer shows does not count.
    EXPECT_EQ(pickPosition(dates, "全部", 2), 1);
    EXPECT_EQ(pickPosition(dates, "x", 1), 0);
}
