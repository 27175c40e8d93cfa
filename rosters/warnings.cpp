#include "rosters/warnings.h"

#include "engine/assignment.h"
#include "engine/candidatetable.h"
#include "engine/rules.h"
#include "rosters/locks.h"
#include "store/messages.h"

#include <QSet>
#include <QTime>

#include <algorithm>
#include <optional>
#include <vector>

namespace korvane::rosters {

using monthsheet::MonthSheet;

namespace {

using engine::kMinutesPerDay;

// A shift worked before the sheet that the set-up no longer has.
const QString kUnknownShift;

QString dayText(qint64 day) {
    const QDate date = QDate::fromJulianDay(day);
    return msg::monthDay.arg(date.month()).arg(date.day());
}

// A warning's text: what taking the shift (named) breaks.
QString breachText(const QHash<qint64, QString>& names, const engine::Breach& breach,
                   const QString& shift) {
    const QString& previous = names.contains(breach.previousShift)
                                  ? *names.constFind(breach.previousShift)
                                  : kUnknownShift;
    switch (breach.kind) {
    case engine::PassOver::Shifts:
        return msg::warnShifts.arg(breach.reached).arg(breach.limit);
    case engine::PassOver::Overnight:
        return msg::warnOvernight.arg(breach.reached).arg(breach.limit);
    case engine::PassOver::Weekend:
        return msg::warnWeekend.arg(breach.reached).arg(breach.limit);
    case engine::PassOver::Consecutive:
        return msg::warnConsecutive.arg(breach.reached).arg(breach.limit);
    case engine::PassOver::Rest:
        return msg::warnRest.arg(dayText(breach.previousDay), previous,
                                 engine::hoursText(double(breach.restMinutes) / 60), shift,
                                 engine::hoursText(breach.restHours));
    case engine::PassOver::Overlap:
        return msg::warnOverlap.arg(dayText(breach.previousDay), previous);
    case engine::PassOver::Succession:
        return msg::reasonSuccession.arg(breach.succession->beforeName,
                                         breach.succession->afterName);
    case engine::PassOver::None:
        break;
    }
    return {};
}

bool isLimitKind(WarningKind kind) {
    return kind == WarningKind::Shifts || kind == WarningKind::Overnight ||
           kind == WarningKind::Weekend || kind == WarningKind::Consecutive;
}

// The same warning before and after a change. A limit's is known by its
// cell alone: its figure counts the shifts up to the cell, which a shift
// taken earlier in the period changes without making it a new warning.
QString sameWarningKey(const Warning& w) {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(int(w.kind))
        .arg(w.date)
        .arg(w.shift)
        .arg(isLimitKind(w.kind) ? QString() : w.text);
}

WarningKind kindOf(engine::PassOver kind) {
    switch (kind) {
    case engine::PassOver::Shifts:
        return WarningKind::Shifts;
    case engine::PassOver::Overnight:
        return WarningKind::Overnight;
    case engine::PassOver::Weekend:
        return WarningKind::Weekend;
    case engine::PassOver::Consecutive:
        return WarningKind::Consecutive;
    case engine::PassOver::Rest:
        return WarningKind::Rest;
    case engine::PassOver::Overlap:
        return WarningKind::Overlap;
    case engine::PassOver::Succession:
    case engine::PassOver::None:
        break;
    }
    return WarningKind::Succession;
}

// check()'s order: by date, the slots of a date before the people's cells.
void sortWarnings(QList<Warning>& warnings) {
    std::stable_sort(warnings.begin(), warnings.end(), [](const Warning& a, const Warning& b) {
        return a.date != b.date ? a.date < b.date : a.person < b.person;
    });
}

} // namespace

// Where the sheet's people, shifts and dates stand in the set-up, and the
// times of its shifts from its own copy.
struct RosterChecker::SheetIndex {
    QList<int> staff;               // per person: index into PlanningData::staff, -1 when gone
    QList<int> setupShift;          // per shift: index into PlanningData::shifts, -1 when gone
    QList<int> startMinute;         // per shift: after the midnight of its day
    QList<int> endMinute;           // per shift: past 1440 when it ends on the next day
    QList<int> calendarRow;         // per date: its row of the calendar, -1 outside the period
    QList<qint64> day;              // per date: the day number
    QList<bool> weekend;            // per date, as the run counts weekend shifts
    QHash<qint64, int> shiftOfIdid; // the set-up's shifts
    QHash<qint64, QString> nameOf;  // every shift's name: the sheet's copy, else the set-up's
};

// A shift on a person's row.
struct RosterChecker::Duty {
    int date = 0;
    int shift = 0;
};

bool RosterChecker::load(QSqlDatabase& db, QString* error) {
    m_rules.clear();
    m_rulesOfPerson.clear();
    if (!m_data.load(db, error))
        return false;
    QString rulesError;
    const QList<engine::Rule> rules = engine::loadRules(db, &rulesError);
    if (!rulesError.isEmpty()) {
        if (error)
            *error = rulesError;
        return false;
    }
    // As the run reads them; a rule it would skip is left out here too.
    engine::RuleRegionReader reader(db);
    for (const engine::Rule& rule : rules) {
        engine::RuleRegion region;
        QString reason;
        switch (reader.read(rule, &region, &reason)) {
        case engine::RuleApplied::Applied:
            if (region.strikesNothing)
                break;
            for (qint64 person : std::as_const(region.people))
                m_rulesOfPerson[person].append(int(m_rules.size()));
            m_rules.append({rule, std::move(region)});
            break;
        case engine::RuleApplied::Unevaluable:
            break;
        case engine::RuleApplied::Failed:
            if (error)
                *error = reason;
            return false;
        }
    }
    // Rules in their stored order for each person.
    for (QList<int>& own : m_rulesOfPerson)
        std::sort(own.begin(), own.end());
    return true;
}

bool RosterChecker::loadFor(QSqlDatabase& db, const QDate& first, QString* error) {
    QList<engine::EarlierShift> earlier;
    if (!load(db, error) || !earlierShiftsBefore(db, first, &earlier, error))
        return false;
    setEarlierShifts(earlier);
    return true;
}

QString warningLine(const MonthSheet& sheet, const Warning& warning) {
    const QString day = engine::longDate(sheet.dates.at(warning.date).toJulianDay());
    const QString& shift = sheet.shifts.at(warning.shift).name;
    if (warning.person < 0)
        return QStringLiteral("%1 %2：%3").arg(day, shift, warning.text);
    return QStringLiteral("%1 %2 %3：%4")
        .arg(day, sheet.people.at(warning.person).name, shift, warning.text);
}

RosterChecker::SheetIndex RosterChecker::indexOf(const MonthSheet& sheet) const {
    SheetIndex index;
    QHash<qint64, int> staffOfIdid;
    for (int i = 0; i < m_data.staff.size(); ++i)
        staffOfIdid.insert(m_data.staff.at(i).idid, i);
    for (const monthsheet::SheetPerson& person : sheet.people)
        index.staff << staffOfIdid.value(person.idid, -1);

    for (int i = 0; i < m_data.shifts.size(); ++i)
        index.shiftOfIdid.insert(m_data.shifts.at(i).idid, i);
    for (const engine::Shift& shift : m_data.shifts)
        index.nameOf.insert(shift.idid, shift.name);
    for (const monthsheet::SheetShift& shift : sheet.shifts) {
        index.nameOf.insert(shift.idid, shift.name);
        const int setup = index.shiftOfIdid.value(shift.idid, -1);
        index.setupShift << setup;
        const QTime start = QTime::fromString(shift.start, QStringLiteral("HH:mm"));
        const int minute = start.isValid() ? start.hour() * 60 + start.minute()
                           : setup >= 0    ? m_data.shifts.at(setup).startMinute
                                           : 0;
        index.startMinute << minute;
        index.endMinute << minute + std::max(0, shift.minutes);
    }

    for (const QDate& date : sheet.dates) {
        const qint64 day = date.toJulianDay();
        const QList<int> rows = m_data.calendarRowsByDay.value(day);
        index.calendarRow << (rows.isEmpty() ? -1 : rows.first());
        index.day << day;
        index.weekend << m_data.isWeekendDay(day);
    }
    return index;
}

void RosterChecker::ruleAndLeaveWarnings(const MonthSheet& sheet, const SheetIndex& index,
                                         int person, int date, int shift, const QList<int>& rules,
                                         QList<Warning>* out) const {
    const auto warn = [&](WarningKind kind, const QString& text) {
        out->append({kind, person, date, shift, text});
    };
    const qint64 idid = sheet.people.at(person).idid;
    const int row = index.calendarRow.at(date);
    const int setupShift = index.setupShift.at(shift);
    if (row >= 0 && setupShift >= 0) {
        const QString& dateText = m_data.calendar.at(row).text;
        const qint64 shiftIdid = m_data.shifts.at(setupShift).idid;
        for (int rule : rules)
            if (m_rules.at(rule).region.strikes(idid, dateText, shiftIdid))
                warn(WarningKind::Rule,
                     msg::reasonRule.arg(engine::describeRule(m_rules.at(rule).rule)));
    }
    const int staff = index.staff.at(person);
    QString reason;
    if (staff >= 0 && engine::onLeave(m_data, staff, index.day.at(date), &reason))
        warn(WarningKind::Leave, msg::reasonLeave.arg(reason));
}

// What a person has worked up to the shift in hand, counted as the run
// counts it, and the shifts of the last day worked, for the forbidden
// successions.
struct RosterChecker::WorkSoFar {
    engine::WorkDone work;
    qint64 lastDay = std::numeric_limits<qint64>::min();
    QList<qint64> lastDayShifts;

