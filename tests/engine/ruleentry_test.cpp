// Rule entry on the scheduling page: the pick lists and the group flags a
// pick gives a rule (the page's test adds and deletes rules).

#include "engine/ruleentry.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::engine;

// Each list: its group table (全部 first), then the single entries, in
// stored order (the page's test checks them on the sample); a group table
// without rows gives no group head, an empty box and position 0.
TEST(RulePickLists, GroupsComeFirstWithTheAllRowThenEntriesInStoredOrder) {
    test::TempDatabase db;
    db.run("insert into 日期组 (日期组名称) values ('周末'); delete from 班次组;"
           "insert into 日期类型 (日期) values ('2027-01-02'), ('2027-01-01');"
           "insert into banci (班次名称) values ('白班')");
    RulePickLists lists;
    QString error;
    ASSERT_TRUE(loadRulePickLists(db.db(), &lists, &error)) << error.toStdString();
    EXPECT_EQ(lists.dates.entries, QStringList({"全部", "周末", "2027-01-02", "2027-01-01"}));
    EXPECT_EQ(lists.dates.groupCount, 2);
    EXPECT_EQ(lists.dates.initialText, "全部");
    EXPECT_EQ(lists.dates.initialPosition(), 1);
    EXPECT_EQ(lists.shifts.entries, QStringList({"白班"}));
    EXPECT_EQ(lists.shifts.groupCount, 0);
    EXPECT_TRUE(lists.shifts.initialText.isEmpty());
    EXPECT_EQ(lists.shifts.initialPosition(), 0);
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

// The very same rule is refused, naming the one it repeats; a rule that
// differs in anything (here only in reading the date as a group) is added.
TEST(RuleEntry, TheSameRuleTwiceIsRefused) {
    test::TempDatabase t;
    const Rule rule{0, "张三", notOn, "周末", "夜班", true, false};
    qint64 first = 0;
    ASSERT_TRUE(addRule(t.db(), rule, &first));
    QString error;
    EXPECT_FALSE(addRule(t.db(), rule, nullptr, &error));
    EXPECT_TRUE(error.contains(describeRule({first, "张三", notOn, "周末", "夜班", true, false})))
        << error.toStdString();
    Rule single = rule;
    single.dateIsGroup = false;
    EXPECT_TRUE(addRule(t.db(), single));
    EXPECT_EQ(t.scalar("select count(*) from 排除条件").toInt(), 2);
}
