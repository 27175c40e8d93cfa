#include "score/scorefixture.h"
#include "score/state.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace korvane;
using score::Term;
using targets::TargetKind;

namespace {

const std::optional<double> none;

using test::target;

// One term counted by hand on the week of five (see scorefixture.h).
struct TermCase {
    const char* name;
    QStringList rows;
    std::function<void(targets::Objectives&)> set;
    Term term;
    double expected;
    QList<engine::EarlierShift> before = {};
    std::vector<char> runs = {}; // which slots exist; empty: all
};

void PrintTo(const TermCase& c, std::ostream* out) {
    *out << c.name;
}

class Terms : public testing::TestWithParam<TermCase> {};

TEST_P(Terms, CountedByHand) {
    const TermCase& c = GetParam();
    targets::Objectives objectives;
    c.set(objectives);
    const monthsheet::MonthSheet sheet = test::weekSheet(c.rows);
    const score::ScoreSetup setup(sheet, objectives, c.before, c.runs);
    const score::Breakdown whole =
        score::breakdownOf(setup, score::allItems(setup, score::cellsOf(sheet)));
    EXPECT_DOUBLE_EQ(whole.terms[size_t(c.term)], c.expected);
    EXPECT_DOUBLE_EQ(whole.total(), c.expected) << "only the term set costs";
    // The incremental score, built and then every cell set anew, agrees.
    score::ScoreState state(setup, score::cellsOf(sheet));
    for (int person = 0; person < 5; ++person)
        for (int date = 0; date < 7; ++date)
            state.set(person, date, state.cell(person, date));
    EXPECT_DOUBLE_EQ(state.total(), c.expected);
}

// 早 only, 5 people, Monday and Tuesday only (where the slot exists).
std::vector<char> earlyOnMondayAndTuesday() {
    std::vector<char> runs(7 * 2, 0);
    runs[0 * 2 + 0] = runs[1 * 2 + 0] = 1;
    return runs;
}

INSTANTIATE_TEST_SUITE_P(
    Week, Terms,
    testing::Values(
        // 甲 works 3 shifts, at least 5: 2 short x 10.
        TermCase{"ShiftsBelowLeast",
                 {"EE-E---"},
                 [](auto& o) { o.targets[1] << target(TargetKind::Shifts, 5, 6, 10); },
                 Term::Shifts,
                 20},
        // 乙 works five 夜 of 10 hours: 50 hours, at most 30: 20 over x 2.
        TermCase{"HoursAboveMost",
                 {"", "NNN-NN-"},
                 [](auto& o) { o.targets[2] << target(TargetKind::Hours, none, 30, 2); },
                 Term::Hours,
                 40},
        // 丙 worked Sunday before: Monday makes 2 (fine); Wednesday to
        // Saturday is 4 days, at most 3: 1 over x 30.
        TermCase{
            "WorkingRunTooLong",
            {"", "", "E-EEEE-"},
            [](auto& o) { o.targets[3] << target(TargetKind::ConsecutiveWorkingDays, 2, 3, 30); },
            Term::ConsecutiveWork,
            30,
            test::weekBefore(3, "-E")},
        // 丙 worked nothing before: Monday alone and Thursday alone are 1
        // each, at least 2: 2 x 30; Sunday runs to the end, not judged short.
        TermCase{
            "WorkingRunTooShort",
            {"", "", "E--E--E"},
            [](auto& o) { o.targets[3] << target(TargetKind::ConsecutiveWorkingDays, 2, 3, 30); },
            Term::ConsecutiveWork,
            60},
        // 丁 is off Monday only (1 day, at least 2: 20), Wednesday to Friday
        // (3, fine), Sunday to the end (not judged short).
        TermCase{"DaysOffTooShort",
                 {"", "", "", "-E---E-"},
                 [](auto& o) { o.targets[4] << target(TargetKind::ConsecutiveDaysOff, 2, 3, 20); },
                 Term::ConsecutiveOff,
                 20},
        // 戊 on 夜: Monday to Wednesday is 3, at most 2 (15); Friday is 1, at
        // least 2 (15); 早 on Sunday ends nothing.
        TermCase{"SameShiftBothWays",
                 {"", "", "", "", "NNN-N-E"},
                 [](auto& o) {
                     o.targets[5] << target(TargetKind::ConsecutiveSameShift, 2, 2, 15, {2});
                 },
                 Term::ConsecutiveSame,
                 30},
        // 甲 works Saturday: one weekend, at most 0: 30.
        TermCase{"WorkingWeekends",
                 {"-----E-"},
                 [](auto& o) { o.targets[1] << target(TargetKind::WorkingWeekends, none, 0, 30); },
                 Term::WorkingWeekends,
                 30},
        // 乙 works Saturday but not Sunday (25); 丙 both days (fine).
        TermCase{"CompleteWeekends",
                 {"", "-----E-", "-----EE"},
                 [](auto& o) {
                     o.targets[2] << target(TargetKind::CompleteWeekends, none, none, 25);
                     o.targets[3] << target(TargetKind::CompleteWeekends, none, none, 25);
                 },
                 Term::CompleteWeekends,
                 25},
        // 丙 wants Tuesday off (10) and works it; wants 夜 on Thursday (5 a
        // day) and works 早; wants Saturday off and gets it.
        TermCase{"Wishes",
                 {"", "", "-E-E---"},
                 [](auto& o) {
                     const qint64 tuesday = QDate(2027, 3, 2).toJulianDay();
                     o.wishes << targets::Wish{1, 3, tuesday, tuesday, false, {}, "全天", 10, {}}
                              << targets::Wish{2,   3,    tuesday + 2, tuesday + 2, true,
                                               {2}, "夜", 5,           {}}
                              << targets::Wish{3,  3,      tuesday + 4, tuesday + 4, false,
                                               {}, "全天", 7,           {}};
                 },
                 Term::Wishes,
                 15},
        // 甲 works 8 hours, the other four none: the mean is 1.6; 甲 is 6.4
        // away, the others 1.6 each: 12.8 hours x 1.
        TermCase{"FairHours",
                 {"E------"},
                 [](auto& o) {
                     o.fairness << targets::Fairness{
                         1, targets::FairnessKind::Hours, 1, {1, 2, 3, 4, 5}};
                 },
                 Term::FairHours,
                 12.8},
        // Wednesday is a holiday: 甲 works it, 乙 not; mean 0.5, each 0.5 away: 1 x 8.
        TermCase{"FairHoliday",
                 {"--E----", "-E-----"},
                 [](auto& o) {
                     o.marks.insert(QDate(2027, 3, 3).toJulianDay(), targets::DayMark::Holiday);
                     o.fairness << targets::Fairness{1, targets::FairnessKind::Holiday, 8, {1, 2}};
                 },
                 Term::FairHoliday,
                 8},
        // The same holiday is a weekend of one day: 甲 works it, at most 0: 30.
        TermCase{"HolidayIsAWeekend",
                 {"--E----"},
                 [](auto& o) {
                     o.marks.insert(QDate(2027, 3, 3).toJulianDay(), targets::DayMark::Holiday);
                     o.targets[1] << target(TargetKind::WorkingWeekends, none, 0, 30);
                 },
                 Term::WorkingWeekends,
                 30},
        // 早 ideally has 2, weight 30, and runs on Monday and Tuesday only:
        // Monday has 甲 (1 missing), Tuesday nobody (2 missing): 90.
        TermCase{"IdealHeadcount",
                 {"E------", "--E----"},
                 [](auto& o) {
                     o.ideal.insert(1, {2, 30});
                 },
                 Term::IdealHeadcount,
                 90,
                 {},
                 earlyOnMondayAndTuesday()}),
    [](const testing::TestParamInfo<TermCase>& info) { return std::string(info.param.name); });

// A fairness group measured against what each member can work (weight 1).
struct ShareCase {
    const char* name;
    Term term;
    QStringList rows;                   // the roster
    QStringList available;              // weekRules' letters
    std::optional<int> overnightAtMost; // 丁's limit
    double expected;
};

void PrintTo(const ShareCase& c, std::ostream* out) {
    *out << c.name;
}

class FairShares : public testing::TestWithParam<ShareCase> {};

TEST_P(FairShares, HeldBackByWhatEachCanWork) {
    const ShareCase& c = GetParam();
    targets::Objectives objectives;
    objectives.fairness << targets::Fairness{
        1,
        c.term == Term::FairHours ? targets::FairnessKind::Hours : targets::FairnessKind::Overnight,
        1,
        {1, 2, 3, 4, 5}};
    const monthsheet::MonthSheet sheet = test::weekSheet(c.rows);
    rosters::RosterChecker::CellRules rules = test::weekRules(c.available);
    rules.limits[3].overnight = c.overnightAtMost;
    const score::ScoreSetup setup(sheet, objectives, {}, {}, &rules);
    const score::Breakdown whole =
        score::breakdownOf(setup, score::allItems(setup, score::cellsOf(sheet)));
    EXPECT_DOUBLE_EQ(whole.terms[size_t(c.term)], c.expected);
    const score::ScoreState state(setup, score::cellsOf(sheet));
    EXPECT_DOUBLE_EQ(state.total(), c.expected);
}

// Night shifts 4, 2, 0, 0, 1: the mean is 1.4.
const QStringList nights = {"NNNN---", "NN-----", "", "", "---N---"};

INSTANTIATE_TEST_SUITE_P(
    Week, FairShares,
    testing::Values(
        // Everyone can work the mean: 2.6 + 0.6 + 1.4 + 1.4 + 0.4.
        ShareCase{"NoOneHeldBack", Term::FairOvernight, nights, {}, {}, 6.4},
        // 丙 on leave all week: 0 + 4t = 7, t = 1.75: 2.25 + 0.25 + 0 + 1.75 + 0.75.
        ShareCase{"OneOnLeaveAllWeek", Term::FairOvernight, nights, {"", "", "-------"}, {}, 5},
        // 丙 can work Monday only: 1 + 4t = 7, t = 1.5: 2.5 + 0.5 + 1 + 1.5 + 0.5.
        ShareCase{"OneHeldBackPartly", Term::FairOvernight, nights, {"", "", "*------"}, {}, 6},
        // And 丁 may work no night shift: 1 + 0 + 3t = 7, t = 2: 2 + 0 + 1 + 0 + 1.
        ShareCase{"LimitHoldsBack", Term::FairOvernight, nights, {"", "", "*------"}, 0, 4},
        // 甲 works six 夜, 60 hours; 乙 can work Monday's 早 only, 8 hours: 8 + 4t = 60,
        // t = 13: 47 + 8 + 13 x 3.
        ShareCase{"HoursOfTheLongestShift", Term::FairHours, {"NNNNNN-"}, {"", "E------"}, {}, 94}),
    [](const testing::TestParamInfo<ShareCase>& info) { return std::string(info.param.name); });

// Stretches across the start of the period: the earlier roster's days count.
struct BorderCase {
    const char* name;
    QString before; // 甲's last days before Monday
    QString week;   // 甲's week
    std::optional<double> least;
    std::optional<double> most;
    double expected;
};

void PrintTo(const BorderCase& c, std::ostream* out) {
    *out << c.name;
}

class Border : public testing::TestWithParam<BorderCase> {};

TEST_P(Border, CountsOnFromTheEarlierRoster) {
    const BorderCase& c = GetParam();
    targets::Objectives objectives;
    objectives.targets[1] << target(TargetKind::ConsecutiveWorkingDays, c.least, c.most, 30);
    const monthsheet::MonthSheet sheet = test::weekSheet({c.week});
    const score::ScoreSetup setup(sheet, objectives, test::weekBefore(1, c.before));
    const score::ScoreState state(setup, score::cellsOf(sheet));
    EXPECT_DOUBLE_EQ(state.total(), c.expected);
    QString why;
    state.verify(&why);
    EXPECT_TRUE(why.isEmpty()) << why.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Week, Border,
    testing::Values(
        // 2 days before, off Monday: the stretch ended short of 3 (30).
        BorderCase{"EndedShortOnTheDayBefore", "-EE", "-EEE---", 3, none, 30},
        // 3 before and 2 more: 5, at most 3; both days over are in the week (60).
        BorderCase{"RunsOnPastMost", "-EEE", "EE-----", none, 3, 60},
        // 5 before and 1 more: 6, at most 3; only Monday is this week's (30).
        BorderCase{"OnlyTheWeeksDaysOverCount", "-EEEEE", "E------", none, 3, 30},
        // 1 before and Monday: 2, at least 2, fine; Sunday alone runs to the end.
        BorderCase{"JoinedAcrossTheStart", "-E", "E-----E", 2, none, 0}),
    [](const testing::TestParamInfo<BorderCase>& info) { return std::string(info.param.name); });

} // namespace
