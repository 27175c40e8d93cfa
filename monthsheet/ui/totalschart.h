#pragma once

#include "monthsheet/monthsheet.h"

class QWidget;

namespace korvane::monthsheet {

// A bar per person, split by shift, the first person on top; people more
// than one shift away from the mean are marked (▲ above, ▼ below).
QWidget* createTotalsChart(const MonthSheet& sheet, const SheetTotals& totals,
                           QWidget* parent = nullptr);

} // namespace korvane::monthsheet
