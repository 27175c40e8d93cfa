#include "score/scorefixture.h"
#include "score/state.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvane;
using targets::TargetKind;

namespace {

// Four weeks (less a day) of twelve people on three shifts with every kind
// of target, wishes, fairness (some members held back by leave and limits),
// an ideal headcount and an earlier roster; cells changed at random. After
// every change the incremental score must equal the score worked out from
// nothing, and delta() must have foretold the change.
TEST(IncrementalScore, AgreesWithTheWholeScoreOverRandomEdits) {
    std::mt19937 random(2027);
    const auto pick = [&](int count) { return int(random() % unsigned(count)); };
    monthsheet::MonthSheet sheet;
    // The calendar skips 15 March: stretches break there.
    for (int day = 0; day < 28; ++day)
        sheet.dates << QDate(2027, 3, 1).addDays(day < 14 ? day : day + 1);
    for (int person = 0; person < 12; ++person)
        sheet.people << monthsheet::SheetPerson{person + 1, person + 1, QString::number(person)};
    sheet.shifts << monthsheet::SheetShift{1, "早", "08:00", "16:00", false, 480, 2}
                 << monthsheet::SheetShift{2, "中", "16:00", "22:00", false, 360, 1}
                 << monthsheet::SheetShift{3, "夜", "22:00", "08:00", true, 600, 1};
    sheet.resetCells();

    targets::Objectives goals;
    goals.marks.insert(QDate(2027, 3, 10).toJulianDay(), targets::DayMark::Holiday);
    goals.marks.insert(QDate(2027, 3, 13).toJulianDay(), targets::DayMark::WorkingWeekend);
    const auto add = [&](qint64 person, TargetKind kind, double least, double most, double weight,
                         QSet<qint64> shifts = {}) {
        goals.targets[person] << test::target(kind, least, most, weight, shifts);
    };
    QList<engine::EarlierShift> before;
    for (qint64 person = 1; person <= 12; ++person) {
        add(person, TargetKind::Shifts, 14, 18, 20);
        add(person, TargetKind::Hours, 120, 150, 1);
        add(person, TargetKind::ConsecutiveWorkingDays, 2, 5, 30);
        add(person, TargetKind::ConsecutiveDaysOff, 2, 3, 30);
        add(person, TargetKind::ConsecutiveSameShift, 2, 4, 15, {3});
        add(person, TargetKind::ConsecutiveSameShift, 2, 3, 15); // each shift on its own
        add(person, TargetKind::WorkingWeekends, 1, 2, 30);
        add(person, TargetKind::CompleteWeekends, 0, 0, 30);
        const qint64 first = QDate(2027, 3, 1).toJulianDay() + pick(28);
        goals.wishes << targets::Wish{person,
                                      person,
                                      first,
                                      first + pick(3),
                                      bool(pick(2)),
                                      pick(2) ? QSet<qint64>{} : QSet<qint64>{3},
                                      {},
                                      10,
                                      {}};
        before << test::weekBefore(person, QStringList{"-EE", "NNN", "-", "E-E"}.at(pick(4)));
    }
    goals.fairness << targets::Fairness{1,
                                        targets::FairnessKind::Hours,
                                        1,
                                        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}
                   << targets::Fairness{2, targets::FairnessKind::Overnight, 8, {2, 4, 6, 8}}
                   << targets::Fairness{1,
                                        targets::FairnessKind::Weekend,
                                        8,
                                        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}
                   << targets::Fairness{1,
                                        targets::FairnessKind::Holiday,
                                        8,
                                        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}};
    goals.ideal.insert(1, {3, 30});
    goals.ideal.insert(3, {1, 30});

    // The second person may work the first two days only; the fourth, sixth
    // and eighth one night shift each, so the night group (2, 4, 6, 8) works
    // past all it can carry.
    rosters::RosterChecker::CellRules rules;
    rules.dates = 28;
    rules.people = 12;
    rules.shifts = 3;
    rules.permitted.assign(12 * 28 * 3, 1);
    std::fill(rules.permitted.begin() + 1 * 28 * 3 + 2 * 3, rules.permitted.begin() + 2 * 28 * 3,
              0);
    rules.limits.assign(12, {});
    for (int person : {3, 5, 7})
        rules.limits[size_t(person)].overnight = 1;
    rules.weekend.assign(28, 0);
    const score::ScoreSetup setup(sheet, goals, before, {}, &rules);
    std::vector<score::Cell> cells(size_t(12 * 28));
    for (score::Cell& cell : cells)
        if (pick(3) > 0)
            cell = {pick(3)};
    score::ScoreState state(setup, cells);
    QString why;
    state.verify(&why);
    ASSERT_TRUE(why.isEmpty()) << why.toStdString();
    for (int step = 0; step < 3000; ++step) {
        const int person = pick(12);
        const int date = pick(28);
        score::Cell cell;
        const int kind = pick(5);
        if (kind > 0 && kind < 4)
            cell = {kind - 1};
        else if (kind == 4)
            cell = {0, 1}; // two shifts on one day
        const double total = state.total();
        const double foretold = state.delta(person, date, cell);
        const double made = state.set(person, date, cell);
        ASSERT_DOUBLE_EQ(foretold, made);
        ASSERT_NEAR(state.total(), total + made, 1e-9);
        state.verify(&why);
        ASSERT_TRUE(why.isEmpty()) << "step " << step << ": " << why.toStdString();
    }
}

} // namespace
