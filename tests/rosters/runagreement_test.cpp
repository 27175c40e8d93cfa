// The run and the roster's warnings judge by the same checks: a roster the
// run makes under binding limits carries no warning, and each person the run
// passed over on a slot it could not fill is warned of that reason when put
// on the slot by hand.

#include "engine/run.h"
#include "monthsheet/monthsheet.h"
#include "rosters/warnings.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;
using monthsheet::MonthSheet;
using rosters::WarningKind;

namespace {

// 白班 08-16, 晚班 12-20 (overlapping it; on no date unless a case places
// it), 夜班 22-08; 1 to 7 March 2027 (a Saturday and a Sunday at the end).
const char* const kShifts =
    "insert into banci (班次名称, idid, 起始时间, 次日, 终止时间, 开始秒序, 结束秒序, 人数, "
    "连续次数, 最小连续天数, 分布日期, 所属组ID) values "
    "('白班', 1, '08:00', '不跨转', '16:00', 480, 960, 1, '无限制', '无限制', '全部', 'zz1z'),"
    "('晚班', 3, '12:00', '不跨转', '20:00', 720, 1200, 1, '无限制', '无限制', '加班日', 'zz1z'),"
    "('夜班', 2, '22:00', '跨转至次日', '08:00', 1320, 1920, 1, '无限制', '无限制', '全部', "
    "'zz1z');"
    "insert into 日期组 (日期组名称, idid) values ('加班日', 2);"
    "insert into 日期类型 (日期, 所属日期组ID) values ('2027-03-01', 'zz1z'), "
    "('2027-03-02', 'zz1z'), ('2027-03-03', 'zz1z'), ('2027-03-04', 'zz1z'), "
    "('2027-03-05', 'zz1z'), ('2027-03-06', 'zz1z'), ('2027-03-07', 'zz1z')";
const char* const kThreePeople =
    "insert into 基本信息 (ID, 姓名, 家庭住址, IDID, 所属组ID) values "
    "(1, '甲', '1', 1, 'zz1z'), (2, '乙', '2', 2, 'zz1z'), (3, '丙', '3', 3, 'zz1z')";

void setUp(test::TempDatabase& t, const char* people, const char* extra) {
    t.run(QString::fromUtf8(kShifts));
    t.run(QString::fromUtf8(people));
    if (*extra)
        t.run(QString::fromUtf8(extra));
}

MonthSheet runRoster(test::TempDatabase& t) {
    MonthSheet sheet;
    QString error;
    EXPECT_TRUE(monthsheet::loadMonthSheet(t.db(), &sheet, &error)) << error.toStdString();
    return sheet;
}

QList<rosters::Warning> check(test::TempDatabase& t, const MonthSheet& sheet) {
    rosters::RosterChecker checker;
    QString error;
    EXPECT_TRUE(checker.load(t.db(), &error)) << error.toStdString();
    return checker.check(sheet);
}

QString describe(const MonthSheet& sheet, const QList<rosters::Warning>& warnings) {
    QStringList lines;
    for (const rosters::Warning& w : warnings)
        lines << QStringLiteral("%1 %2 %3")
                     .arg(w.person < 0 ? QString() : sheet.people.at(w.person).name)
                     .arg(sheet.dates.at(w.date).toString(Qt::ISODate), w.text);
    return lines.join(QLatin1Char('\n'));
}

struct Binding {
    const char* what;
    const char* limit; // rows added to the plain set-up
    WarningKind kind;  // what the limit flags on the plain roster
};

} // namespace

// On three people the plain run rotates 甲白 乙夜 丙白 甲夜 乙白 丙夜 ...:
// each limit below flags that roster, and the run under it makes one that
// nothing flags.
TEST(RunAndWarnings, ARosterMadeUnderBindingLimitsCarriesNoWarning) {
    const Binding cases[] = {
        {"rest", "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 1, 30)",
         WarningKind::Rest},
        {"days in a row",
         "insert into 人员限制 (对象, 对象IDID, 最多连续天数) values ('人员', 1, 1)",
         WarningKind::Consecutive},
        {"nights", "insert into 人员限制 (对象, 对象IDID, 最多跨日班数) values ('人员', 1, 1)",
         WarningKind::Overnight},
        {"weekend", "insert into 人员限制 (对象, 对象IDID, 最多周末班数) values ('人员', 2, 0)",
         WarningKind::Weekend},
        {"shifts", "insert into 人员限制 (对象, 对象IDID, 最多班数) values ('人员', 1, 3)",
         WarningKind::Shifts},
        {"succession",
         "insert into 禁止衔接 (前班次, 前选定班次组, 后班次, 后选定班次组) values "
         "('白班', 0, '夜班', 0)",
         WarningKind::Succession},
        {"leave",
         "insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values "
         "(1, '2027-03-02', '2027-03-04', '年假')",
         WarningKind::Leave},
        {"rule",
         "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values "
         "('乙', '不排在', '2027-03-01', '夜班', 0, 0)",
         WarningKind::Rule},
    };
    for (const Binding& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDatabase t;
        setUp(t, kThreePeople, "");
        ASSERT_EQ(engine::generate(t.path).outcome, engine::RunOutcome::Done);
        const MonthSheet plain = runRoster(t);
        t.run(QString::fromUtf8(c.limit));
        bool binds = false;
        for (const rosters::Warning& w : check(t, plain))
            binds = binds || w.kind == c.kind;
        EXPECT_TRUE(binds) << describe(plain, check(t, plain)).toStdString();

        ASSERT_EQ(engine::generate(t.path).outcome, engine::RunOutcome::Done);
        const MonthSheet made = runRoster(t);
        EXPECT_TRUE(check(t, made).isEmpty()) << describe(made, check(t, made)).toStdString();
    }
}

