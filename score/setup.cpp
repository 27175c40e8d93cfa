#include "score/score.h"

#include "engine/assignment.h"

#include <QHash>
#include <QMap>

#include <algorithm>

namespace korvane::score {

namespace {

using targets::TargetKind;

Term termOf(TargetKind kind) {
    switch (kind) {
    case TargetKind::Shifts:
        return Term::Shifts;
    case TargetKind::Hours:
        return Term::Hours;
    case TargetKind::ConsecutiveWorkingDays:
        return Term::ConsecutiveWork;
    case TargetKind::ConsecutiveDaysOff:
        return Term::ConsecutiveOff;
    case TargetKind::ConsecutiveSameShift:
        return Term::ConsecutiveSame;
    case TargetKind::WorkingWeekends:
        return Term::WorkingWeekends;
    case TargetKind::CompleteWeekends:
        break;
    }
    return Term::CompleteWeekends;
}

Term termOf(targets::FairnessKind kind) {
    switch (kind) {
    case targets::FairnessKind::Hours:
        return Term::FairHours;
    case targets::FairnessKind::Overnight:
        return Term::FairOvernight;
    case targets::FairnessKind::Weekend:
        return Term::FairWeekend;
    case targets::FairnessKind::Holiday:
        break;
    }
    return Term::FairHoliday;
}

// Days of a stretch that ends on day before (day numbers of the days that
// count towards it, each once).
int stretchEndingOn(const QSet<qint64>& counted, qint64 before) {
    int days = 0;
    while (counted.contains(before - days))
        ++days;
    return days;
}

} // namespace

ScoreSetup::ScoreSetup(const monthsheet::MonthSheet& frame, const targets::Objectives& goals,
                       const QList<engine::EarlierShift>& earlier, std::vector<char> runs)
    : dateCount(int(frame.dates.size())), personCount(int(frame.people.size())),
      shiftCount(int(frame.shifts.size())), objectives(goals) {
    const size_t dates = size_t(dateCount);
    for (int date = 0; date < dateCount; ++date) {
        const qint64 number = frame.dates.at(date).toJulianDay();
        day.push_back(number);
        joinsPrevious.push_back(date > 0 && day[size_t(date) - 1] == number - 1);
        weekendDay.push_back(goals.isWeekendDay(number));
        holiday.push_back(goals.marks.value(number) == targets::DayMark::Holiday);
    }
    weekendOf.assign(dates, -1);
    QHash<qint64, int> dateOfDay;
    for (int date = 0; date < dateCount; ++date)
        dateOfDay.insert(day[size_t(date)], date);
    if (dateCount > 0)
        for (const targets::DayRange& range :
             targets::weekendsBetween(day.front(), day.back(), goals.marks)) {
            int first = -1, size = 0;
            for (qint64 number = range.first; number <= range.last; ++number) {
                const int date = dateOfDay.value(number, -1);
                if (date < 0)
                    continue;
                if (first < 0)
                    first = date;
                weekendOf[size_t(date)] = int(weekends.size());
                ++size;
            }
            if (size > 0)
                weekends.push_back({first, size});
        }

    QHash<qint64, int> shiftOfIdid;
    for (int shift = 0; shift < shiftCount; ++shift) {
        const monthsheet::SheetShift& own = frame.shifts.at(shift);
        minutes.push_back(own.minutes);
        overnight.push_back(own.overnight);
        shiftOfIdid.insert(own.idid, shift);
    }
    const auto setOf = [&](const QSet<qint64>& idids) {
        std::vector<char> set(size_t(shiftCount), 0);
        for (qint64 idid : idids)
            if (shiftOfIdid.contains(idid))
                set[size_t(shiftOfIdid.value(idid))] = 1;
        return set;
    };

    // Slots below their ideal: only where the shift runs that day.
    ideal.assign(dates * size_t(shiftCount), -1);
    idealWeight.assign(size_t(shiftCount), 0);
    for (int shift = 0; shift < shiftCount; ++shift) {
        const auto found = goals.ideal.constFind(frame.shifts.at(shift).idid);
        if (found == goals.ideal.constEnd() || found->weight <= 0)
            continue;
        idealWeight[size_t(shift)] = found->weight;
        for (int date = 0; date < dateCount; ++date) {
            const size_t slot = size_t(date * shiftCount + shift);
            if (runs.empty() || runs[slot])
                ideal[slot] = engine::peopleTaken(found->ideal);
        }
    }

    // What each person worked before the period, by the day it started.
    QHash<qint64, QHash<qint64, QSet<qint64>>> before; // IDID -> day -> shift idids
    for (const engine::EarlierShift& shift : earlier)
        if (dateCount > 0 && shift.day < day.front())
            before[shift.person][shift.day].insert(shift.shift);
    const qint64 lastBefore = dateCount > 0 ? day.front() - 1 : 0;

    QHash<qint64, int> personOfIdid;
    people.resize(size_t(personCount));
    for (int person = 0; person < personCount; ++person) {
        const qint64 idid = frame.people.at(person).idid;
        personOfIdid.insert(idid, person);
        Person& own = people[size_t(person)];
        const QHash<qint64, QSet<qint64>> worked = before.value(idid);
        QSet<qint64> workedDays;
        for (auto at = worked.cbegin(); at != worked.cend(); ++at)
            workedDays.insert(at.key());
        own.workedBefore = stretchEndingOn(workedDays, lastBefore);
        qint64 lastWorked = std::numeric_limits<qint64>::min();
        for (qint64 number : std::as_const(workedDays))
            lastWorked = std::max(lastWorked, number);

        for (const targets::Target& target : goals.targets.value(idid)) {
            const double least = target.least.value_or(0);
            const double most = target.most.value_or(unbounded);
            switch (target.kind) {
            case TargetKind::Shifts:
            case TargetKind::Hours:
            case TargetKind::WorkingWeekends:
                own.counts.push_back({termOf(target.kind), least, most, target.weight});
                break;
            case TargetKind::CompleteWeekends:
                own.completeWeekendWeight = std::max(own.completeWeekendWeight, target.weight);
                break;
            case TargetKind::ConsecutiveWorkingDays:
                own.stretches.push_back(
                    {Term::ConsecutiveWork, least, most, target.weight, {}, {}, own.workedBefore});
                break;
            case TargetKind::ConsecutiveDaysOff: {
                // Off since the last day worked; nothing worked: no history to go on.
                const int off = workedDays.isEmpty() ? 0 : int(lastBefore - lastWorked);
                own.stretches.push_back(
                    {Term::ConsecutiveOff, least, most, target.weight, {}, {}, off});
                break;
            }
            case TargetKind::ConsecutiveSameShift: {
                // No shift named: each shift on its own.
                QList<QSet<qint64>> sets;
                if (target.shifts.isEmpty())
                    for (const monthsheet::SheetShift& shift : frame.shifts)
                        sets.append(QSet<qint64>{shift.idid});
                else
                    sets.append(target.shifts);
                for (const QSet<qint64>& set : std::as_const(sets)) {
                    QSet<qint64> onSet;
                    for (auto at = worked.cbegin(); at != worked.cend(); ++at)
                        if (at.value().intersects(set))
                            onSet.insert(at.key());
                    StretchTarget stretch{Term::ConsecutiveSame,
                                          least,
                                          most,
                                          target.weight,
                                          setOf(set),
                                          target.shiftName,
                                          stretchEndingOn(onSet, lastBefore)};
                    if (target.shifts.isEmpty())
                        stretch.shiftName = frame.shifts.at(shiftOfIdid.value(*set.begin())).name;
                    own.stretches.push_back(std::move(stretch));
                }
                break;
            }
            }
        }
    }

    // Wishes by person and date, each wish's shifts as a set shared by equal ones.
    QMap<std::vector<char>, int> setIndex;
    std::vector<std::vector<WishDay>> byCell(size_t(personCount) * dates);
    for (int wish = 0; wish < goals.wishes.size(); ++wish) {
        const targets::Wish& own = goals.wishes.at(wish);
        const int person = personOfIdid.value(own.person, -1);
        if (person < 0 || own.weight <= 0)
            continue;
        int set = -1;
        if (!own.shifts.isEmpty()) {
            const std::vector<char> shifts = setOf(own.shifts);
            set = setIndex.value(shifts, -1);
            if (set < 0) {
                set = int(shiftSets.size());
                setIndex.insert(shifts, set);
                shiftSets.push_back(shifts);
            }
        }
        for (int date = 0; date < dateCount; ++date)
            if (day[size_t(date)] >= own.first && day[size_t(date)] <= own.last)
                byCell[size_t(person) * dates + size_t(date)].push_back(
                    {own.wanted, own.weight, set, wish});
    }
    wishStart.reserve(byCell.size() + 1);
    for (const std::vector<WishDay>& cell : byCell) {
        wishStart.push_back(int(wishDays.size()));
        wishDays.insert(wishDays.end(), cell.begin(), cell.end());
    }
    wishStart.push_back(int(wishDays.size()));

    for (const targets::Fairness& goal : goals.fairness) {
        FairGroup group{termOf(goal.kind), goal.weight, goal.group, {}};
        for (qint64 idid : goal.members)
            if (personOfIdid.contains(idid))
                group.members.push_back(personOfIdid.value(idid));
        if (group.weight <= 0 || group.members.size() < 2)
            continue;
        for (int member : group.members)
            people[size_t(member)].groups.push_back(int(fairness.size()));
        fairness.push_back(std::move(group));
    }
}

std::vector<Cell> cellsOf(const monthsheet::MonthSheet& sheet) {
    std::vector<Cell> cells;
    cells.reserve(size_t(sheet.cells.size()));
    for (const QList<int>& held : sheet.cells)
        cells.push_back(Cell(held.begin(), held.end()));
    return cells;
}

} // namespace korvane::score
