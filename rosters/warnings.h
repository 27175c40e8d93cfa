#pragma once

#include "engine/explanation.h"
#include "engine/planningdata.h"
#include "engine/run.h"
#include "monthsheet/monthsheet.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <vector>

// What a roster edited by hand breaks, judged against the current set-up:
// the rules, leave and limits of the run, overlapping shifts, short rest
// and slots below or above their headcount.
namespace korvane::rosters {

enum class WarningKind {
    Rule,         // the person was struck for the slot by a rule
    Leave,        // the person is on leave that day
    Overlap,      // two of the person's shifts overlap in time
    Rest,         // too little rest after the person's previous shift
    Shifts,       // more shifts than the person's limit
    Overnight,    // more overnight shifts than the limit
    Weekend,      // more weekend shifts (the marked calendar) than the limit
    Consecutive,  // more days in a row than the limit
    Succession,   // the shift follows one that it may not follow the next day
    Understaffed, // a slot below its headcount
    Overstaffed,  // a slot above its headcount
};

// One warning. A cell's names its person, date and shift; a slot's
// (Understaffed, Overstaffed) has no person. Indexes are into the sheet's
// people, dates and shifts.
struct Warning {
    WarningKind kind = WarningKind::Rule;
    int person = -1;
    int date = 0;
    int shift = 0;
    QString text; // what the warning list shows

    bool operator==(const Warning&) const = default;
};

// Someone who could take a slot, with what taking it would break.
struct Replacement {
    int person = 0; // index into the sheet's people
    int shifts = 0; // the shifts they work on the sheet now
    QList<Warning> warnings;
};

// Checks month sheets against the set-up of one database, read once: the
// planning data and the rules as a run reads them. The sheet may outlive its
// set-up: a person, shift or date the set-up no longer has is checked for
// what its own copy on the sheet tells (times, headcount); rules, leave and
// limits are left out for it.
class RosterChecker {
public:
    // Reads the set-up; false with the reason.
    bool load(QSqlDatabase& db, QString* error = nullptr);
    // Reads the set-up and the shifts of the saved roster that ends the day
    // before first, for a sheet that starts on first.
    bool loadFor(QSqlDatabase& db, const QDate& first, QString* error = nullptr);
    // The set-up as it was read.
    const engine::PlanningData& planningData() const { return m_data; }

    // Shifts worked before the sheet's first date (the end of the roster
    // before it): they count for rest, overlap and days in a row.
    void setEarlierShifts(const QList<engine::EarlierShift>& shifts);

    // Every warning of the sheet: by date, then the slots of the date, then
    // the people's cells in sheet order.
    QList<Warning> check(const monthsheet::MonthSheet& sheet) const;

    // The warnings of check() that name one of the people or one of the
    // dates: after an edit of those rows and columns, these replace the
    // ones check() gave for them, and every other warning stays as it was.
    // Fast enough for one edit on a sheet of a year and a thousand people.
    QList<Warning> checkAround(const monthsheet::MonthSheet& sheet, const QList<int>& people,
                               const QList<int>& dates) const;

    // The warnings of the sheet after an edit of those people's rows and
    // those dates' columns, from the warnings before it: check()'s result,
    // at the cost of checkAround().
    QList<Warning> recheck(const QList<Warning>& before, const monthsheet::MonthSheet& sheet,
                           const QList<int>& people, const QList<int>& dates) const;

    // The people who could take the shift on the date instead of the person
    // replaced (-1: for a place of its own): everyone of the set-up with no
    // shift overlapping it, fewest shifts first, then in ID order, each with
    // the warnings that taking the slot would add.
    QList<Replacement> replacements(const monthsheet::MonthSheet& sheet, int date, int shift,
                                    int replaced) const;

    // The same checks as data, per cell of a sheet, for work that changes
    // many cells a second (the search): what a cell may hold whatever the
    // rest of the roster, and what the rest of the person's row must keep.
    struct CellRules {
        int dates = 0, people = 0, shifts = 0;
        // person x date x shift: no rule strikes it, the person is not on
        // leave, and the shift runs on the date in the set-up.
        std::vector<char> permitted;
        // date x shift: the headcount the run fills the slot with (0 where it does not run).
        std::vector<int> needed;
        // date x shift: the most it may hold on purpose (PlanningData::mostOnSlot; 0 where it
        // does not run).
        std::vector<int> most;
        std::vector<engine::WorkLimits> limits; // per person; none for one the set-up lacks
        // Per person: the least rest between two shifts; negative where no
        // rest limit holds, and then neither rest nor overlap is checked.
        std::vector<double> restMinutes;
        std::vector<int> startMinute, endMinute;          // per shift, after its day's midnight
        std::vector<char> overnight;                      // per shift
        std::vector<qint64> shiftIdid;                    // per shift
        std::vector<qint64> day;                          // per date, its day number
        std::vector<char> weekend;                        // per date, as the limits count it
        std::vector<QList<engine::EarlierShift>> earlier; // per person, in time order
        // The forbidden succession the shift breaks after those of the day before.
        std::function<bool(qint64 shift, const QList<qint64>& dayBefore)> breaksSuccession;
        bool isPermitted(int person, int date, int shift) const {
            return permitted[(size_t(person) * size_t(dates) + size_t(date)) * size_t(shifts) +
                             size_t(shift)];
        }
    };
    CellRules cellRules(const monthsheet::MonthSheet& sheet) const;

private:
    struct SheetIndex;
    struct Duty;
    struct WorkSoFar;
    SheetIndex indexOf(const monthsheet::MonthSheet& sheet) const;
    // What the person worked before the day firstDay: the end of the roster before the sheet.
    WorkSoFar workBefore(qint64 idid, qint64 firstDay) const;
    // A person's cell warnings, on every date or on one (onlyDate), with an
    // extra shift on their row when extra is set.
    void personWarnings(const monthsheet::MonthSheet& sheet, const SheetIndex& index, int person,
                        int onlyDate, const Duty* extra, QList<Warning>* out) const;
    // The warnings of one shift of a person's cell that the calendar gives:
    // the rules that strike it, the leave it falls in.
    void ruleAndLeaveWarnings(const monthsheet::MonthSheet& sheet, const SheetIndex& index,
                              int person, int date, int shift, const QList<int>& rules,
                              QList<Warning>* out) const;
    // The slot warnings of one date; extra adds a person to one of its shifts.
    void slotWarnings(const monthsheet::MonthSheet& sheet, const SheetIndex& index, int date,
                      int extraShift, QList<Warning>* out) const;

    engine::PlanningData m_data;
    QList<engine::AppliedRule> m_rules;
    QHash<qint64, QList<int>> m_rulesOfPerson;            // by IDID, into m_rules
    QHash<qint64, QList<engine::EarlierShift>> m_earlier; // by IDID, in time order
};

// A warning as the lists show it: "2027年3月1日 甲 白班：…" (a slot's without a name).
QString warningLine(const monthsheet::MonthSheet& sheet, const Warning& warning);

} // namespace korvane::rosters
