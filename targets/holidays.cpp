#include "targets/holidays.h"

#include "store/membership.h"
#include "store/messages.h"
#include "store/sqltext.h"
#include "targets/messages.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace korvane::targets {

namespace {

const QString kCalendar = QStringLiteral("select 日期, 节假日 from 日期类型 order by 日期, rowid");
const QString kSetMark = QStringLiteral("update 日期类型 set 节假日 = ? where 日期 = ?");
const QString kDateGroupsNamed = QStringLiteral("select idid from 日期组 where 日期组名称 = ?");
const QString kAddDateGroup = QStringLiteral("insert into 日期组 (日期组名称) values (?)");
const QString kMemberships =
    QStringLiteral("select rowid, 日期, 所属日期组ID from 日期类型 order by 日期, rowid");
const QString kSetMemberships =
    QStringLiteral("update 日期类型 set 所属日期组ID = ? where rowid = ?");

QString iso(const QDate& date) {
    return date.toString(Qt::ISODate);
}

} // namespace

bool HolidayEditor::fail(const QString& error) {
    m_prompt.information(msg::storeFailed.arg(error));
    return false;
}

std::optional<QList<MarkedDate>> HolidayEditor::calendar() {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kCalendar, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    QList<MarkedDate> dates;
    while (query.next()) {
        const QDate date = QDate::fromString(query.value(0).toString(), Qt::ISODate);
        if (date.isValid() && (dates.isEmpty() || dates.last().date != date))
            dates.append({date, dayMarkOf(query.value(1))});
    }
    return dates;
}

bool HolidayEditor::mark(const QList<QDate>& dates, DayMark mark) {
    const std::optional<QList<MarkedDate>> period = calendar();
    if (!period)
        return false;
    QSet<QDate> inPeriod;
    for (const MarkedDate& day : *period)
        inPeriod.insert(day.date);
    for (const QDate& date : dates) {
        if (!inPeriod.contains(date)) {
            const QString first = period->isEmpty() ? QString() : iso(period->first().date);
            const QString last = period->isEmpty() ? QString() : iso(period->last().date);
            m_prompt.information(period->isEmpty()
                                     ? msg::noPeriod
                                     : targetmsg::markOutsidePeriod.arg(iso(date), first, last));
            return false;
        }
        if (mark == DayMark::WorkingWeekend && date.dayOfWeek() < 6) {
            m_prompt.information(targetmsg::workingWeekendOnWeekday.arg(
                iso(date), QLocale(QLocale::Chinese, QLocale::China).dayName(date.dayOfWeek())));
            return false;
        }
    }
    const QVariant stored = mark == DayMark::Holiday ? QVariant(holidayMark)
                            : mark == DayMark::WorkingWeekend
                                ? QVariant(workingWeekendMark)
                                : QVariant(QMetaType::fromType<QString>());
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QSqlQuery query(m_db);
    QString error;
    for (const QDate& date : dates) {
        if (!execBound(query, kSetMark, {stored, iso(date)}, &error)) {
            m_db.rollback();
            return fail(error);
        }
    }
    if (!m_db.commit()) {
        error = m_db.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    return true;
}

std::optional<QList<HolidayEditor::GroupDays>> HolidayEditor::plannedGroups() {
    const std::optional<QList<MarkedDate>> period = calendar();
    if (!period)
        return std::nullopt;
    DayMarks marks;
    for (const MarkedDate& day : *period)
        if (day.mark != DayMark::None)
            marks.insert(day.date.toJulianDay(), day.mark);
    QList<GroupDays> groups = {
        {weekendGroup, {}, {}}, {holidayGroup, {}, {}}, {workdayGroup, {}, {}}};
    QSqlQuery query(m_db);
    QString error;
    for (GroupDays& group : groups) {
        if (!execBound(query, kDateGroupsNamed, {group.name}, &error)) {
            fail(error);
            return std::nullopt;
        }
        while (query.next())
            group.ids << query.value(0).toLongLong();
    }
    for (const MarkedDate& day : *period) {
        const bool weekend = isWeekendDay(day.date.toJulianDay(), marks);
        (weekend ? groups[0] : groups[2]).dates << day.date;
        if (day.mark == DayMark::Holiday)
            groups[1].dates << day.date;
    }
    // 工作日 only where the planner made it.
    if (groups[2].ids.isEmpty())
        groups.removeLast();
    return groups;
}

std::optional<QStringList> HolidayEditor::groupsToFill() {
    const auto groups = plannedGroups();
    if (!groups)
        return std::nullopt;
    QStringList lines;
    for (const GroupDays& group : *groups)
        lines << targetmsg::groupDates.arg(group.name).arg(group.dates.size());
    return lines;
}

bool HolidayEditor::fillDateGroups() {
    std::optional<QList<GroupDays>> groups = plannedGroups();
    const std::optional<QStringList> lines = groupsToFill();
    if (!groups || !lines ||
        !m_prompt.question(targetmsg::fillGroupsQuestion.arg(lines->join(QStringLiteral("、")))))
        return false;
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QSqlQuery query(m_db);
    QString error;
    bool done = true;
    for (GroupDays& group : *groups) {
        if (!group.ids.isEmpty() || !done)
            continue;
        done = execBound(query, kAddDateGroup, {group.name}, &error);
        if (done)
            group.ids << lastInsertedId(query).toLongLong();
    }
    // A row's identity as the store gives it (a ward's is no number).
    QList<std::pair<QVariant, QString>> rows;
    done = done && execBound(query, kMemberships, {}, &error);
    while (done && query.next()) {
        const QDate date = QDate::fromString(query.value(1).toString(), Qt::ISODate);
        QString memberships = query.value(2).toString();
        const QString before = memberships;
        for (const GroupDays& group : *groups) {
            for (qint64 id : group.ids) {
                const bool member = group.dates.contains(date);
                if (member && !membership::contains(memberships, id))
                    memberships = membership::added(memberships, id);
                else if (!member && membership::contains(memberships, id))
                    memberships = membership::removed(memberships, id);
            }
        }
        if (memberships != before)
            rows.append({query.value(0), memberships});
    }
    for (const auto& [row, memberships] : rows)
        done = done && execBound(query, kSetMemberships, {memberships, row}, &error);
    if (!done || !m_db.commit()) {
        if (done)
            error = m_db.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    return true;
}

} // namespace korvane::targets
