#include "engine/planningdata.h"

#include "store/membership.h"
#include "store/messages.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace korvane::engine {

namespace {

const QString kCalendarQuery =
    QStringLiteral("select 日期, 所属日期组ID from 日期类型 order by 日期, rowid");
const QString kShiftQuery =
    QStringLiteral("select idid, 班次名称, 起始时间, 次日, 终止时间, 连续次数, 分布日期, 人数 "
                   "from banci order by 起始时间, 结束秒序, idid");
const QString kStaffQuery =
    QStringLiteral("select IDID, ID, 姓名 from 基本信息 order by 家庭住址, IDID");
const QString kDateGroupQuery = QStringLiteral("select 日期组名称, idid from 日期组");

bool run(QSqlQuery& query, const QString& sql, QString* error) {
    query.setForwardOnly(true);
    if (query.exec(sql))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

} // namespace

bool PlanningData::load(QSqlDatabase& db, QString* error) {
    calendar.clear();
    shifts.clear();
    staff.clear();
    dateGroupsByName.clear();
    calendarRowsByDay.clear();

    QSqlQuery query(db);
    if (!run(query, kCalendarQuery, error))
        return false;
    while (query.next()) {
        CalendarDay day;
        day.text = query.value(0).toString();
        const QDate date = QDate::fromString(day.text, Qt::ISODate);
        if (!date.isValid()) {
            if (error)
                *error = msg::calendarDateInvalid.arg(day.text);
            return false;
        }
        day.day = date.toJulianDay();
        day.memberships = query.value(1).toString();
        calendarRowsByDay[day.day].append(int(calendar.size()));
        calendar.append(day);
    }

    if (!run(query, kShiftQuery, error))
        return false;
    while (query.next()) {
        Shift shift;
        shift.idid = query.value(0).toLongLong();
        shift.name = query.value(1).toString();
        shift.consecutiveLimit = query.value(5).toString();
        shift.distribution = query.value(6).toString();
        shift.headcount = query.value(7).toDouble();
        shift.rosterColumns = {query.value(1), query.value(2), query.value(3), query.value(4)};
        shifts.append(shift);
    }

    if (!run(query, kStaffQuery, error))
        return false;
    while (query.next())
        staff.append(
            {query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toString()});

    if (!run(query, kDateGroupQuery, error))
        return false;
    while (query.next())
        if (!query.value(0).isNull()) // a group without a name is never named by a shift
            dateGroupsByName[query.value(0).toString()].append(query.value(1).toLongLong());
    return true;
}

int PlanningData::distributionMatches(const CalendarDay& day, const QString& groupName) const {
    const auto groups = dateGroupsByName.constFind(groupName);
    if (groups == dateGroupsByName.constEnd())
        return 0;
    // The test joins every calendar row of the date with every group of the
    // name, so a repeated calendar date counts once per row.
    int matches = 0;
    for (int row : calendarRowsByDay.value(day.day))
        for (qint64 group : *groups)
            if (membership::contains(calendar.at(row).memberships, group))
                ++matches;
    return matches;
}

bool PlanningData::distributed(const CalendarDay& day, const Shift& shift, bool* twice) const {
    *twice = false;
    if (shift.distribution == everyDate)
        return true;
    const int matches = distributionMatches(day, shift.distribution);
    *twice = matches > 1;
    return matches > 0;
}

QString longDate(qint64 day) {
    const QDate date = QDate::fromJulianDay(day);
    return QStringLiteral("%1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
}

QString isoDate(qint64 day) {
    return QDate::fromJulianDay(day).toString(Qt::ISODate);
}

} // namespace korvane::engine
