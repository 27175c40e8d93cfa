#include "engine/rules.h"
#include "store/dialect.h"
#include "store/sqltext.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QSqlQuery>

using namespace korvane;
using engine::notOn;
using engine::onlyOn;
using engine::Rule;

namespace {

// A ward of five people over four days with three shifts:
//   张三 (IDID 1) and 王五 (3) in staff group 内科 (2); 李四 (2) only in 全部;
//   赵六 (4) in no staff group at all; O'Neil (5) in group A'组 (3).
//   Dates 2027-01-01 .. 01-04; date group 周末 (2) holds 01-02 and 01-03,
//   date group 节'日 (3) holds 01-04.
//   Shifts 白班 (1) in shift group 白天 (2), 夜班 (2), O'班 (3) in shift group 夜'间 (3).
// Every date x shift x person is a candidate ('2').
const QString wardSetup = QStringLiteral(R"(
insert into 值班人员组 (值班人员组名称, idid) values ('内科', 2), ('A''组', 3);
insert into 日期组 (日期组名称, idid) values ('周末', 2), ('节''日', 3);
insert into 班次组 (班次组名称, idid) values ('白天', 2), ('夜''间', 3);
insert into 基本信息 (ID, 姓名, IDID, 所属组ID, 家庭住址) values
  (1, '张三', 1, 'zz2z1z', '0'), (2, '李四', 2, 'zz1z', '0'), (3, '王五', 3, 'zz2z1z', '0'),
  (4, '赵六', 4, 'zz', '0'), (5, 'O''Neil', 5, 'zz3z1z', '0');
insert into 日期类型 (日期, 所属日期组ID) values
  ('2027-01-01', 'zz1z'), ('2027-01-02', 'zz2z1z'), ('2027-01-03', 'zz2z1z'),
  ('2027-01-04', 'zz3z1z');
insert into banci (班次名称, idid, 起始时间, 结束秒序, 分布日期, 所属组ID, 人数) values
  ('白班', 1, '08:00', 960, '全部', 'zz2z1z', 1), ('夜班', 2, '16:00', 1920, '全部', 'zz1z', 1),
  ('O''班', 3, '20:00', 1920, '全部', 'zz3z1z', 1)
)");

QStringList sorted(QStringList rows) {
    rows.sort();
    return rows;
}

// "01-02 白班|01-03 白班" as 张三's rows "张三 01-02 白班", ...; "*" is all twelve.
QStringList rowsOfZhang(const QString& text) {
    QStringList rows;
    for (const QString& day : QStringList{"01", "02", "03", "04"})
        for (const QString& shift : QStringList{"白班", "夜班", "O'班"})
            if (text == "*" || text.split('|').contains("01-" + day + " " + shift))
                rows << "张三 01-" + day + " " + shift;
    return sorted(rows);
}

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.run(wardSetup);
        load();
    }
    // The set-up read as a run reads it, every candidate row open.
    void load() {
        QString error;
        ASSERT_TRUE(data.load(t.db(), &error)) << error.toStdString();
        ASSERT_TRUE(engine::buildCandidateTable(data, &table));
    }
    engine::RuleApplied tryRule(const Rule& r, QString* error) {
        engine::RuleRegion region;
        const engine::RuleApplied applied = engine::readRuleRegion(t.db(), r, &region, error);
        engine::strikeRegion(region, data, table);
        return applied;
    }
    void apply(const Rule& r) {
        QString error;
        EXPECT_EQ(tryRule(r, &error), engine::RuleApplied::Applied) << error.toStdString();
    }
    void reopen() { std::fill(table.flags.begin(), table.flags.end(), engine::flagOpen); }
    // Candidate rows with the given flag, as "person MM-dd shift", sorted.
    QStringList rowsFlagged(char flag, const QString& person = {}) {
        QStringList rows;
        for (const engine::CandidateSlot& slot : table.slotList) {
            QString shift;
            for (const engine::Shift& s : data.shifts)
                if (s.idid == slot.shift)
                    shift = s.name;
            for (int p = 0; p < table.people(); ++p)
                if (table.flags[size_t(slot.firstRow + p)] == flag &&
                    (person.isEmpty() || data.staff[p].name == person))
                    rows << data.staff[p].name + " " + data.calendar[slot.calendarRow].text.mid(5) +
                                " " + shift;
        }
        return sorted(rows);
    }
    QStringList struck() { return rowsFlagged(engine::flagStruck); }
    QStringList keptOf(const QString& person) { return rowsFlagged(engine::flagOpen, person); }
    int struckCount() { return int(std::count(table.flags.begin(), table.flags.end(), '0')); }

    test::TempDatabase t;
    engine::PlanningData data;
    engine::CandidateTable table;
};

