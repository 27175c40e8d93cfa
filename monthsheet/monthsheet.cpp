#include "monthsheet/monthsheet.h"

#include "editors/shifteditor.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace korvane::monthsheet {

namespace {

const QString kCalendarQuery = QStringLiteral("select distinct 日期 from 日期类型");
const QString kStaffQuery = QStringLiteral("select IDID, ID, 姓名 from 基本信息 order by ID, IDID");
const QString kShiftQuery =
    QStringLiteral("select idid, 班次名称, 起始时间, 终止时间, 次日, 开始秒序, 结束秒序, 人数 "
                   "from banci order by 起始时间, 结束秒序, idid");
// The partial index on the assigned rows serves this.
const QString kAssignedQuery = QStringLiteral(
    "select 日期, 班次IDID, 姓名IDID from 值班底表 where 是否值班 = '1' order by idid");

Spread spreadOf(const QList<double>& values) {
    if (values.isEmpty())
        return {};
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    return {*lowest, *highest};
}

} // namespace

void MonthSheet::resetCells() {
    cells = QList<QList<int>>(dates.size() * people.size());
}

void MonthSheet::add(int person, int date, int shift) {
    QList<int>& held = cells[qsizetype(person) * dates.size() + date];
    held.insert(std::upper_bound(held.begin(), held.end(), shift), shift);
}

bool MonthSheet::hasDuties() const {
    return std::any_of(cells.begin(), cells.end(),
                       [](const QList<int>& cell) { return !cell.isEmpty(); });
}

int MonthSheet::onDuty(int date) const {
    int count = 0;
    for (int person = 0; person < people.size(); ++person)
        if (!cell(person, date).isEmpty())
            ++count;
    return count;
}

SheetShift shiftFromRow(const QSqlQuery& row) {
    SheetShift shift;
    shift.idid = row.value(0).toLongLong();
    shift.name = row.value(1).toString();
    shift.start = row.value(2).toString();
    shift.end = row.value(3).toString();
    shift.overnight = row.value(4).toString() == shift::crossing;
    shift.minutes = qMax(0, int(std::lround(row.value(6).toDouble() - row.value(5).toDouble())));
    shift.headcount = row.value(7).toDouble();
    return shift;
}

bool loadMonthSheet(QSqlDatabase& db, MonthSheet* sheet, QString* error) {
    *sheet = {};
    QSqlQuery query(db);
    QHash<QString, int> dateColumn;
    if (!execBound(query, kCalendarQuery, {}, error))
        return false;
    while (query.next()) {
        const QString text = query.value(0).toString();
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (!date.isValid()) {
            if (error)
                *error = msg::calendarDateInvalid.arg(text);
            return false;
        }
        sheet->dates << date;
    }
    std::sort(sheet->dates.begin(), sheet->dates.end());
    if (!targets::loadDayMarks(db, &sheet->marks, error))
        return false;
    for (int i = 0; i < sheet->dates.size(); ++i)
        dateColumn.insert(sheet->dates.at(i).toString(Qt::ISODate), i);

    QHash<qint64, int> personRow;
    if (!execBound(query, kStaffQuery, {}, error))
        return false;
    while (query.next()) {
        const SheetPerson person{query.value(0).toLongLong(), query.value(1).toLongLong(),
                                 query.value(2).toString()};
        personRow.insert(person.idid, int(sheet->people.size()));
        sheet->people << person;
    }

    QHash<qint64, int> shiftIndex;
    if (!execBound(query, kShiftQuery, {}, error))
        return false;
    while (query.next()) {
        const SheetShift shift = shiftFromRow(query);
        shiftIndex.insert(shift.idid, int(sheet->shifts.size()));
        sheet->shifts << shift;
    }

    sheet->resetCells();
    if (!execBound(query, kAssignedQuery, {}, error))
        return false;
    while (query.next()) {
        // A row whose date, shift or person is gone has no place on the sheet.
        const auto date = dateColumn.constFind(query.value(0).toString());
        const auto shift = shiftIndex.constFind(query.value(1).toLongLong());
        const auto person = personRow.constFind(query.value(2).toLongLong());
        if (date == dateColumn.constEnd() || shift == shiftIndex.constEnd() ||
            person == personRow.constEnd())
            continue;
        sheet->add(*person, *date, *shift);
    }
    return true;
}

bool SheetTotals::standsOut(int person) const {
    return std::abs(people.at(person).shifts - meanShifts) >
           std::max(kLeastStandingOut, kDeviationsStandingOut * shiftsDeviation);
}

SheetTotals sheetTotals(const MonthSheet& sheet) {
    SheetTotals totals;
    QList<double> shifts, overnight, weekend, hours;
    for (int person = 0; person < sheet.people.size(); ++person) {
        PersonTotals own;
        own.byShift = QList<int>(sheet.shifts.size(), 0);
        for (int date = 0; date < sheet.dates.size(); ++date) {
            const bool weekendDay = sheet.isWeekendDate(date);
            for (int index : sheet.cell(person, date)) {
                const SheetShift& shift = sheet.shifts.at(index);
                ++own.shifts;
                ++own.byShift[index];
                own.minutes += shift.minutes;
                if (shift.overnight)
                    ++own.overnight;
                if (weekendDay)
                    ++own.weekend;
            }
        }
        shifts << own.shifts;
        overnight << own.overnight;
        weekend << own.weekend;
        hours << own.minutes / 60.0;
        totals.meanShifts += own.shifts;
        totals.people << own;
    }
    if (!totals.people.isEmpty()) {
        totals.meanShifts /= double(totals.people.size());
        double squares = 0;
        for (double count : shifts)
            squares += (count - totals.meanShifts) * (count - totals.meanShifts);
        totals.shiftsDeviation = std::sqrt(squares / double(shifts.size()));
    }
    totals.shifts = spreadOf(shifts);
    totals.overnight = spreadOf(overnight);
    totals.weekend = spreadOf(weekend);
    totals.hours = spreadOf(hours);
    return totals;
}

} // namespace korvane::monthsheet
