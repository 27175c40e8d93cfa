#include "search/search.h"

#include "engine/dutychecks.h"
#include "score/state.h"

#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <thread>

namespace korvane::search {

using score::Cell;

namespace {

constexpr int kLongestBlock = 7;
// The temperature falls to this share of its start over the budget.
constexpr double kColdestShare = 3e-2;
// The start: three quarters of the mean worsening of random moves.
constexpr double kStartShare = 1.5;
// How many moves measure the start temperature.
constexpr int kSampledMoves = 2000;
// The share of steps (in hundredths) that level a fairness group, where there is one.
constexpr int kLevelShare = 20;
// The members drawn for the most and the least loaded of a group.
constexpr int kLevelDraws = 4;

struct Change {
    int person = 0;
    int date = 0;
    Cell cell;
};

// One chain of the search: its own cells, score and counts.
class Chain {
public:
    Chain(const Problem& problem, const std::vector<Cell>& start, quint64 seed)
        : m_problem(problem), m_rules(problem.rules), m_state(*problem.setup, start),
          m_cells(start), m_random(seed) {
        const size_t shifts = size_t(m_rules.shifts);
        m_working.assign(size_t(m_rules.dates) * shifts, 0);
        m_counts.assign(size_t(m_rules.people), {});
        m_loads.assign(size_t(m_rules.people), {});
        for (int person = 0; person < m_rules.people; ++person)
            for (int date = 0; date < m_rules.dates; ++date) {
                count(person, date, cell(person, date), +1);
                load(person, date, cell(person, date), +1);
            }
        m_most.assign(m_working.size(), 0);
        m_runsOn.assign(size_t(m_rules.dates), {});
        for (int date = 0; date < m_rules.dates; ++date)
            for (int shift = 0; shift < m_rules.shifts; ++shift) {
                const size_t slot = size_t(date) * shifts + size_t(shift);
                if (m_rules.needed[slot] == 0 && !runsAnyone(date, shift))
                    continue;
                m_most[slot] = m_rules.most[slot];
                if (m_most[slot] > 0)
                    m_runsOn[size_t(date)].push_back(shift);
            }
        m_choices.assign(size_t(m_rules.people) * size_t(m_rules.dates), {});
        m_takers.assign(m_working.size(), {});
        for (int person = 0; person < m_rules.people; ++person)
            for (int date = 0; date < m_rules.dates; ++date)
                for (int shift : m_runsOn[size_t(date)])
                    if (m_rules.isPermitted(person, date, shift)) {
                        m_choices[size_t(person) * size_t(m_rules.dates) + size_t(date)].push_back(
                            shift);
                        m_takers[slotOf(date, shift)].push_back(person);
                    }
        m_forbidden.assign(shifts * shifts, 0);
        for (int before = 0; before < m_rules.shifts; ++before)
            for (int after = 0; after < m_rules.shifts; ++after)
                m_forbidden[size_t(before) * shifts + size_t(after)] =
                    m_rules.breaksSuccession(idid(after), {idid(before)});
        double longestRest = 0;
        for (double rest : m_rules.restMinutes)
            longestRest = std::max(longestRest, rest);
        m_reach = 2 + int(std::ceil(longestRest / engine::kMinutesPerDay));
        for (size_t slot = 0; slot < m_working.size(); ++slot)
            m_short += std::max(0, m_rules.needed[slot] - m_working[slot]);
        const std::vector<score::ScoreSetup::FairGroup>& groups = problem.setup->fairness;
        for (size_t group = 0; group < groups.size(); ++group)
            if (groups[group].weight > 0 && groups[group].members.size() >= 2)
                m_fairGroups.push_back(int(group));
        m_bestCells = m_state.cells();
        m_bestTotal = m_state.total();
    }

