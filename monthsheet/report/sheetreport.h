#pragma once

#include "monthsheet/monthsheet.h"

#include <QDate>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;

// The month sheet on paper: landscape, a month across the width of a page,
// names and date headings on every page.
namespace korvane::monthsheet::report {

enum class Paper { A4, A3 };

QPageLayout sheetPageLayout(Paper paper);

// Lays the sheet out on device (a printer or a PDF writer whose resolution is
// dpi), with its own page layout: the period and the date of printing atop
// every page, one calendar month (or a period of up to 31 days) across it,
// the totals after the last month, the people on duty under each month.
// Needs a GUI application. False when the device cannot be painted on.
bool paintSheet(QPagedPaintDevice& device, int dpi, const MonthSheet& sheet,
                const SheetTotals& totals, const QDate& printed);

// Writes the sheet as a PDF. False with the reason.
bool writeSheetPdf(const MonthSheet& sheet, const SheetTotals& totals, Paper paper,
                   const QDate& printed, const QString& pdfPath, QString* error);

} // namespace korvane::monthsheet::report