// One rule for 张三 in each of the eight shapes, and what a rule naming
// something that does not exist strikes in each.
struct ShapeCase {
    const char* label;
    bool only; // 限排在, else 不排在
    bool dateIsGroup;
    const char* date;
    bool shiftIsGroup;
    const char* shift;
    const char* rows; // 不排在: the rows struck; 限排在: the rows 张三 keeps
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << c.label;
}

class RuleShapes : public RulesTest, public ::testing::WithParamInterface<ShapeCase> {};

// Exactly 张三's rows outside the kept ones go; nobody else's.
TEST_P(RuleShapes, StrikeExactlyTheRegionOfOnePerson) {
    const ShapeCase& c = GetParam();
    apply({0, "张三", c.only ? onlyOn : notOn, c.date, c.shift, c.dateIsGroup, c.shiftIsGroup});
    QStringList expected = rowsOfZhang(c.rows);
    if (c.only) {
        QStringList others = rowsOfZhang("*");
        for (const QString& kept : expected)
            others.removeAll(kept);
        EXPECT_EQ(keptOf("张三"), expected);
        expected = others;
    }
    EXPECT_EQ(struck(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleShapes,
    ::testing::Values(
        ShapeCase{"GroupNotOnGroup", false, true, "周末", true, "白天", "01-02 白班|01-03 白班"},
        ShapeCase{"GroupNotOnShift", false, true, "周末", false, "夜班", "01-02 夜班|01-03 夜班"},
        ShapeCase{"GroupOnlyOnGroup", true, true, "周末", true, "白天", "01-02 白班|01-03 白班"},
        ShapeCase{"GroupOnlyOnShift", true, true, "周末", false, "夜班", "01-02 夜班|01-03 夜班"},
        ShapeCase{"DateNotOnGroup", false, false, "2027-01-01", true, "白天", "01-01 白班"},
        ShapeCase{"DateNotOnShift", false, false, "2027-01-01", false, "夜班", "01-01 夜班"},
        ShapeCase{"DateOnlyOnGroup", true, false, "2027-01-01", true, "白天", "01-01 白班"},
        ShapeCase{"DateOnlyOnShift", true, false, "2027-01-01", false, "夜班", "01-01 夜班"},
        // A single date may be written without leading zeros or with slashes.
        ShapeCase{"DateWithoutZeros", false, false, "2027-1-3", false, "夜班", "01-03 夜班"},
        ShapeCase{"DateWithSlashes", true, false, "2027/1/4", false, "白班", "01-04 白班"},
        // Missing names. 不排在 naming nothing strikes nothing.
        ShapeCase{"NotOnMissingDateGroup", false, true, "无此组", true, "白天", ""},
        ShapeCase{"NotOnMissingShiftGroup", false, true, "周末", true, "无此组", ""},
        ShapeCase{"NotOnMissingShift", false, true, "周末", false, "无此班", ""},
        ShapeCase{"NotOnDateOutsidePeriod", false, false, "2027-02-01", false, "夜班", ""},
        // Date group / shift group: a missing group drops its own half.
        ShapeCase{"OnlyOnMissingDateGroupKeepsShiftHalf", true, true, "无此组", true, "白天",
                  "01-01 白班|01-02 白班|01-03 白班|01-04 白班"},
        ShapeCase{"OnlyOnMissingShiftGroupKeepsDateHalf", true, true, "周末", true, "无此组",
                  "01-02 O'班|01-02 夜班|01-02 白班|01-03 O'班|01-03 夜班|01-03 白班"},
        // Date group / single shift: a missing shift makes its half true
        // everywhere, a missing date group makes the whole rule strike nothing.
        ShapeCase{"OnlyOnGroupMissingShiftStrikesAll", true, true, "周末", false, "无此班", ""},
        ShapeCase{"OnlyOnMissingDateGroupStrikesNothing", true, true, "无此组", false, "夜班", "*"},
        // Single date / shift group: a date outside the period strikes
        // everything, a missing shift group leaves the date half alone.
        ShapeCase{"OnlyOnDateOutsidePeriodStrikesAll", true, false, "2027-02-01", true, "白天", ""},
        ShapeCase{"OnlyOnDateMissingShiftGroupKeepsDateHalf", true, false, "2027-01-01", true,
                  "无此组", "01-01 O'班|01-01 夜班|01-01 白班"},
        // Single date / single shift: either name missing strikes everything.
        ShapeCase{"OnlyOnDateOutsidePeriodShiftStrikesAll", true, false, "2027-02-01", false,
                  "夜班", ""},
        ShapeCase{"OnlyOnDateMissingShiftStrikesAll", true, false, "2027-01-01", false, "无此班",
                  ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RulesTest, GroupRulesHitEveryMemberAndNobodyOutsideAllGroups) {
    apply({0, "内科", notOn, "周末", "白天", true, true});
    EXPECT_EQ(struck(),
              sorted({"张三 01-02 白班", "张三 01-03 白班", "王五 01-02 白班", "王五 01-03 白班"}));
    // 全部 hits everyone in it, but not 赵六, who is in no group.
    reopen();
    apply({0, "全部", notOn, "2027-01-01", "夜班", false, false});
    EXPECT_EQ(struck(), sorted({"O'Neil 01-01 夜班", "张三 01-01 夜班", "李四 01-01 夜班",
                                "王五 01-01 夜班"}));
    // A person in no staff group is matched by no rule, not even by name.
    reopen();
    apply({0, "赵六", notOn, "周末", "白天", true, true});
    apply({0, "赵六", onlyOn, "2027-01-01", "夜班", false, false});
    EXPECT_EQ(struckCount(), 0);
}

TEST_F(RulesTest, NotOnAndOnlyOnForOnePersonCombine) {
    apply({0, "李四", onlyOn, "周末", "夜班", true, false});
    apply({0, "李四", notOn, "2027-01-02", "夜班", false, false});
    EXPECT_EQ(keptOf("李四"), QStringList{"李四 01-03 夜班"});
    EXPECT_EQ(struckCount(), 11);
    // Applying a rule again changes nothing.
    apply({0, "李四", notOn, "2027-01-02", "夜班", false, false});
    EXPECT_EQ(struckCount(), 11);
}

TEST_F(RulesTest, QuotesInNamesStrikeExactlyTheirRows) {
    // A person, a staff group, a date group and a shift with a quote in the name.
    apply({0, "O'Neil", notOn, "2027-01-01", "O'班", false, false});
    EXPECT_EQ(struck(), QStringList{"O'Neil 01-01 O'班"});
    apply({0, "A'组", notOn, "节'日", "夜'间", true, true});
    EXPECT_EQ(struck(), sorted({"O'Neil 01-01 O'班", "O'Neil 01-04 O'班"}));
    // A name written to break out of its quotes is only a name that matches nobody.
    apply({0, "x' or '1'='1", notOn, "周末", "x' or '1'='1", true, false});
    EXPECT_EQ(struckCount(), 2);
    // The rule's query keeps such a name inside one literal.
    const QString query = engine::ruleQuery({0, "O'Neil", onlyOn, "节'日", "O'班", true, false});
    EXPECT_TRUE(query.contains("'O''Neil'"));
    EXPECT_TRUE(query.contains("'节''日'"));
    EXPECT_TRUE(query.contains("'O''班'"));
    EXPECT_TRUE(dialect::translate(query).ok());
}

TEST_F(RulesTest, UnknownPlacementStrikesNothing) {
    const Rule r{0, "张三", "排在", "周末", "白天", true, true};
    EXPECT_TRUE(engine::ruleQuery(r).isEmpty());
    apply(r);
    EXPECT_EQ(struckCount(), 0);
}

TEST_F(RulesTest, SingleDateThatIsNotADateIsRefusedAndChangesNothing) {
    for (const QString& date :
         QStringList{"周末", "2027-02-30", "2027-01-01#or#2027-01-02", QString()}) {
        QString error;
        EXPECT_EQ(tryRule({0, "张三", onlyOn, date, "夜班", false, false}, &error),
                  engine::RuleApplied::Unevaluable)
            << date.toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(struckCount(), 0);
    }
    // The same text as a date group's name is simply a group that does not exist.
    apply({0, "张三", notOn, "2027-02-30", "夜班", true, false});
    EXPECT_EQ(struckCount(), 0);
}

// Only a rule's own content makes it skippable; a lock held by another program
// is the database refusing, and the run must not go on without the rule.
TEST_F(RulesTest, ADatabaseErrorFailsTheRuleInsteadOfSkippingIt) {
    QString error;
    auto writer = Connection::open(t.path, &error);
    ASSERT_TRUE(writer) << error.toStdString();
    QSqlQuery hold(writer->db());
    for (const char* statement :
         {"PRAGMA locking_mode = EXCLUSIVE", "BEGIN EXCLUSIVE", "UPDATE banci SET 人数 = 人数"})
        ASSERT_TRUE(hold.exec(statement)) << statement;
    t.run("PRAGMA busy_timeout = 50");
    EXPECT_EQ(tryRule({0, "张三", notOn, "周末", "夜班", true, false}, &error),
              engine::RuleApplied::Failed);
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(hold.exec("ROLLBACK"));
    EXPECT_EQ(struckCount(), 0);
}

TEST_F(RulesTest, DuplicateDateGroupNamesMatchThroughEitherGroup) {
    // A second 周末 holding only 01-04.
    t.run("insert into 日期组 (日期组名称, idid) values ('周末', 4);"
          "update 日期类型 set 所属日期组ID = 'zz4z3z1z' where 日期 = '2027-01-04'");
    load();
    apply({0, "张三", notOn, "周末", "夜班", true, false});
    EXPECT_EQ(struck(), rowsOfZhang("01-02 夜班|01-03 夜班|01-04 夜班"));
    // 限排在: a date outside either group is outside the region, and every date
    // lies outside one of the two, so the person keeps nothing.
    apply({0, "王五", onlyOn, "周末", "白天", true, true});
    EXPECT_TRUE(keptOf("王五").isEmpty());
}

// What a rename or a deletion left behind is named before a run: a person
// or staff group, a date or date group, a shift or shift group that is gone.
TEST_F(RulesTest, DanglingRulesAreTheOnesNamingWhatDoesNotExist) {
    t.run("insert into 排除条件 (编号, 人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values"
          " (1, '张三', '不排在', '周末', '白天', 1, 1),"
          " (2, 'A''组', '限排在', '2027-1-4', 'O''班', 0, 0),"
          " (3, '张三丰', '不排在', '周末', '白天', 1, 1),"
          " (4, '内科', '不排在', '假日', '夜班', 1, 0),"
          " (5, '李四', '限排在', '2027-02-01', '夜班', 0, 0),"
          " (6, '李四', '不排在', '2027-01-01', '白班', 0, 1),"
          " (7, '王五', '限排在', '周末', '早班', 1, 0)");
    QString error;
    EXPECT_EQ(engine::danglingRules(t.db(), &error),
              QStringList({"编号 3：张三丰 不排在 周末 的 白天", "编号 4：内科 不排在 假日 的 夜班",
                           "编号 5：李四 限排在 2027-02-01 的 夜班",
                           "编号 6：李四 不排在 2027-01-01 的 白班",
                           "编号 7：王五 限排在 周末 的 早班"}));
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(RulesTest, LoadRulesReadsEveryRuleInNumberOrder) {
    t.run("insert into 排除条件 (编号, 人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values"
          " (7, '李四', '限排在', '2027-01-02', '夜班', 0, 1),"
          " (3, 'O''Neil', '不排在', '周末', '白班', 1, 0)");
    QString error;
    const QList<Rule> rules = engine::loadRules(t.db(), &error);
    ASSERT_EQ(rules.size(), 2) << error.toStdString();
    const auto text = [](const Rule& r) {
        return QStringList{QString::number(r.number),
                           r.person,
                           r.placement,
                           r.date,
                           r.shift,
                           QString::number(r.dateIsGroup),
                           QString::number(r.shiftIsGroup)}
            .join('|');
    };
    EXPECT_EQ(text(rules[0]), "3|O'Neil|不排在|周末|白班|1|0");
    EXPECT_EQ(text(rules[1]), "7|李四|限排在|2027-01-02|夜班|0|1");
}

} // namespace
