#pragma once

#include "engine/run.h"
#include "monthsheet/monthsheet.h"
#include "rosters/warnings.h"
#include "targets/objectives.h"

#include <QList>
#include <QString>
#include <QVarLengthArray>

#include <array>
#include <limits>
#include <vector>

// The score of a roster: what each soft term of the planner's objectives
// costs, per term and per person. Lower is better; 0 is a roster that
// meets every target and wish, with no one away from their fair share of
// their group and every slot at its ideal headcount.
//
// A fair share is the group's mean, except for a member who cannot work
// that much (leave, rules, limits): they are measured against what they
// can carry, and the rest share what is left evenly (the level t with
// sum of min(capacity, t) over the members = the group's total).
//
// A stretch (days worked in a row, days off in a row, days in a row on one
// shift or shift group) counts on from the roster that ends the day before
// the period. A stretch that ends on that day and breaks on the first day
// costs what it lacks (the earlier roster could not know it would end); a
// stretch still running on the last day costs only for being too long;
// a stretch that runs on from before the period costs each day past its
// most once, on the days of the period.
namespace korvane::score {

enum class Term {
    Shifts,           // a target on shifts in the period
    Hours,            // a target on hours
    ConsecutiveWork,  // days worked in a row
    ConsecutiveOff,   // days off in a row
    ConsecutiveSame,  // days in a row on the same shift or shift group
    WorkingWeekends,  // weekends with any day worked
    CompleteWeekends, // a weekend partly worked
    Wishes,           // each day against a wish
    FairHours,        // hours away from the fair share of the group
    FairOvernight,    // overnight shifts away from the fair share
    FairWeekend,      // weekend shifts away from the fair share
    FairHoliday,      // holiday shifts away from the fair share
    IdealHeadcount,   // each person missing below a slot's ideal
};
constexpr int termCount = 13;
using TermValues = std::array<double, termCount>;

constexpr double unbounded = std::numeric_limits<double>::infinity();

// The shifts of one cell, as indexes into the sheet's shifts.
using Cell = QVarLengthArray<int, 2>;

// Sets a cell to another's shifts. Assigning goes out of line to resize even
// for a cell's few shifts, which the search pays for on every move.
inline void copyCell(Cell& to, const Cell& from) {
    while (!to.isEmpty())
        to.removeLast();
    for (int shift : from)
        to.append(shift);
}
inline void swapCells(Cell& one, Cell& other) {
    Cell held;
    copyCell(held, one);
    copyCell(one, other);
    copyCell(other, held);
}

// One penalised thing: a target missed over a stretch or the period, a
// wish refused, a person away from their fair share, a slot below its
// ideal. cost = units x weight.
struct Item {
    Term term = Term::Shifts;
    int person = -1; // index into the sheet's people; -1 for a slot
    int first = -1;  // the dates it covers (indexes), -1 for the whole period
    int last = -1;
    int shift = -1;   // the slot's shift (IdealHeadcount)
    int source = -1;  // the person's stretch target, the wish, or the fairness group
    double value = 0; // what was counted (days, shifts, hours, people...)
    double bound = 0; // the least or most it missed
    bool tooMany = false;
    double units = 0;
    double weight = 0;
    double cost() const { return units * weight; }
};

// Everything the score needs besides the cells, indexed once for a roster's
// frame (its dates, people and shifts): read-only while a roster is scored.
struct ScoreSetup {
    struct CountTarget {
        Term term = Term::Shifts; // Shifts, Hours or WorkingWeekends
        double least = 0;
        double most = unbounded;
        double weight = 0;
    };
    struct StretchTarget {
        Term term = Term::ConsecutiveWork; // ConsecutiveWork, ConsecutiveOff or ConsecutiveSame
        double least = 0;
        double most = unbounded;
        double weight = 0;
        std::vector<char> inSet; // ConsecutiveSame: per sheet shift, whether it counts
        QString shiftName;
        int history = 0; // days of its stretch that end the day before the first date
    };
    struct WishDay {
        bool wanted = false;
        double weight = 0;
        int set = -1;  // into shiftSets; -1: any shift
        int wish = -1; // into objectives.wishes
    };
    // The share each member is measured against for a total of the
    // members' counts: min(capacity, share / parts); with a total beyond
    // every capacity (shifts taken against the rules), capacity + share / parts.
    struct FairLevel {
        qint64 share = 0;
        qint64 parts = 1;
        bool beyond = false;
        int held = 0; // the first members of byCapacity, held to their capacity
    };
    struct FairGroup {
        Term term = Term::FairHours;
        double weight = 0;
        qint64 group = 0;
        std::vector<int> members; // sheet people
        // Per member, the most they can count (minutes for hours); empty: no one is held back.
        std::vector<qint64> capacity;
        std::vector<int> byCapacity;   // the members' places, least capacity first
        std::vector<int> rank;         // per member, their place in byCapacity
        std::vector<qint64> ascending; // the capacities in byCapacity's order
        std::vector<qint64> below;     // per place in ascending: the sum of those before it

