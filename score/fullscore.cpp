#include "score/score.h"

#include <algorithm>
#include <cmath>

// The score worked out from nothing, item by item: what the incremental
// score must always agree with, and what the pages list.
namespace korvane::score {

namespace {

void addBoundItems(Item item, double least, double most, QList<Item>* items) {
    if (item.value < least) {
        item.bound = least;
        item.units = least - item.value;
        items->append(item);
    } else if (item.value > most) {
        item.bound = most;
        item.tooMany = true;
        item.units = item.value - most;
        items->append(item);
    }
}

// The stretches of one target over the person's row.
void stretchItems(const ScoreSetup& setup, const std::vector<Cell>& cells, int person, int source,
                  QList<Item>* items) {
    const ScoreSetup::StretchTarget& target =
        setup.people[size_t(person)].stretches[size_t(source)];
    const int dates = setup.dateCount;
    const Cell* row = cells.data() + size_t(person) * size_t(dates);
    Item base;
    base.term = target.term;
    base.person = person;
    base.source = source;
    base.weight = target.weight;
    // A stretch that ended the day before: judged now that it is over.
    if (target.history > 0 && (dates == 0 || !setup.onStretch(target, row[0])) &&
        target.history < target.least) {
        Item item = base;
        item.first = item.last = 0;
        item.value = target.history;
        item.bound = target.least;
        item.units = target.least - target.history;
        items->append(item);
    }
    int date = 0;
    while (date < dates) {
        if (!setup.onStretch(target, row[date])) {
            ++date;
            continue;
        }
        const int first = date;
        while (date + 1 < dates && setup.joinsPrevious[size_t(date) + 1] &&
               setup.onStretch(target, row[date + 1]))
            ++date;
        const int last = date++;
        const int days = last - first + 1;
        const double length = days + (first == 0 ? target.history : 0);
        Item item = base;
        item.value = length;
        if (last < dates - 1 && length < target.least) {
            item.first = first;
            item.last = last;
            item.bound = target.least;
            item.units = target.least - length;
            items->append(item);
        } else if (length > target.most) {
            // Only the days past the most, and only those of the period.
            item.units = std::min(double(days), std::ceil(length - target.most));
            item.first = last - int(item.units) + 1;
            item.last = last;
            item.bound = target.most;
            item.tooMany = true;
            items->append(item);
        }
    }
}

} // namespace

double Breakdown::total() const {
    double sum = 0;
    for (double value : terms)
        sum += value;
    return sum;
}

void personItems(const ScoreSetup& setup, const std::vector<Cell>& cells, int person,
                 QList<Item>* items) {
    const ScoreSetup::Person& own = setup.people[size_t(person)];
    const int dates = setup.dateCount;
    const Cell* row = cells.data() + size_t(person) * size_t(dates);
    int shifts = 0, minutes = 0;
    std::vector<int> weekendDays(setup.weekends.size(), 0);
    for (int date = 0; date < dates; ++date) {
        shifts += int(row[date].size());
        for (int shift : row[date])
            minutes += setup.minutes[size_t(shift)];
        if (!row[date].isEmpty() && setup.weekendOf[size_t(date)] >= 0)
            ++weekendDays[size_t(setup.weekendOf[size_t(date)])];
    }
    const int weekendsWorked =
        int(std::count_if(weekendDays.begin(), weekendDays.end(), [](int n) { return n > 0; }));

    for (const ScoreSetup::CountTarget& target : own.counts) {
        Item item;
        item.term = target.term;
        item.person = person;
        item.weight = target.weight;
        item.value = target.term == Term::Shifts  ? shifts
                     : target.term == Term::Hours ? minutes / 60.0
                                                  : weekendsWorked;
        addBoundItems(item, target.least, target.most, items);
    }
    if (own.completeWeekendWeight > 0)
        for (size_t weekend = 0; weekend < setup.weekends.size(); ++weekend) {
            const auto [first, days] = setup.weekends[weekend];
            if (weekendDays[weekend] == 0 || weekendDays[weekend] == days)
                continue;
            Item item;
            item.term = Term::CompleteWeekends;
            item.person = person;
            item.first = first;
            item.last = first + days - 1;
            item.value = weekendDays[weekend];
            item.bound = days;
            item.units = 1;
            item.weight = own.completeWeekendWeight;
            items->append(item);
        }
    for (int source = 0; source < int(own.stretches.size()); ++source)
        stretchItems(setup, cells, person, source, items);
    for (int date = 0; date < dates; ++date)
        for (auto wish = setup.wishesBegin(person, date); wish != setup.wishesEnd(person, date);
             ++wish)
            if (!setup.granted(*wish, row[date])) {
                Item item;
                item.term = Term::Wishes;
                item.person = person;
                item.first = item.last = date;
                item.source = wish->wish;
                item.units = 1;
                item.weight = wish->weight;
                items->append(item);
            }
}

void slotItems(const ScoreSetup& setup, const std::vector<Cell>& cells, int date,
               QList<Item>* items) {
    const int shifts = setup.shiftCount;
    std::vector<int> working(size_t(shifts), 0);
    for (int person = 0; person < setup.personCount; ++person)
        for (int shift : cells[size_t(person) * size_t(setup.dateCount) + size_t(date)])
            ++working[size_t(shift)];
    for (int shift = 0; shift < shifts; ++shift) {
        const int ideal = setup.ideal[size_t(date * shifts + shift)];
        if (ideal < 0 || working[size_t(shift)] >= ideal)
            continue;
        Item item;
        item.term = Term::IdealHeadcount;
        item.first = item.last = date;
        item.shift = shift;
        item.value = working[size_t(shift)];
        item.bound = ideal;
        item.units = ideal - working[size_t(shift)];
        item.weight = setup.idealWeight[size_t(shift)];
        items->append(item);
    }
}

namespace {

// What a person counts for a kind of fairness: minutes, or shifts.
qint64 fairCount(const ScoreSetup& setup, const Cell* row, Term term) {
    qint64 count = 0;
    for (int date = 0; date < setup.dateCount; ++date)
        for (int shift : row[date])
            switch (term) {
            case Term::FairHours:
                count += setup.minutes[size_t(shift)];
                break;
            case Term::FairOvernight:
                count += setup.overnight[size_t(shift)];
                break;
            case Term::FairWeekend:
                count += setup.weekendDay[size_t(date)];
                break;
            default:
                count += setup.holiday[size_t(date)];
                break;
            }
    return count;
}

} // namespace

void fairnessItems(const ScoreSetup& setup, const std::vector<Cell>& cells, QList<Item>* items) {
    for (int group = 0; group < int(setup.fairness.size()); ++group) {
        const ScoreSetup::FairGroup& own = setup.fairness[size_t(group)];
        std::vector<qint64> counts;
        qint64 sum = 0;
        for (int member : own.members) {
            counts.push_back(fairCount(
                setup, cells.data() + size_t(member) * size_t(setup.dateCount), own.term));
            sum += counts.back();
        }
        groupItems(setup, group, counts, sum, items);
    }
}

void groupItems(const ScoreSetup& setup, int group, const std::vector<qint64>& counts, qint64 sum,
                QList<Item>* items) {
    const ScoreSetup::FairGroup& own = setup.fairness[size_t(group)];
    const double unit = own.term == Term::FairHours ? 60 : 1;
    const ScoreSetup::FairLevel level = own.levelFor(sum);
    for (size_t i = 0; i < counts.size(); ++i) {
        // In whole units times the level's parts, so that "at the share" is exact.
        const qint64 share = own.scaledShare(i, level);
        const qint64 off = counts[i] * level.parts - share;
        if (off == 0)
            continue;
        Item item;
        item.term = own.term;
        item.person = own.members[i];
        item.source = group;
        item.value = double(counts[i]) / unit;
        item.bound = double(share) / double(level.parts) / unit;
        item.tooMany = off > 0;
        item.units = double(std::abs(off)) / double(level.parts) / unit;
        item.weight = own.weight;
        items->append(item);
    }
}

QList<Item> allItems(const ScoreSetup& setup, const std::vector<Cell>& cells) {
    QList<Item> items;
    for (int person = 0; person < setup.personCount; ++person)
        personItems(setup, cells, person, &items);
    for (int date = 0; date < setup.dateCount; ++date)
        slotItems(setup, cells, date, &items);
    fairnessItems(setup, cells, &items);
    return items;
}

Breakdown breakdownOf(const ScoreSetup& setup, const QList<Item>& items) {
    Breakdown result;
    result.people.assign(size_t(setup.personCount), TermValues{});
    for (const Item& item : items) {
        result.terms[size_t(item.term)] += item.cost();
        if (item.person >= 0)
            result.people[size_t(item.person)][size_t(item.term)] += item.cost();
    }
    return result;
}

PersonLine personLine(const ScoreSetup& setup, const std::vector<Cell>& cells, int person) {
    PersonLine line;
    const Cell* row = cells.data() + size_t(person) * size_t(setup.dateCount);
    int run = setup.people[size_t(person)].workedBefore;
    line.longestRun = run;
    int minutes = 0;
    std::vector<char> weekendWorked(setup.weekends.size(), 0);
    for (int date = 0; date < setup.dateCount; ++date) {
        const Cell& cell = row[date];
        line.shifts += int(cell.size());
        for (int shift : cell)
            minutes += setup.minutes[size_t(shift)];
        if (cell.isEmpty())
            run = 0;
        else
            run = (date == 0 || setup.joinsPrevious[size_t(date)] ? run : 0) + 1;
        line.longestRun = std::max(line.longestRun, run);
        if (!cell.isEmpty() && setup.weekendOf[size_t(date)] >= 0)
            weekendWorked[size_t(setup.weekendOf[size_t(date)])] = 1;
        for (auto wish = setup.wishesBegin(person, date); wish != setup.wishesEnd(person, date);
             ++wish)
            ++(setup.granted(*wish, cell) ? line.wishesGranted : line.wishesRefused);
    }
    line.hours = minutes / 60.0;
    line.weekends = int(std::count(weekendWorked.begin(), weekendWorked.end(), 1));
    return line;
}

} // namespace korvane::score
