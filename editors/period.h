#pragma once

#include "store/prompt.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

// The planning period: the rows of 日期类型, one per day, in stored order.
namespace korvane::period {

struct Range {
    QString first; // 日期 of the first row, as stored (yyyy-MM-dd)
    QString last;  // 日期 of the last row
};

// The first and last date of the stored period; nullopt when the calendar
// is empty. False in *ok when the table cannot be read (error in *error).
std::optional<Range> current(QSqlDatabase db, bool* ok = nullptr, QString* error = nullptr);

// The text of the date-range panel: "起始日期：" first "        终止日期：" last,
// or "目前没定义日期范围。".
QString describe(const std::optional<Range>& range);

// What a rebuild of the calendar takes away: the memberships of dates in
// date groups other than 全部, and the groups that hold them (stored order).
struct DroppedMemberships {
    qint64 memberships = 0;
    QStringList groups;
};
DroppedMemberships membershipsDropped(QSqlDatabase db);

// 保存退出: rebuilds 日期类型 with one row per day from start to end, both
// included, each a member of 全部 only, in one transaction. An end before
// the start is refused with its message and nothing is written. When dates
// belong to date groups, the planner is asked first (how many memberships
// go, which groups are left without dates); No writes nothing.
bool save(QSqlDatabase db, const QDate& start, const QDate& end, Prompt& prompt);

} // namespace korvane::period
