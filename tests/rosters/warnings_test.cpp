// The warnings of a roster changed by hand, worked out by hand on a small
// ward: two days, a day shift and a night of one person each, and an office
// shift that is not distributed on any date.

#include "engine/run.h"
#include "monthsheet/monthsheet.h"
#include "rosters/warnings.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace korvane;
using monthsheet::MonthSheet;
using rosters::RosterChecker;
using rosters::Warning;

namespace {

const char* const kWard =
    "insert into 基本信息 (ID, 姓名, 家庭住址, IDID, 所属组ID) values "
    "(1, '甲', '0', 1, 'zz1z'), (2, '乙', '0', 2, 'zz1z'), (3, '丙', '0', 3, 'zz1z'),"
    "(4, '丁', '0', 4, 'zz1z');"
    "insert into banci (班次名称, idid, 起始时间, 次日, 终止时间, 开始秒序, 结束秒序, 人数, "
    "连续次数, 最小连续天数, 分布日期, 所属组ID) values "
    "('白班', 1, '08:00', '不跨转', '16:00', 480, 960, 1, '无限制', '无限制', '全部', 'zz1z'),"
    "('夜班', 2, '22:00', '跨转至次日', '08:00', 1320, 1920, 1, '无限制', '无限制', '全部', "
    "'zz1z'),"
    "('办公班', 3, '08:00', '不跨转', '17:30', 480, 1050, 1, '无限制', '无限制', '会议日', "
    "'zz1z');"
    "insert into 日期类型 (日期, 所属日期组ID) values ('2027-03-01', 'zz1z'), "
    "('2027-03-02', 'zz1z')";

struct Cell {
    const char* person;
    const char* date;
    const char* shift;
};

int personOf(const MonthSheet& sheet, const QString& name) {
    for (int i = 0; i < sheet.people.size(); ++i)
        if (sheet.people.at(i).name == name)
            return i;
    ADD_FAILURE() << "no person " << name.toStdString();
    return 0;
}

int shiftOf(const MonthSheet& sheet, const QString& name) {
    for (int i = 0; i < sheet.shifts.size(); ++i)
        if (sheet.shifts.at(i).name == name)
            return i;
    ADD_FAILURE() << "no shift " << name.toStdString();
    return 0;
}

int dateOf(const MonthSheet& sheet, const QString& date) {
    return int(sheet.dates.indexOf(QDate::fromString(date, Qt::ISODate)));
}

void put(MonthSheet& sheet, const Cell& cell) {
    sheet.add(personOf(sheet, cell.person), dateOf(sheet, cell.date), shiftOf(sheet, cell.shift));
}

void take(MonthSheet& sheet, const Cell& cell) {
    sheet.cells[personOf(sheet, cell.person) * sheet.dates.size() + dateOf(sheet, cell.date)]
        .removeOne(shiftOf(sheet, cell.shift));
}

// "person|date|shift|text", the person empty for a slot's.
QStringList texts(const MonthSheet& sheet, const QList<Warning>& warnings) {
    QStringList out;
    for (const Warning& w : warnings)
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(w.person < 0 ? QString() : sheet.people.at(w.person).name,
                        sheet.dates.at(w.date).toString(Qt::ISODate), sheet.shifts.at(w.shift).name,
                        w.text);
    return out;
}

// The ward with its plain roster: 甲 the day and 乙 the night of 1 March,
// 丙 the day and 甲 the night of 2 March; no warning.
struct Ward {
    test::TempDatabase t;
    MonthSheet sheet;
    RosterChecker checker;

    explicit Ward(const QString& setup = {}) {
        t.run(QString::fromUtf8(kWard));
        if (!setup.isEmpty())
            t.run(setup);
        QString error;
        EXPECT_TRUE(monthsheet::loadMonthSheet(t.db(), &sheet, &error)) << error.toStdString();
        for (const Cell& cell :
             {Cell{"甲", "2027-03-01", "白班"}, Cell{"乙", "2027-03-01", "夜班"},
              Cell{"丙", "2027-03-02", "白班"}, Cell{"甲", "2027-03-02", "夜班"}})
            put(sheet, cell);
        EXPECT_TRUE(checker.load(t.db(), &error)) << error.toStdString();
    }
    QStringList check() { return texts(sheet, checker.check(sheet)); }
};

struct Case {
    const char* what;
    const char* setup;
    QList<Cell> removed;
    QList<Cell> added;
    QStringList expected;
    QList<engine::EarlierShift> earlier = {};
};

} // namespace