    // Runs until the steps are made or the time is up; returns the steps made.
    void run(const Options& options, const QElapsedTimer& clock, std::atomic<bool>& stop,
             std::atomic<double>& best, const std::function<void(qint64, double)>& report) {
        const double start = temperature() * kStartShare;
        const bool bySteps = options.steps > 0;
        double fraction = 0;
        const qint64 snapshotEvery = std::max<qint64>(1, qint64(m_state.cells().size()) / 64);
        qint64 lastSnapshot = 0;
        bool unsaved = false;
        for (m_steps = 0;; ++m_steps) {
            if (bySteps) {
                if (m_steps >= options.steps)
                    break;
                fraction = double(m_steps) / double(options.steps);
            } else if ((m_steps & 127) == 0) {
                fraction = double(clock.elapsed()) / (options.seconds * 1000);
                if (fraction >= 1)
                    break;
            }
            if ((m_steps & 127) == 0)
                m_temperature = start * std::pow(kColdestShare, fraction);
            if ((m_steps & 255) == 0) {
                if (stop.load(std::memory_order_relaxed))
                    break;
                if (report)
                    report(m_steps, fraction);
            }
            step();
            if (better(m_hard, m_state.total(), m_bestHard, m_bestTotal)) {
                unsaved = true;
                if (m_steps - lastSnapshot >= snapshotEvery) {
                    save();
                    lastSnapshot = m_steps;
                    unsaved = false;
                    best.store(m_bestTotal, std::memory_order_relaxed);
                }
            }
        }
        if (unsaved && better(m_hard, m_state.total(), m_bestHard, m_bestTotal))
            save();
        best.store(m_bestTotal, std::memory_order_relaxed);
    }

    const std::vector<Cell>& bestCells() const { return m_bestCells; }
    int bestHard() const { return m_bestHard; }
    double bestTotal() const { return m_bestTotal; }
    qint64 steps() const { return m_steps; }

    static bool better(int hard, double total, int thanHard, double thanTotal) {
        return hard != thanHard ? hard < thanHard : total < thanTotal - 1e-9;
    }

private:
    struct Counts {
        int shifts = 0;
        int overnight = 0;
        int weekend = 0;
    };

    qint64 idid(int shift) const { return m_rules.shiftIdid[size_t(shift)]; }

    bool runsAnyone(int date, int shift) const {
        for (int person = 0; person < m_rules.people; ++person)
            if (m_rules.isPermitted(person, date, shift))
                return true;
        return false;
    }
    bool locked(int person, int date) const {
        return !m_problem.locked.empty() &&
               m_problem.locked[size_t(person) * size_t(m_rules.dates) + size_t(date)];
    }
    size_t index(int person, int date) const {
        return size_t(person) * size_t(m_rules.dates) + size_t(date);
    }
    const Cell& cell(int person, int date) const { return m_cells[index(person, date)]; }
    size_t slotOf(int date, int shift) const {
        return size_t(date) * size_t(m_rules.shifts) + size_t(shift);
    }

    void count(int person, int date, const Cell& cell, int sign) {
        Counts& own = m_counts[size_t(person)];
        for (int shift : cell) {
            own.shifts += sign;
            own.overnight += sign * m_rules.overnight[size_t(shift)];
            own.weekend += sign * m_rules.weekend[size_t(date)];
            m_working[slotOf(date, shift)] += sign;
        }
    }

    // What each kind of fairness counts of a person: minutes, overnight,
    // weekend-day and holiday shifts (as the score counts them).
    using Loads = std::array<qint64, 4>;
    static int loadOf(score::Term term) {
        switch (term) {
        case score::Term::FairHours:
            return 0;
        case score::Term::FairOvernight:
            return 1;
        case score::Term::FairWeekend:
            return 2;
        default:
            return 3;
        }
    }
    Loads loadsOf(int date, int shift) const {
        const score::ScoreSetup& setup = *m_problem.setup;
        return {setup.minutes[size_t(shift)], setup.overnight[size_t(shift)],
                setup.weekendDay[size_t(date)], setup.holiday[size_t(date)]};
    }
    void load(int person, int date, const Cell& cell, int sign) {
        Loads& own = m_loads[size_t(person)];
        for (int shift : cell) {
            const Loads each = loadsOf(date, shift);
            for (size_t kind = 0; kind < own.size(); ++kind)
                own[kind] += sign * each[kind];
        }
    }

