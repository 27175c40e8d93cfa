#pragma once

#include "rosters/warnings.h"
#include "score/score.h"

#include <QtGlobal>

#include <functional>
#include <vector>

// The search that lowers a roster's score without breaking a hard rule.
//
// A step picks a move at random: a shift of one cell changed (given,
// taken away, or replaced by another of those the rules and leave let the
// person take that day), a slot handed over to someone the rules let take
// it, or two people's cells swapped on a date or over a run of two to
// seven dates. Where a fairness group weighs, one step in five hands a
// shift of its member most above their fair share (of four drawn) to its
// member most below theirs (of four drawn), or swaps their day. The move's cells are set on the
// search's own copy; the hard
// rules of the cells, rows and slots it touched are counted before and after (CellRules: rules,
// leave, limits, rest, overlap, forbidden successions, the slot between 人数 and the most it
// may take, locks), and a move that breaks more than it mends is set back before it is weighed.
// One that mends more is kept; one that breaks as much as it mends is weighed by the incremental
// score and kept by simulated annealing, the temperature falling geometrically over the budget
// from 1.5 times the mean worsening of random moves on the start roster to 3% of that (measured on
// the competition's instances). A start with slots below 人数 (a failed run) also tries, one step
// in three, to fill one of them with anyone it can take.
//
// Chains of different seeds run side by side on threads of their own; the
// best roster found by any of them is the result. With a number of steps
// each chain makes exactly that many, so a seed gives the same roster every
// time; with seconds each runs until the time is up.
namespace korvane::search {

struct Options {
    quint64 seed = 1;
    qint64 steps = 0;   // > 0: steps per chain
    double seconds = 0; // else the time budget
    int chains = 2;
};

struct Progress {
    double seconds = 0;
    double fraction = 0; // of the budget, 0 to 1
    qint64 steps = 0;    // of the first chain
    double best = 0;     // the best total so far, of the chains that reported
};

struct Observer {
    // A few times a second, from a search thread.
    std::function<void(const Progress&)> progress;
    // Polled; true stops every chain, which keep their best.
    std::function<bool()> cancelled;
};

// What a search works in: the score's frame, the hard rules per cell, and
// the cells it may not change.
struct Problem {
    const score::ScoreSetup* setup = nullptr;
    rosters::RosterChecker::CellRules rules;
    std::vector<char> locked; // person x date; empty: none
};

struct Found {
    std::vector<score::Cell> cells;
    double total = 0;   // the score of the cells
    int hardChange = 0; // hard findings mended (negative) or made, counted as the moves count them
    qint64 steps = 0;   // of all chains
    bool cancelled = false;
};

// The best roster the chains find from start (cells as score::cellsOf).
Found improve(const Problem& problem, const std::vector<score::Cell>& start, const Options& options,
              const Observer& observer = {});

// The slots of the cells below their 人数, as date * shifts + shift.
std::vector<int> shortSlots(const Problem& problem, const std::vector<score::Cell>& cells);

} // namespace korvane::search
