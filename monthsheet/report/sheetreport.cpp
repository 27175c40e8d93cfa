#include "monthsheet/report/sheetreport.h"

#include "engine/planningdata.h"
#include "engine/report/rosterlayout.h"
#include "engine/report/rosterreport.h"
#include "monthsheet/sheettext.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace korvane::monthsheet::report {

namespace {

using korvane::report::reportFont;
using korvane::report::twipsPerInch;

// Sizes in twips.
constexpr double kMarginMillimetres = 10;
constexpr int kTitleSize = 240;
constexpr int kTitleHeight = 460;
constexpr int kHeadingSize = 150;
constexpr int kHeadingRowHeight = 230;
constexpr int kHeadingRows = 3; // month, day, weekday
constexpr int kFooterSize = 140;
constexpr int kFooterHeight = 300;
constexpr int kIdWidth = 480;
constexpr int kTotalWidth = 520;
constexpr int kPadding = 15;
constexpr int kLeastNameWidth = 1000;
constexpr int kMostNameWidth = 2400;
constexpr int kMostDateWidth = 1400;
constexpr int kMostCellSize = 180;  // 9 pt
constexpr int kLeastCellSize = 140; // 7 pt: below it, short labels stand for the names
constexpr int kNameSize = 170;
constexpr int kMostDatesAcross = 31;

const QColor kWeekendFill(0xFC, 0xE4, 0xD6);
const QString kWeekendLegend = QStringLiteral("浅橙底色：周末及节假日");
const QColor kHeadingFill(0xE7, 0xEE, 0xE4);
const QColor kGridColor(0x80, 0x80, 0x80);

// The dates across one page: a period of up to 31 days whole, a longer one
// month by month.
QList<QPair<int, int>> dateRanges(const MonthSheet& sheet) {
    const int count = int(sheet.dates.size());
    if (count <= kMostDatesAcross)
        return {{0, count}};
    QList<QPair<int, int>> ranges;
    int first = 0;
    for (int date = 1; date <= count; ++date) {
        if (date == count || sheet.dates.at(date).month() != sheet.dates.at(first).month() ||
            sheet.dates.at(date).year() != sheet.dates.at(first).year() ||
            date - first == kMostDatesAcross) {
            ranges.append({first, date});
            first = date;
        }
    }
    return ranges;
}

// How a cell's shifts are set: the font size, and the lines, each holding
// whole labels (a name is never broken), short labels where the names do
// not fit at the least size.
struct CellText {
    int size = 0;
    QString text; // lines joined by '\n'
    bool shortened = false;
};

class Layout {
public:
    Layout(const MonthSheet& sheet, const QSizeF& page)
        : sheet(sheet), shortLabels(monthsheet::shortLabels(sheet)) {
        width = int(page.width());
        height = int(page.height());
        ranges = dateRanges(sheet);

        QFontMetricsF names(reportFont(kNameSize));
        double widest = names.horizontalAdvance(onDutyCaption);
        for (const SheetPerson& person : sheet.people)
            widest = std::max(widest, names.horizontalAdvance(person.name));
        nameWidth = std::clamp(int(widest) + 2 * kPadding, kLeastNameWidth, kMostNameWidth);

        int across = 1;
        for (const auto& range : ranges)
            across = std::max(across, range.second - range.first);
        const int room = width - kIdWidth - nameWidth - int(totalsCaptions.size()) * kTotalWidth;
        dateWidth = std::clamp(room / across, 1, kMostDateWidth);

        // Every shift's name on one line at one size where it can be had
        // (else the least, and short labels where a name does not fit).
        QStringList labels;
        for (const SheetShift& shift : sheet.shifts)
            labels << shiftLabel(shift);
        const int top = kTitleHeight + kHeadingRows * kHeadingRowHeight;
        const int bodyRoom = height - top - kFooterHeight;
        const int rows = int(sheet.people.size()) + 1;
        const double nameLine = QFontMetricsF(reportFont(kNameSize)).lineSpacing();
        cellSize = largestSize(labels);
        rowHeight = int(std::max(lineSpacing(cellSize), nameLine)) + 2 * kPadding;
        rowsPerPage = std::max(1, bodyRoom / rowHeight);
        pagesPerRange = (rows + rowsPerPage - 1) / rowsPerPage;
        // Rows on a single page take the room left below them, up to two lines.
        if (pagesPerRange == 1)
            rowHeight = std::clamp(bodyRoom / rows, rowHeight, rowHeight * 2);
    }

    int pageCount() const { return int(ranges.size()) * pagesPerRange; }

