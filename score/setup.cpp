#include "score/score.h"

#include "engine/assignment.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <array>
#include <functional>
#include <limits>

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

// Per person, the most each kind of fairness (in fairTerms' order) can count
// over the period: the dates they may take a shift that counts (the longest
// such shift's minutes for hours), held to their limits on shifts, overnight
// and weekend shifts.
constexpr std::array<Term, 4> fairTerms = {Term::FairHours, Term::FairOvernight, Term::FairWeekend,
                                           Term::FairHoliday};
using Capacities = std::array<qint64, 4>;

Capacities capacitiesOf(const ScoreSetup& setup, const rosters::RosterChecker::CellRules& rules,
                        int person) {
    const engine::WorkLimits& limits = rules.limits[size_t(person)];
    constexpr int anyCount = std::numeric_limits<int>::max();
    const qint64 shiftsAtMost = limits.shifts.value_or(anyCount);
    std::vector<qint64> longest;
    qint64 overnight = 0, weekend = 0, limitedWeekend = 0, holiday = 0;
    for (int date = 0; date < setup.dateCount; ++date) {
        qint64 minutes = 0;
        bool any = false, night = false;
        for (int shift = 0; shift < setup.shiftCount; ++shift)
            if (rules.isPermitted(person, date, shift)) {
                any = true;
                night = night || setup.overnight[size_t(shift)];
                minutes = std::max<qint64>(minutes, setup.minutes[size_t(shift)]);
            }
        if (!any)
            continue;
        longest.push_back(minutes);
        overnight += night;
        // The limit on weekend shifts holds on the days it counts as weekend.
        if (setup.weekendDay[size_t(date)])
            ++(rules.weekend[size_t(date)] ? limitedWeekend : weekend);
        holiday += setup.holiday[size_t(date)];
    }
    const size_t days = size_t(std::min<qint64>(shiftsAtMost, qint64(longest.size())));
    std::partial_sort(longest.begin(), longest.begin() + qint64(days), longest.end(),
                      std::greater<>());
    qint64 minutes = 0;
    for (size_t date = 0; date < days; ++date)
        minutes += longest[date];
    return {minutes,
            std::min({overnight, qint64(limits.overnight.value_or(anyCount)), shiftsAtMost}),
            std::min(weekend + std::min(limitedWeekend, qint64(limits.weekend.value_or(anyCount))),
                     shiftsAtMost),
            std::min(holiday, shiftsAtMost)};
}

} // namespace

ScoreSetup::FairLevel ScoreSetup::FairGroup::levelFor(qint64 sum) const {
    const qint64 count = qint64(members.size());
    if (capacity.empty())
        return {sum, count, false, 0};
    if (sum > below.back() + ascending.back())
        return {sum - below.back() - ascending.back(), count, true, int(count)};
    // The fewest members held to their capacity: the first place whose
    // capacity the level of the others does not pass (the level rises with it).
    size_t low = 0, high = ascending.size() - 1;
    while (low < high) {
        const size_t mid = (low + high) / 2;
        if (sum <= below[mid] + ascending[mid] * (count - qint64(mid)))
            high = mid;
        else
            low = mid + 1;
    }
    return {sum - below[low], count - qint64(low), false, int(low)};
}

ScoreSetup::ScoreSetup(const monthsheet::MonthSheet& frame, const targets::Objectives& goals,
                       const QList<engine::EarlierShift>& earlier, std::vector<char> runs,
                       const rosters::RosterChecker::CellRules* rules)
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

    std::vector<Capacities> capacities;
    if (rules)
        for (int person = 0; person < personCount; ++person)
            capacities.push_back(capacitiesOf(*this, *rules, person));
    for (const targets::Fairness& goal : goals.fairness) {
        FairGroup group{termOf(goal.kind), goal.weight, goal.group, {}, {}, {}, {}, {}, {}};
        for (qint64 idid : goal.members)
            if (personOfIdid.contains(idid))
                group.members.push_back(personOfIdid.value(idid));
        if (group.weight <= 0 || group.members.size() < 2)
            continue;
        for (int place = 0; place < int(group.members.size()); ++place) {
            Person& member = people[size_t(group.members[size_t(place)])];
            member.groups.push_back(int(fairness.size()));
            member.places.push_back(place);
            group.byCapacity.push_back(place);
        }
        if (!capacities.empty()) {
            const size_t kind = size_t(std::find(fairTerms.begin(), fairTerms.end(), group.term) -
                                       fairTerms.begin());
            for (int member : group.members)
                group.capacity.push_back(capacities[size_t(member)][kind]);
            std::stable_sort(group.byCapacity.begin(), group.byCapacity.end(), [&](int a, int b) {
                return group.capacity[size_t(a)] < group.capacity[size_t(b)];
            });
            qint64 sum = 0;
            for (int place : group.byCapacity) {
                group.ascending.push_back(group.capacity[size_t(place)]);
                group.below.push_back(sum);
                sum += group.ascending.back();
            }
        }
        group.rank.resize(group.members.size());
        for (int at = 0; at < int(group.byCapacity.size()); ++at)
            group.rank[size_t(group.byCapacity[size_t(at)])] = at;
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
