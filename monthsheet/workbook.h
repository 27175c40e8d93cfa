#pragma once

#include "engine/rostertable.h"
#include "monthsheet/monthsheet.h"

#include <QString>

namespace korvane::monthsheet {

// The workbook of a roster: 排班总表 (the month sheet, shaded weekends,
// frozen names and headings, printed landscape one page wide), 值班表 (the
// rows of the roster) and 统计 (the totals). Every text is written as text,
// so a name that starts with = is never taken for a formula. Written whole
// or not at all, never over a database. False with the reason.
bool writeWorkbook(const QString& path, const MonthSheet& sheet, const SheetTotals& totals,
                   const engine::RosterTable& roster, QString* error);

} // namespace korvane::monthsheet
