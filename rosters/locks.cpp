#include "rosters/locks.h"

#include "engine/planningdata.h"
#include "rosters/statements.h"
#include "rosters/warnings.h"
#include "store/messages.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <QMap>

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

namespace {

// "2027年3月2日 丁 的白班", named from the roster's own copy.
QString lockText(const monthsheet::MonthSheet& sheet, const engine::LockedAssignment& lock) {
    QString person, shift;
    for (const monthsheet::SheetPerson& p : sheet.people)
        if (p.idid == lock.person)
            person = p.name;
    for (const monthsheet::SheetShift& s : sheet.shifts)
        if (s.idid == lock.shift)
            shift = s.name;
    return msg::lockLine.arg(engine::longDate(lock.day), person, shift);
}

// The held locks that break what the set-up asks, found by checking a sheet
// of the held shifts alone: what they break there, no run around them mends.
// Slot warnings (headcount) name no lock and are left to the run.
bool findConflicts(QSqlDatabase& db, const SavedRoster& saved, Regeneration* regeneration,
                   QString* error) {
    const QList<engine::LockedAssignment>& held = regeneration->extras.locked;
    if (held.isEmpty())
        return true;
    RosterChecker checker;
    if (!checker.load(db, error))
        return false;
    checker.setEarlierShifts(regeneration->extras.earlier);
    monthsheet::MonthSheet sheet = saved.sheet;
    sheet.resetCells();
    QHash<qint64, int> dateOf, shiftOf, personOf;
    for (int i = 0; i < sheet.dates.size(); ++i)
        dateOf.insert(sheet.dates.at(i).toJulianDay(), i);
    for (int i = 0; i < sheet.shifts.size(); ++i)
        shiftOf.insert(sheet.shifts.at(i).idid, i);
    for (int i = 0; i < sheet.people.size(); ++i)
        personOf.insert(sheet.people.at(i).idid, i);
    for (const engine::LockedAssignment& lock : held)
        sheet.add(personOf.value(lock.person), dateOf.value(lock.day), shiftOf.value(lock.shift));

    QMap<int, QStringList> broken; // by index into held
    for (const Warning& warning : checker.check(sheet)) {
        if (warning.person < 0)
            continue;
        const engine::LockedAssignment cell{sheet.dates.at(warning.date).toJulianDay(),
                                            sheet.shifts.at(warning.shift).idid,
                                            sheet.people.at(warning.person).idid};
        for (int i = 0; i < held.size(); ++i)
            if (held.at(i).day == cell.day && held.at(i).shift == cell.shift &&
                held.at(i).person == cell.person && !broken[i].contains(warning.text))
                broken[i] << warning.text;
    }
    for (auto it = broken.cbegin(); it != broken.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        regeneration->conflicting << it.key();
        regeneration->conflicts << lockText(sheet, held.at(it.key())) + msg::lockBreaks +
                                       it.value().join(msg::reasonSeparator);
    }
    return true;
}

} // namespace

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
        if (broken.contains(i))
            regeneration->leftOut << lockText(sheet, held.at(i));
        else
            regeneration->extras.locked << held.at(i);
    }
    for (const SavedSlot& slot : saved.dutySlots)
        for (int i = 0; i < slot.people.size(); ++i)
            if (slot.byHand.value(i))
                regeneration->byHand.append({sheet.dates.at(slot.date).toJulianDay(),
                                             sheet.shifts.at(slot.shift).idid,
                                             sheet.people.at(slot.people.at(i)).idid});
    return earlierShifts(db, &regeneration->extras.earlier, error) &&
           findConflicts(db, saved, regeneration, error);
}

void dropConflictingLocks(Regeneration* regeneration) {
    QList<engine::LockedAssignment> kept;
    for (int i = 0; i < regeneration->extras.locked.size(); ++i)
        if (!regeneration->conflicting.contains(i))
            kept << regeneration->extras.locked.at(i);
    regeneration->extras.locked = kept;
    regeneration->conflicting.clear();
}

int lostHandEdits(const Regeneration& regeneration) {
    const QList<engine::LockedAssignment>& held = regeneration.extras.locked;
    return int(std::count_if(regeneration.byHand.begin(), regeneration.byHand.end(),
                             [&](const engine::LockedAssignment& edit) {
                                 return std::none_of(held.begin(), held.end(), [&](const auto& l) {
                                     return l.day == edit.day && l.shift == edit.shift &&
                                            l.person == edit.person;
                                 });
                             }));
}

} // namespace korvane::rosters
