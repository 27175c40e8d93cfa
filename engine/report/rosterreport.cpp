#include "engine/report/rosterreport.h"

#include "editors/shifteditor.h"
#include "engine/planningdata.h"
#include "engine/report/rosterlayout.h"
#include "store/datafiles.h"
#include "store/dialect.h"
#include "store/messages.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace korvane::report {

namespace {

// A field box of the report: its left edge and width across the page, in twips.
struct Column {
    int left;
    int width;
    Qt::Alignment alignment;
};

// 日期, 班次, 开始时间, 值班人 (text4), 结束时间, as the captions above them.
const Column kColumns[] = {
    {0, 2200, Qt::AlignLeft},    {2200, 1300, Qt::AlignLeft}, {3500, 1100, Qt::AlignLeft},
    {4600, 3400, Qt::AlignLeft}, {8000, 1100, Qt::AlignLeft},
};
constexpr int kPersonColumn = 3;
constexpr int kReportWidth = 9100;
constexpr int kHeadingHeight = 400; // the heading line above the captions
constexpr int kFooterHeight = 360;  // the page line below the bands
constexpr int kPageHeaderHeight = 480;
constexpr int kFieldHeight = 240; // the single-line boxes of the detail band
constexpr int kFontSize = 200;    // 10 pt
constexpr int kMarginMillimetres = 20;

const QString kNextDay = QStringLiteral("次日");

// The heading line, then the captions of the Part's page header below it.
void paintPageHeader(QPainter& painter, const RosterHeading& heading) {
    painter.setFont(reportFont(kFontSize));
    painter.drawText(QRect(0, 0, kReportWidth, kHeadingHeight - 80),
                     int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                     headingText(heading));
    painter.translate(0, kHeadingHeight);
    painter.setFont(reportFont(kFontSize, true));
    const QStringList captions = pageHeaderCaptions();
    for (int i = 0; i < captions.size(); ++i) {
        const Column& column = kColumns[i];
        painter.drawText(QRect(column.left, 0, column.width, kPageHeaderHeight - 60),
                         int(column.alignment | Qt::AlignVCenter | Qt::TextDontClip),
                         captions.at(i));
    }
    painter.drawLine(0, kPageHeaderHeight - 40, kReportWidth, kPageHeaderHeight - 40);
    painter.translate(0, -kHeadingHeight);
}

void paintPageFooter(QPainter& painter, int pageHeight, int page, int pages) {
    painter.setFont(reportFont(kFontSize));
    painter.drawText(QRect(0, pageHeight - kFooterHeight + 80, kReportWidth, kFooterHeight - 80),
                     int(Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine),
                     pageText(page, pages));
}

// The index of the first line of each page: a new page when a band no
// longer fits above the foot (a page holds at least one band).
QList<int> pageStarts(int lineCount, int band, int pageHeight) {
    const int bodyTop = kHeadingHeight + kPageHeaderHeight;
    const int bodyBottom = pageHeight - kFooterHeight;
    QList<int> starts = {0};
    int top = bodyTop;
    for (int line = 0; line < lineCount; ++line) {
        if (top + band > bodyBottom && top > bodyTop) {
            starts << line;
            top = bodyTop;
        }
        top += band;
    }
    return starts;
}

void paintDetail(QPainter& painter, int top, const RosterLine& line, double rowHeightFactor) {
    const QString values[] = {line.date, line.shift, line.start, line.persons, endText(line)};
    for (int i = 0; i < 5; ++i) {
        const Column& column = kColumns[i];
        const bool persons = i == kPersonColumn;
        const int height = persons ? personBoxHeightTwips(rowHeightFactor) : kFieldHeight;
        const QRect box(column.left, top + 120, column.width, height);
        painter.save();
        painter.setClipRect(box);
        painter.drawText(box,
                         int(column.alignment | Qt::AlignTop |
                             (persons ? Qt::TextWordWrap : Qt::TextSingleLine)),
                         values[i]);
        painter.restore();
    }
}

} // namespace

QStringList pageHeaderCaptions() {
    return {QStringLiteral("    日期"), QStringLiteral(" 班次"), QStringLiteral("开始时间"),
            QStringLiteral("         值班人"), QStringLiteral("结束时间")};
}

QString askedText(const QString& person, const QString& shift) {
    QStringList parts;
    if (!person.isEmpty())
        parts << QStringLiteral("个人：") + person;
    if (!shift.isEmpty())
        parts << QStringLiteral("班次：") + shift;
    return parts.isEmpty() ? QStringLiteral("全部值班") : parts.join(QStringLiteral("  "));
}

RosterHeading rosterHeading(QSqlDatabase& db, const QString& asked) {
    RosterHeading heading{{}, asked, QDate::currentDate()};
    QSqlQuery ends(db);
    // Rows are written in date order, so the first and last 值班报表 rows bound the period.
    if (ends.exec(QStringLiteral("select (select 日期 from 值班报表 order by IDID limit 1), "
                                 "(select 日期 from 值班报表 order by IDID desc limit 1)")) &&
        ends.next() && !ends.value(0).isNull())
        heading.period =
            QStringLiteral("%1 至 %2").arg(ends.value(0).toString(), ends.value(1).toString());
    return heading;
}

