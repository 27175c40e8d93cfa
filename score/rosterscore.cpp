#include "score/rosterscore.h"

#include "rosters/locks.h"
#include "targets/objectives.h"

#include <QSet>

#include <algorithm>

namespace korvane::score {

namespace {

// Whether each shift of the sheet runs on each of its dates in the set-up
// (date x shift); a shift or date the set-up no longer has runs nowhere.
std::vector<char> runsOf(const engine::PlanningData& data, const monthsheet::MonthSheet& sheet) {
    QHash<qint64, int> setupShift;
    for (int i = 0; i < data.shifts.size(); ++i)
        setupShift.insert(data.shifts.at(i).idid, i);
    std::vector<char> runs(size_t(sheet.dates.size()) * size_t(sheet.shifts.size()), 0);
    for (int date = 0; date < sheet.dates.size(); ++date) {
        const QList<int> rows = data.calendarRowsByDay.value(sheet.dates.at(date).toJulianDay());
        if (rows.isEmpty())
            continue;
        for (int shift = 0; shift < sheet.shifts.size(); ++shift) {
            const int own = setupShift.value(sheet.shifts.at(shift).idid, -1);
            bool twice = false;
            runs[size_t(date) * size_t(sheet.shifts.size()) + size_t(shift)] =
                own >= 0 &&
                data.distributed(data.calendar.at(rows.first()), data.shifts.at(own), &twice);
        }
    }
    return runs;
}

} // namespace

QList<rosters::Warning> hardFindings(const QList<rosters::Warning>& warnings) {
    QList<rosters::Warning> found;
    // A slot above its 人数 is a warning of the hand edits, no broken rule:
    // one more person on duty endangers no one (the ideal headcount may ask
    // for more, and the competition's rosters have any number above it).
    for (const rosters::Warning& warning : warnings)
        if (warning.kind != rosters::WarningKind::Overstaffed)
            found << warning;
    return found;
}

namespace {

void tally(Breakdown& breakdown, const QList<Item>& items, int sign) {
    for (const Item& item : items) {
        breakdown.terms[size_t(item.term)] += sign * item.cost();
        if (item.person >= 0)
            breakdown.people[size_t(item.person)][size_t(item.term)] += sign * item.cost();
    }
}

} // namespace

bool readForScore(QSqlDatabase& db, const QDate& first, ScoreReading* reading, QString* error) {
    reading->checker = std::make_unique<rosters::RosterChecker>();
    if (!reading->checker->load(db, error) || !targets::load(db, &reading->objectives, error) ||
        !rosters::earlierShiftsBefore(db, first, &reading->earlier, error))
        return false;
    reading->checker->setEarlierShifts(reading->earlier);
    return true;
}

void scoreSheet(ScoreReading reading, monthsheet::MonthSheet sheet, RosterScore* score) {
    score->sheet = std::move(sheet);
    const monthsheet::MonthSheet& own = score->sheet;
    score->checker = std::move(reading.checker);
    score->earlier = std::move(reading.earlier);
    score->cellRules = score->checker->cellRules(own);
    score->setup = std::make_unique<ScoreSetup>(own, reading.objectives, score->earlier,
                                                runsOf(score->checker->planningData(), own),
                                                &score->cellRules);
    const ScoreSetup& setup = *score->setup;
    std::vector<Cell> cells = cellsOf(own);
    score->personItems.assign(size_t(setup.personCount), {});
    score->dateItems.assign(size_t(setup.dateCount), {});
    score->groupItems.clear();
    score->lines.clear();
    for (int person = 0; person < setup.personCount; ++person) {
        personItems(setup, cells, person, &score->personItems[size_t(person)]);
        score->lines.push_back(personLine(setup, cells, person));
    }
    for (int date = 0; date < setup.dateCount; ++date)
        slotItems(setup, cells, date, &score->dateItems[size_t(date)]);
    score->breakdown = breakdownOf(setup, score->items());
    score->state = std::make_unique<ScoreState>(setup, std::move(cells), score->breakdown);
    score->state->fairnessItems(&score->groupItems);
    tally(score->breakdown, score->groupItems, +1);
    score->setWarnings(score->checker->check(own));
}

bool scoreRoster(QSqlDatabase& db, monthsheet::MonthSheet sheet, RosterScore* score,
                 QString* error) {
    ScoreReading reading;
    if (!readForScore(db, sheet.dates.isEmpty() ? QDate() : sheet.dates.first(), &reading, error))
        return false;
    scoreSheet(std::move(reading), std::move(sheet), score);
    return true;
}

QList<Item> RosterScore::items() const {
    QList<Item> all;
    for (const QList<Item>& own : personItems)
        all += own;
    for (const QList<Item>& own : dateItems)
        all += own;
    return all + groupItems;
}

void RosterScore::setWarnings(QList<rosters::Warning> found) {
    warnings = std::move(found);
    hard = hardFindings(warnings);
}

void RosterScore::update(const monthsheet::MonthSheet& changed, const QList<int>& people,
                         const QList<int>& dates) {
    const QSet<int> rows(people.begin(), people.end());
    const QSet<int> columns(dates.begin(), dates.end());
    for (int person : rows)
        for (int date : columns) {
            const QList<int>& held = changed.cell(person, date);
            state->set(person, date, Cell(held.begin(), held.end()));
        }
    sheet = changed;
    const std::vector<Cell>& cells = state->cells();
    for (int person : rows) {
        QList<Item>& own = personItems[size_t(person)];
        tally(breakdown, own, -1);
        own.clear();
        score::personItems(*setup, cells, person, &own);
        tally(breakdown, own, +1);
        lines[size_t(person)] = personLine(*setup, cells, person);
    }
    for (int date : columns) {
        QList<Item>& own = dateItems[size_t(date)];
        tally(breakdown, own, -1);
        own.clear();
        score::slotItems(*setup, cells, date, &own);
        tally(breakdown, own, +1);
    }
    tally(breakdown, groupItems, -1);
    groupItems.clear();
    state->fairnessItems(&groupItems);
    tally(breakdown, groupItems, +1);
}

QHash<qsizetype, double> cellCosts(const QList<Item>& items, int dates) {
    QHash<qsizetype, double> costs;
    for (const Item& item : items) {
        if (item.person < 0 || item.first < 0 || item.cost() <= 0)
            continue;
        const int days = item.last - item.first + 1;
        for (int date = item.first; date <= item.last; ++date)
            costs[qsizetype(item.person) * dates + date] += item.cost() / days;
    }
    return costs;
}

QList<qsizetype> costliestCells(const QHash<qsizetype, double>& costs, int count) {
    QList<qsizetype> cells = costs.keys();
    std::sort(cells.begin(), cells.end(), [&](qsizetype a, qsizetype b) {
        const double ca = costs.value(a), cb = costs.value(b);
        return ca != cb ? ca > cb : a < b;
    });
    if (cells.size() > count)
        cells.resize(count);
    return cells;
}

} // namespace korvane::score