    // The size and lines a cell's shifts are set in, worked out once per
    // kind of cell: the names on one line, else one name a line, else the
    // short labels the same two ways; each at the largest size that fits, a
    // little larger than the shifts' size at most, never below the least.
    const CellText& cellText(const QList<int>& held) {
        QString key;
        for (int shift : held)
            key += QString::number(shift) + QLatin1Char(',');
        auto found = m_cellTexts.find(key);
        if (found != m_cellTexts.end())
            return *found;
        QStringList names, shortened;
        for (int shift : held) {
            names << shiftLabel(sheet.shifts.at(shift));
            shortened << shortLabels.at(shift);
        }
        const double inner = rowHeight - 2.0 * kPadding;
        const int largest = std::min(kMostCellSize, cellSize * 7 / 5);
        const QList<CellText> forms = {
            {0, names.join(shiftSeparator), false},
            {0, names.join(QLatin1Char('\n')), false},
            {0, shortened.join(shiftSeparator), true},
            {0, shortened.join(QLatin1Char('\n')), true},
        };
        // Where nothing fits, the short labels a line each, as large as allowed.
        CellText set{kLeastCellSize, forms.last().text, true};
        for (int pair = 0; pair < 2; ++pair) { // the names, then the short labels
            int best = 0;
            for (int form = 2 * pair; form < 2 * pair + 2; ++form)
                for (int size = largest; size > best; size -= 5)
                    if (size >= kLeastCellSize && fits(forms.at(form).text, size, inner)) {
                        best = size;
                        set = {size, forms.at(form).text, forms.at(form).shortened};
                    }
            if (best > 0)
                break;
        }
        return *m_cellTexts.insert(key, set);
    }

    double innerWidth() const { return dateWidth - 2.0 * kPadding; }

    const MonthSheet& sheet;
    const QStringList shortLabels;
    int width = 0;
    int height = 0;
    QList<QPair<int, int>> ranges;
    int nameWidth = 0;
    int dateWidth = 0;
    int cellSize = 0;
    int rowHeight = 0;
    int rowsPerPage = 1;
    int pagesPerRange = 1;

private:
    static double lineSpacing(int size) { return QFontMetricsF(reportFont(size)).lineSpacing(); }
    // Where text goes, on the lines it has: a label is never broken.
    static QRectF bounds(const QString& text, int size) {
        return QFontMetricsF(reportFont(size)).boundingRect(QRectF(0, 0, 1e6, 1e6), 0, text);
    }
    bool fits(const QString& text, int size, double boxHeight) const {
        const QRectF set = bounds(text, size);
        return set.width() <= innerWidth() + 0.5 && set.height() <= boxHeight + 0.5;
    }
    // The largest size at which every text fits on a line (the least size
    // when none does).
    int largestSize(const QStringList& texts) const {
        for (int size = kMostCellSize; size > kLeastCellSize; size -= 5) {
            const double box = lineSpacing(size);
            if (std::all_of(texts.begin(), texts.end(),
                            [&](const QString& text) { return fits(text, size, box); }))
                return size;
        }
        return kLeastCellSize;
    }

    QHash<QString, CellText> m_cellTexts;
};

class Painter {
public:
    Painter(QPainter& painter, Layout& layout, const MonthSheet& sheet, const SheetTotals& totals,
            const QDate& printed)
        : p(painter), l(layout), sheet(sheet), totals(totals), printed(printed) {}

    void page(int range, int part, int number) {
        first = l.ranges.at(range).first;
        last = l.ranges.at(range).second;
        withTotals = range == l.ranges.size() - 1;
        firstRow = part * l.rowsPerPage;
        rows = std::min(l.rowsPerPage, int(sheet.people.size()) + 1 - firstRow);
        dateLeft = kIdWidth + l.nameWidth;
        totalsLeft = dateLeft + (last - first) * l.dateWidth;
        right = totalsLeft + (withTotals ? int(totalsCaptions.size()) * kTotalWidth : 0);
        bodyTop = headingTop + kHeadingRows * kHeadingRowHeight;
        bottom = bodyTop + rows * l.rowHeight;
        shortened.clear();

        drawTitle();
        drawHeadings();
        drawRows();
        drawGrid();
        drawFooter(number);
    }

private:
    // Above: the sheet and its period, the date of printing.
    void drawTitle() {
        p.setPen(Qt::black);
        p.setFont(reportFont(kTitleSize, true));
        p.drawText(QRect(0, 0, l.width, kTitleHeight - 80), Qt::AlignLeft | Qt::AlignVCenter,
                   sheetTitle + QStringLiteral("  ") + periodText(sheet));
        p.setFont(reportFont(kFooterSize));
        p.drawText(QRect(0, 0, l.width, kTitleHeight - 80), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("打印日期：") + engine::longDate(printed.toJulianDay()));
    }