QString headingText(const RosterHeading& heading) {
    QStringList parts = {QStringLiteral("值班表")};
    for (const QString& part : {heading.period, heading.asked})
        if (!part.isEmpty())
            parts << part;
    parts << QStringLiteral("打印日期：") + engine::longDate(heading.printed.toJulianDay());
    return parts.join(QStringLiteral("    "));
}

QString pageText(int page, int pages) {
    return QStringLiteral("第 %1 页，共 %2 页").arg(page).arg(pages);
}

QString endText(const RosterLine& line) {
    return line.nextDay ? kNextDay + line.end : line.end;
}

bool loadRosterLines(QSqlDatabase& db, const QString& query, QList<RosterLine>* lines,
                     QString* error) {
    lines->clear();
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!dialect::exec(rows, query, error))
        return false;
    const QSqlRecord record = rows.record();
    const int date = record.indexOf(QStringLiteral("日期"));
    const int shift = record.indexOf(QStringLiteral("班次"));
    const int start = record.indexOf(QStringLiteral("开始时间"));
    const int persons = record.indexOf(QStringLiteral("值班人"));
    const int end = record.indexOf(QStringLiteral("结束时间"));
    const int nextDay = record.indexOf(QStringLiteral("是否跨转次日")); // -1: not asked for
    if (date < 0 || shift < 0 || start < 0 || persons < 0 || end < 0) {
        if (error)
            *error = QStringLiteral("the query does not give the roster's columns");
        return false;
    }
    while (rows.next()) {
        lines->append({rows.value(date).toString(), rows.value(shift).toString(),
                       rows.value(start).toString(), rows.value(persons).toString(),
                       rows.value(end).toString(),
                       nextDay >= 0 && rows.value(nextDay).toString() == shift::crossing});
    }
    return true;
}

bool paintRoster(QPagedPaintDevice& device, int dpi, const QList<RosterLine>& lines,
                 double rowHeightFactor, const RosterHeading& heading) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Work in twips from the top left corner of the printable area.
    const double scale = double(dpi) / twipsPerInch;
    painter.scale(scale, scale);
    const QRect paintRect = device.pageLayout().paintRectPixels(dpi);
    const int pageHeight = int(paintRect.height() / scale);
    const int band = detailBandHeightTwips(rowHeightFactor);
    const QList<int> starts = pageStarts(int(lines.size()), band, pageHeight);
    for (int page = 0; page < starts.size(); ++page) {
        if (page > 0)
            device.newPage();
        paintPageHeader(painter, heading);
        painter.setFont(reportFont(kFontSize));
        const int end = page + 1 < starts.size() ? starts.at(page + 1) : int(lines.size());
        int top = kHeadingHeight + kPageHeaderHeight;
        for (int line = starts.at(page); line < end; ++line) {
            paintDetail(painter, top, lines.at(line), rowHeightFactor);
            top += band;
        }
        paintPageFooter(painter, pageHeight, page + 1, int(starts.size()));
    }
    return painter.end();
}

QFont reportFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

bool writePdf(const QString& pdfPath, const QPageLayout& layout,
              const std::function<bool(QPdfWriter&)>& paint, QString* error) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (error)
            *error = QStringLiteral("writing a PDF needs a GUI application object");
        return false;
    }
    const QString problem = files::outputFileProblem(pdfPath);
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    // Written in the staging folder beside the target and put in place once complete.
    files::StagingFolder staging(pdfPath);
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = files::outputFailedMessage(staging.target(), reason);
        return false;
    };
    if (!staging.isValid())
        return failed(staging.problem().reason);
    QFile file(staging.filePath());
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setTitle(QFileInfo(pdfPath).completeBaseName());
        writer.setCreator(QStringLiteral("Korvane"));
        writer.setPageLayout(layout);
        writer.setResolution(600);
        if (!paint(writer))
            return failed(msg::reportNotPainted);
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return failed(file.errorString());
    file.close();
    FileCheck placed;
    if (!staging.commit(files::Placement::Replace, &placed))
        return failed(placed.reason);
    return true;
}

bool writeRosterPdf(QSqlDatabase& db, const QString& query, double rowHeightFactor,
                    const QString& asked, const QString& pdfPath, QString* error) {
    QList<RosterLine> lines;
    if (!loadRosterLines(db, query, &lines, error))
        return false;
    const RosterHeading heading = rosterHeading(db, asked);
    const QPageLayout layout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
        QPageLayout::Millimeter);
    return writePdf(
        pdfPath, layout,
        [&](QPdfWriter& writer) {
            return paintRoster(writer, writer.resolution(), lines, rowHeightFactor, heading);
        },
        error);
}

} // namespace korvane::report