    void workedOn(qint64 day, qint64 shift) {
        if (day != lastDay)
            lastDayShifts.clear();
        lastDay = day;
        lastDayShifts << shift;
    }
    void add(const engine::Duty& duty) {
        work.add(duty.day, duty.startMinute, duty.endMinute, duty.overnight, duty.weekend,
                 duty.shift);
        workedOn(duty.day, duty.shift);
    }
    QList<qint64> shiftsOn(qint64 day) const {
        return day == lastDay ? lastDayShifts : QList<qint64>();
    }
};

RosterChecker::WorkSoFar RosterChecker::workBefore(qint64 idid, qint64 firstDay) const {
    WorkSoFar worked;
    const auto earlier = m_earlier.constFind(idid);
    if (earlier == m_earlier.constEnd())
        return worked;
    for (const engine::EarlierShift& before : *earlier) {
        if (before.day >= firstDay)
            break;
        worked.work.addBefore(before.day, before.endMinute, before.shift);
        worked.workedOn(before.day, before.shift);
    }
    return worked;
}

void RosterChecker::personWarnings(const MonthSheet& sheet, const SheetIndex& index, int person,
                                   int onlyDate, const Duty* extra, QList<Warning>* out) const {
    const int staff = index.staff.at(person);
    const qint64 idid = sheet.people.at(person).idid;
    const engine::WorkLimits noLimits;
    const engine::WorkLimits& limits = staff >= 0 ? m_data.limits.at(staff) : noLimits;
    static const QList<int> noRules;
    const QList<int>& rules = staff >= 0 ? m_rulesOfPerson.value(idid, noRules) : noRules;

    WorkSoFar worked = workBefore(idid, sheet.dates.isEmpty() ? 0 : index.day.first());
    std::vector<int> cell;
    static const QList<qint64> nothingAfter;

    const int lastDate = onlyDate >= 0 ? onlyDate : int(sheet.dates.size()) - 1;
    for (int date = 0; date <= lastDate; ++date) {
        const QList<int>& held = sheet.cell(person, date);
        if (held.isEmpty() && !(extra && extra->date == date))
            continue;
        cell.assign(held.begin(), held.end());
        if (extra && extra->date == date && !held.contains(extra->shift))
            cell.insert(std::upper_bound(cell.begin(), cell.end(), extra->shift), extra->shift);

        const qint64 day = index.day.at(date);
        const bool named = onlyDate < 0 || date == onlyDate;
        // A forbidden succession is named on the later of its two days.
        const QList<qint64> dayBefore = worked.shiftsOn(day - 1);
        for (int shift : cell) {
            const monthsheet::SheetShift& own = sheet.shifts.at(shift);
            const engine::Duty duty{
                day,           index.startMinute.at(shift), index.endMinute.at(shift),
                own.overnight, index.weekend.at(date),      own.idid};
            if (named) {
                const auto warn = [&](WarningKind kind, const QString& text) {
                    out->append({kind, person, date, shift, text});
                };
                ruleAndLeaveWarnings(sheet, index, person, date, shift, rules, out);
                for (const engine::Breach& breach : engine::breaches(
                         limits, worked.work, duty, m_data.successions, {dayBefore, nothingAfter}))
                    warn(kindOf(breach.kind), breachText(index.nameOf, breach, own.name));
            }
            worked.add(duty);
        }
    }
}

void RosterChecker::slotWarnings(const MonthSheet& sheet, const SheetIndex& index, int date,
                                 int extraShift, QList<Warning>* out) const {
    std::vector<int> onShift(size_t(sheet.shifts.size()), 0);
    for (int person = 0; person < sheet.people.size(); ++person)
        for (int shift : sheet.cell(person, date))
            ++onShift[size_t(shift)];
    if (extraShift >= 0)
        ++onShift[size_t(extraShift)];
    const int row = index.calendarRow.at(date);
    for (int shift = 0; shift < sheet.shifts.size(); ++shift) {
        const int setupShift = index.setupShift.at(shift);
        bool twice = false;
        const bool distributed =
            row >= 0 && setupShift >= 0 &&
            m_data.distributed(m_data.calendar.at(row), m_data.shifts.at(setupShift), &twice);
        const int working = onShift[size_t(shift)];
        if (!distributed && working == 0)
            continue;
        // The headcount the run would fill the slot with today.
        const int needed =
            engine::peopleTaken(setupShift >= 0 ? m_data.shifts.at(setupShift).headcount
                                                : sheet.shifts.at(shift).headcount);
        // Up to an ideal headcount that weighs or the 最多人数, a slot is filled on purpose.
        const int most = setupShift >= 0 ? m_data.mostOnSlot(setupShift) : needed;
        if (working < needed)
            out->append({WarningKind::Understaffed, -1, date, shift,
                         msg::warnUnderstaffed.arg(needed).arg(working)});
        else if (working > most)
            out->append({WarningKind::Overstaffed, -1, date, shift,
                         msg::warnOverstaffed.arg(needed).arg(working)});
    }
}

void RosterChecker::setEarlierShifts(const QList<engine::EarlierShift>& shifts) {
    m_earlier.clear();
    for (const engine::EarlierShift& shift : shifts)
        m_earlier[shift.person].append(shift);
    for (QList<engine::EarlierShift>& own : m_earlier)
        std::stable_sort(own.begin(), own.end(), [](const auto& a, const auto& b) {
            return a.day != b.day ? a.day < b.day : a.endMinute < b.endMinute;
        });
}

QList<Warning> RosterChecker::check(const MonthSheet& sheet) const {
    const SheetIndex index = indexOf(sheet);
    QList<Warning> warnings;
    for (int date = 0; date < sheet.dates.size(); ++date)
        slotWarnings(sheet, index, date, -1, &warnings);
    for (int person = 0; person < sheet.people.size(); ++person)
        personWarnings(sheet, index, person, -1, nullptr, &warnings);
    sortWarnings(warnings);
    return warnings;
}

QList<Warning> RosterChecker::checkAround(const MonthSheet& sheet, const QList<int>& people,
                                          const QList<int>& dates) const {
    const SheetIndex index = indexOf(sheet);
    QList<Warning> warnings;
    const QSet<int> rows(people.begin(), people.end());
    for (int person : rows)
        personWarnings(sheet, index, person, -1, nullptr, &warnings);
    for (int date : QSet<int>(dates.begin(), dates.end())) {
        slotWarnings(sheet, index, date, -1, &warnings);
        // Every warning of a cell names one of its shifts: an empty cell has none.
        for (int person = 0; person < sheet.people.size(); ++person)
            if (!rows.contains(person) && !sheet.cell(person, date).isEmpty())
                personWarnings(sheet, index, person, date, nullptr, &warnings);
    }
    // Each person's warnings of a date, and each date's slots, came from one
    // walk, as in check(): sorted the same way, they stand in its order.
    sortWarnings(warnings);
    return warnings;
}

QList<Warning> RosterChecker::recheck(const QList<Warning>& before, const MonthSheet& sheet,
                                      const QList<int>& people, const QList<int>& dates) const {
    const QSet<int> rows(people.begin(), people.end());
    const QSet<int> columns(dates.begin(), dates.end());
    QList<Warning> warnings;
    for (const Warning& w : before)
        if (!rows.contains(w.person) && !columns.contains(w.date))
            warnings << w;
    warnings << checkAround(sheet, people, dates);
    sortWarnings(warnings);
    return warnings;
}

QList<Replacement> RosterChecker::replacements(const MonthSheet& sheet, int date, int shift,
                                               int replaced) const {
    const SheetIndex index = indexOf(sheet);
    const qint64 day = index.day.at(date);
    const qint64 start = day * kMinutesPerDay + index.startMinute.at(shift);
    const qint64 end = day * kMinutesPerDay + index.endMinute.at(shift);

    // A place of its own adds one to the slot, for whoever takes it.
    QList<Warning> slotAdded;
    if (replaced < 0) {
        QList<Warning> before, after;
        slotWarnings(sheet, index, date, -1, &before);
        slotWarnings(sheet, index, date, shift, &after);
        for (const Warning& w : after)
            if (w.shift == shift && !before.contains(w))
                slotAdded << w;
    }

    QList<Replacement> found;
    const Duty taken{date, shift};
    for (int person = 0; person < sheet.people.size(); ++person) {
        if (person == replaced || index.staff.at(person) < 0 ||
            sheet.cell(person, date).contains(shift))
            continue;
        // A shift lasts less than two days: only the neighbouring dates can overlap.
        bool free = true;
        for (int other = std::max(0, date - 2);
             free && other <= std::min(int(sheet.dates.size()) - 1, date + 2); ++other) {
            const qint64 otherDay = index.day.at(other);
            for (int held : sheet.cell(person, other)) {
                const qint64 heldStart = otherDay * kMinutesPerDay + index.startMinute.at(held);
                const qint64 heldEnd = otherDay * kMinutesPerDay + index.endMinute.at(held);
                if (heldStart < end && start < heldEnd)
                    free = false;
            }
        }
        if (!free)
            continue;
        Replacement replacement{person, 0, {}};
        for (int other = 0; other < sheet.dates.size(); ++other)
            replacement.shifts += int(sheet.cell(person, other).size());
        QList<Warning> before, after;
        personWarnings(sheet, index, person, -1, nullptr, &before);
        personWarnings(sheet, index, person, -1, &taken, &after);
        QHash<QString, int> had;
        for (const Warning& w : before)
            ++had[sameWarningKey(w)];
        for (const Warning& w : after) {
            int& left = had[sameWarningKey(w)];
            if (left > 0)
                --left;
            else
                replacement.warnings << w;
        }
        replacement.warnings << slotAdded;
        found << replacement;
    }
    std::stable_sort(found.begin(), found.end(), [&](const Replacement& a, const Replacement& b) {
        if (a.shifts != b.shifts)
            return a.shifts < b.shifts;
        return sheet.people.at(a.person).id < sheet.people.at(b.person).id;
    });
    return found;
}

} // namespace korvane::rosters

