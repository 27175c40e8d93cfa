#pragma once

#include "engine/rostertable.h"
#include "monthsheet/monthsheet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The month sheet in words: captions, cell texts, and the sheet as the
// terminal and a CSV file show it.
namespace korvane::monthsheet {

inline const QString sheetTitle = QStringLiteral("排班总表");
inline const QString totalsTitle = QStringLiteral("统计");
inline const QString rosterSheetTitle = QStringLiteral("值班表");
inline const QString idCaption = QStringLiteral("ID");
inline const QString nameCaption = QStringLiteral("姓名");
inline const QString onDutyCaption = QStringLiteral("在班人数");
// Per person: shifts, overnight shifts, shifts on Saturdays and Sundays, hours.
// The overnight total is 跨日班, never the name a planner may give a shift (夜班).
inline const QStringList totalsCaptions = {QStringLiteral("班数"), QStringLiteral("跨日班"),
                                           QStringLiteral("周末班"), QStringLiteral("工时")};
inline const QStringList spreadCaptions = {QStringLiteral("最少"), QStringLiteral("最多"),
                                           QStringLiteral("相差")};
// Follows a shift that runs into the next day.
inline const QString overnightMark = QStringLiteral("→");
inline const QString overnightLegend = QStringLiteral("→ 表示跨至次日");
inline const QString shiftSeparator = QStringLiteral("/");

// 一 二 三 四 五 六 日.
QString weekdayName(const QDate& date);

// A date column's heading: the month where it starts or changes ("1月",
// else empty), the day of the month, the weekday.
struct DateHeading {
    QString month;
    QString day;
    QString weekday;
};
DateHeading dateHeading(const MonthSheet& sheet, int date);
// 1月5日 二
QString shortDateText(const QDate& date);

// The shift's name, marked when it runs into the next day.
QString shiftLabel(const SheetShift& shift);
// The shifts of a cell joined by "/".
QString cellText(const MonthSheet& sheet, int person, int date);
// A short label per shift of the sheet, for cells too narrow for the names:
// the fewest first characters of its name that no other name begins with
// (the whole name when it is the beginning of another), marked like
// shiftLabel. Rows of one name share their label.
QStringList shortLabels(const MonthSheet& sheet);
// The legend of the short labels of the given shifts: "白=白班  大→=大夜班",
// each label once.
QString shortLabelLegend(const MonthSheet& sheet, const QStringList& labels,
                         const QList<int>& shifts);
// The person, the date and each shift with its times, one per line.
QString cellDetails(const MonthSheet& sheet, int person, int date);
// 2027年1月1日 至 2027年1月31日 (empty without dates).
QString periodText(const MonthSheet& sheet);

// Hours with at most one decimal: 8, 7.5.
QString hoursText(double hours);
// Shifts, overnight, weekend, hours of one person.
QStringList totalsTexts(const PersonTotals& totals);
// The four spreads' lowest, highest or difference (which: 0, 1, 2).
QStringList spreadTexts(const SheetTotals& totals, int which);

// One line per person (ID, name, cells, totals) and a last one of the
// people on duty per date.
QList<QStringList> sheetRows(const MonthSheet& sheet, const SheetTotals& totals);
// The column names of sheetRows with one-line date headings (1月5日 二).
QStringList sheetColumns(const MonthSheet& sheet);

// The totals as a table: ID, name, the four totals, then the shifts of each
// kind; below the people, the lowest, highest and difference of the four.
engine::RosterTable totalsTable(const MonthSheet& sheet, const SheetTotals& totals);

// The sheet for a terminal: the period, the columns aligned for CJK widths
// under three heading lines (month, day, weekday), then the spreads.
QStringList formatSheet(const MonthSheet& sheet, const SheetTotals& totals);
// The sheet as CSV, as the roster's CSV is written.
QByteArray sheetCsv(const MonthSheet& sheet, const SheetTotals& totals);

} // namespace korvane::monthsheet
