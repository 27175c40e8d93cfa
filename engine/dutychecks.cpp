#include "engine/dutychecks.h"

#include <algorithm>
#include <array>

namespace korvane::engine {

namespace {

constexpr std::array kOrder = {PassOver::Shifts,      PassOver::Overnight, PassOver::Weekend,
                               PassOver::Consecutive, PassOver::Rest,      PassOver::Overlap,
                               PassOver::Succession};

Breach countBreach(PassOver kind, int before, int reached, const std::optional<int>& limit,
                   const QString& from) {
    if (pastLimit(reached, limit) == 0)
        return {};
    Breach breach;
    breach.kind = kind;
    breach.from = from;
    breach.before = before;
    breach.reached = reached;
    breach.limit = *limit;
    return breach;
}

// The one test of one rule.
Breach check(PassOver kind, const WorkLimits& limits, const WorkDone& work, const Duty& duty,
             const QList<targets::ForbiddenSuccession>& successions, const Neighbours& neighbours) {
    switch (kind) {
    case PassOver::Shifts:
        return countBreach(kind, work.shifts, work.shifts + 1, limits.shifts, limits.from[0]);
    case PassOver::Overnight:
        return duty.overnight ? countBreach(kind, work.overnight, work.overnight + 1,
                                            limits.overnight, limits.from[1])
                              : Breach{};
    case PassOver::Weekend:
        return duty.weekend ? countBreach(kind, work.weekend, work.weekend + 1, limits.weekend,
                                          limits.from[2])
                            : Breach{};
    case PassOver::Consecutive: {
        const int before = work.lastDay == duty.day - 1 || work.lastDay == duty.day ? work.run : 0;
        return countBreach(kind, before, work.runWith(duty.day), limits.consecutive,
                           limits.from[3]);
    }
    case PassOver::Rest:
    case PassOver::Overlap: {
        if (restRule(limits, work, duty) != kind)
            return {};
        Breach breach;
        breach.kind = kind;
        breach.restMinutes = restBefore(work, duty);
        breach.previousShift = work.lastShift;
        breach.previousDay = work.lastShiftDay;
        breach.restHours = *limits.restHours;
        breach.from = limits.from[4];
        return breach;
    }
    case PassOver::Succession: {
        if (successions.isEmpty())
            return {};
        const auto broken = targets::brokenSuccession(successions, duty.shift, neighbours.dayBefore,
                                                      neighbours.dayAfter);
        if (!broken)
            return {};
        Breach breach;
        breach.kind = kind;
        breach.succession = broken->succession;
        return breach;
    }
    case PassOver::None:
        break;
    }
    return {};
}

} // namespace

void WorkDone::addBefore(qint64 day, int endMinute, qint64 shift) {
    run = runWith(day);
    lastDay = day;
    const qint64 end = day * kMinutesPerDay + endMinute;
    if (end >= lastEnd) {
        lastEnd = end;
        lastShift = shift;
        lastShiftDay = day;
    }
}

Breach firstBreach(const WorkLimits& limits, const WorkDone& work, const Duty& duty,
                   const QList<targets::ForbiddenSuccession>& successions,
                   const Neighbours& neighbours) {
    for (PassOver kind : kOrder)
        if (const Breach breach = check(kind, limits, work, duty, successions, neighbours))
            return breach;
    return {};
}

QList<Breach> breaches(const WorkLimits& limits, const WorkDone& work, const Duty& duty,
                       const QList<targets::ForbiddenSuccession>& successions,
                       const Neighbours& neighbours) {
    QList<Breach> found;
    for (PassOver kind : kOrder)
        if (const Breach breach = check(kind, limits, work, duty, successions, neighbours))
            found << breach;
    return found;
}

Duty dutyOf(const PlanningData& data, qint64 day, const Shift& shift) {
    return {day,       shift.startMinute, shift.endMinute, shift.overnight, data.isWeekendDay(day),
            shift.idid};
}

} // namespace korvane::engine
