// Rule entry on the scheduling page: the pick lists, the group flags a pick
// gives a rule, adding and deleting rules, and the work-table reset.

#include "engine/roster.h"
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

int count(test::TempDatabase& db, const char* table) {
    return db.scalar(QStringLiteral("select count(*) from ") + table).toInt();
}

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

TEST(RuleRows, AddStoresTheFrameAsItStandsAndDeleteRemovesOnlyThatRule) {
    test::TempDatabase db;
    qint64 first = 0, second = 0;
    QString error;
    ASSERT_TRUE(addRule(db.db(), ruleFromFrame("O'Neil", notOn, "2027-01-01", 4, 3, "夜班组", 2, 2),
                        &first, &error))
        << error.toStdString();
    ASSERT_TRUE(addRule(db.db(), ruleFromFrame("护士组", onlyOn, "不是日期", 0, 3, "白班", 3, 2),
                        &second, &error))
        << error.toStdString();
    EXPECT_GT(second, first);
    EXPECT_EQ(db.rows("select * from 排除条件 order by 编号"),
              QStringList({QString::number(first) + "|O'Neil|不排在|2027-01-01|夜班组|0|1",
                           QString::number(second) + "|护士组|限排在|不是日期|白班|1|0"}));

    const QList<Rule> loaded = loadRules(db.db());
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_FALSE(loaded.at(0).dateIsGroup);
    EXPECT_TRUE(loaded.at(0).shiftIsGroup);
    EXPECT_TRUE(loaded.at(1).dateIsGroup);

    ASSERT_TRUE(deleteRule(db.db(), first, &error)) << error.toStdString();
    EXPECT_EQ(db.scalar("select group_concat(编号) from 排除条件").toString(),
              QString::number(second));
    // A number that is gone deletes nothing else.
    ASSERT_TRUE(deleteRule(db.db(), first, &error));
    EXPECT_EQ(count(db, "排除条件"), 1);

    // Numbers are not reused after a delete.
    ASSERT_TRUE(deleteRule(db.db(), second));
    qint64 again = 0;
    ASSERT_TRUE(addRule(db.db(), ruleFromFrame("张三", notOn, "全部", 1, 1, "全部", 1, 1), &again));
    EXPECT_GT(again, second);
}

TEST(WorkTables, ResetEmptiesBothWorkTablesAndNothingElse) {
    test::TempDatabase db;
    db.run(masterData);
    db.run("insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) values ('2027-01-01', 1, 1, "
           "'1');"
           "insert into 值班报表 (日期, 班次, 值班人) values ('2027年1月1日', '白班', '  张三');"
           "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) "
           "values ('张三', '不排在', '全部', '全部', 1, 1)");
    QString error;
    ASSERT_TRUE(resetWorkTables(db.db(), &error)) << error.toStdString();
    EXPECT_EQ(count(db, "值班底表"), 0);
    EXPECT_EQ(count(db, "值班报表"), 0);
    EXPECT_EQ(count(db, "排除条件"), 1);
    EXPECT_EQ(count(db, "基本信息"), 3);
}