namespace korvane::rosters {

RosterChecker::CellRules RosterChecker::cellRules(const MonthSheet& sheet) const {
    const SheetIndex index = indexOf(sheet);
    CellRules rules;
    rules.dates = int(sheet.dates.size());
    rules.people = int(sheet.people.size());
    rules.shifts = int(sheet.shifts.size());
    const size_t shifts = size_t(rules.shifts);
    rules.permitted.assign(size_t(rules.people) * size_t(rules.dates) * shifts, 0);
    rules.needed.assign(size_t(rules.dates) * shifts, 0);
    rules.most.assign(size_t(rules.dates) * shifts, 0);
    std::vector<char> runs(size_t(rules.dates) * shifts, 0);
    for (int date = 0; date < rules.dates; ++date) {
        const int row = index.calendarRow.at(date);
        for (int shift = 0; shift < rules.shifts; ++shift) {
            const int setupShift = index.setupShift.at(shift);
            bool twice = false;
            const size_t slot = size_t(date) * shifts + size_t(shift);
            runs[slot] =
                row >= 0 && setupShift >= 0 &&
                m_data.distributed(m_data.calendar.at(row), m_data.shifts.at(setupShift), &twice);
            if (runs[slot]) {
                rules.needed[slot] = engine::peopleTaken(m_data.shifts.at(setupShift).headcount);
                rules.most[slot] = m_data.mostOnSlot(setupShift);
            }
        }
        rules.day.push_back(index.day.at(date));
        rules.weekend.push_back(index.weekend.at(date));
    }
    for (int shift = 0; shift < rules.shifts; ++shift) {
        rules.startMinute.push_back(index.startMinute.at(shift));
        rules.endMinute.push_back(index.endMinute.at(shift));
        rules.overnight.push_back(sheet.shifts.at(shift).overnight);
        rules.shiftIdid.push_back(sheet.shifts.at(shift).idid);
    }
    // A rule strikes the same slots for everyone it names: worked out once per rule.
    std::vector<std::vector<char>> struckBy(size_t(m_rules.size()));
    const auto struckSlots = [&](int rule, qint64 idid) -> const std::vector<char>& {
        std::vector<char>& struck = struckBy[size_t(rule)];
        if (!struck.empty())
            return struck;
        struck.assign(runs.size(), 0);
        for (int date = 0; date < rules.dates; ++date)
            for (int shift = 0; shift < rules.shifts; ++shift) {
                const size_t slot = size_t(date) * shifts + size_t(shift);
                if (runs[slot])
                    struck[slot] = m_rules.at(rule).region.strikes(
                        idid, m_data.calendar.at(index.calendarRow.at(date)).text,
                        m_data.shifts.at(index.setupShift.at(shift)).idid);
            }
        return struck;
    };
    static const QList<int> noRules;
    for (int person = 0; person < rules.people; ++person) {
        const int staff = index.staff.at(person);
        const qint64 idid = sheet.people.at(person).idid;
        rules.limits.push_back(staff >= 0 ? m_data.limits.at(staff) : engine::WorkLimits());
        const engine::WorkLimits& limits = rules.limits.back();
        // Without a rest limit neither rest nor overlap is checked (engine/dutychecks.h).
        rules.restMinutes.push_back(limits.restHours ? *limits.restHours * 60 : -1);
        rules.earlier.push_back(m_earlier.value(idid));
        if (staff < 0)
            continue;
        const QList<int>& own = m_rulesOfPerson.value(idid, noRules);
        std::vector<const std::vector<char>*> struck;
        for (int rule : own)
            struck.push_back(&struckSlots(rule, idid));
        for (int date = 0; date < rules.dates; ++date) {
            if (engine::onLeave(m_data, staff, index.day.at(date)))
                continue;
            for (int shift = 0; shift < rules.shifts; ++shift) {
                const size_t slot = size_t(date) * shifts + size_t(shift);
                if (!runs[slot])
                    continue;
                bool any = false;
                for (const std::vector<char>* byRule : struck)
                    any = any || (*byRule)[slot];
                rules.permitted[(size_t(person) * size_t(rules.dates) + size_t(date)) * shifts +
                                size_t(shift)] = !any;
            }
        }
    }
    const QList<targets::ForbiddenSuccession> successions = m_data.successions;
    rules.breaksSuccession = [successions](qint64 shift, const QList<qint64>& dayBefore) {
        return targets::brokenSuccession(successions, shift, dayBefore, {}).has_value();
    };
    return rules;
}

} // namespace korvane::rosters
