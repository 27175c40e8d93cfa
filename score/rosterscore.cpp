#include "score/rosterscore.h"

#include "rosters/locks.h"
#include "store/messages.h"
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

void sortByDateThenPerson(QList<rosters::Warning>& warnings) {
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const rosters::Warning& a, const rosters::Warning& b) {
                         return a.date != b.date ? a.date < b.date : a.person < b.person;
                     });
}

QString dayText(qint64 day) {
    const QDate date = QDate::fromJulianDay(day);
    return msg::monthDay.arg(date.month()).arg(date.day());
}

} // namespace

QList<rosters::Warning> hardFindings(const rosters::RosterChecker& checker,
                                     const monthsheet::MonthSheet& sheet, const ScoreSetup& setup,
                                     const QList<engine::EarlierShift>& earlier) {
    QList<rosters::Warning> found;
    // A slot above its 人数 is a warning of the hand edits, no broken rule:
    // one more person on duty endangers no one (the ideal headcount may ask
    // for more, and the competition's rosters have any number above it).
    for (const rosters::Warning& warning : checker.check(sheet))
        if (warning.kind != rosters::WarningKind::Overstaffed)
            found << warning;
    const QList<targets::ForbiddenSuccession>& successions = setup.objectives.successions;
    if (successions.isEmpty() || sheet.dates.isEmpty())
        return found;
    QHash<qint64, QSet<qint64>> lastDayBefore; // IDID -> shifts worked the day before
    const qint64 dayBefore = sheet.dates.first().toJulianDay() - 1;
    for (const engine::EarlierShift& shift : earlier)
        if (shift.day == dayBefore)
            lastDayBefore[shift.person].insert(shift.shift);
    for (int person = 0; person < sheet.people.size(); ++person) {
        QSet<qint64> previous = lastDayBefore.value(sheet.people.at(person).idid);
        qint64 previousDay = dayBefore;
        for (int date = 0; date < sheet.dates.size(); ++date) {
            const qint64 day = sheet.dates.at(date).toJulianDay();
            QSet<qint64> today;
            for (int shift : sheet.cell(person, date))
                today.insert(sheet.shifts.at(shift).idid);
            if (previousDay == day - 1)
                for (const targets::ForbiddenSuccession& rule : successions)
                    for (int shift : sheet.cell(person, date))
                        if (rule.after.contains(sheet.shifts.at(shift).idid) &&
                            previous.intersects(rule.before))
                            found.append({rosters::WarningKind::Succession, person, date, shift,
                                          msg::warnSuccession.arg(dayText(day - 1), rule.beforeName,
                                                                  rule.afterName)});
            previous = today;
            previousDay = day;
        }
    }
    sortByDateThenPerson(found);
    return found;
}

bool scoreRoster(QSqlDatabase& db, monthsheet::MonthSheet sheet, RosterScore* score,
                 QString* error) {
    rosters::RosterChecker checker;
    targets::Objectives objectives;
    QList<engine::EarlierShift> earlier;
    const QDate first = sheet.dates.isEmpty() ? QDate() : sheet.dates.first();
    if (!checker.load(db, error) || !targets::load(db, &objectives, error) ||
        !rosters::earlierShiftsBefore(db, first, &earlier, error))
        return false;
    checker.setEarlierShifts(earlier);
    score->sheet = std::move(sheet);
    const monthsheet::MonthSheet& own = score->sheet;
    score->setup = std::make_unique<ScoreSetup>(own, objectives, earlier,
                                                runsOf(checker.planningData(), own));
    score->state = std::make_unique<ScoreState>(*score->setup, cellsOf(own));
    score->items = allItems(*score->setup, score->state->cells());
    score->breakdown = breakdownOf(*score->setup, score->items);
    score->hard = hardFindings(checker, own, *score->setup, earlier);
    score->lines.clear();
    for (int person = 0; person < own.people.size(); ++person)
        score->lines.push_back(personLine(*score->setup, score->state->cells(), person));
    return true;
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
    // Items of the people and dates touched, and of the groups, anew.
    QList<Item> kept;
    for (const Item& item : std::as_const(items)) {
        const bool group = item.term >= Term::FairHours && item.term <= Term::FairHoliday;
        const bool touched = item.person >= 0 ? rows.contains(item.person)
                                              : columns.contains(item.first);
        if (!group && !touched)
            kept << item;
    }
    for (int person : rows) {
        personItems(*setup, cells, person, &kept);
        lines[size_t(person)] = personLine(*setup, cells, person);
    }
    for (int date : columns)
        slotItems(*setup, cells, date, &kept);
    fairnessItems(*setup, cells, &kept);
    items = std::move(kept);
    breakdown = breakdownOf(*setup, items);
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
