// The rule step beyond what one rule strikes (rules_differential_test.cpp):
// rules combining, a database that refuses, and the rules left dangling.

#include "engine/rules.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

#include <algorithm>

using namespace korvane;
using engine::notOn;
using engine::onlyOn;

namespace {

// 张三 (IDID 1) in staff group 内科 (2), 李四 (2) only in 全部; dates
// 2027-01-01 and 01-02 (周末, 2); shifts 白班 (1) in 白天 (2) and 夜班 (2).
class RulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.run("insert into 值班人员组 (值班人员组名称, idid) values ('内科', 2);"
              "insert into 日期组 (日期组名称, idid) values ('周末', 2);"
              "insert into 班次组 (班次组名称, idid) values ('白天', 2);"
              "insert into 基本信息 (ID, 姓名, IDID, 所属组ID, 家庭住址) values (1, '张三', 1, "
              "'zz2z1z', '0'), (2, '李四', 2, 'zz1z', '0');"
              "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-01', 'zz1z'), "
              "('2027-01-02', 'zz2z1z');"
              "insert into banci (班次名称, idid, 起始时间, 结束秒序, 分布日期, 所属组ID, 人数) "
              "values ('白班', 1, '08:00', 960, '全部', 'zz2z1z', 1), ('夜班', 2, '16:00', 1920, "
              "'全部', 'zz1z', 1)");
        QString error;
        ASSERT_TRUE(data.load(t.db(), &error)) << error.toStdString();
        ASSERT_TRUE(engine::buildCandidateTable(data, &table));
    }
    engine::RuleApplied apply(const engine::Rule& rule, QString* error) {
        engine::RuleRegion region;
        const engine::RuleApplied applied = engine::readRuleRegion(t.db(), rule, &region, error);
        engine::strikeRegion(region, data, table);
        return applied;
    }
    // The candidate rows' flags in table order: date, shift, person.
    std::string flags() const { return std::string(table.flags.begin(), table.flags.end()); }

    test::TempDatabase t;
    engine::PlanningData data;
    engine::CandidateTable table;
};

} // namespace

// Rules only ever strike: a second rule, or the same one again, never
// reopens what another struck. A rule with another 排在 strikes nothing.
TEST_F(RulesTest, NotOnAndOnlyOnForOnePersonCombine) {
    QString error;
    apply({0, "李四", "排在", "周末", "夜班", true, false}, &error);
    EXPECT_EQ(flags(), "22222222");
    ASSERT_EQ(apply({0, "李四", onlyOn, "周末", "夜班", true, false}, &error),
              engine::RuleApplied::Applied);
    EXPECT_EQ(flags(), "20202022");
    for (int pass = 0; pass < 2; ++pass)
        apply({0, "李四", notOn, "2027-01-02", "夜班", false, false}, &error);
    EXPECT_EQ(flags(), "20202020");
    apply({0, "内科", notOn, "周末", "白天", true, true}, &error);
    EXPECT_EQ(flags(), "20200020");
}

// Only a rule's own content makes it skippable; a lock held by another program
// is the database refusing, and the run must not go on without the rule.
TEST_F(RulesTest, ADatabaseErrorFailsTheRuleInsteadOfSkippingIt) {
    QString error;
    auto writer = Connection::open(t.path, &error);
    ASSERT_TRUE(writer) << error.toStdString();
    QSqlQuery hold(writer->db());
    const bool server = writer->onServer();
    for (const char* statement :
         server ? QList<const char*>{"BEGIN", "LOCK TABLE banci IN ACCESS EXCLUSIVE MODE"}
                : QList<const char*>{"PRAGMA locking_mode = EXCLUSIVE", "BEGIN EXCLUSIVE",
                                     "UPDATE banci SET 人数 = 人数"})
        ASSERT_TRUE(hold.exec(statement)) << statement;
    t.run(server ? "SET lock_timeout = 50" : "PRAGMA busy_timeout = 50");
    EXPECT_EQ(apply({0, "张三", notOn, "周末", "夜班", true, false}, &error),
              engine::RuleApplied::Failed);
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(hold.exec("ROLLBACK"));
    EXPECT_EQ(flags(), "22222222");
}

// What a rename or a deletion left behind is named before a run: a person
// or staff group, a date or date group, a shift or shift group that is gone.
TEST_F(RulesTest, DanglingRulesAreTheOnesNamingWhatDoesNotExist) {
    t.run("insert into 排除条件 (编号, 人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values"
          " (1, '张三', '不排在', '周末', '白天', 1, 1),"
          " (2, '内科', '限排在', '2027-1-2', '夜班', 0, 0),"
          " (3, '张三丰', '不排在', '周末', '白天', 1, 1),"
          " (4, '内科', '不排在', '假日', '夜班', 1, 0),"
          " (5, '李四', '限排在', '2027-02-01', '夜班', 0, 0),"
          " (6, '李四', '不排在', '2027-01-01', '白班', 0, 1),"
          " (7, '李四', '限排在', '周末', '早班', 1, 0)");
    QString error;
    EXPECT_EQ(engine::danglingRules(t.db(), &error),
              QStringList({"编号 3：张三丰 不排在 周末 的 白天", "编号 4：内科 不排在 假日 的 夜班",
                           "编号 5：李四 限排在 2027-02-01 的 夜班",
                           "编号 6：李四 不排在 2027-01-01 的 白班",
                           "编号 7：李四 限排在 周末 的 早班"}));
    EXPECT_TRUE(error.isEmpty());
}