        FairLevel levelFor(qint64 sum) const;
        // The member's (a place in members) fair share times level.parts.
        qint64 scaledShare(size_t member, const FairLevel& level) const {
            if (capacity.empty())
                return level.share;
            const qint64 most = capacity[member] * level.parts;
            return level.beyond ? most + level.share : std::min(most, level.share);
        }
    };
    struct Person {
        std::vector<CountTarget> counts;
        std::vector<StretchTarget> stretches;
        double completeWeekendWeight = 0;
        std::vector<int> groups; // the fairness groups they are in
        std::vector<int> places; // their place among each of those groups' members
        int workedBefore = 0;    // days worked in a row up to the day before the first date
    };

    ScoreSetup() = default;
    // runs: per date x shift of the frame (date * shifts + shift), whether
    // the shift runs that day; empty: every shift every day. rules: what
    // each person may work (the set-up's checks of the frame), which holds
    // back their fair shares; none: anyone may work anything.
    ScoreSetup(const monthsheet::MonthSheet& frame, const targets::Objectives& objectives,
               const QList<engine::EarlierShift>& earlier, std::vector<char> runs = {},
               const rosters::RosterChecker::CellRules* rules = nullptr);

    int dateCount = 0;
    int personCount = 0;
    int shiftCount = 0;

    std::vector<qint64> day;                   // per date, its day number
    std::vector<char> joinsPrevious;           // per date: the day after the previous date
    std::vector<char> weekendDay;              // of the marked calendar
    std::vector<char> holiday;                 // marked 节假日
    std::vector<int> weekendOf;                // per date: its weekend, -1 on a working day
    std::vector<std::pair<int, int>> weekends; // first date and days of each weekend

    std::vector<int> minutes;        // per shift
    std::vector<char> overnight;     // per shift
    std::vector<int> ideal;          // per date x shift: the ideal headcount; -1 for none
    std::vector<double> idealWeight; // per shift

    std::vector<Person> people;
    std::vector<std::vector<char>> shiftSets; // per set, per sheet shift
    std::vector<int> wishStart; // per person x date, into wishDays; one more at the end
    std::vector<WishDay> wishDays;
    std::vector<FairGroup> fairness;
    targets::Objectives objectives;

    const WishDay* wishesBegin(int person, int date) const {
        return wishDays.data() + wishStart[size_t(person * dateCount + date)];
    }
    const WishDay* wishesEnd(int person, int date) const {
        return wishDays.data() + wishStart[size_t(person * dateCount + date) + 1];
    }
    bool cellIn(const Cell& cell, const std::vector<char>& set) const {
        for (int shift : cell)
            if (set[size_t(shift)])
                return true;
        return false;
    }
    // Whether the cell is a day of the target's stretches.
    bool onStretch(const StretchTarget& target, const Cell& cell) const {
        switch (target.term) {
        case Term::ConsecutiveWork:
            return !cell.isEmpty();
        case Term::ConsecutiveOff:
            return cell.isEmpty();
        default:
            return cellIn(cell, target.inSet);
        }
    }
    // Whether a wish of the day holds for the cell.
    bool granted(const WishDay& wish, const Cell& cell) const {
        const bool works =
            wish.set < 0 ? !cell.isEmpty() : cellIn(cell, shiftSets[size_t(wish.set)]);
        return works == wish.wanted;
    }
};

// A roster's cells as the score reads them: per person x date.
std::vector<Cell> cellsOf(const monthsheet::MonthSheet& sheet);

// Per term, and per person and term (a slot's ideal headcount is no one's).
struct Breakdown {
    TermValues terms{};
    std::vector<TermValues> people;
    double total() const;
};

// The whole score, worked out from nothing: every item of every person,
// slot and group. The incremental score is checked against it.
QList<Item> allItems(const ScoreSetup& setup, const std::vector<Cell>& cells);
// The items of one person (their targets and wishes), of one date's slots,
// and of the fairness groups.
void personItems(const ScoreSetup& setup, const std::vector<Cell>& cells, int person,
                 QList<Item>* items);
void slotItems(const ScoreSetup& setup, const std::vector<Cell>& cells, int date,
               QList<Item>* items);
void fairnessItems(const ScoreSetup& setup, const std::vector<Cell>& cells, QList<Item>* items);
// The items of one fairness group from its members' counts (in members'
// order; minutes for hours) and their sum.
void groupItems(const ScoreSetup& setup, int group, const std::vector<qint64>& counts, qint64 sum,
                QList<Item>* items);
Breakdown breakdownOf(const ScoreSetup& setup, const QList<Item>& items);

// What a person works over the period, for the person's line of the score.
struct PersonLine {
    int shifts = 0;
    double hours = 0;
    int longestRun = 0; // days worked in a row, counted on from the earlier roster
    int weekends = 0;   // weekends worked
    int wishesGranted = 0;
    int wishesRefused = 0; // days against a wish
};
PersonLine personLine(const ScoreSetup& setup, const std::vector<Cell>& cells, int person);

} // namespace korvane::score