TEST(RosterWarnings, EachKindOnAHandEditedWard) {
    const Case cases[] = {
        {"nothing changed", "", {}, {}, {}},
        {"a swap that breaks a rule",
         "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values "
         "('乙', '不排在', '2027-03-01', '白班', 0, 0)",
         {{"甲", "2027-03-01", "白班"}, {"乙", "2027-03-01", "夜班"}},
         {{"乙", "2027-03-01", "白班"}, {"甲", "2027-03-01", "夜班"}},
         {"乙|2027-03-01|白班|被约束条件排除（编号 1：乙 不排在 2027-03-01 的 白班）"}},
        {"a day shift right after a night, without a rest limit",
         "",
         {{"丙", "2027-03-02", "白班"}},
         {{"乙", "2027-03-02", "白班"}},
         {}},
        {"a day shift right after a night",
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('组', 1, 8)",
         {{"丙", "2027-03-02", "白班"}},
         {{"乙", "2027-03-02", "白班"}},
         {"乙|2027-03-02|白班|休息不足：3月1日 夜班 结束后 0 小时即上 白班（至少 8 小时）"}},
        {"a rest limit of none lets it be",
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 2, 0)",
         {{"丙", "2027-03-02", "白班"}},
         {{"乙", "2027-03-02", "白班"}},
         {}},
        {"a forbidden succession",
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 2, 0);"
         "insert into 禁止衔接 (前班次, 前选定班次组, 后班次, 后选定班次组) values "
         "('夜班', 0, '白班', 0)",
         {{"丙", "2027-03-02", "白班"}},
         {{"乙", "2027-03-02", "白班"}},
         {"乙|2027-03-02|白班|禁止衔接：夜班 后次日不上 白班"}},
        {"a holiday counts as a weekend day",
         "insert into 人员限制 (对象, 对象IDID, 最多周末班数) values ('人员', 1, 0);"
         "update 日期类型 set 节假日 = '节假日' where 日期 = '2027-03-02'",
         {},
         {},
         {"甲|2027-03-02|夜班|超出周末班上限：本期第 1 个周末班（上限 0 个）"}},
        {"a person's own rest above the group's",
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('组', 1, 8);"
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 1, 36)",
         {},
         {},
         {"甲|2027-03-02|夜班|休息不足：3月1日 白班 结束后 30 小时即上 夜班（至少 36 小时）"}},
        {"two shifts at once, without a rest limit", "", {}, {{"甲", "2027-03-01", "办公班"}}, {}},
        {"two shifts at once",
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 1, 0)",
         {},
         {{"甲", "2027-03-01", "办公班"}},
         {"甲|2027-03-01|办公班|时间重叠：与 3月1日 白班 重叠"}},
        {"slots below and above their headcount",
         "",
         {{"乙", "2027-03-01", "夜班"}},
         {{"乙", "2027-03-01", "白班"}},
         {"|2027-03-01|白班|人数超出：需要 1 人，排了 2 人",
          "|2027-03-01|夜班|人数不足：需要 1 人，只排了 0 人"}},
        {"leave",
         "insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values "
         "(3, '2027-03-02', '2027-03-02', '年假')",
         {},
         {},
         {"丙|2027-03-02|白班|休假（年假）"}},
        {"a night before the period, then a day shift",
         "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 1, 8)",
         {},
         {},
         {"甲|2027-03-01|白班|休息不足：2月28日 夜班 结束后 0 小时即上 白班（至少 8 小时）"},
         {{1, QDate(2027, 2, 28).toJulianDay(), 1920, 2}}},
        {"a limit passed",
         "insert into 人员限制 (对象, 对象IDID, 最多班数) values ('人员', 1, 1)",
         {},
         {},
         {"甲|2027-03-02|夜班|超出班数上限：本期第 2 班（上限 1 班）"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ward ward(QString::fromUtf8(c.setup));
        for (const Cell& cell : c.removed)
            take(ward.sheet, cell);
        for (const Cell& cell : c.added)
            put(ward.sheet, cell);
        ward.checker.setEarlierShifts(c.earlier);
        EXPECT_EQ(ward.check(), c.expected);
    }
}