    int slotCost(size_t slot) const {
        const int working = m_working[slot];
        return std::max(0, m_rules.needed[slot] - working) + std::max(0, working - m_most[slot]);
    }

    // The hard findings of the person's limits on counts.
    int countCost(int person) const {
        const engine::WorkLimits& limits = m_rules.limits[size_t(person)];
        const Counts& own = m_counts[size_t(person)];
        return engine::pastLimit(own.shifts, limits.shifts) +
               engine::pastLimit(own.overnight, limits.overnight) +
               engine::pastLimit(own.weekend, limits.weekend);
    }

    bool worked(int person, int date) const { return !cell(person, date).isEmpty(); }
    bool joins(int date) const {
        return m_rules.day[size_t(date)] == m_rules.day[size_t(date) - 1] + 1;
    }

    // The shift on the date as the shared checks take it.
    engine::Duty duty(int date, int shift) const {
        return {m_rules.day[size_t(date)],          m_rules.startMinute[size_t(shift)],
                m_rules.endMinute[size_t(shift)],   m_rules.overnight[size_t(shift)] != 0,
                m_rules.weekend[size_t(date)] != 0, idid(shift)};
    }
    // What the person worked before the first date, as the checks count it.
    void workedBefore(int person, engine::WorkDone& work) const {
        for (const engine::EarlierShift& shift : m_rules.earlier[size_t(person)])
            if (shift.day < m_rules.day[0])
                work.addBefore(shift.day, shift.endMinute, shift.shift);
    }
    // How many rules the person's shifts of the dates from to to break, by
    // their shared tests (engine/dutychecks.h) on the work before each since
    // from (since before the first date when from is 0).
    template <typename Breaks> int walkCost(int person, int from, int to, Breaks breaks) const {
        engine::WorkDone work;
        if (from == 0)
            workedBefore(person, work);
        int cost = 0;
        for (int date = from; date <= to; ++date)
            for (int shift : cell(person, date)) {
                const engine::Duty taken = duty(date, shift);
                cost += breaks(work, taken, date, shift);
                work.add(taken.day, taken.startMinute, taken.endMinute, taken.overnight,
                         taken.weekend, taken.shift);
            }
        return cost;
    }

    // The hard findings that a change of the person's cells from lo to hi
    // can make or mend: shifts the cell may not hold, days in a row past
    // the limit on the stretches through them, and rest, overlap and
    // forbidden successions among the shifts near them.
    int localCost(int person, int lo, int hi) const {
        int cost = 0;
        for (int date = lo; date <= hi; ++date)
            for (int shift : cell(person, date))
                cost += !m_rules.isPermitted(person, date, shift);
        const int last = m_rules.dates - 1;
        const engine::WorkLimits& limits = m_rules.limits[size_t(person)];
        if (limits.consecutive) {
            int from = std::max(0, lo - 1);
            while (from > 0 && worked(person, from - 1) && joins(from))
                --from;
            int to = std::min(last, hi + 1);
            while (to < last && worked(person, to + 1) && joins(to + 1))
                ++to;
            cost += walkCost(
                person, from, to,
                [&](const engine::WorkDone& work, const engine::Duty& taken, int, int) {
                    return engine::pastLimit(work.runWith(taken.day), limits.consecutive) > 0;
                });
        }
        const int from = std::max(0, lo - m_reach);
        const int to = std::min(last, hi + m_reach);
        // Forbidden successions by the table of the shared check; the first
        // date's after the shifts worked the day before it.
        QList<qint64> earlierDay;
        if (from == 0)
            for (const engine::EarlierShift& shift : m_rules.earlier[size_t(person)])
                if (shift.day == m_rules.day[0] - 1)
                    earlierDay << shift.shift;
        const auto followsForbidden = [&](int date, int shift) {
            if (date > from && joins(date)) {
                for (int before : cell(person, date - 1))
                    if (m_forbidden[size_t(before) * size_t(m_rules.shifts) + size_t(shift)])
                        return true;
                return false;
            }
            return date == 0 && !earlierDay.isEmpty() &&
                   m_rules.breaksSuccession(idid(shift), earlierDay);
        };
        cost += walkCost(
            person, from, to,
            [&](const engine::WorkDone& work, const engine::Duty& taken, int date, int shift) {
                return int(engine::restRule(limits, work, taken) != engine::PassOver::None) +
                       int(followsForbidden(date, shift));
            });
        return cost;
    }

