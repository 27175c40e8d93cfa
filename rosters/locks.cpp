#include "rosters/locks.h"

#include "engine/planningdata.h"
#include "rosters/statements.h"
#include "store/messages.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace korvane::rosters {

namespace {

using sql::fail;

const QString kCell = QStringLiteral("格");
const QString kPerson = QStringLiteral("人");
const QString kDate = QStringLiteral("日");

QString kindText(LockKind kind) {
    switch (kind) {
    case LockKind::Cell:
        return kCell;
    case LockKind::Person:
        return kPerson;
    case LockKind::Date:
        break;
    }
    return kDate;
}

// The columns a lock of its kind is told apart by (the others are NULL).
QVariant dateOf(const Lock& lock) {
    return lock.kind == LockKind::Person ? QVariant() : QVariant(lock.date.toString(Qt::ISODate));
}
QVariant personOf(const Lock& lock) {
    return lock.kind == LockKind::Date ? QVariant() : QVariant(lock.person);
}

} // namespace

bool loadLocks(QSqlDatabase& db, qint64 roster, QList<Lock>* locks, QString* error) {
    locks->clear();
    QSqlQuery query(db);
    if (!execBound(
            query,
            QStringLiteral("select 编号, 对象, 日期, 人员IDID from 存档锁定 where 存档编号 = ? "
                           "order by 编号"),
            {roster}, error))
        return false;
    while (query.next()) {
        Lock lock;
        lock.number = query.value(0).toLongLong();
        const QString kind = query.value(1).toString();
        lock.kind = kind == kCell     ? LockKind::Cell
                    : kind == kPerson ? LockKind::Person
                                      : LockKind::Date;
        lock.date = QDate::fromString(query.value(2).toString(), Qt::ISODate);
        lock.person = query.value(3).toLongLong();
        locks->append(lock);
    }
    return true;
}

bool setLocked(QSqlDatabase& db, qint64 roster, const Lock& lock, bool locked, QString* error) {
    return sql::inTransaction(db, error, [&] {
        QSqlQuery query(db);
        const QVariantList key = {roster, kindText(lock.kind), dateOf(lock), personOf(lock)};
        const QString match =
            QStringLiteral("存档编号 = ? and 对象 = ? and 日期 is ? and 人员IDID is ?");
        return execBound(query, QStringLiteral("delete from 存档锁定 where ") + match, key,
                         error) &&
               (!locked ||
                execBound(query,
                          QStringLiteral("insert into 存档锁定 (存档编号, 对象, 日期, 人员IDID) "
                                         "values (?, ?, ?, ?)"),
                          key, error)) &&
               sql::stampChanged(query, roster, error);
    });
}

bool holds(const QList<Lock>& locks, const monthsheet::MonthSheet& sheet, int person, int date) {
    const qint64 idid = sheet.people.at(person).idid;
    const QDate day = sheet.dates.at(date);
    return std::any_of(locks.begin(), locks.end(), [&](const Lock& lock) {
        switch (lock.kind) {
        case LockKind::Cell:
            return lock.person == idid && lock.date == day;
        case LockKind::Person:
            return lock.person == idid;
        case LockKind::Date:
            break;
        }
        return lock.date == day;
    });
}

QList<engine::LockedAssignment> lockedAssignments(const SavedRoster& roster,
                                                  const QList<Lock>& locks) {
    QList<engine::LockedAssignment> held;
    const monthsheet::MonthSheet& sheet = roster.sheet;
    for (const SavedSlot& slot : roster.dutySlots)
        for (int person : slot.people)
            if (holds(locks, sheet, person, slot.date))
                held.append({sheet.dates.at(slot.date).toJulianDay(),
                             sheet.shifts.at(slot.shift).idid, sheet.people.at(person).idid});
    return held;
}

