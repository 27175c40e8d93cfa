#pragma once

#include <QDate>
#include <QFont>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>

class QPageLayout;
class QPagedPaintDevice;
class QPdfWriter;

namespace korvane::report {

// One detail line of the printable roster (rp_paiban1).
struct RosterLine {
    QString date;         // 日期
    QString shift;        // 班次
    QString start;        // 开始时间
    QString persons;      // 值班人 (field box text4)
    QString end;          // 结束时间
    bool nextDay = false; // 是否跨转次日: the end is on the next day
};

// The line above the captions of every page.
struct RosterHeading {
    QString period; // the roster's first to last date
    QString asked;  // the person or shift asked for, as askedText gives it
    QDate printed;
};

// What a roster query narrows to, for the heading: the person's and the
// shift's text typed, or the whole roster when both are empty.
QString askedText(const QString& person, const QString& shift);
// The heading of a roster in db: the period from its first to its last row of
// 值班报表 (the whole roster's, whatever a query narrows), printed today.
RosterHeading rosterHeading(QSqlDatabase& db, const QString& asked);
// The heading line and the page line as printed.
QString headingText(const RosterHeading& heading);
QString pageText(int page, int pages);
// 结束时间 as printed: the next day's end marked 次日.
QString endText(const RosterLine& line);

// The font of printed pages: the installed CJK families, named so that no
// character prints as a box (a PDF embeds them). pixelSize in the painter's units.
QFont reportFont(int pixelSize, bool bold = false);

// Writes the pages that paint lays out on the writer (at the writer's
// resolution) as a PDF at pdfPath, with the given page layout. Needs a GUI
// application; never over a database; written beside the target and renamed
// into place once complete. False with the reason.
bool writePdf(const QString& pdfPath, const QPageLayout& layout,
              const std::function<bool(QPdfWriter&)>& paint, QString* error);

// The page-header captions, in the order of their columns.
QStringList pageHeaderCaptions();

// The rows of query (a 值班报表 query in the application's dialect, as the
// roster grid shows it). False with the reason when the query fails.
bool loadRosterLines(QSqlDatabase& db, const QString& query, QList<RosterLine>* lines,
                     QString* error = nullptr);

// Lays the roster out on device (a printer or a PDF writer whose resolution
// is dpi): the heading line and the page header on every page, one detail
// band per line, F sizing the band; a new page when a band no longer fits;
// "第 N 页，共 M 页" at the foot. Needs a GUI application. False when the
// device cannot be painted on.
bool paintRoster(QPagedPaintDevice& device, int dpi, const QList<RosterLine>& lines,
                 double rowHeightFactor, const RosterHeading& heading);

// Writes the printable roster (the rows of query, a 值班报表 query) as a PDF.
// F sizes the detail band; asked is askedText of the query's filter. False
// with the reason on failure.
bool writeRosterPdf(QSqlDatabase& db, const QString& query, double rowHeightFactor,
                    const QString& asked, const QString& pdfPath, QString* error);

} // namespace korvane::report