    // The hard findings the changes touch, as they stand.
    int hardCost(const Change* changes, int n, const std::vector<size_t>& touched) const {
        int cost = 0;
        for (size_t slot : touched)
            cost += slotCost(slot);
        int seen[2] = {-1, -1};
        for (int i = 0; i < n; ++i) {
            const int person = changes[i].person;
            if (person == seen[0] || person == seen[1])
                continue;
            seen[seen[0] < 0 ? 0 : 1] = person;
            int lo = changes[i].date, hi = lo;
            for (int j = i + 1; j < n; ++j)
                if (changes[j].person == person) {
                    lo = std::min(lo, changes[j].date);
                    hi = std::max(hi, changes[j].date);
                }
            cost += countCost(person) + localCost(person, lo, hi);
        }
        return cost;
    }

    // Sets the cells of the hard rules' view (the score's and the loads
    // follow only once the move keeps them); the old cells replace the
    // changes' own.
    void apply(Change* changes, int n) {
        for (int i = 0; i < n; ++i) {
            Change& change = changes[i];
            Cell& cell = m_cells[index(change.person, change.date)];
            count(change.person, change.date, cell, -1);
            count(change.person, change.date, change.cell, +1);
            m_short += shortChange(change.date, cell, change.cell);
            score::swapCells(cell, change.cell);
        }
    }
    // The loads moved by a kept move, applied: the changes hold the old cells.
    void moveLoads(const Change* changes, int n) {
        for (int i = 0; i < n; ++i) {
            load(changes[i].person, changes[i].date, changes[i].cell, -1);
            load(changes[i].person, changes[i].date, cell(changes[i].person, changes[i].date), +1);
        }
    }
    // The score's cells set to the hard rules' view; returns how the total changed.
    double score(const Change* changes, int n) {
        double delta = 0;
        for (int i = 0; i < n; ++i)
            delta += m_state.set(changes[i].person, changes[i].date,
                                 m_cells[index(changes[i].person, changes[i].date)]);
        return delta;
    }

    // How the shortage of the date's slots changed (after the counts moved).
    int shortChange(int date, const Cell& old, const Cell& now) const {
        int change = 0;
        for (int shift : old) {
            const size_t slot = slotOf(date, shift);
            change += m_working[slot] < m_rules.needed[slot] && !now.contains(shift);
        }
        for (int shift : now) {
            const size_t slot = slotOf(date, shift);
            change -= m_working[slot] <= m_rules.needed[slot] && !old.contains(shift);
        }
        return change;
    }