// 丁 has an office shift that overlaps; 乙 would rest six hours before his
// night; 丙 is on leave.
TEST(RosterWarnings, ReplacementsAreTheFreePeopleWithWhatTakingTheSlotBreaks) {
    Ward ward("insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values "
              "(3, '2027-03-01', '2027-03-01', '年假');"
              "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('组', 1, 8)");
    put(ward.sheet, {"丁", "2027-03-01", "办公班"});
    const MonthSheet& sheet = ward.sheet;
    QStringList found;
    for (const rosters::Replacement& r : ward.checker.replacements(
             sheet, dateOf(sheet, "2027-03-01"), shiftOf(sheet, "白班"), personOf(sheet, "甲")))
        found << QStringLiteral("%1 %2: %3")
                     .arg(sheet.people.at(r.person).name)
                     .arg(r.shifts)
                     .arg(texts(sheet, r.warnings).join(QStringLiteral("; ")));
    EXPECT_EQ(found,
              QStringList({"乙 1: 乙|2027-03-01|夜班|休息不足：3月1日 白班 结束后 6 小时即上 夜班"
                           "（至少 8 小时）",
                           "丙 1: 丙|2027-03-01|白班|休假（年假）"}));
}

// A saved roster outlives its set-up: 戊 and 加班 are gone, 3 March is
// outside the period. What the sheet's own copy tells is still checked.
TEST(RosterWarnings, ASheetNamingWhatIsGoneIsCheckedForWhatItTells) {
    Ward ward("insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 1, 0)");
    MonthSheet sheet;
    sheet.dates = {QDate(2027, 3, 1), QDate(2027, 3, 2), QDate(2027, 3, 3)};
    sheet.people = {{1, 1, "甲"}, {99, 5, "戊"}};
    sheet.shifts = {{1, "白班", "08:00", "16:00", false, 480, 1},
                    {77, "加班", "14:00", "20:00", false, 360, 1}};
    sheet.resetCells();
    put(sheet, {"甲", "2027-03-01", "白班"});
    put(sheet, {"戊", "2027-03-01", "白班"});
    put(sheet, {"甲", "2027-03-01", "加班"});
    put(sheet, {"甲", "2027-03-03", "加班"});
    EXPECT_EQ(texts(sheet, ward.checker.check(sheet)),
              QStringList({"|2027-03-01|白班|人数超出：需要 1 人，排了 2 人",
                           "甲|2027-03-01|加班|时间重叠：与 3月1日 白班 重叠",
                           "|2027-03-02|白班|人数不足：需要 1 人，只排了 0 人"}));
}

