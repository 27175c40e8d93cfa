#include "engine/explanation.h"

#include "store/messages.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace korvane::engine {

namespace {

SlotExplanation::Line reasonFor(const PlanningData& data, const CandidateTable& table,
                                const SlotFiller& filler, const QList<AppliedRule>& rules,
                                int person, char flag, const CalendarDay& day, const Shift& shift) {
    const QString name = data.staff.at(person).name;
    QString leaveReason;
    if (flag == flagStruck && onLeave(data, person, day.day, &leaveReason))
        return {name, msg::reasonLeave.arg(leaveReason), msg::kindLeave};
    if (flag == flagStruck) {
        for (const AppliedRule& applied : rules) {
            if (applied.region.strikes(data.staff.at(person).idid, day.text, shift.idid)) {
                return {name, msg::reasonRule.arg(describeRule(applied.rule)),
                        msg::kindRule.arg(QString::number(applied.rule.number))};
            }
        }
        return {name, msg::reasonStruck, msg::reasonStruck};
    }
    if (flag == flagAssigned)
        return {name, msg::reasonAssigned, msg::reasonAssigned};
    const auto shiftName = [&](qint64 idid) {
        for (const Shift& s : data.shifts)
            if (s.idid == idid)
                return s.name;
        return QString();
    };
    const Breach breach = filler.breach(person, day, shift);
    const QString from = breach.from.isEmpty() ? QString() : msg::limitOfGroup.arg(breach.from);
    switch (breach.kind) {
    case PassOver::Shifts:
        return {name, msg::reasonShifts.arg(breach.limit) + from, msg::kindShifts};
    case PassOver::Overnight:
        return {name, msg::reasonOvernight.arg(breach.limit) + from, msg::kindOvernight};
    case PassOver::Weekend:
        return {name, msg::reasonWeekend.arg(breach.limit) + from, msg::kindWeekend};
    case PassOver::Consecutive:
        return {name, msg::reasonConsecutive.arg(breach.before) + from, msg::kindConsecutive};
    case PassOver::Overlap:
        return {name, msg::reasonOverlap.arg(shiftName(breach.previousShift)), msg::kindOverlap};
    case PassOver::Rest:
        return {name,
                msg::reasonRest.arg(shiftName(breach.previousShift),
                                    hoursText(double(breach.restMinutes) / 60),
                                    hoursText(breach.restHours)) +
                    from,
                msg::kindRest};
    case PassOver::Succession:
        return {
            name,
            msg::reasonSuccession.arg(breach.succession->beforeName, breach.succession->afterName),
            msg::kindSuccession};
    case PassOver::None:
        break;
    }
    Q_UNUSED(table);
    return {name, msg::reasonAvailable, msg::reasonAvailable};
}

} // namespace

QString hoursText(double hours) {
    return QString::number(hours, 'g', 4);
}

QString SlotExplanation::summary() const {
    QStringList parts;
    for (const auto& [kind, count] : kinds)
        parts << msg::explanationPart.arg(kind).arg(count);
    return msg::explanationSummary.arg(lines.size()).arg(parts.join(QStringLiteral("，")));
}

QStringList SlotExplanation::text() const {
    QStringList text{msg::unfilledSlot.arg(longDate(day), shift, QString::number(needed),
                                           QString::number(available)),
                     summary()};
    for (const Line& line : lines)
        text << msg::explanationLine.arg(line.person, line.reason);
    return text;
}

SlotExplanation explainSlot(const PlanningData& data, const CandidateTable& table,
                            const SlotFiller& filler, const QList<AppliedRule>& rules,
                            int calendarRow, const Shift& shift) {
    SlotExplanation explanation;
    const CalendarDay& day = data.calendar.at(calendarRow);
    explanation.day = day.day;
    explanation.shift = shift.name;
    explanation.needed = shift.headcount;
    // A person's row in the slot (the first, where the calendar repeats the date).
    const std::vector<int>& slotIndices = table.slotsOf(day.day, shift.idid);
    if (slotIndices.empty())
        return explanation;
    const int first = table.slotList[size_t(slotIndices.front())].firstRow;
    QHash<QString, int> counts;
    for (int person = 0; person < table.people(); ++person) {
        const SlotExplanation::Line line = reasonFor(
            data, table, filler, rules, person, table.flags[size_t(first + person)], day, shift);
        explanation.lines << line;
        ++counts[line.kind];
        if (line.kind == msg::reasonAvailable)
            ++explanation.available;
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        explanation.kinds.append({it.key(), it.value()});
    // The reasons that kept the most people out first; who could be taken last.
    const auto weight = [&](const QString& kind) {
        return kind == msg::reasonAvailable ? -1 : counts.value(kind);
    };
    std::stable_sort(
        explanation.kinds.begin(), explanation.kinds.end(), [&](const auto& a, const auto& b) {
            return weight(a.first) != weight(b.first) ? weight(a.first) > weight(b.first)
                                                      : a.first < b.first;
        });
    std::stable_sort(explanation.lines.begin(), explanation.lines.end(),
                     [&](const auto& a, const auto& b) {
                         if (weight(a.kind) != weight(b.kind))
                             return weight(a.kind) > weight(b.kind);
                         return a.kind < b.kind;
                     });
    return explanation;
}

} // namespace korvane::engine
