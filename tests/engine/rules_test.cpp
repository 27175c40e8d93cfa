#include "engine/rules.h"
#include "store/dialect.h"
#include "store/sqltext.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace korvane;
using engine::Rule;

namespace {

QStringList sorted(QStringList rows) {
    rows.sort();
    return rows;
}

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
  ('O''班', 3, '20:00', 1920, '全部', 'zz3z1z', 1);
insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班)
  select 日期类型.日期, banci.idid, 基本信息.IDID, '2' from 日期类型, banci, 基本信息
)");

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override { t.run(wardSetup); }

    static Rule rule(const QString& person, const QString& placement, const QString& date,
                     const QString& shift, bool dateIsGroup, bool shiftIsGroup) {
        Rule r;
        r.person = person;
        r.placement = placement;
        r.date = date;
        r.shift = shift;
        r.dateIsGroup = dateIsGroup;
        r.shiftIsGroup = shiftIsGroup;
        return r;
    }

    void apply(const Rule& r) {
        QString error;
        EXPECT_TRUE(engine::applyRule(t.db(), r, &error)) << error.toStdString();
    }

    // Candidate rows with the given flag, as "person date shift" (dates as MM-dd).
    QStringList rowsFlagged(const QString& flag, const QString& person = {}) {
        QString sql =
            QStringLiteral(
                "select 基本信息.姓名 || ' ' || substr(值班底表.日期, 6) || ' ' || banci.班次名称 "
                "from 值班底表 join 基本信息 on 基本信息.IDID = 值班底表.姓名IDID "
                "join banci on banci.idid = 值班底表.班次IDID where 值班底表.是否值班 = '%1'")
                .arg(flag);
        if (!person.isEmpty())
            sql += QStringLiteral(" and 基本信息.姓名 = %1").arg(sqlQuote(person));
        QStringList rows = t.rows(sql);
        rows.sort();
        return rows;
    }
    QStringList struck() { return rowsFlagged(QStringLiteral("0")); }
    QStringList keptOf(const QString& person) { return rowsFlagged(QStringLiteral("2"), person); }
    int struckCount() {
        return t.scalar(QStringLiteral("select count(*) from 值班底表 where 是否值班 = '0'"))
            .toInt();
    }

    test::TempDatabase t;
};

const QString notOn = engine::notOn;
const QString onlyOn = engine::onlyOn;

// One rule of each of the eight shapes for 张三, with what it must leave.
struct ShapeCase {
    const char* label;
    bool dateIsGroup;
    const char* placement;
    bool shiftIsGroup;
    const char* date;
    const char* shift;
    QStringList struckRows; // for 不排在: exactly these rows go
    QStringList keptRows;   // for 限排在: 张三 keeps exactly these rows
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << c.label;
}