// On the sample's roster with rest limits and leave, after a shift moved
// from one person and day to another: the warnings around each cell are
// those of the whole sheet on its row and column, and the warnings before
// the edit with those of its rows and columns checked again are the whole
// sheet's after it.
TEST(RosterWarnings, CheckAroundAgreesWithTheWholeCheck) {
    test::TempDatabase t;
    t.loadSample();
    ASSERT_EQ(engine::generate(t.path).outcome, engine::RunOutcome::Done);
    t.run("insert into 人员限制 (对象, 对象IDID, 最少休息小时, 最多连续天数) values "
          "('组', 1, 12, 4);"
          "insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) "
          "select IDID, (select min(日期) from 日期类型), (select max(日期) from 日期类型), "
          "'病假' from 基本信息 where ID = 1");
    MonthSheet sheet;
    QString error;
    ASSERT_TRUE(monthsheet::loadMonthSheet(t.db(), &sheet, &error)) << error.toStdString();
    RosterChecker checker;
    ASSERT_TRUE(checker.load(t.db(), &error)) << error.toStdString();
    const int date = 2;
    int from = 0;
    while (from < sheet.people.size() && sheet.cell(from, date).isEmpty())
        ++from;
    ASSERT_LT(from + 1, sheet.people.size());
    const int shift = sheet.cell(from, date).first();
    const QList<Warning> before = checker.check(sheet);
    sheet.cells[from * sheet.dates.size() + date].removeOne(shift);
    sheet.add(from + 1, date + 1, shift);

    const QList<Warning> all = checker.check(sheet);
    EXPECT_EQ(texts(sheet, checker.recheck(before, sheet, {from, from + 1}, {date, date + 1})),
              texts(sheet, all));
    QSet<rosters::WarningKind> kinds;
    for (const Warning& w : all)
        kinds << w.kind;
    ASSERT_EQ(kinds, QSet({rosters::WarningKind::Rule, rosters::WarningKind::Leave,
                           rosters::WarningKind::Rest, rosters::WarningKind::Understaffed,
                           rosters::WarningKind::Overstaffed}))
        << texts(sheet, all).join("\n").toStdString();
    for (int person = 0; person < sheet.people.size(); ++person) {
        for (int day = 0; day < sheet.dates.size(); ++day) {
            QList<Warning> expected;
            for (const Warning& w : all)
                if (w.person == person || w.date == day)
                    expected << w;
            ASSERT_EQ(texts(sheet, checker.checkAround(sheet, {person}, {day})),
                      texts(sheet, expected))
                << person << " " << day;
        }
    }
}

// A slot may hold up to its shift's ideal headcount or 最多人数 on purpose
// (the search fills it so): only past both, or past 人数 where the ideal
// weighs nothing and no 最多人数 is set, is it overstaffed.
TEST(RosterWarnings, OverstaffedOnlyPastTheIdealHeadcountAndTheMost) {
    test::TempDatabase t;
    t.loadSample();
    ASSERT_EQ(engine::generate(t.path).outcome, engine::RunOutcome::Done);
    MonthSheet sheet;
    QString error;
    ASSERT_TRUE(monthsheet::loadMonthSheet(t.db(), &sheet, &error)) << error.toStdString();
    // One more person on the first shift of the first date that someone works.
    int worker = 0;
    while (worker < sheet.people.size() && sheet.cell(worker, 0).isEmpty())
        ++worker;
    ASSERT_LT(worker, sheet.people.size());
    const int shift = sheet.cell(worker, 0).first();
    int extra = 0;
    while (extra < sheet.people.size() && !sheet.cell(extra, 0).isEmpty())
        ++extra;
    ASSERT_LT(extra, sheet.people.size());
    sheet.add(extra, 0, shift);
    const qint64 idid = sheet.shifts.at(shift).idid;
    const struct {
        const char* ideal; // 理想人数 and 权重 of the shift, or none
        const char* most;  // its 最多人数, or none
        bool overstaffed;
    } cases[] = {{nullptr, nullptr, true}, {"99, 5", nullptr, false}, {"99, 0", nullptr, true},
                 {"1, 5", nullptr, true},  {nullptr, "99", false},    {"99, 0", "99", false},
                 {nullptr, "1", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1 / %2").arg(c.ideal, c.most).toStdString());
        t.run("delete from 理想人数; delete from 最多人数");
        if (c.ideal)
            t.run(QString("insert into 理想人数 (班次IDID, 理想人数, 权重) values (%1, %2)")
                      .arg(idid)
                      .arg(c.ideal));
        if (c.most)
            t.run(QString("insert into 最多人数 (班次IDID, 最多人数) values (%1, %2)")
                      .arg(idid)
                      .arg(c.most));
        RosterChecker checker;
        ASSERT_TRUE(checker.load(t.db(), &error)) << error.toStdString();
        bool overstaffed = false;
        for (const Warning& w : checker.check(sheet))
            overstaffed = overstaffed || (w.kind == rosters::WarningKind::Overstaffed &&
                                          w.date == 0 && w.shift == shift);
        EXPECT_EQ(overstaffed, c.overstaffed);
    }
}