bool earlierShifts(QSqlDatabase& db, QList<engine::EarlierShift>* shifts, QString* error) {
    shifts->clear();
    QSqlQuery query(db);
    if (!execBound(query, QStringLiteral("select min(日期) from 日期类型"), {}, error))
        return false;
    if (!query.next())
        return fail(query, error);
    return earlierShiftsBefore(db, QDate::fromString(query.value(0).toString(), Qt::ISODate),
                               shifts, error);
}

bool earlierShiftsBefore(QSqlDatabase& db, const QDate& first, QList<engine::EarlierShift>* shifts,
                         QString* error) {
    shifts->clear();
    QSqlQuery query(db);
    bool present = false;
    if (!sql::hasRosterTables(query, &present, error))
        return false;
    if (!present || !first.isValid())
        return true;
    if (!execBound(
            query,
            QStringLiteral("select 编号 from 排班存档 where 结束日期 = ? order by 修改时间 desc, "
                           "编号 desc limit 1"),
            {first.addDays(-1).toString(Qt::ISODate)}, error))
        return false;
    if (!query.next())
        return true;
    const qint64 roster = query.value(0).toLongLong();
    // A month back is more than any run of working days or rest reaches.
    if (!execBound(
            query,
            QStringLiteral("select v.人员IDID, v.日期, s.结束秒序, v.班次IDID from 存档值班 v "
                           "join 存档班次 s on s.存档编号 = v.存档编号 and s.班次IDID = "
                           "v.班次IDID where v.存档编号 = ? and v.日期 >= ? order by v.日期, "
                           "s.结束秒序, v.编号"),
            {roster, first.addDays(-31).toString(Qt::ISODate)}, error))
        return false;
    while (query.next()) {
        const QDate day = QDate::fromString(query.value(1).toString(), Qt::ISODate);
        if (day.isValid())
            shifts->append({query.value(0).toLongLong(), day.toJulianDay(),
                            int(query.value(2).toDouble()), query.value(3).toLongLong()});
    }
    return true;
}

bool prepareRegeneration(QSqlDatabase& db, qint64 roster, Regeneration* regeneration,
                         QString* error) {
    *regeneration = {};
    SavedRoster saved;
    QList<Lock> locks;
    if (!loadSavedRoster(db, roster, &saved, error) || !loadLocks(db, roster, &locks, error))
        return false;
    regeneration->name = saved.summary.name;
    QSqlQuery query(db);
    if (!execBound(query, QStringLiteral("select min(日期), max(日期) from 日期类型"), {}, error))
        return false;
    if (!query.next())
        return fail(query, error);
    const QDate first = QDate::fromString(query.value(0).toString(), Qt::ISODate);
    const QDate last = QDate::fromString(query.value(1).toString(), Qt::ISODate);
    // The run plans the calendar of the set-up: it must be the roster's own.
    if (first != saved.summary.first || last != saved.summary.last) {
        regeneration->problem =
            msg::otherPeriod.arg(first.isValid() ? periodName(first, last) : QString(),
                                 periodName(saved.summary.first, saved.summary.last));
        return true;
    }
    const QList<engine::LockedAssignment> held = lockedAssignments(saved, locks);
    QString holdError;
    const QList<int> broken = engine::locksThatCannotHold(db, held, &holdError);
    if (!holdError.isEmpty()) {
        if (error)
            *error = holdError;
        return false;
    }
    const monthsheet::MonthSheet& sheet = saved.sheet;
    for (int i = 0; i < held.size(); ++i) {
        const engine::LockedAssignment& lock = held.at(i);
        if (!broken.contains(i)) {
            regeneration->extras.locked << lock;
            continue;
        }
        QString person, shift;
        for (const monthsheet::SheetPerson& p : sheet.people)
            if (p.idid == lock.person)
                person = p.name;
        for (const monthsheet::SheetShift& s : sheet.shifts)
            if (s.idid == lock.shift)
                shift = s.name;
        regeneration->leftOut << msg::lockLine.arg(engine::longDate(lock.day), person, shift);
    }
    return earlierShifts(db, &regeneration->extras.earlier, error);
}

} // namespace korvane::rosters
