#include "score/state.h"

#include <QVarLengthArray>
#include <QtAlgorithms>

#include <algorithm>
#include <cmath>

namespace korvane::score {

namespace {

double boundCost(double value, double least, double most, double weight) {
    return weight * (std::max(0.0, least - value) + std::max(0.0, value - most));
}

// What a cell adds to a person's counts.
struct CellCounts {
    qint64 shifts = 0;
    qint64 minutes = 0;
    qint64 overnight = 0;
};

CellCounts countsOf(const ScoreSetup& setup, const Cell& cell) {
    CellCounts counts;
    counts.shifts = cell.size();
    for (int shift : cell) {
        counts.minutes += setup.minutes[size_t(shift)];
        counts.overnight += setup.overnight[size_t(shift)];
    }
    return counts;
}

double wishCost(const ScoreSetup& setup, int person, int date, const Cell& cell) {
    double cost = 0;
    for (auto wish = setup.wishesBegin(person, date); wish != setup.wishesEnd(person, date); ++wish)
        if (!setup.granted(*wish, cell))
            cost += wish->weight;
    return cost;
}

double unitOf(Term term) {
    return term == Term::FairHours ? 60 : 1;
}

} // namespace

struct ScoreState::Change {
    int person = 0;
    int date = 0;
    Cell cell;
    TermValues own{};     // the person's own terms
    double headcount = 0; // IdealHeadcount
    CellCounts counts;    // new minus old
    int weekendDays = 0;
    int weekendsWorked = 0;
    struct Group {
        int group = 0;
        int rank = 0;     // the person's place in its byCapacity
        qint64 moved = 0; // the person's count in it, new minus old
        double cost = 0;  // its new cost
    };
    QVarLengthArray<Group, 8> groups;
    double total = 0;
};

ScoreState::ScoreState(const ScoreSetup& setup, std::vector<Cell> cells)
    : m_setup(setup), m_cells(std::move(cells)) {
    resync();
}

ScoreState::ScoreState(const ScoreSetup& setup, std::vector<Cell> cells, const Breakdown& own)
    : m_setup(setup), m_cells(std::move(cells)) {
    start(own);
}

void ScoreState::resync() {
    // The terms as the items of the whole roster give them.
    QList<Item> items;
    for (int person = 0; person < m_setup.personCount; ++person)
        personItems(m_setup, m_cells, person, &items);
    for (int date = 0; date < m_setup.dateCount; ++date)
        slotItems(m_setup, m_cells, date, &items);
    start(breakdownOf(m_setup, items));
}

void ScoreState::start(const Breakdown& own) {
    const ScoreSetup& setup = m_setup;
    m_counts.assign(size_t(setup.personCount), Counts{});
    m_weekendDays.assign(size_t(setup.personCount) * setup.weekends.size(), 0);
    m_working.assign(size_t(setup.dateCount) * size_t(setup.shiftCount), 0);
    for (int person = 0; person < setup.personCount; ++person) {
        Counts& counts = m_counts[size_t(person)];
        for (int date = 0; date < setup.dateCount; ++date) {
            const Cell& cell = m_cells[index(person, date)];
            const CellCounts add = countsOf(setup, cell);
            counts.shifts += add.shifts;
            counts.minutes += add.minutes;
            counts.overnight += add.overnight;
            counts.weekend += setup.weekendDay[size_t(date)] ? add.shifts : 0;
            counts.holiday += setup.holiday[size_t(date)] ? add.shifts : 0;
            for (int shift : cell)
                ++m_working[size_t(date * setup.shiftCount + shift)];
            const int weekend = setup.weekendOf[size_t(date)];
            if (weekend >= 0 && !cell.isEmpty() &&
                m_weekendDays[size_t(person) * setup.weekends.size() + size_t(weekend)]++ == 0)
                ++counts.weekendsWorked;
        }
    }
    const size_t words = dateWords();
    m_stretchStart.assign(size_t(setup.personCount) + 1, 0);
    for (int person = 0; person < setup.personCount; ++person)
        m_stretchStart[size_t(person) + 1] =
            m_stretchStart[size_t(person)] + setup.people[size_t(person)].stretches.size() * words;
    m_onStretch.assign(m_stretchStart.back(), 0);
    m_apart.assign(words, 0);
    for (int date = 1; date < setup.dateCount; ++date)
        if (!setup.joinsPrevious[size_t(date)])
            m_apart[size_t(date) / 64] |= quint64(1) << (date % 64);
    for (int person = 0; person < setup.personCount; ++person)
        for (int date = 0; date < setup.dateCount; ++date)
            markStretchDays(person, date);
    m_own = own.people;
    m_terms = own.terms;
    m_groupSum.assign(setup.fairness.size(), 0);
    m_groupCost.assign(setup.fairness.size(), 0);
    m_groupCounts.assign(setup.fairness.size(), {});
    for (int group = 0; group < int(setup.fairness.size()); ++group) {
        const ScoreSetup::FairGroup& fair = setup.fairness[size_t(group)];
        std::vector<qint64>& counts = m_groupCounts[size_t(group)];
        counts.assign(fair.members.size(), 0);
        for (size_t place = 0; place < fair.members.size(); ++place) {
            counts[size_t(fair.rank[place])] =
                fairCount(m_counts[size_t(fair.members[place])], fair.term);
            m_groupSum[size_t(group)] += counts[size_t(fair.rank[place])];
        }
        m_groupCost[size_t(group)] = groupPenalty(group, -1, 0, m_groupSum[size_t(group)]);
        m_terms[size_t(setup.fairness[size_t(group)].term)] += m_groupCost[size_t(group)];
    }
    m_total = 0;
    for (double value : m_terms)
        m_total += value;
}

void ScoreState::markStretchDays(int person, int date) {
    const std::vector<ScoreSetup::StretchTarget>& stretches =
        m_setup.people[size_t(person)].stretches;
    const Cell& cell = m_cells[index(person, date)];
    const quint64 bit = quint64(1) << (date % 64);
    for (int target = 0; target < int(stretches.size()); ++target) {
        quint64& word = m_onStretch[m_stretchStart[size_t(person)] + size_t(target) * dateWords() +
                                    size_t(date) / 64];
        word = m_setup.onStretch(stretches[size_t(target)], cell) ? word | bit : word & ~bit;
    }
}

qint64 ScoreState::fairCount(const Counts& counts, Term term) {
    switch (term) {
    case Term::FairHours:
        return counts.minutes;
    case Term::FairOvernight:
        return counts.overnight;
    case Term::FairWeekend:
        return counts.weekend;
    default:
        return counts.holiday;
    }
}

// The group's cost with the count at rank (in byCapacity's order; -1: none)
// changed by change and the sum of the counts sum: weight x sum |x - share|,
// in whole units times the level's parts until the end.
double ScoreState::groupPenalty(int group, int rank, qint64 change, qint64 sum) const {
    const ScoreSetup::FairGroup& own = m_setup.fairness[size_t(group)];
    const ScoreSetup::FairLevel level = own.levelFor(sum);
    const qint64* count = m_groupCounts[size_t(group)].data();
    const qint64* most = own.ascending.data();
    const size_t held = size_t(level.held), members = own.members.size();
    const qint64 parts = level.parts, share = level.share;
    const qint64 extra = level.beyond ? share : 0;
    const auto off = [&](size_t at, qint64 value) {
        return at < held ? std::abs(parts * (value - most[at]) - extra)
                         : std::abs(parts * value - share);
    };
    qint64 spread = 0;
    for (size_t at = 0; at < held; ++at)
        spread += std::abs(parts * (count[at] - most[at]) - extra);
    for (size_t at = held; at < members; ++at)
        spread += std::abs(parts * count[at] - share);
    if (rank >= 0)
        spread += off(size_t(rank), count[rank] + change) - off(size_t(rank), count[rank]);
    return own.weight * double(spread) / double(parts) / unitOf(own.term);
}

namespace {

// The last day at or below at whose bit (flipped with flip) is set; -1 when none.
int lastSetAtOrBelow(const quint64* bits, int at, bool flip) {
    for (int word = at < 0 ? -1 : at / 64; word >= 0; --word) {
        quint64 value = flip ? ~bits[word] : bits[word];
        if (word == at / 64 && at % 64 < 63)
            value &= (quint64(2) << (at % 64)) - 1;
        if (value)
            return word * 64 + 63 - int(qCountLeadingZeroBits(value));
    }
    return -1;
}

// The first day at or above at, below count, whose bit (flipped with flip) is
// set; count when none.
int firstSetAtOrAbove(const quint64* bits, int at, int count, bool flip) {
    for (int word = at / 64; word < (count + 63) / 64; ++word) {
        quint64 value = flip ? ~bits[word] : bits[word];
        if (word == at / 64)
            value &= ~quint64(0) << (at % 64);
        if (value)
            return std::min(count, word * 64 + int(qCountTrailingZeroBits(value)));
    }
    return count;
}

// The cost of one stretch target's stretches within from..to (each a whole
// stretch, the days joined), where the days before the date are all before,
// the date at and the days after it all after; from 0 takes in the stretch
// that ended the day before.
double stretchWindowCost(const ScoreSetup& setup, const ScoreSetup::StretchTarget& own, int from,
                         int date, int to, bool before, bool at, bool after) {
    const int last = setup.dateCount - 1;
    double cost = 0;
    if (from == 0 && own.history > 0 && !(from < date ? before : at))
        cost += own.weight * std::max(0.0, own.least - own.history);
    const auto stretch = [&](int first, int day) {
        const int days = day - first + 1;
        const double length = days + (first == 0 ? own.history : 0);
        if (day < last && length < own.least)
            cost += own.weight * (own.least - length);
        else if (length > own.most)
            cost += own.weight * std::min(double(days), std::ceil(length - own.most));
    };
    struct Part {
        int first, end; // end: the day after
        bool on;
    };
    const Part parts[3] = {{from, date, before}, {date, date + 1, at}, {date + 1, to + 1, after}};
    int first = -1, end = -1; // the stretch open so far
    for (const Part& part : parts) {
        if (part.first == part.end)
            continue;
        if (part.on) {
            first = first < 0 ? part.first : first;
            end = part.end;
        } else if (first >= 0) {
            stretch(first, end - 1);
            first = -1;
        }
    }
    if (first >= 0)
        stretch(first, end - 1);
    return cost;
}

} // namespace

ScoreState::Change ScoreState::evaluate(int person, int date, const Cell& shifts) const {
    const ScoreSetup& setup = m_setup;
    const ScoreSetup::Person& own = setup.people[size_t(person)];
    const Cell& old = m_cells[index(person, date)];
    Change change;
    change.person = person;
    change.date = date;
    copyCell(change.cell, shifts);

    const CellCounts before = countsOf(setup, old);
    const CellCounts after = countsOf(setup, shifts);
    change.counts = {after.shifts - before.shifts, after.minutes - before.minutes,
                     after.overnight - before.overnight};
    const Counts& counts = m_counts[size_t(person)];
    const int weekend = setup.weekendOf[size_t(date)];
    if (weekend >= 0) {
        const int days = m_weekendDays[size_t(person) * setup.weekends.size() + size_t(weekend)];
        change.weekendDays = int(!shifts.isEmpty()) - int(!old.isEmpty());
        const int now = days + change.weekendDays;
        change.weekendsWorked = int(now > 0) - int(days > 0);
        const int size = setup.weekends[size_t(weekend)].second;
        if (own.completeWeekendWeight > 0 && size > 1)
            change.own[size_t(Term::CompleteWeekends)] +=
                own.completeWeekendWeight *
                (int(now > 0 && now < size) - int(days > 0 && days < size));
    }
    for (const ScoreSetup::CountTarget& target : own.counts) {
        double was = 0, now = 0;
        switch (target.term) {
        case Term::Shifts:
            was = double(counts.shifts);
            now = was + double(change.counts.shifts);
            break;
        case Term::Hours:
            was = double(counts.minutes) / 60;
            now = double(counts.minutes + change.counts.minutes) / 60;
            break;
        default:
            was = counts.weekendsWorked;
            now = was + change.weekendsWorked;
            break;
        }
        if (was != now)
            change.own[size_t(target.term)] +=
                boundCost(now, target.least, target.most, target.weight) -
                boundCost(was, target.least, target.most, target.weight);
    }

    // Stretches: only a target whose day flips changes, and only within the
    // stretches that touch the day.
    const int last = setup.dateCount - 1;
    for (int target = 0; target < int(own.stretches.size()); ++target) {
        const ScoreSetup::StretchTarget& stretch = own.stretches[size_t(target)];
        const bool was = setup.onStretch(stretch, old);
        if (was == setup.onStretch(stretch, shifts))
            continue;
        const quint64* days = stretchDays(person, target);
        const auto on = [&](int day) { return (days[day / 64] >> (day % 64) & 1) != 0; };
        // The stretches run on while the days are alike and joined.
        int from = date;
        if (date > 0 && setup.joinsPrevious[size_t(date)]) {
            const bool value = on(date - 1);
            from = std::max({0, lastSetAtOrBelow(days, date - 2, value) + 1,
                             lastSetAtOrBelow(m_apart.data(), date - 1, false)});
        }
        int to = date;
        if (date < last && setup.joinsPrevious[size_t(date) + 1]) {
            const bool value = on(date + 1);
            to =
                std::min({last, firstSetAtOrAbove(days, date + 2, setup.dateCount, value) - 1,
                          firstSetAtOrAbove(m_apart.data(), date + 2, setup.dateCount, false) - 1});
        }
        const bool before = from < date && on(date - 1);
        const bool after = to > date && on(date + 1);
        change.own[size_t(stretch.term)] +=
            stretchWindowCost(setup, stretch, from, date, to, before, !was, after) -
            stretchWindowCost(setup, stretch, from, date, to, before, was, after);
    }
    change.own[size_t(Term::Wishes)] +=
        wishCost(setup, person, date, shifts) - wishCost(setup, person, date, old);

    // Slots below their ideal.
    const auto slotChange = [&](const Cell& from, const Cell& to, int sign) {
        for (int shift : from) {
            if (to.contains(shift))
                continue;
            const size_t slot = size_t(date * setup.shiftCount + shift);
            const int ideal = setup.ideal[slot];
            if (ideal < 0)
                continue;
            const int working = m_working[slot];
            const int now = working + sign;
            change.headcount += setup.idealWeight[size_t(shift)] *
                                double(std::max(0, ideal - now) - std::max(0, ideal - working));
        }
    };
    slotChange(old, shifts, -1);
    slotChange(shifts, old, +1);

    // Fairness: the groups whose count of the person changes.
    Counts moves;
    moves.minutes = change.counts.minutes;
    moves.overnight = change.counts.overnight;
    moves.weekend = setup.weekendDay[size_t(date)] ? change.counts.shifts : 0;
    moves.holiday = setup.holiday[size_t(date)] ? change.counts.shifts : 0;
    double fairness = 0;
    for (size_t i = 0; i < own.groups.size(); ++i) {
        const int group = own.groups[i];
        const ScoreSetup::FairGroup& fair = setup.fairness[size_t(group)];
        const qint64 moved = fairCount(moves, fair.term);
        if (moved == 0)
            continue;
        const int rank = fair.rank[size_t(own.places[i])];
        const double cost = groupPenalty(group, rank, moved, m_groupSum[size_t(group)] + moved);
        change.groups.append({group, rank, moved, cost});
        fairness += cost - m_groupCost[size_t(group)];
    }

    for (double value : change.own)
        change.total += value;
    change.total += change.headcount + fairness;
    return change;
}

double ScoreState::delta(int person, int date, const Cell& shifts) const {
    return evaluate(person, date, shifts).total;
}

double ScoreState::set(int person, int date, const Cell& shifts) {
    const Change change = evaluate(person, date, shifts);
    commit(change);
    return change.total;
}

void ScoreState::commit(const Change& change) {
    const ScoreSetup& setup = m_setup;
    const int person = change.person;
    const int date = change.date;
    Cell& cell = m_cells[index(person, date)];
    for (int shift : cell)
        --m_working[size_t(date * setup.shiftCount + shift)];
    for (int shift : change.cell)
        ++m_working[size_t(date * setup.shiftCount + shift)];
    copyCell(cell, change.cell);
    markStretchDays(person, date);

    Counts& counts = m_counts[size_t(person)];
    counts.shifts += change.counts.shifts;
    counts.minutes += change.counts.minutes;
    counts.overnight += change.counts.overnight;
    if (setup.weekendDay[size_t(date)])
        counts.weekend += change.counts.shifts;
    if (setup.holiday[size_t(date)])
        counts.holiday += change.counts.shifts;
    counts.weekendsWorked += change.weekendsWorked;
    const int weekend = setup.weekendOf[size_t(date)];
    if (weekend >= 0)
        m_weekendDays[size_t(person) * setup.weekends.size() + size_t(weekend)] +=
            change.weekendDays;

    TermValues& own = m_own[size_t(person)];
    for (int term = 0; term < termCount; ++term) {
        own[size_t(term)] += change.own[size_t(term)];
        m_terms[size_t(term)] += change.own[size_t(term)];
    }
    m_terms[size_t(Term::IdealHeadcount)] += change.headcount;
    for (const Change::Group& group : change.groups) {
        const Term term = setup.fairness[size_t(group.group)].term;
        m_groupSum[size_t(group.group)] += group.moved;
        m_groupCounts[size_t(group.group)][size_t(group.rank)] += group.moved;
        m_terms[size_t(term)] += group.cost - m_groupCost[size_t(group.group)];
        m_groupCost[size_t(group.group)] = group.cost;
    }
    m_total += change.total;
}

TermValues ScoreState::personTerms(int person) const {
    TermValues values = m_own[size_t(person)];
    const ScoreSetup::Person& own = m_setup.people[size_t(person)];
    for (size_t i = 0; i < own.groups.size(); ++i) {
        const int group = own.groups[i];
        const ScoreSetup::FairGroup& fair = m_setup.fairness[size_t(group)];
        const ScoreSetup::FairLevel level = fair.levelFor(m_groupSum[size_t(group)]);
        const qint64 count = fairCount(m_counts[size_t(person)], fair.term);
        values[size_t(fair.term)] +=
            fair.weight *
            double(std::abs(level.parts * count - fair.scaledShare(size_t(own.places[i]), level))) /
            double(level.parts) / unitOf(fair.term);
    }
    return values;
}

void ScoreState::fairnessItems(QList<Item>* items) const {
    for (int group = 0; group < int(m_setup.fairness.size()); ++group) {
        const ScoreSetup::FairGroup& own = m_setup.fairness[size_t(group)];
        std::vector<qint64> counts;
        for (int member : own.members)
            counts.push_back(fairCount(m_counts[size_t(member)], own.term));
        score::groupItems(m_setup, group, counts, m_groupSum[size_t(group)], items);
    }
}

double ScoreState::verify(QString* why) const {
    const Breakdown whole = breakdownOf(m_setup, allItems(m_setup, m_cells));
    double worst = std::abs(whole.total() - m_total);
    QString where = QStringLiteral("total %1, worked out %2").arg(m_total).arg(whole.total());
    for (int term = 0; term < termCount; ++term) {
        const double off = std::abs(whole.terms[size_t(term)] - m_terms[size_t(term)]);
        if (off > worst) {
            worst = off;
            where = QStringLiteral("term %1: %2, worked out %3")
                        .arg(term)
                        .arg(m_terms[size_t(term)])
                        .arg(whole.terms[size_t(term)]);
        }
    }
    for (int person = 0; person < m_setup.personCount; ++person) {
        const TermValues mine = personTerms(person);
        for (int term = 0; term < termCount; ++term) {
            const double off =
                std::abs(whole.people[size_t(person)][size_t(term)] - mine[size_t(term)]);
            if (off > worst) {
                worst = off;
                where = QStringLiteral("person %1, term %2: %3, worked out %4")
                            .arg(person)
                            .arg(term)
                            .arg(mine[size_t(term)])
                            .arg(whole.people[size_t(person)][size_t(term)]);
            }
        }
    }
    if (why)
        *why = worst > 1e-6 * std::max(1.0, std::abs(whole.total())) ? where : QString();
    return worst;
}

} // namespace korvane::score