    // Makes the move if it breaks no more than it mends and the annealing
    // takes it; with measure set, weighs it, notes a worsening, and sets it back.
    bool attempt(Change* changes, int n, std::vector<double>* measure = nullptr) {
        for (int i = 0; i < n; ++i)
            if (locked(changes[i].person, changes[i].date) ||
                changes[i].cell == m_cells[index(changes[i].person, changes[i].date)])
                return false;
        m_slots.clear();
        for (int i = 0; i < n; ++i) {
            for (int shift : changes[i].cell)
                m_slots.push_back(slotOf(changes[i].date, shift));
            for (int shift : m_cells[index(changes[i].person, changes[i].date)])
                m_slots.push_back(slotOf(changes[i].date, shift));
        }
        std::sort(m_slots.begin(), m_slots.end());
        m_slots.erase(std::unique(m_slots.begin(), m_slots.end()), m_slots.end());
        const int before = hardCost(changes, n, m_slots);
        apply(changes, n);
        const int hard = hardCost(changes, n, m_slots) - before;
        if (hard > 0 || (measure && hard < 0)) {
            apply(changes, n);
            return false;
        }
        // One cell is weighed without being set: most moves are turned down.
        const bool one = n == 1;
        const double delta = one ? m_state.delta(changes[0].person, changes[0].date,
                                                 m_cells[index(changes[0].person, changes[0].date)])
                                 : score(changes, n);
        if (measure) {
            if (delta > 0)
                measure->push_back(delta);
        } else if (hard < 0 || delta <= 0 ||
                   std::generate_canonical<double, 32>(m_random) <
                       std::exp(-delta / m_temperature)) {
            if (one)
                score(changes, 1);
            moveLoads(changes, n);
            m_hard += hard;
            return true;
        }
        apply(changes, n);
        if (!one)
            score(changes, n);
        return false;
    }

    int below(int bound) { return int(m_random() % quint64(bound)); }

    void step() {
        if (m_short > 0 && below(3) == 0)
            return fill();
        if (!m_fairGroups.empty() && below(100) < kLevelShare)
            return level();
        const int kind = below(100);
        if (kind < 35)
            changeOne();
        else if (kind < 60)
            handOver();
        else if (kind < 85)
            swapDate();
        else
            swapBlock();
    }

    void changeOne(std::vector<double>* measure = nullptr) {
        Change change{below(m_rules.people), below(m_rules.dates), {}};
        // The shifts the person may take that day: any other breaks a rule.
        const std::vector<int>& runs =
            m_choices[size_t(change.person) * size_t(m_rules.dates) + size_t(change.date)];
        const Cell& now = cell(change.person, change.date);
        const int pick = below(int(runs.size()) + 1);
        if (pick < int(runs.size())) {
            const int shift = runs[size_t(pick)];
            if (now.contains(shift)) {
                change.cell = now;
                change.cell.removeOne(shift);
            } else if (now.isEmpty() || below(2) == 0) {
                change.cell = {shift};
            } else {
                change.cell = now;
                change.cell.insert(std::upper_bound(change.cell.begin(), change.cell.end(), shift),
                                   shift);
            }
        }
        attempt(&change, 1, measure);
    }

    void handOver(std::vector<double>* measure = nullptr) {
        const int date = below(m_rules.dates);
        const int person = below(m_rules.people);
        const Cell& now = cell(person, date);
        if (now.isEmpty() || m_rules.people < 2)
            return;
        const int shift = now[below(int(now.size()))];
        // Someone the rules let take it.
        const std::vector<int>& takers = m_takers[slotOf(date, shift)];
        if (takers.size() < 2)
            return;
        const int other = takers[size_t(below(int(takers.size())))];
        if (other == person || cell(other, date).contains(shift))
            return;
        Change changes[2] = {{person, date, now}, {other, date, {shift}}};
        changes[0].cell.removeOne(shift);
        attempt(changes, 2, measure);
    }

    void swapDate(std::vector<double>* measure = nullptr) {
        if (m_rules.people < 2)
            return;
        const int date = below(m_rules.dates);
        const int person = below(m_rules.people);
        int other = below(m_rules.people - 1);
        other += other >= person;
        Change changes[2] = {{person, date, cell(other, date)}, {other, date, cell(person, date)}};
        attempt(changes, 2, measure);
    }

    void swapBlock() {
        if (m_rules.people < 2 || m_rules.dates < 2)
            return;
        const int length = 2 + below(std::min(kLongestBlock, m_rules.dates) - 1);
        const int first = below(m_rules.dates - length + 1);
        const int person = below(m_rules.people);
        int other = below(m_rules.people - 1);
        other += other >= person;
        Change changes[2 * kLongestBlock];
        int n = 0;
        for (int date = first; date < first + length; ++date) {
            const Cell& mine = cell(person, date);
            const Cell& theirs = cell(other, date);
            if (mine == theirs)
                continue;
            changes[n++] = {person, date, theirs};
            changes[n++] = {other, date, mine};
        }
        if (n > 0)
            attempt(changes, n);
    }

