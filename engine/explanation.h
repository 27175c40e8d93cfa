#pragma once

#include "engine/assignment.h"
#include "engine/rules.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace korvane::engine {

// A rule as the run applied it, for naming the rule that struck a row.
struct AppliedRule {
    Rule rule;
    RuleRegion region;
};

// Why a slot could not be filled: for every person, what kept them out.
struct SlotExplanation {
    struct Line {
        QString person;
        QString reason; // 休假（年假）, 被约束条件排除（编号 3：…）, 可排 …
        QString kind;   // what the summary counts: 休假, 规则 3 排除, 可排 …
    };
    qint64 day = 0;
    QString shift;
    double needed = 0;
    int available = 0;
    QList<Line> lines;                // the commonest kinds first, then in person order
    QList<QPair<QString, int>> kinds; // each kind with its number of people, most first

    bool isEmpty() const { return lines.isEmpty(); }
    // "28 人中：规则 3 排除 12 人，休假 5 人，已达跨日班上限 9 人，可排 2 人"
    QString summary() const;
    // The slot's plain line, the summary, then "姓名：理由" for each person.
    QStringList text() const;
};

// Hours as explanations and warnings write them: 7.5, 0, 7.917.
QString hoursText(double hours);

// Explains the slot of the day and shift that the filler could not fill.
SlotExplanation explainSlot(const PlanningData& data, const CandidateTable& table,
                            const SlotFiller& filler, const QList<AppliedRule>& rules,
                            int calendarRow, const Shift& shift);

} // namespace korvane::engine