class RuleShapes : public RulesTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(RuleShapes, StrikeExactlyTheRegionOfOnePerson) {
    const ShapeCase& c = GetParam();
    const bool only = QString::fromUtf8(c.placement) == onlyOn;
    apply(rule(QStringLiteral("张三"), QString::fromUtf8(c.placement), QString::fromUtf8(c.date),
               QString::fromUtf8(c.shift), c.dateIsGroup, c.shiftIsGroup));
    if (only) {
        EXPECT_EQ(keptOf(QStringLiteral("张三")), sorted(c.keptRows));
        EXPECT_EQ(struckCount(), 12 - c.keptRows.size()) << "only 张三's rows may go";
    } else {
        EXPECT_EQ(struck(), sorted(c.struckRows));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleShapes,
    ::testing::Values(
        ShapeCase{"GroupNotOnGroup",
                  true,
                  "不排在",
                  true,
                  "周末",
                  "白天",
                  {"张三 01-02 白班", "张三 01-03 白班"},
                  {}},
        ShapeCase{"GroupNotOnShift",
                  true,
                  "不排在",
                  false,
                  "周末",
                  "夜班",
                  {"张三 01-02 夜班", "张三 01-03 夜班"},
                  {}},
        ShapeCase{"GroupOnlyOnGroup",
                  true,
                  "限排在",
                  true,
                  "周末",
                  "白天",
                  {},
                  {"张三 01-02 白班", "张三 01-03 白班"}},
        ShapeCase{"GroupOnlyOnShift",
                  true,
                  "限排在",
                  false,
                  "周末",
                  "夜班",
                  {},
                  {"张三 01-02 夜班", "张三 01-03 夜班"}},
        ShapeCase{
            "DateNotOnGroup", false, "不排在", true, "2027-01-01", "白天", {"张三 01-01 白班"}, {}},
        ShapeCase{"DateNotOnShift",
                  false,
                  "不排在",
                  false,
                  "2027-01-01",
                  "夜班",
                  {"张三 01-01 夜班"},
                  {}},
        ShapeCase{"DateOnlyOnGroup",
                  false,
                  "限排在",
                  true,
                  "2027-01-01",
                  "白天",
                  {},
                  {"张三 01-01 白班"}},
        ShapeCase{"DateOnlyOnShift",
                  false,
                  "限排在",
                  false,
                  "2027-01-01",
                  "夜班",
                  {},
                  {"张三 01-01 夜班"}},
        // A single date may be written without leading zeros or with slashes.
        ShapeCase{"DateWithoutZeros",
                  false,
                  "不排在",
                  false,
                  "2027-1-3",
                  "夜班",
                  {"张三 01-03 夜班"},
                  {}},
        ShapeCase{"DateWithSlashes",
                  false,
                  "限排在",
                  false,
                  "2027/1/4",
                  "白班",
                  {},
                  {"张三 01-04 白班"}}),
    [](const auto& info) { return std::string(info.param.label); });

// What a rule naming something that does not exist strikes, shape by shape.
struct MissingCase {
    const char* label;
    bool dateIsGroup;
    const char* placement;
    bool shiftIsGroup;
    const char* date;
    const char* shift;
    QStringList keptRows; // what 张三 keeps; everyone else keeps everything
};

void PrintTo(const MissingCase& c, std::ostream* os) {
    *os << c.label;
}

class MissingNames : public RulesTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingNames, StrikeAsTheRuleQueryReadsThem) {
    const MissingCase& c = GetParam();
    apply(rule(QStringLiteral("张三"), QString::fromUtf8(c.placement), QString::fromUtf8(c.date),
               QString::fromUtf8(c.shift), c.dateIsGroup, c.shiftIsGroup));
    EXPECT_EQ(keptOf(QStringLiteral("张三")), sorted(c.keptRows));
    EXPECT_EQ(struckCount(), 12 - c.keptRows.size());
}

const QStringList allOfZhang = {"张三 01-01 O'班", "张三 01-01 夜班", "张三 01-01 白班",
                                "张三 01-02 O'班", "张三 01-02 夜班", "张三 01-02 白班",
                                "张三 01-03 O'班", "张三 01-03 夜班", "张三 01-03 白班",
                                "张三 01-04 O'班", "张三 01-04 夜班", "张三 01-04 白班"};