    // A shift of a fairness group's member most above their fair share (of
    // a few drawn) handed to, or the day swapped with, its member most below
    // theirs (of a few drawn): random people rarely move a term of hundreds.
    void level() {
        const int chosen = m_fairGroups[size_t(below(int(m_fairGroups.size())))];
        const score::ScoreSetup::FairGroup& group = m_problem.setup->fairness[size_t(chosen)];
        const score::ScoreSetup::FairLevel share = group.levelFor(m_state.groupSum(chosen));
        const int members = int(group.members.size());
        const size_t kind = size_t(loadOf(group.term));
        // Past the fair share, in whole units times the level's parts.
        const auto excess = [&](int place) {
            return m_loads[size_t(group.members[size_t(place)])][kind] * share.parts -
                   group.scaledShare(size_t(place), share);
        };
        int high = -1, low = -1;
        for (int i = 0; i < kLevelDraws; ++i) {
            const int most = below(members);
            const int least = below(members);
            if (high < 0 || excess(most) > excess(high))
                high = most;
            if (low < 0 || excess(least) < excess(low))
                low = least;
        }
        if (high == low || excess(high) <= excess(low))
            return;
        const int giver = group.members[size_t(high)];
        const int taker = group.members[size_t(low)];
        // The first date on from a random one where the giver works a shift
        // that counts and the taker may take it.
        const int from = below(m_rules.dates);
        for (int i = 0; i < m_rules.dates; ++i) {
            const int date = (from + i) % m_rules.dates;
            const Cell& mine = cell(giver, date);
            for (int shift : mine) {
                if (loadsOf(date, shift)[kind] == 0 || !m_rules.isPermitted(taker, date, shift))
                    continue;
                const Cell& theirs = cell(taker, date);
                if (theirs.contains(shift))
                    return;
                Change changes[2] = {{giver, date, mine}, {taker, date, {shift}}};
                if (theirs.isEmpty()) {
                    changes[0].cell.removeOne(shift);
                } else {
                    changes[0].cell = theirs;
                    changes[1].cell = mine;
                }
                attempt(changes, 2);
                return;
            }
        }
    }

    void fill() {
        const int slotCount = int(m_working.size());
        const int from = below(slotCount);
        for (int i = 0; i < slotCount; ++i) {
            const size_t slot = size_t((from + i) % slotCount);
            if (m_working[slot] >= m_rules.needed[slot])
                continue;
            const int date = int(slot / size_t(m_rules.shifts));
            const int shift = int(slot % size_t(m_rules.shifts));
            const std::vector<int>& takers = m_takers[slot];
            if (takers.empty())
                return;
            Change change{takers[size_t(below(int(takers.size())))], date, {shift}};
            attempt(&change, 1);
            return;
        }
    }

    // Half the mean worsening of random moves that keep the hard rules.
    double temperature() {
        std::vector<double> worse;
        for (int i = 0; i < kSampledMoves; ++i) {
            switch (below(3)) {
            case 0:
                changeOne(&worse);
                break;
            case 1:
                handOver(&worse);
                break;
            default:
                swapDate(&worse);
            }
        }
        double sum = 0;
        for (double delta : worse)
            sum += delta;
        return worse.empty() ? 1 : std::max(1e-3, sum / double(worse.size()) / 2);
    }

    void save() {
        m_bestCells = m_state.cells();
        m_bestHard = m_hard;
        m_bestTotal = m_state.total();
    }

