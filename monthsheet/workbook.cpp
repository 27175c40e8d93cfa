#include "monthsheet/workbook.h"

#include "monthsheet/sheettext.h"
#include "store/datafiles.h"

#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

namespace korvane::monthsheet {

namespace {

constexpr lxw_color_t kWeekendFill = 0xFCE4D6;
constexpr lxw_color_t kHeadingFill = 0xE7EEE4;
constexpr lxw_color_t kStandOutFill = 0xFFF2CC;
constexpr lxw_row_t kHeadingRows = 3; // month, day, weekday
constexpr lxw_row_t kFirstPersonRow = 1 + kHeadingRows;
constexpr lxw_col_t kFirstDateColumn = 2; // after ID and 姓名
constexpr uint8_t kPaperA4 = 9;
// The month sheet prints days 1 to 15 and 16 to the end on pages of their own.
constexpr int kSecondHalfDay = 16;
// What the spreadsheet format allows of manual page breaks on one sheet.
constexpr qsizetype kMostPageBreaks = 1023;

// The formats of the workbook, made once.
struct Formats {
    explicit Formats(lxw_workbook* book) {
        title = workbook_add_format(book);
        format_set_bold(title);
        format_set_font_size(title, 14);
        heading = headingFormat(book, kHeadingFill);
        weekendHeading = headingFormat(book, kWeekendFill);
        name = cellFormat(book, 0, LXW_ALIGN_LEFT);
        cell = cellFormat(book, 0, LXW_ALIGN_CENTER);
        weekendCell = cellFormat(book, kWeekendFill, LXW_ALIGN_CENTER);
        standOut = cellFormat(book, kStandOutFill, LXW_ALIGN_CENTER);
        date = cellFormat(book, 0, LXW_ALIGN_CENTER);
        format_set_num_format(date, "yyyy\"年\"m\"月\"d\"日\"");
    }
    static lxw_format* cellFormat(lxw_workbook* book, lxw_color_t fill, uint8_t alignment) {
        lxw_format* format = workbook_add_format(book);
        format_set_border(format, LXW_BORDER_THIN);
        format_set_align(format, alignment);
        format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
        if (fill) {
            format_set_pattern(format, LXW_PATTERN_SOLID);
            format_set_bg_color(format, fill);
        }
        return format;
    }
    static lxw_format* headingFormat(lxw_workbook* book, lxw_color_t fill) {
        lxw_format* format = cellFormat(book, fill, LXW_ALIGN_CENTER);
        format_set_bold(format);
        format_set_text_wrap(format);
        return format;
    }

    lxw_format* title;
    lxw_format* heading;
    lxw_format* weekendHeading;
    lxw_format* name;
    lxw_format* cell;
    lxw_format* weekendCell;
    lxw_format* standOut;
    lxw_format* date;
};

// Writes cells and keeps the first error.
class Sheet {
public:
    Sheet(lxw_workbook* book, const QString& name)
        : m_sheet(workbook_add_worksheet(book, name.toUtf8().constData())) {}

    lxw_worksheet* get() const { return m_sheet; }
    lxw_error error() const { return m_sheet ? m_error : LXW_ERROR_MEMORY_MALLOC_FAILED; }