INSTANTIATE_TEST_SUITE_P(
    Rules, MissingNames,
    ::testing::Values(
        // 不排在 naming nothing strikes nothing.
        MissingCase{"NotOnMissingDateGroup", true, "不排在", true, "无此组", "白天", allOfZhang},
        MissingCase{"NotOnMissingShiftGroup", true, "不排在", true, "周末", "无此组", allOfZhang},
        MissingCase{"NotOnMissingShift", true, "不排在", false, "周末", "无此班", allOfZhang},
        MissingCase{"NotOnDateOutsidePeriod", false, "不排在", false, "2027-02-01", "夜班",
                    allOfZhang},
        // Variant date group / shift group: a missing group drops its own half.
        MissingCase{"OnlyOnMissingDateGroupKeepsShiftHalf",
                    true,
                    "限排在",
                    true,
                    "无此组",
                    "白天",
                    {"张三 01-01 白班", "张三 01-02 白班", "张三 01-03 白班", "张三 01-04 白班"}},
        MissingCase{"OnlyOnMissingShiftGroupKeepsDateHalf",
                    true,
                    "限排在",
                    true,
                    "周末",
                    "无此组",
                    {"张三 01-02 O'班", "张三 01-02 夜班", "张三 01-02 白班", "张三 01-03 O'班",
                     "张三 01-03 夜班", "张三 01-03 白班"}},
        // Date group / single shift: a missing shift makes its half true everywhere,
        // a missing date group makes the whole rule strike nothing.
        MissingCase{
            "OnlyOnGroupMissingShiftStrikesAll", true, "限排在", false, "周末", "无此班", {}},
        MissingCase{"OnlyOnMissingDateGroupStrikesNothing", true, "限排在", false, "无此组", "夜班",
                    allOfZhang},
        // Single date / shift group: a date outside the period strikes everything,
        // a missing shift group leaves the date half alone.
        MissingCase{
            "OnlyOnDateOutsidePeriodStrikesAll", false, "限排在", true, "2027-02-01", "白天", {}},
        MissingCase{"OnlyOnDateMissingShiftGroupKeepsDateHalf",
                    false,
                    "限排在",
                    true,
                    "2027-01-01",
                    "无此组",
                    {"张三 01-01 O'班", "张三 01-01 夜班", "张三 01-01 白班"}},
        // Single date / single shift: either name missing strikes everything.
        MissingCase{"OnlyOnDateOutsidePeriodShiftStrikesAll",
                    false,
                    "限排在",
                    false,
                    "2027-02-01",
                    "夜班",
                    {}},
        MissingCase{"OnlyOnDateMissingShiftStrikesAll",
                    false,
                    "限排在",
                    false,
                    "2027-01-01",
                    "无此班",
                    {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RulesTest, StaffGroupRuleHitsEveryMember) {
    apply(rule(QStringLiteral("内科"), notOn, QStringLiteral("周末"), QStringLiteral("白天"), true,
               true));
    EXPECT_EQ(struck(),
              sorted({"张三 01-02 白班", "张三 01-03 白班", "王五 01-02 白班", "王五 01-03 白班"}));
}

TEST_F(RulesTest, AllGroupRuleHitsEveryoneInAllButThePersonInNoGroup) {
    apply(rule(QStringLiteral("全部"), notOn, QStringLiteral("2027-01-01"), QStringLiteral("夜班"),
               false, false));
    EXPECT_EQ(struck(), sorted({"O'Neil 01-01 夜班", "张三 01-01 夜班", "李四 01-01 夜班",
                                "王五 01-01 夜班"}));
}

TEST_F(RulesTest, PersonInNoStaffGroupIsMatchedByNoRuleNotEvenByName) {
    apply(rule(QStringLiteral("赵六"), notOn, QStringLiteral("周末"), QStringLiteral("白天"), true,
               true));
    apply(rule(QStringLiteral("赵六"), onlyOn, QStringLiteral("2027-01-01"), QStringLiteral("夜班"),
               false, false));
    EXPECT_EQ(struckCount(), 0);
}

TEST_F(RulesTest, NotOnAndOnlyOnForOnePersonCombine) {
    apply(rule(QStringLiteral("李四"), onlyOn, QStringLiteral("周末"), QStringLiteral("夜班"), true,
               false));
    apply(rule(QStringLiteral("李四"), notOn, QStringLiteral("2027-01-02"), QStringLiteral("夜班"),
               false, false));
    EXPECT_EQ(keptOf(QStringLiteral("李四")), QStringList{"李四 01-03 夜班"});
    EXPECT_EQ(struckCount(), 11);
    // Applying a rule again changes nothing.
    apply(rule(QStringLiteral("李四"), notOn, QStringLiteral("2027-01-02"), QStringLiteral("夜班"),
               false, false));
    EXPECT_EQ(struckCount(), 11);
}

TEST_F(RulesTest, QuotesInNamesStrikeExactlyTheirRows) {
    // A person, a staff group, a date group and a shift with a quote in the name.
    apply(rule(QStringLiteral("O'Neil"), notOn, QStringLiteral("2027-01-01"),
               QStringLiteral("O'班"), false, false));
    EXPECT_EQ(struck(), QStringList{"O'Neil 01-01 O'班"});
    apply(rule(QStringLiteral("A'组"), notOn, QStringLiteral("节'日"), QStringLiteral("夜'间"),
               true, true));
    EXPECT_EQ(struck(), sorted({"O'Neil 01-01 O'班", "O'Neil 01-04 O'班"}));
    // A name written to break out of its quotes is only a name that matches nobody.
    apply(rule(QStringLiteral("x' or '1'='1"), notOn, QStringLiteral("周末"),
               QStringLiteral("x' or '1'='1"), true, false));
    EXPECT_EQ(struckCount(), 2);
    // The rule's query keeps such a name inside one literal.
    const QString query =
        engine::ruleQuery(rule(QStringLiteral("O'Neil"), onlyOn, QStringLiteral("节'日"),
                               QStringLiteral("O'班"), true, false));
    EXPECT_TRUE(query.contains(QStringLiteral("'O''Neil'")));
    EXPECT_TRUE(query.contains(QStringLiteral("'节''日'")));
    EXPECT_TRUE(query.contains(QStringLiteral("'O''班'")));
    EXPECT_TRUE(dialect::translate(query).ok());
}

TEST_F(RulesTest, UnknownPlacementStrikesNothing) {
    const Rule r = rule(QStringLiteral("张三"), QStringLiteral("排在"), QStringLiteral("周末"),
                        QStringLiteral("白天"), true, true);
    EXPECT_TRUE(engine::ruleQuery(r).isEmpty());
    apply(r);
    EXPECT_EQ(struckCount(), 0);
}

TEST_F(RulesTest, SingleDateThatIsNotADateIsRefusedAndChangesNothing) {
    for (const QString& date : {QStringLiteral("周末"), QStringLiteral("2027-02-30"),
                                QStringLiteral("2027-01-01#or#2027-01-02"), QString()}) {
        QString error;
        EXPECT_FALSE(engine::applyRule(
            t.db(),
            rule(QStringLiteral("张三"), onlyOn, date, QStringLiteral("夜班"), false, false),
            &error))
            << date.toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(struckCount(), 0);
    }
    // The same text as a date group's name is simply a group that does not exist.
    apply(rule(QStringLiteral("张三"), notOn, QStringLiteral("2027-02-30"), QStringLiteral("夜班"),
               true, false));
    EXPECT_EQ(struckCount(), 0);
}

TEST_F(RulesTest, DuplicateDateGroupNamesMatchThroughEitherGroup) {
    // A second 周末 holding only 01-04.
    t.run(
        QStringLiteral("insert into 日期组 (日期组名称, idid) values ('周末', 4);"
                       "update 日期类型 set 所属日期组ID = 'zz4z3z1z' where 日期 = '2027-01-04'"));
    apply(rule(QStringLiteral("张三"), notOn, QStringLiteral("周末"), QStringLiteral("夜班"), true,
               false));
    EXPECT_EQ(struck(), sorted({"张三 01-02 夜班", "张三 01-03 夜班", "张三 01-04 夜班"}));
    // 限排在: a date outside either group is outside the region, and every date
    // lies outside one of the two, so the person keeps nothing.
    apply(rule(QStringLiteral("王五"), onlyOn, QStringLiteral("周末"), QStringLiteral("白天"), true,
               true));
    EXPECT_TRUE(keptOf(QStringLiteral("王五")).isEmpty());
}

TEST_F(RulesTest, RowsOutsideTheJoinsAreNeverStruck) {
    // A date no longer in the calendar, a person and a shift that were deleted.
    t.run(QStringLiteral(
        "insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) values"
        " ('2027-02-01', 1, 1, '2'), ('2027-01-01', 99, 1, '2'), ('2027-01-01', 1, 99, '2')"));
    apply(rule(QStringLiteral("全部"), onlyOn, QStringLiteral("2027-01-01"),
               QStringLiteral("无此班"), false, false));
    // Every matched row of the four grouped people goes; the three stray rows stay.
    EXPECT_EQ(struckCount(), 4 * 12);
    EXPECT_EQ(t.scalar(QStringLiteral("select count(*) from 值班底表 where 是否值班 = '2' and "
                                      "(日期 = '2027-02-01' or 班次IDID = 99 or 姓名IDID = 99)"))
                  .toInt(),
              3);
}

TEST_F(RulesTest, LoadRulesReadsEveryRuleInNumberOrder) {
    t.run(QStringLiteral(
        "insert into 排除条件 (编号, 人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values"
        " (7, '李四', '限排在', '2027-01-02', '夜班', 0, 1),"
        " (3, 'O''Neil', '不排在', '周末', '白班', 1, 0)"));
    QString error;
    const QList<Rule> rules = engine::loadRules(t.db(), &error);
    ASSERT_EQ(rules.size(), 2) << error.toStdString();
    EXPECT_EQ(rules[0].number, 3);
    EXPECT_EQ(rules[0].person, QStringLiteral("O'Neil"));
    EXPECT_EQ(rules[0].placement, notOn);
    EXPECT_EQ(rules[0].date, QStringLiteral("周末"));
    EXPECT_EQ(rules[0].shift, QStringLiteral("白班"));
    EXPECT_TRUE(rules[0].dateIsGroup);
    EXPECT_FALSE(rules[0].shiftIsGroup);
    EXPECT_EQ(rules[1].number, 7);
    EXPECT_FALSE(rules[1].dateIsGroup);
    EXPECT_TRUE(rules[1].shiftIsGroup);
}

} // namespace