    // The fills of the heading and the weekends, then the heading's texts.
    void drawHeadings() {
        p.fillRect(QRect(0, headingTop, right, bodyTop - headingTop), kHeadingFill);
        for (int date = first; date < last; ++date)
            if (sheet.isWeekendDate(date))
                p.fillRect(QRect(dateLeft + (date - first) * l.dateWidth,
                                 headingTop + kHeadingRowHeight, l.dateWidth,
                                 bottom - headingTop - kHeadingRowHeight),
                           kWeekendFill);

        p.setFont(reportFont(kHeadingSize, true));
        const int headingHeight = kHeadingRows * kHeadingRowHeight;
        p.drawText(QRect(0, headingTop, kIdWidth, headingHeight), Qt::AlignCenter, idCaption);
        p.drawText(QRect(kIdWidth, headingTop, l.nameWidth, headingHeight), Qt::AlignCenter,
                   nameCaption);
        for (int date = first; date < last;) {
            int end = date + 1;
            while (end < last && sheet.dates.at(end).month() == sheet.dates.at(date).month())
                ++end;
            // The year too where there is room for it.
            const QRect span(dateLeft + (date - first) * l.dateWidth, headingTop,
                             (end - date) * l.dateWidth, kHeadingRowHeight);
            const QString month = dateHeading(sheet, date).month;
            const QString withYear =
                QString::number(sheet.dates.at(date).year()) + QStringLiteral("年") +
                QString::number(sheet.dates.at(date).month()) + QStringLiteral("月");
            p.drawText(span, Qt::AlignCenter,
                       QFontMetricsF(p.font()).horizontalAdvance(withYear) < span.width() ? withYear
                                                                                          : month);
            date = end;
        }
        for (int date = first; date < last; ++date) {
            const DateHeading heading = dateHeading(sheet, date);
            const int left = dateLeft + (date - first) * l.dateWidth;
            p.drawText(QRect(left, headingTop + kHeadingRowHeight, l.dateWidth, kHeadingRowHeight),
                       Qt::AlignCenter, heading.day);
            p.drawText(
                QRect(left, headingTop + 2 * kHeadingRowHeight, l.dateWidth, kHeadingRowHeight),
                Qt::AlignCenter, heading.weekday);
        }
        if (withTotals)
            for (int i = 0; i < totalsCaptions.size(); ++i)
                p.drawText(
                    QRect(totalsLeft + i * kTotalWidth, headingTop, kTotalWidth, headingHeight),
                    Qt::AlignCenter | Qt::TextWordWrap, totalsCaptions.at(i));
    }

    // The rows: people, and under the last of them the people on duty.
    void drawRows() {
        const QFontMetricsF nameMetrics(reportFont(kNameSize));
        for (int i = 0; i < rows; ++i) {
            const int row = firstRow + i;
            const int top = bodyTop + i * l.rowHeight;
            const auto dateBox = [&](int date, int padding) {
                return QRect(dateLeft + (date - first) * l.dateWidth + padding, top,
                             l.dateWidth - 2 * padding, l.rowHeight);
            };
            p.setFont(reportFont(kNameSize));
            if (row == sheet.people.size()) {
                p.drawText(QRect(kIdWidth + kPadding, top, l.nameWidth, l.rowHeight),
                           Qt::AlignLeft | Qt::AlignVCenter, onDutyCaption);
                for (int date = first; date < last; ++date)
                    p.drawText(dateBox(date, 0), Qt::AlignCenter,
                               QString::number(sheet.onDuty(date)));
                continue;
            }
            p.drawText(QRect(0, top, kIdWidth, l.rowHeight), Qt::AlignCenter,
                       QString::number(sheet.people.at(row).id));
            p.drawText(QRect(kIdWidth + kPadding, top, l.nameWidth - 2 * kPadding, l.rowHeight),
                       Qt::AlignLeft | Qt::AlignVCenter,
                       nameMetrics.elidedText(sheet.people.at(row).name, Qt::ElideRight,
                                              l.nameWidth - 2 * kPadding));
            if (withTotals) {
                const QStringList values = totalsTexts(totals.people.at(row));
                for (int t = 0; t < values.size(); ++t)
                    p.drawText(QRect(totalsLeft + t * kTotalWidth, top, kTotalWidth, l.rowHeight),
                               Qt::AlignCenter, values.at(t));
            }
            int size = 0;
            for (int date = first; date < last; ++date) {
                const QList<int>& held = sheet.cell(row, date);
                if (held.isEmpty())
                    continue;
                const CellText& set = l.cellText(held);
                if (set.size != size) {
                    size = set.size;
                    p.setFont(reportFont(size));
                }
                if (set.shortened)
                    for (int shift : held)
                        if (!shortened.contains(shift))
                            shortened << shift;
                p.save();
                p.setClipRect(dateBox(date, 0));
                p.drawText(dateBox(date, kPadding), Qt::AlignCenter, set.text);
                p.restore();
            }
        }
    }

