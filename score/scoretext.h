#pragma once

#include "score/rosterscore.h"

#include <QList>
#include <QString>
#include <QStringList>

// The score in words: the names of its terms, what each item says, and the
// tables the 评分 tab and korvane-cli score show.
namespace korvane::score {

inline const QString scoreTitle = QStringLiteral("评分");
inline const QString totalCaption = QStringLiteral("总扣分");
inline const QString hardCaption = QStringLiteral("硬性规则");
inline const QString costliestCaption = QStringLiteral("扣分最多的格");
// "总扣分 1695，硬性规则 0 处"
inline const QString summaryText = QStringLiteral("总扣分 %1，硬性规则 %2 处");
// A costly cell's note on the sheet.
inline const QString cellCostNote = QStringLiteral("扣分 %1");

// 班数, 工时, ... 意愿, 公平·工时, ..., 理想人数.
QString termName(Term term);
// A cost or a count: a whole number, or one decimal.
QString numberText(double value);
// What an item says: "连续上班 7 天，最多 5 天", "意愿：不上 夜（10）".
QString itemText(const RosterScore& score, const Item& item);

// The terms: 项目, 扣分, 占比, a row per term that costs, the total last.
QList<QStringList> termRows(const RosterScore& score);
// A row per person: ID, 姓名, 班数, 工时, 最长连班, 周末, 意愿满足,
// 意愿未满足, 扣分, then what costs them most.
QStringList personColumns();
QList<QStringList> personRows(const RosterScore& score);
// The hard rules broken, a line each: date, person (or slot), shift, text.
QStringList hardLines(const RosterScore& score);

// A score before and after a change of the roster (a search): a line per
// term that costs in either, the total, the hard findings, and, when the
// people's names are given, a line per person whose cost changed.
inline const QString comparisonCaption = QStringLiteral("优化前后：");
inline const QString comparisonLine = QStringLiteral("%1：%2 → %3");
inline const QString hardComparison = QStringLiteral("硬性规则：%1 → %2 处");
QStringList comparisonLines(const Breakdown& before, const Breakdown& after, int hardBefore,
                            int hardAfter, const QStringList& people = {});

// The whole score as korvane-cli prints it.
QStringList formatScore(const RosterScore& score);

} // namespace korvane::score