    // Always as a string: never a formula, whatever it starts with. The
    // library takes C strings, which a NUL would cut: it is written as ␀.
    void text(lxw_row_t row, lxw_col_t column, const QString& value, lxw_format* format) {
        keep(worksheet_write_string(m_sheet, row, column, cString(value).constData(), format));
    }
    void number(lxw_row_t row, lxw_col_t column, double value, lxw_format* format) {
        keep(worksheet_write_number(m_sheet, row, column, value, format));
    }
    // Manual page breaks before the columns of a list that ends with 0.
    void pageBreaks(lxw_col_t* columns) { keep(worksheet_set_v_pagebreaks(m_sheet, columns)); }
    void date(lxw_row_t row, lxw_col_t column, const QDate& value, lxw_format* format) {
        lxw_datetime when = {value.year(), value.month(), value.day(), 0, 0, 0};
        keep(worksheet_write_datetime(m_sheet, row, column, &when, format));
    }
    // A heading over several cells (one cell: no merge).
    void spanned(lxw_row_t firstRow, lxw_col_t firstColumn, lxw_row_t lastRow, lxw_col_t lastColumn,
                 const QString& value, lxw_format* format) {
        if (firstRow == lastRow && firstColumn == lastColumn)
            text(firstRow, firstColumn, value, format);
        else
            keep(worksheet_merge_range(m_sheet, firstRow, firstColumn, lastRow, lastColumn,
                                       cString(value).constData(), format));
    }
    void width(lxw_col_t first, lxw_col_t last, double characters) {
        keep(worksheet_set_column(m_sheet, first, last, characters, nullptr));
    }

private:
    static QByteArray cString(const QString& value) {
        return engine::withVisibleNul(value).toUtf8();
    }
    void keep(lxw_error result) {
        if (m_error == LXW_NO_ERROR)
            m_error = result;
    }
    lxw_worksheet* m_sheet;
    lxw_error m_error = LXW_NO_ERROR;
};

// Spreadsheet column widths count characters; a CJK character takes two.
double widthOf(const QStringList& texts, double least, double most) {
    int widest = 0;
    for (const QString& text : texts)
        widest = qMax(widest, engine::displayWidth(text));
    return qBound(least, widest + 1.5, most);
}

void writeMonthSheet(Sheet& out, const Formats& formats, const MonthSheet& sheet,
                     const SheetTotals& totals) {
    const lxw_col_t dates = lxw_col_t(sheet.dates.size());
    const lxw_col_t firstTotal = kFirstDateColumn + dates;
    const lxw_col_t lastColumn = firstTotal + lxw_col_t(totalsCaptions.size()) - 1;
    out.text(0, 0, sheetTitle + QStringLiteral("  ") + periodText(sheet), formats.title);
    out.text(0, firstTotal, overnightLegend, nullptr);

    out.spanned(1, 0, kHeadingRows, 0, idCaption, formats.heading);
    out.spanned(1, 1, kHeadingRows, 1, nameCaption, formats.heading);
    for (lxw_col_t date = 0; date < dates;) {
        // The month over all of its columns.
        lxw_col_t end = date + 1;
        while (end < dates && dateHeading(sheet, int(end)).month.isEmpty())
            ++end;
        out.spanned(1, kFirstDateColumn + date, 1, kFirstDateColumn + end - 1,
                    dateHeading(sheet, int(date)).month, formats.heading);
        date = end;
    }
    QStringList labels;
    for (lxw_col_t date = 0; date < dates; ++date) {
        const DateHeading heading = dateHeading(sheet, int(date));
        lxw_format* format = sheet.isWeekendDate(date) ? formats.weekendHeading : formats.heading;
        out.text(2, kFirstDateColumn + date, heading.day, format);
        out.text(3, kFirstDateColumn + date, heading.weekday, format);
    }
    for (int i = 0; i < totalsCaptions.size(); ++i)
        out.spanned(1, firstTotal + lxw_col_t(i), kHeadingRows, firstTotal + lxw_col_t(i),
                    totalsCaptions.at(i), formats.heading);

    QStringList names = {nameCaption, onDutyCaption};
    for (int person = 0; person < sheet.people.size(); ++person) {
        const lxw_row_t row = kFirstPersonRow + lxw_row_t(person);
        out.number(row, 0, double(sheet.people.at(person).id), formats.cell);
        out.text(row, 1, sheet.people.at(person).name, formats.name);
        names << sheet.people.at(person).name;
        for (lxw_col_t date = 0; date < dates; ++date) {
            const QString text = cellText(sheet, person, int(date));
            labels << text;
            out.text(row, kFirstDateColumn + date, text,
                     sheet.isWeekendDate(date) ? formats.weekendCell : formats.cell);
        }
        const PersonTotals& own = totals.people.at(person);
        const double values[] = {double(own.shifts), double(own.overnight), double(own.weekend),
                                 own.minutes / 60.0};
        for (int i = 0; i < 4; ++i)
            out.number(row, firstTotal + lxw_col_t(i), values[i], formats.cell);
    }
    const lxw_row_t countRow = kFirstPersonRow + lxw_row_t(sheet.people.size());
    out.text(countRow, 0, QString(), formats.cell);
    out.text(countRow, 1, onDutyCaption, formats.name);
    for (lxw_col_t date = 0; date < dates; ++date)
        out.number(countRow, kFirstDateColumn + date, sheet.onDuty(int(date)),
                   sheet.isWeekendDate(date) ? formats.weekendCell : formats.cell);

    out.width(0, 0, 5);
    out.width(1, 1, widthOf(names, 8, 24));
    if (dates > 0)
        out.width(kFirstDateColumn, firstTotal - 1, widthOf(labels, 4, 16));
    out.width(firstTotal, lastColumn, 7);

    lxw_worksheet* ws = out.get();
    worksheet_freeze_panes(ws, kFirstPersonRow, kFirstDateColumn);
    worksheet_set_landscape(ws);
    worksheet_set_paper(ws, kPaperA4);
    // Printed at full size, half a month across a page, the names and the
    // dates repeated on every page: as many pages as it takes.
    static_assert(kFirstDateColumn > 0, "a page break never falls before the first column");
    QList<lxw_col_t> breaks;
    for (lxw_col_t date = 1; date < dates; ++date) {
        const int day = sheet.dates.at(int(date)).day();
        if ((day == 1 || day == kSecondHalfDay) && breaks.size() < kMostPageBreaks)
            breaks << kFirstDateColumn + date;
    }
    if (dates > 0 && breaks.size() < kMostPageBreaks)
        breaks << firstTotal; // the totals on a page of their own
    breaks << 0;              // the end of the list
    if (breaks.size() > 1)
        out.pageBreaks(breaks.data());
    worksheet_repeat_rows(ws, 1, kHeadingRows);
    worksheet_repeat_columns(ws, 0, 1);
    worksheet_set_footer(ws, "&C&P / &N");
}

const QString kRosterNumberColumn = QStringLiteral("IDID");
const QString kRosterDateColumn = QStringLiteral("日期");
const QString kRosterNamesColumn = QStringLiteral("值班人");
const QString kLongDateForm = QStringLiteral("yyyy年M月d日"); // 值班报表.日期

void writeRoster(Sheet& out, const Formats& formats, const engine::RosterTable& roster) {
    for (int column = 0; column < roster.columns.size(); ++column) {
        out.text(0, lxw_col_t(column), roster.columns.at(column), formats.heading);
        QStringList texts = {roster.columns.at(column)};
        for (const QStringList& row : roster.rows)
            texts << row.value(column);
        out.width(lxw_col_t(column), lxw_col_t(column), widthOf(texts, 6, 60));
    }
    // Numbers as numbers, dates as dates, the names without the blanks before each.
    const int number = int(roster.columns.indexOf(kRosterNumberColumn));
    const int date = int(roster.columns.indexOf(kRosterDateColumn));
    const int names = int(roster.columns.indexOf(kRosterNamesColumn));
    for (int row = 0; row < roster.rows.size(); ++row)
        for (int column = 0; column < roster.columns.size(); ++column) {
            const QString value = roster.rows.at(row).value(column);
            const lxw_row_t at = lxw_row_t(row + 1);
            bool isNumber = false;
            const double numeric = value.toDouble(&isNumber);
            const QDate day = QDate::fromString(value, kLongDateForm);
            if (column == number && isNumber)
                out.number(at, lxw_col_t(column), numeric, formats.cell);
            else if (column == date && day.isValid())
                out.date(at, lxw_col_t(column), day, formats.date);
            else if (column == names)
                out.text(at, lxw_col_t(column), value.trimmed(), formats.name);
            else
                out.text(at, lxw_col_t(column), value, formats.cell);
        }
    worksheet_freeze_panes(out.get(), 1, 0);
    worksheet_set_paper(out.get(), kPaperA4);
    worksheet_fit_to_pages(out.get(), 1, 0);
    worksheet_repeat_rows(out.get(), 0, 0);
}

void writeTotals(Sheet& out, const Formats& formats, const MonthSheet& sheet,
                 const SheetTotals& totals) {
    const engine::RosterTable table = totalsTable(sheet, totals);
    for (int column = 0; column < table.columns.size(); ++column) {
        out.text(0, lxw_col_t(column), table.columns.at(column), formats.heading);
        QStringList texts = {table.columns.at(column)};
        for (const QStringList& row : table.rows)
            texts << row.value(column);
        out.width(lxw_col_t(column), lxw_col_t(column), widthOf(texts, 6, 24));
    }
    for (int row = 0; row < table.rows.size(); ++row) {
        const bool person = row < sheet.people.size();
        for (int column = 0; column < table.rows.at(row).size(); ++column) {
            const QString& value = table.rows.at(row).at(column);
            const lxw_row_t at = lxw_row_t(row + 1);
            if (column == 1) {
                out.text(at, 1, value, formats.name);
                continue;
            }
            // Numbers as numbers, so that the spreadsheet can sum and sort them.
            lxw_format* format =
                person && column == 2 && totals.standsOut(row) ? formats.standOut : formats.cell;
            bool isNumber = false;
            const double number = value.toDouble(&isNumber);
            if (isNumber)
                out.number(at, lxw_col_t(column), number, format);
            else
                out.text(at, lxw_col_t(column), value, format);
        }
    }
    worksheet_freeze_panes(out.get(), 1, 2);
    worksheet_set_paper(out.get(), kPaperA4);
    worksheet_fit_to_pages(out.get(), 1, 0);
}

} // namespace

bool writeWorkbook(const QString& path, const MonthSheet& sheet, const SheetTotals& totals,
                   const engine::RosterTable& roster, QString* error) {
    const QString refusal = files::outputFileProblem(path);
    if (!refusal.isEmpty()) {
        if (error)
            *error = refusal;
        return false;
    }
    // The library writes a file of its own (and its scratch files) in the
    // staging folder beside the target; the file is put in place whole.
    files::StagingFolder staging(path);
    if (!staging.isValid()) {
        if (error)
            *error = files::outputFailedMessage(path, staging.problem().reason);
        return false;
    }
    const QByteArray draft = QFile::encodeName(staging.filePath());
    QByteArray scratchPath = QFile::encodeName(staging.path());
    lxw_workbook_options options = {};
    options.tmpdir = scratchPath.data();
    lxw_workbook* book = workbook_new_opt(draft.constData(), &options);
    if (!book) {
        if (error)
            *error = files::outputFailedMessage(path, QStringLiteral("xlsx"));
        return false;
    }
    const Formats formats(book);
    Sheet month(book, sheetTitle);
    Sheet rows(book, rosterSheetTitle);
    Sheet counts(book, totalsTitle);
    lxw_error result = LXW_NO_ERROR;
    if (month.get() && rows.get() && counts.get()) {
        writeMonthSheet(month, formats, sheet, totals);
        writeRoster(rows, formats, roster);
        writeTotals(counts, formats, sheet, totals);
    }
    for (const Sheet* written : {&month, &rows, &counts})
        if (result == LXW_NO_ERROR)
            result = written->error();
    const lxw_error closed = workbook_close(book);
    if (result == LXW_NO_ERROR)
        result = closed;
    if (result != LXW_NO_ERROR) {
        if (error)
            *error = files::outputFailedMessage(path, QString::fromUtf8(lxw_strerror(result)));
        return false;
    }
    FileCheck problem;
    if (!staging.commit(files::Placement::Replace, &problem)) {
        if (error)
            *error = files::outputFailedMessage(path, problem.reason);
        return false;
    }
    return true;
}

} // namespace korvane::monthsheet