    // The grid, over the fills and the text.
    void drawGrid() {
        p.setPen(QPen(kGridColor, 8));
        p.drawLine(0, headingTop, right, headingTop);
        p.drawLine(dateLeft, headingTop + kHeadingRowHeight, totalsLeft,
                   headingTop + kHeadingRowHeight);
        p.drawLine(dateLeft, headingTop + 2 * kHeadingRowHeight, totalsLeft,
                   headingTop + 2 * kHeadingRowHeight);
        for (int i = 0; i <= rows; ++i)
            p.drawLine(0, bodyTop + i * l.rowHeight, right, bodyTop + i * l.rowHeight);
        QList<int> edges = {0, kIdWidth, dateLeft};
        for (int date = first + 1; date <= last; ++date)
            edges << dateLeft + (date - first) * l.dateWidth;
        if (withTotals)
            for (int i = 1; i <= totalsCaptions.size(); ++i)
                edges << totalsLeft + i * kTotalWidth;
        for (int x : edges) {
            // Day and weekday lines run through the headings under the month.
            const bool dateEdge = x > dateLeft && x < totalsLeft;
            const bool monthEdge =
                dateEdge &&
                !dateHeading(sheet, first + (x - dateLeft) / l.dateWidth).month.isEmpty();
            p.drawLine(x, dateEdge && !monthEdge ? headingTop + kHeadingRowHeight : headingTop, x,
                       bottom);
        }
    }

    // Below: the marks used, the page number.
    void drawFooter(int number) {
        p.setPen(Qt::black);
        p.setFont(reportFont(kFooterSize));
        const QRect footer(0, l.height - kFooterHeight, l.width, kFooterHeight);
        QStringList legend;
        for (int date = first; date < last; ++date)
            if (sheet.isWeekendDate(date)) {
                legend << kWeekendLegend;
                break;
            }
        if (std::any_of(sheet.shifts.begin(), sheet.shifts.end(),
                        [](const SheetShift& shift) { return shift.overnight; }))
            legend << overnightLegend;
        std::sort(shortened.begin(), shortened.end());
        if (!shortened.isEmpty())
            legend << shortLabelLegend(sheet, l.shortLabels, shortened);
        p.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, legend.join(QStringLiteral("    ")));
        p.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                   QStringLiteral("第 %1 页，共 %2 页").arg(number).arg(l.pageCount()));
    }

    // The page being drawn: its dates [first, last) and rows, and where its parts lie.
    int first = 0, last = 0;
    bool withTotals = false;
    int firstRow = 0, rows = 0;
    int dateLeft = 0, totalsLeft = 0, right = 0;
    const int headingTop = kTitleHeight;
    int bodyTop = 0, bottom = 0;
    QList<int> shortened; // the shifts shown by their short labels on this page

    QPainter& p;
    Layout& l;
    const MonthSheet& sheet;
    const SheetTotals& totals;
    const QDate printed;
};

} // namespace

QPageLayout sheetPageLayout(Paper paper) {
    return QPageLayout(
        QPageSize(paper == Paper::A3 ? QPageSize::A3 : QPageSize::A4), QPageLayout::Landscape,
        QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
        QPageLayout::Millimeter);
}

bool paintSheet(QPagedPaintDevice& device, int dpi, const MonthSheet& sheet,
                const SheetTotals& totals, const QDate& printed) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Work in twips from the top left corner of the printable area.
    const double scale = double(dpi) / twipsPerInch;
    painter.scale(scale, scale);
    const QRect paintRect = device.pageLayout().paintRectPixels(dpi);
    Layout layout(sheet, QSizeF(paintRect.width() / scale, paintRect.height() / scale));
    Painter pages(painter, layout, sheet, totals, printed);
    int number = 0;
    for (int range = 0; range < layout.ranges.size(); ++range) {
        for (int part = 0; part < layout.pagesPerRange; ++part) {
            if (number > 0)
                device.newPage();
            pages.page(range, part, ++number);
        }
    }
    return painter.end();
}

bool writeSheetPdf(const MonthSheet& sheet, const SheetTotals& totals, Paper paper,
                   const QDate& printed, const QString& pdfPath, QString* error) {
    return korvane::report::writePdf(
        pdfPath, sheetPageLayout(paper),
        [&](QPdfWriter& writer) {
            return paintSheet(writer, writer.resolution(), sheet, totals, printed);
        },
        error);
}

} // namespace korvane::monthsheet::report
