#include "score/scoretext.h"

#include "engine/rostertable.h"
#include "monthsheet/sheettext.h"
#include "store/messages.h"

#include <algorithm>
#include <cmath>

namespace korvane::score {

namespace {

const QString kWishes = QStringLiteral("意愿");
const QString kFair = QStringLiteral("公平·%1");
const QString kIdeal = QStringLiteral("理想人数");
const QString kShare = QStringLiteral("占比");
const QString kTerm = QStringLiteral("项目");
const QString kCost = QStringLiteral("扣分");
const QString kTotal = QStringLiteral("合计");
const QString kLeast = QStringLiteral("%1 %2，最少 %3");
const QString kMost = QStringLiteral("%1 %2，最多 %3");
const QString kDays = QStringLiteral("%1 天");
const QString kWeekends = QStringLiteral("%1 个");
const QString kPeople = QStringLiteral("%1 人");
const QString kSameShift = QStringLiteral("连续%1");
const QString kEndedBefore = QStringLiteral("（期初前结束）");
const QString kHalfWeekend = QStringLiteral("周末只上了 %1 天（共 %2 天）");
const QString kWishAgainst = QStringLiteral("意愿：%1 %2");
const QString kWantsTo = QStringLiteral("想上");
const QString kWantsNot = QStringLiteral("不上");
const QString kBelowIdeal = QStringLiteral("%1 %2，理想 %3");
const QString kFromShare = QStringLiteral("%1 %2，公平份额 %3");
const QString kWorstCell = QStringLiteral("主要扣分");
const QString kNoHard = QStringLiteral("无");

QString dateText(const RosterScore& score, int date) {
    const QDate day = score.sheet.dates.at(date);
    return msg::monthDay.arg(day.month()).arg(day.day());
}

} // namespace

// The target kinds' terms stand in the kinds' order.
static_assert(int(Term::CompleteWeekends) == int(targets::TargetKind::CompleteWeekends) &&
              int(Term::ConsecutiveSame) == int(targets::TargetKind::ConsecutiveSameShift));

QString termName(Term term) {
    const int index = int(term);
    if (term <= Term::CompleteWeekends)
        return targets::targetKindText(targets::TargetKind(index));
    if (term == Term::Wishes)
        return kWishes;
    if (term == Term::IdealHeadcount)
        return kIdeal;
    return kFair.arg(
        targets::fairnessKindText(targets::FairnessKind(index - int(Term::FairHours))));
}

QString numberText(double value) {
    const double rounded = std::round(value * 10) / 10;
    return QString::number(rounded, 'f', rounded == std::floor(rounded) ? 0 : 1);
}

QString itemText(const RosterScore& score, const Item& item) {
    const ScoreSetup& setup = *score.setup;
    QString what = termName(item.term);
    QString value = numberText(item.value);
    QString bound = numberText(item.bound);
    switch (item.term) {
    case Term::ConsecutiveSame:
        what = kSameShift.arg(
            setup.people[size_t(item.person)].stretches[size_t(item.source)].shiftName);
        [[fallthrough]];
    case Term::ConsecutiveWork:
    case Term::ConsecutiveOff:
        value = kDays.arg(value);
        bound = kDays.arg(bound);
        if (item.first == 0 && !item.tooMany &&
            item.value == setup.people[size_t(item.person)].stretches[size_t(item.source)].history)
            bound += kEndedBefore;
        break;
    case Term::WorkingWeekends:
        value = kWeekends.arg(value);
        bound = kWeekends.arg(bound);
        break;
    case Term::CompleteWeekends:
        return kHalfWeekend.arg(value, bound);
    case Term::Wishes: {
        const targets::Wish& wish = setup.objectives.wishes.at(item.source);
        return kWishAgainst.arg(wish.wanted ? kWantsTo : kWantsNot, wish.shiftName);
    }
    case Term::FairHours:
    case Term::FairOvernight:
    case Term::FairWeekend:
    case Term::FairHoliday:
        return kFromShare.arg(what, value, bound);
    case Term::IdealHeadcount:
        what = score.sheet.shifts.at(item.shift).name;
        value = kPeople.arg(value);
        bound = kPeople.arg(bound);
        return kBelowIdeal.arg(what, value, bound);
    default:
        break;
    }
    return (item.tooMany ? kMost : kLeast).arg(what, value, bound);
}

QList<QStringList> termRows(const RosterScore& score) {
    QList<QStringList> rows;
    const double total = score.total();
    for (int term = 0; term < termCount; ++term) {
        const double cost = score.breakdown.terms[size_t(term)];
        if (cost <= 0)
            continue;
        rows << QStringList{termName(Term(term)), numberText(cost),
                            numberText(100 * cost / total) + QLatin1Char('%')};
    }
    rows << QStringList{kTotal, numberText(total), total > 0 ? QStringLiteral("100%") : QString()};
    return rows;
}

QStringList personColumns() {
    return {monthsheet::idCaption,
            monthsheet::nameCaption,
            QStringLiteral("班数"),
            QStringLiteral("工时"),
            QStringLiteral("最长连班"),
            QStringLiteral("周末"),
            QStringLiteral("意愿满足"),
            QStringLiteral("意愿未满足"),
            kCost,
            kWorstCell};
}

QList<QStringList> personRows(const RosterScore& score) {
    // Each person's costliest item.
    std::vector<const Item*> worst(size_t(score.sheet.people.size()), nullptr);
    const auto consider = [&](const QList<Item>& items) {
        for (const Item& item : items)
            if (item.person >= 0 &&
                (!worst[size_t(item.person)] || item.cost() > worst[size_t(item.person)]->cost()))
                worst[size_t(item.person)] = &item;
    };
    for (const QList<Item>& own : score.personItems)
        consider(own);
    consider(score.groupItems);
    QList<QStringList> rows;
    for (int person = 0; person < score.sheet.people.size(); ++person) {
        const PersonLine& line = score.lines[size_t(person)];
        double cost = 0;
        for (double value : score.breakdown.people[size_t(person)])
            cost += value;
        const Item* top = worst[size_t(person)];
        rows << QStringList{QString::number(score.sheet.people.at(person).id),
                            score.sheet.people.at(person).name,
                            QString::number(line.shifts),
                            monthsheet::hoursText(line.hours),
                            QString::number(line.longestRun),
                            QString::number(line.weekends),
                            QString::number(line.wishesGranted),
                            QString::number(line.wishesRefused),
                            numberText(cost),
                            top ? itemText(score, *top) : QString()};
    }
    return rows;
}

QStringList hardLines(const RosterScore& score) {
    QStringList lines;
    for (const rosters::Warning& warning : score.hard)
        lines << QStringLiteral("%1 %2 %3：%4")
                     .arg(dateText(score, warning.date),
                          warning.person >= 0 ? score.sheet.people.at(warning.person).name
                                              : QString(),
                          score.sheet.shifts.at(warning.shift).name, warning.text)
                     .simplified();
    return lines;
}

QStringList comparisonLines(const Breakdown& before, const Breakdown& after, int hardBefore,
                            int hardAfter, const QStringList& people) {
    QStringList lines;
    for (int term = 0; term < termCount; ++term)
        if (before.terms[size_t(term)] != 0 || after.terms[size_t(term)] != 0)
            lines << comparisonLine.arg(termName(Term(term)),
                                        numberText(before.terms[size_t(term)]),
                                        numberText(after.terms[size_t(term)]));
    lines << comparisonLine.arg(totalCaption, numberText(before.total()), numberText(after.total()))
          << hardComparison.arg(hardBefore).arg(hardAfter);
    const auto cost = [](const Breakdown& breakdown, qsizetype person) {
        double sum = 0;
        if (size_t(person) < breakdown.people.size())
            for (double value : breakdown.people[size_t(person)])
                sum += value;
        return sum;
    };
    for (qsizetype person = 0; person < people.size(); ++person) {
        const double was = cost(before, person), now = cost(after, person);
        if (std::abs(was - now) > 1e-9)
            lines << comparisonLine.arg(people.at(person), numberText(was), numberText(now));
    }
    return lines;
}

QStringList formatScore(const RosterScore& score) {
    QStringList lines;
    lines << scoreTitle + QStringLiteral("：") + monthsheet::periodText(score.sheet);
    lines << summaryText.arg(numberText(score.total())).arg(score.hard.size());
    lines << QString();
    lines += engine::alignedLines(QList<QStringList>{{kTerm, kCost, kShare}} + termRows(score), 1);
    lines << QString();
    lines += engine::alignedLines(QList<QStringList>{personColumns()} + personRows(score), 1);
    lines << QString() << hardCaption + QStringLiteral("：");
    const QStringList hard = hardLines(score);
    lines += hard.isEmpty() ? QStringList{kNoHard} : hard;
    return lines;
}

} // namespace korvane::score
