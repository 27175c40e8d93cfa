#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

class QPagedPaintDevice;

namespace korvane::report {

// One detail line of the printable roster (rp_paiban1).
struct RosterLine {
    QString date;    // 日期
    QString shift;   // 班次
    QString start;   // 开始时间
    QString persons; // 值班人 (field box text4)
    QString end;     // 结束时间
};

// The page-header captions, in the order of their columns.
QStringList pageHeaderCaptions();

// The rows of query (a 值班报表 query in the application's dialect, as the
// roster grid shows it). False with the reason when the query fails.
bool loadRosterLines(QSqlDatabase& db, const QString& query, QList<RosterLine>* lines,
                     QString* error = nullptr);

// Lays the roster out on device (a printer or a PDF writer whose resolution
// is dpi): the page header on every page, one detail band per line, F sizing
// the band; a new page when a band no longer fits. Needs a GUI application.
// False when the device cannot be painted on.
bool paintRoster(QPagedPaintDevice& device, int dpi, const QList<RosterLine>& lines,
                 double rowHeightFactor);

// Writes the printable roster (the rows of query, a 值班报表 query) as a PDF.
// F sizes the detail band. False with the reason on failure.
bool writeRosterPdf(QSqlDatabase& db, const QString& query, double rowHeightFactor,
                    const QString& pdfPath, QString* error);

} // namespace korvane::report
