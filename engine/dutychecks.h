#pragma once

#include "engine/planningdata.h"
#include "targets/objectives.h"

#include <QList>

#include <algorithm>
#include <limits>
#include <optional>

// Whether a person may take a shift, one check per rule. The run passes a
// candidate over by these checks, korvane-cli explain and 查看原因 word them,
// the hand-edit warnings and the score list what they find on a roster; so a
// roster the run makes is never flagged for a rule it did not weigh.
//
// The rules and their predicates:
//  - a rule of 排除条件: RuleRegion::strikes (engine/rules.h), which the run
//    applies to whole slots at once through strikeRegion;
//  - leave: onLeave (engine/candidatetable.h);
//  - the limits of 人员限制, rest, overlap and forbidden successions: breaches()
//    below, on what the person has worked so far (WorkDone); the search counts
//    the limits and rest by their single tests (pastLimit, restRule) as it
//    moves, and the successions by brokenSuccession (targets/objectives.h).
//
// Defaults, stated once: a limit that is not set is not checked. This holds
// for the rest too: without 最少休息小时 neither rest nor overlapping shifts
// are checked (a set-up without limits is planned exactly as the plain run
// plans it, and nothing is flagged that the run did not weigh); a rest of 0
// hours checks overlapping shifts alone.
namespace korvane::engine {

constexpr qint64 kMinutesPerDay = 1440;

// What a person has worked so far, for the checks: counted in time order.
struct WorkDone {
    int shifts = 0;
    int overnight = 0;
    int weekend = 0;
    qint64 lastDay = std::numeric_limits<qint64>::min(); // the last day worked
    int run = 0;                                         // days worked in a row up to lastDay
    qint64 lastEnd = std::numeric_limits<qint64>::min(); // the latest end, in minutes since day 0
    qint64 lastShift = 0;                                // the shift that ends then
    qint64 lastShiftDay = 0;                             // and the day it started
    int longestRun = 0;                                  // most days worked in a row
    bool hasWorked() const { return lastEnd != std::numeric_limits<qint64>::min(); }
    qint64 shortestRest = std::numeric_limits<qint64>::max(); // minutes, between two shifts

    // Counts a shift worked on the day (shifts in time order), the minutes
    // after that day's midnight.
    void add(qint64 day, int startMinute, int endMinute, bool overnightShift, bool weekendDay,
             qint64 shift) {
        if (hasWorked())
            shortestRest = std::min(shortestRest, day * kMinutesPerDay + startMinute - lastEnd);
        ++shifts;
        overnight += overnightShift ? 1 : 0;
        weekend += weekendDay ? 1 : 0;
        run = runWith(day);
        lastDay = day;
        longestRun = std::max(longestRun, run);
        const qint64 end = day * kMinutesPerDay + endMinute;
        if (end >= lastEnd) {
            lastEnd = end;
            lastShift = shift;
            lastShiftDay = day;
        }
    }
    // Counts a shift worked before the period: for rest and days in a row only.
    void addBefore(qint64 day, int endMinute, qint64 shift);
    // The days in a row the person would have worked after a shift on the day.
    int runWith(qint64 day) const {
        return lastDay == day ? run : lastDay == day - 1 ? run + 1 : 1;
    }
};

// A shift a person might take, on its day.
struct Duty {
    qint64 day = 0;
    int startMinute = 0; // after the day's midnight
    int endMinute = 0;   // past 1440 when it ends on the next day
    bool overnight = false;
    bool weekend = false; // the day counts as a weekend day (the marked calendar)
    qint64 shift = 0;     // banci.idid
};

// The rules the checks below judge, in the order they are checked.
enum class PassOver { None, Shifts, Overnight, Weekend, Consecutive, Rest, Overlap, Succession };

// What taking a duty breaks, with what to name it by.
struct Breach {
    PassOver kind = PassOver::None;
    // A limit on counts: the count before the duty, the count with it, the most allowed.
    int before = 0;
    int reached = 0;
    int limit = 0;
    // Rest and overlap: the minutes from the end of the shift that ends last
    // before the duty (negative: they overlap), that shift and its day, and
    // the least rest in hours.
    qint64 restMinutes = 0;
    qint64 previousShift = 0;
    qint64 previousDay = 0;
    double restHours = 0;
    // A limit's origin: empty for the person's own, else the staff group's name.
    QString from;
    // A forbidden succession: the pair.
    const targets::ForbiddenSuccession* succession = nullptr;

    explicit operator bool() const { return kind != PassOver::None; }
};

// The neighbours of a duty for the forbidden successions: the shifts the
// person works the day before and the day after.
struct Neighbours {
    const QList<qint64>& dayBefore;
    const QList<qint64>& dayAfter;
};

// The tests of single rules that the checks below word as breaches, inline
// for the search, which counts them on every move.

// How many of count shifts go past the limit: none when it is not set.
inline int pastLimit(int count, const std::optional<int>& limit) {
    return limit ? std::max(0, count - *limit) : 0;
}
// The minutes from the end of the shift that ends last before the duty to its
// start (negative: they overlap).
inline qint64 restBefore(const WorkDone& work, const Duty& duty) {
    return duty.day * kMinutesPerDay + duty.startMinute - work.lastEnd;
}
// Which of Rest and Overlap taking the duty breaks (None: neither, and always
// without a least rest).
inline PassOver restRule(const WorkLimits& limits, const WorkDone& work, const Duty& duty) {
    if (!limits.restHours || !work.hasWorked())
        return PassOver::None;
    const qint64 rest = restBefore(work, duty);
    return rest < 0                                ? PassOver::Overlap
           : double(rest) < *limits.restHours * 60 ? PassOver::Rest
                                                   : PassOver::None;
}

// The first rule taking the duty breaks, in PassOver's order (None when it
// breaks none): the run passes a candidate over by it.
Breach firstBreach(const WorkLimits& limits, const WorkDone& work, const Duty& duty,
                   const QList<targets::ForbiddenSuccession>& successions,
                   const Neighbours& neighbours);

// Every rule taking the duty breaks, in the same order: what a roster's
// warnings name.
QList<Breach> breaches(const WorkLimits& limits, const WorkDone& work, const Duty& duty,
                       const QList<targets::ForbiddenSuccession>& successions,
                       const Neighbours& neighbours);

// The duty of the shift on the calendar day.
Duty dutyOf(const PlanningData& data, qint64 day, const Shift& shift);

} // namespace korvane::engine
