#include "engine/planningdata.h"

#include "engine/assignment.h"

#include "store/membership.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QDate>
#include <QTime>

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>

namespace korvane::engine {

namespace {

const QString kCalendarQuery =
    QStringLiteral("select 日期, 所属日期组ID from 日期类型 order by 日期, rowid");
const QString kShiftQuery =
    QStringLiteral("select idid, 班次名称, 起始时间, 次日, 终止时间, 连续次数, 分布日期, 人数, "
                   "开始秒序, 结束秒序 from banci order by 起始时间, 结束秒序, idid");
const QString kStaffQuery =
    QStringLiteral("select IDID, ID, 姓名, 所属组ID from 基本信息 order by 家庭住址, IDID");
const QString kLimitQuery = QStringLiteral(
    "select l.对象, l.对象IDID, l.最多班数, l.最多跨日班数, l.最多周末班数, l.最多连续天数, "
    "l.最少休息小时, (select g.值班人员组名称 from 值班人员组 g where g.idid = l.对象IDID "
    "limit 1) from 人员限制 l");
const QString kLeaveQuery =
    QStringLiteral("select 人员IDID, 开始日期, 结束日期, 原因 from 休假 order by 编号");
const QString kOwnTablesPresent = QStringLiteral(
    "select count(*) from sqlite_master where type = 'table' and name in ('人员限制', '休假')");
const QString kOvernight = QStringLiteral("跨转至次日");
const QString kPersonLimit = QStringLiteral("人员");
const QString kGroupLimit = QStringLiteral("组");

// A limit as stored: a number (a fraction rounds down, below 0 counts as 0);
// anything else is no limit.
std::optional<int> countLimit(const QVariant& value) {
    bool number = false;
    const double limit = value.toDouble(&number);
    if (value.isNull() || !number || std::isnan(limit))
        return std::nullopt;
    return int(std::clamp(std::floor(limit), 0.0, 1e9));
}

std::optional<double> hoursLimit(const QVariant& value) {
    bool number = false;
    const double hours = value.toDouble(&number);
    if (value.isNull() || !number || std::isnan(hours))
        return std::nullopt;
    return std::max(hours, 0.0);
}

// "HH:mm" as minutes after midnight.
std::optional<int> minuteOf(const QVariant& text) {
    const QTime time = QTime::fromString(text.toString(), QStringLiteral("HH:mm"));
    if (!time.isValid())
        return std::nullopt;
    return time.hour() * 60 + time.minute();
}

template <typename T>
void tightenOne(std::optional<T>& mine, QString& mineFrom, const std::optional<T>& other,
                const QString& otherFrom, bool larger) {
    if (other && (!mine || (larger ? *other > *mine : *other < *mine))) {
        mine = other;
        mineFrom = otherFrom;
    }
}
const QString kDateGroupQuery = QStringLiteral("select 日期组名称, idid from 日期组");

} // namespace

bool PlanningData::load(QSqlDatabase& db, QString* error) {
    calendar.clear();
    shifts.clear();
    staff.clear();
    dateGroupsByName.clear();
    calendarRowsByDay.clear();

    QSqlQuery query(db);
    if (!execBound(query, kCalendarQuery, {}, error))
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

    if (!execBound(query, kShiftQuery, {}, error))
        return false;
    while (query.next()) {
        Shift shift;
        shift.idid = query.value(0).toLongLong();
        shift.name = query.value(1).toString();
        shift.consecutiveLimit = query.value(5).toString();
        shift.distribution = query.value(6).toString();
        shift.headcount = query.value(7).toDouble();
        shift.rosterColumns = {query.value(1), query.value(2), query.value(3), query.value(4)};
        shift.overnight = query.value(3).toString() == kOvernight;
        // The times as typed; the stored minutes where the text is no time.
        const std::optional<int> start = minuteOf(query.value(2));
        const std::optional<int> end = minuteOf(query.value(4));
        shift.startMinute = start ? *start : int(query.value(8).toDouble());
        shift.endMinute =
            end ? *end + (shift.overnight ? 1440 : 0) : int(query.value(9).toDouble());
        shifts.append(shift);
    }

    if (!execBound(query, kStaffQuery, {}, error))
        return false;
    while (query.next())
        staff.append({query.value(0).toLongLong(), query.value(1).toLongLong(),
                      query.value(2).toString(), query.value(3).toString()});
    limits = QList<WorkLimits>(staff.size());
    leave = QList<QList<Leave>>(staff.size());

    if (!execBound(query, kDateGroupQuery, {}, error))
        return false;
    while (query.next())
        if (!query.value(0).isNull()) // a group without a name is never named by a shift
            dateGroupsByName[query.value(0).toString()].append(query.value(1).toLongLong());
    targets::Objectives objectives;
    if (!targets::load(db, &objectives, error))
        return false;
    marks = std::move(objectives.marks);
    successions = std::move(objectives.successions);
    ideal = std::move(objectives.ideal);
    most = std::move(objectives.most);
    return loadLimitsAndLeave(query, error);
}

int PlanningData::mostOnSlot(int shift) const {
    const qint64 idid = shifts.at(shift).idid;
    int taken = peopleTaken(shifts.at(shift).headcount);
    const auto found = ideal.constFind(idid);
    if (found != ideal.constEnd() && found->weight > 0)
        taken = std::max(taken, peopleTaken(found->ideal));
    if (const auto set = most.constFind(idid); set != most.constEnd())
        taken = std::max(taken, peopleTaken(*set));
    return taken;
}

// Limits and leave live in the program's own tables, which a file gets when
// it is first opened for writing; a file without them has neither.
bool PlanningData::loadLimitsAndLeave(QSqlQuery& query, QString* error) {
    if (!execBound(query, kOwnTablesPresent, {}, error) || !query.next())
        return false;
    if (query.value(0).toInt() < 2)
        return true;
    QHash<qint64, int> personOfIdid;
    for (int i = 0; i < staff.size(); ++i)
        personOfIdid.insert(staff.at(i).idid, i);
    if (!execBound(query, kLimitQuery, {}, error))
        return false;
    while (query.next()) {
        WorkLimits limit = WorkLimits::fromStored(query.value(2), query.value(3), query.value(4),
                                                  query.value(5), query.value(6));
        const QString kind = query.value(0).toString();
        if (kind == kGroupLimit)
            limit.from.fill(query.value(7).toString());
        const qint64 target = query.value(1).toLongLong();
        for (int i = 0; i < staff.size(); ++i)
            if ((kind == kPersonLimit && staff.at(i).idid == target) ||
                (kind == kGroupLimit && membership::contains(staff.at(i).memberships, target)))
                limits[i].tighten(limit);
    }
    if (!execBound(query, kLeaveQuery, {}, error))
        return false;
    while (query.next()) {
        const int person = personOfIdid.value(query.value(0).toLongLong(), -1);
        const QDate first = QDate::fromString(query.value(1).toString(), Qt::ISODate);
        const QDate last = QDate::fromString(query.value(2).toString(), Qt::ISODate);
        // The editor refuses what a run cannot read; a row that gets here
        // anyway (a person deleted, a range the wrong way) is left out.
        if (person < 0 || !first.isValid() || !last.isValid() || last < first)
            continue;
        leave[person].append({first.toJulianDay(), last.toJulianDay(), query.value(3).toString()});
    }
    return true;
}

bool PlanningData::hasLimitsOrLeave() const {
    for (int i = 0; i < staff.size(); ++i)
        if (limits.at(i).any() || !leave.at(i).isEmpty())
            return true;
    return false;
}

WorkLimits WorkLimits::fromStored(const QVariant& shifts, const QVariant& overnight,
                                  const QVariant& weekend, const QVariant& consecutive,
                                  const QVariant& restHours) {
    WorkLimits limits;
    limits.shifts = countLimit(shifts);
    limits.overnight = countLimit(overnight);
    limits.weekend = countLimit(weekend);
    limits.consecutive = countLimit(consecutive);
    limits.restHours = hoursLimit(restHours);
    return limits;
}

void WorkLimits::tighten(const WorkLimits& other) {
    tightenOne(shifts, from[0], other.shifts, other.from[0], false);
    tightenOne(overnight, from[1], other.overnight, other.from[1], false);
    tightenOne(weekend, from[2], other.weekend, other.from[2], false);
    tightenOne(consecutive, from[3], other.consecutive, other.from[3], false);
    tightenOne(restHours, from[4], other.restHours, other.from[4], true);
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
