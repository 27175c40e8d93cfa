#pragma once

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "targets/objectives.h"

// The month sheet: one row per person, one column per date, the shifts a
// person works that day in each cell. A plain structure, filled by one
// loader, so that every view of it (window, paper, workbook, terminal)
// shows the same cells.
namespace korvane::monthsheet {

struct SheetPerson {
    qint64 idid = 0; // 基本信息.IDID
    qint64 id = 0;   // ID, the number the user sees
    QString name;
};

struct SheetShift {
    qint64 idid = 0;
    QString name;
    QString start;          // 起始时间 "HH:mm"
    QString end;            // 终止时间 "HH:mm"
    bool overnight = false; // ends on the next day
    int minutes = 0;        // from its start to its end, the next day's part included
    double headcount = 0;   // 人数: how many people each of its slots needs
};

struct MonthSheet {
    QList<QDate> dates;        // ascending, each once
    QList<SheetPerson> people; // in ID order
    QList<SheetShift> shifts;  // in the order of a day (起始时间, 结束秒序, idid)
    // cells[person * dates.size() + date]: the person's shifts that day, as
    // indexes into shifts, in the order of a day.
    QList<QList<int>> cells;
    // The holidays and working weekends of the calendar among the dates.
    targets::DayMarks marks;

    // Sizes cells for the dates and people (every cell empty).
    void resetCells();
    const QList<int>& cell(int person, int date) const {
        return cells.at(qsizetype(person) * dates.size() + date);
    }
    void add(int person, int date, int shift);
    // Whether any cell holds a shift.
    bool hasDuties() const;
    // How many people work on that date.
    int onDuty(int date) const;
    // Whether the date is a weekend day of the marked calendar: shaded, and
    // counted among the weekend shifts.
    bool isWeekendDate(int date) const {
        return targets::isWeekendDay(dates.at(date).toJulianDay(), marks);
    }
};

// A shift from a query row of idid, 班次名称, 起始时间, 终止时间, 次日,
// 开始秒序, 结束秒序, 人数 (banci's columns, or a saved roster's copy of them).
SheetShift shiftFromRow(const QSqlQuery& row);

// The roster left by the last run: every date of the period, every person,
// and the rows of 值班底表 with 是否值班 = '1'. False with the reason.
bool loadMonthSheet(QSqlDatabase& db, MonthSheet* sheet, QString* error);

// Per person and for the staff as a whole.
struct PersonTotals {
    int shifts = 0;
    int overnight = 0;
    int weekend = 0;    // on weekend days of the marked calendar
    int minutes = 0;    // an overnight shift counted to its end
    QList<int> byShift; // shifts of each kind, as MonthSheet::shifts
};

struct Spread {
    double lowest = 0;
    double highest = 0;
    double difference() const { return highest - lowest; }
};

// How far from the mean a person's shifts stand out.
inline constexpr double kLeastStandingOut = 1.0; // shifts
inline constexpr double kDeviationsStandingOut = 2.0;

struct SheetTotals {
    QList<PersonTotals> people;
    Spread shifts;
    Spread overnight;
    Spread weekend;
    Spread hours;
    double meanShifts = 0;
    double shiftsDeviation = 0; // the standard deviation of the shifts over the staff
    // Further from the staff's mean than the rest are: more than two standard
    // deviations, and more than one shift.
    bool standsOut(int person) const;
};

SheetTotals sheetTotals(const MonthSheet& sheet);

} // namespace korvane::monthsheet
