#pragma once

#include "score/score.h"

#include <QString>

#include <vector>

namespace korvane::score {

// The score of a roster kept up to date while its cells change one (person,
// date) at a time, at the cost of what the change touches: the person's
// counts and the stretches through that date, the day's wishes, the slots of
// the date, and the sums of the person's fairness groups (one pass over each
// group's members). A change costs microseconds on a hospital year.
//
// How the search uses it:
//   ScoreState state(setup, cellsOf(sheet));      // once, from the roster
//   double d = state.delta(person, date, cell);    // a move's worth, nothing changed
//   if (accept(d)) state.set(person, date, cell);  // the move made, the score follows
// A move of several cells (a swap of two people's shifts on one date, a
// block of days) is its cells set one after another; to weigh it first, set
// them, read the total, and set the old cells back (each set returns its
// change). delta and set take the whole new cell (every shift the person
// works that day, in the order of a day); whether the move keeps every hard
// rule is for the rule checks to say before it is weighed. Sums of doubles
// drift by rounding over millions of moves: resync() starts the state anew
// from its cells, and verify() (a debug check) says how far it is from the
// score worked out from nothing.
class ScoreState {
public:
    ScoreState(const ScoreSetup& setup, std::vector<Cell> cells);
    // The same, given the breakdown of the people's and slots' items of
    // those cells (fairness left out), when the caller has worked them out.
    ScoreState(const ScoreSetup& setup, std::vector<Cell> cells, const Breakdown& own);

    double total() const { return m_total; }
    const TermValues& terms() const { return m_terms; }
    // The person's own share of each term: their targets, wishes and their
    // distance from their fair share of each group (slots are no one's).
    TermValues personTerms(int person) const;

    // The sum of a fairness group's counts (minutes for hours).
    qint64 groupSum(int group) const { return m_groupSum[size_t(group)]; }
    // The items of the fairness groups, from the counts kept.
    void fairnessItems(QList<Item>* items) const;

    const Cell& cell(int person, int date) const { return m_cells[index(person, date)]; }
    const std::vector<Cell>& cells() const { return m_cells; }
    const ScoreSetup& setup() const { return m_setup; }

    // How the total would change if the person worked shifts on the date.
    double delta(int person, int date, const Cell& shifts) const;
    // Makes that change; returns how the total changed.
    double set(int person, int date, const Cell& shifts);

    // The largest difference between this score and one worked out from
    // nothing, per term and per person; why (a line) when it exceeds the
    // rounding of the sums.
    double verify(QString* why = nullptr) const;
    void resync();

private:
    struct Change;
    Change evaluate(int person, int date, const Cell& shifts) const;
    void start(const Breakdown& own);
    void commit(const Change& change);
    size_t index(int person, int date) const {
        return size_t(person) * size_t(m_setup.dateCount) + size_t(date);
    }
    double groupPenalty(int group, int rank, qint64 change, qint64 sum) const;
    // Notes the cell of the person and date in the days on each of their stretch targets.
    void markStretchDays(int person, int date);
    // The words of a bit a date.
    size_t dateWords() const { return size_t(m_setup.dateCount + 63) / 64; }
    const quint64* stretchDays(int person, int target) const {
        return m_onStretch.data() + m_stretchStart[size_t(person)] + size_t(target) * dateWords();
    }

    const ScoreSetup& m_setup;
    std::vector<Cell> m_cells;
    // Per person: shifts, minutes, overnight, weekend-day and holiday shifts,
    // weekends worked; and their days worked in each weekend.
    struct Counts {
        qint64 shifts = 0;
        qint64 minutes = 0;
        qint64 overnight = 0;
        qint64 weekend = 0;
        qint64 holiday = 0;
        int weekendsWorked = 0;
    };
    // What a kind of fairness counts of them (minutes for hours).
    static qint64 fairCount(const Counts& counts, Term term);
    std::vector<Counts> m_counts;
    std::vector<int> m_weekendDays;     // person x weekend
    std::vector<quint64> m_onStretch;   // per person and target, a bit a date: on its stretch
    std::vector<size_t> m_stretchStart; // per person: their first word in m_onStretch
    std::vector<quint64> m_apart;       // a bit a date: not the day after the previous date
    std::vector<TermValues> m_own;      // per person, fairness left out
    std::vector<int> m_working;         // date x shift: people on the slot
    std::vector<qint64> m_groupSum;     // per fairness group: the members' counts
    std::vector<std::vector<qint64>> m_groupCounts; // per group, in its byCapacity order
    std::vector<double> m_groupCost;                // per fairness group
    TermValues m_terms{};
    double m_total = 0;
};

} // namespace korvane::score