namespace {

struct Failing {
    const char* what;
    const char* people;
    const char* extra;
};

// The warning kind of an explanation's reason; nullopt for one that is no
// warning (可排, already on the slot).
std::optional<WarningKind> warningOf(const QString& kind) {
    const QList<QPair<QString, WarningKind>> kinds = {
        {msg::kindLeave, WarningKind::Leave},
        {msg::kindShifts, WarningKind::Shifts},
        {msg::kindOvernight, WarningKind::Overnight},
        {msg::kindWeekend, WarningKind::Weekend},
        {msg::kindConsecutive, WarningKind::Consecutive},
        {msg::kindRest, WarningKind::Rest},
        {msg::kindOverlap, WarningKind::Overlap},
        {msg::kindSuccession, WarningKind::Succession}};
    for (const auto& [text, warning] : kinds)
        if (kind == text)
            return warning;
    if (kind.startsWith(msg::kindRule.section(QLatin1Char(' '), 0, 0)))
        return WarningKind::Rule;
    return std::nullopt;
}

} // namespace

// Each set-up fails on a slot; every person the explanation keeps out is,
// put on that slot by hand, warned of the same reason, and whoever it calls
// free is warned of nothing.
TEST(RunAndWarnings, WhoTheRunPassesOverIsWarnedOfTheSameReason) {
    const char* const alone = "insert into 基本信息 (ID, 姓名, 家庭住址, IDID, 所属组ID) values "
                              "(1, '甲', '1', 1, 'zz1z')";
    const Failing cases[] = {
        {"overlap", alone,
         "update 日期类型 set 所属日期组ID = 'zz1z2z' where 日期 = '2027-03-01';"
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 1, 0)"},
        {"rest", kThreePeople,
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('组', 1, 40)"},
        {"days in a row", alone,
         "update banci set 人数 = 0 where idid = 2;"
         "insert into 人员限制 (对象, 对象IDID, 最多连续天数) values ('人员', 1, 2)"},
        {"nights", alone,
         "update banci set 人数 = 0 where idid = 1;"
         "insert into 人员限制 (对象, 对象IDID, 最多跨日班数) values ('组', 1, 1)"},
        {"weekend", kThreePeople,
         "insert into 人员限制 (对象, 对象IDID, 最多周末班数) values ('组', 1, 1)"},
        {"shifts", kThreePeople,
         "insert into 人员限制 (对象, 对象IDID, 最多班数) values ('组', 1, 4)"},
        {"succession", alone,
         "insert into 禁止衔接 (前班次, 前选定班次组, 后班次, 后选定班次组) values "
         "('夜班', 0, '白班', 0)"},
        {"leave and a rule", kThreePeople,
         "update banci set 人数 = 3 where idid = 1;"
         "insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values (1, '2027-03-03', "
         "'2027-03-03', '病假');"
         "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values "
         "('乙', '不排在', '2027-03-03', '白班', 0, 0)"},
    };
    for (const Failing& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDatabase t;
        setUp(t, c.people, c.extra);
        const engine::RunResult result = engine::generate(t.path);
        ASSERT_EQ(result.outcome, engine::RunOutcome::PlanImpossible);
        const MonthSheet sheet = runRoster(t);
        const int date = int(sheet.dates.indexOf(QDate::fromJulianDay(result.unfilled.day)));
        int shift = 0;
        while (sheet.shifts.at(shift).name != result.unfilled.shift)
            ++shift;
        bool passedOver = false;
        for (const engine::SlotExplanation::Line& line : result.explanation.lines) {
            if (line.kind == msg::reasonAssigned)
                continue;
            int person = 0;
            while (sheet.people.at(person).name != line.person)
                ++person;
            MonthSheet edited = sheet;
            edited.add(person, date, shift);
            QSet<WarningKind> found;
            for (const rosters::Warning& w : check(t, edited))
                if (w.person == person && w.date == date && w.shift == shift)
                    found << w.kind;
            const std::optional<WarningKind> expected = warningOf(line.kind);
            SCOPED_TRACE(line.person.toStdString() + "：" + line.reason.toStdString());
            if (expected) {
                passedOver = true;
                EXPECT_TRUE(found.contains(*expected));
            } else {
                EXPECT_TRUE(found.isEmpty());
            }
        }
        EXPECT_TRUE(passedOver);
    }
}

// Without limits nothing is checked that the plain run does not weigh: the
// sample's roster, with its nights before early shifts, carries no warning.
TEST(RunAndWarnings, ThePlainRunOfTheSampleCarriesNoWarning) {
    test::TempDatabase t;
    t.loadSample();
    ASSERT_EQ(engine::generate(t.path).outcome, engine::RunOutcome::Done);
    const MonthSheet made = runRoster(t);
    EXPECT_TRUE(check(t, made).isEmpty()) << describe(made, check(t, made)).toStdString();
}