    const Problem& m_problem;
    const rosters::RosterChecker::CellRules& m_rules;
    score::ScoreState m_state;
    std::vector<Cell> m_cells; // the hard rules' view: the score's cells, or a move ahead
    std::mt19937_64 m_random;
    std::vector<int> m_working; // date x shift: people on the slot
    std::vector<Counts> m_counts;
    std::vector<Loads> m_loads;              // per person
    std::vector<int> m_fairGroups;           // the fairness groups that weigh and have two members
    std::vector<int> m_most;                 // date x shift: the most the slot may take
    std::vector<std::vector<int>> m_runsOn;  // per date: the shifts anyone may take
    std::vector<std::vector<int>> m_choices; // person x date: the shifts they may take
    std::vector<std::vector<int>> m_takers;  // date x shift: who may take it
    std::vector<char> m_forbidden;           // before x after
    std::vector<size_t> m_slots;             // scratch
    int m_reach = 2;                         // dates on each side where rest and overlap can reach
    int m_short = 0;                         // people missing below 人数, over every slot
    int m_hard = 0; // hard findings made since the start (mended: negative)
    double m_temperature = 1;
    qint64 m_steps = 0;
    std::vector<Cell> m_bestCells;
    int m_bestHard = 0;
    double m_bestTotal = 0;
};

} // namespace

std::vector<int> shortSlots(const Problem& problem, const std::vector<Cell>& cells) {
    const auto& rules = problem.rules;
    std::vector<int> working(size_t(rules.dates) * size_t(rules.shifts), 0);
    for (int person = 0; person < rules.people; ++person)
        for (int date = 0; date < rules.dates; ++date)
            for (int shift : cells[size_t(person) * size_t(rules.dates) + size_t(date)])
                ++working[size_t(date) * size_t(rules.shifts) + size_t(shift)];
    std::vector<int> found;
    for (size_t slot = 0; slot < working.size(); ++slot)
        if (working[slot] < rules.needed[slot])
            found.push_back(int(slot));
    return found;
}

Found improve(const Problem& problem, const std::vector<Cell>& start, const Options& options,
              const Observer& observer) {
    Found found;
    found.cells = start;
    const int chains = std::max(1, options.chains);
    if (problem.rules.people == 0 || problem.rules.dates == 0 || problem.rules.shifts == 0) {
        found.total = score::ScoreState(*problem.setup, start).total();
        return found;
    }
    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> stop{false};
    std::vector<std::atomic<double>> best(static_cast<size_t>(chains));
    std::vector<std::unique_ptr<Chain>> made(static_cast<size_t>(chains));
    std::vector<std::thread> threads;
    for (int i = 0; i < chains; ++i) {
        threads.emplace_back([&, i] {
            made[size_t(i)] =
                std::make_unique<Chain>(problem, start, options.seed * 1000003ULL + quint64(i));
            best[size_t(i)].store(made[size_t(i)]->bestTotal());
            std::function<void(qint64, double)> report;
            qint64 lastReport = -1;
            if (i == 0)
                report = [&](qint64 steps, double fraction) {
                    if (observer.cancelled && observer.cancelled())
                        stop = true;
                    const qint64 now = clock.elapsed();
                    if (!observer.progress || now - lastReport < 100)
                        return;
                    lastReport = now;
                    double lowest = std::numeric_limits<double>::infinity();
                    for (const auto& each : best)
                        lowest = std::min(lowest, each.load(std::memory_order_relaxed));
                    observer.progress({double(now) / 1000, std::min(1.0, fraction), steps, lowest});
                };
            made[size_t(i)]->run(options, clock, stop, best[size_t(i)], report);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const Chain* chosen = made.front().get();
    for (const auto& chain : made) {
        found.steps += chain->steps();
        if (Chain::better(chain->bestHard(), chain->bestTotal(), chosen->bestHard(),
                          chosen->bestTotal()))
            chosen = chain.get();
    }
    found.cells = chosen->bestCells();
    found.hardChange = chosen->bestHard();
    found.total = score::ScoreState(*problem.setup, found.cells).total();
    found.cancelled = stop.load();
    return found;
}

} // namespace korvane::search
