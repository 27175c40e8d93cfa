#pragma once

#include "engine/run.h"
#include "rosters/savedroster.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Locks on a saved roster, and generating it again around them.
namespace korvane::rosters {

enum class LockKind {
    Cell,   // a person's shifts on one date
    Person, // a person's whole row
    Date,   // a date's whole column
};

struct Lock {
    qint64 number = 0; // 存档锁定.编号
    LockKind kind = LockKind::Cell;
    QDate date;        // Cell and Date
    qint64 person = 0; // 基本信息.IDID; Cell and Person
};

bool loadLocks(QSqlDatabase& db, qint64 roster, QList<Lock>* locks, QString* error);
// Locks (once) or unlocks a cell, a row or a column, in one transaction.
bool setLocked(QSqlDatabase& db, qint64 roster, const Lock& lock, bool locked, QString* error);
// Whether the sheet's cell is held by a lock (of its own, its row or its column).
bool holds(const QList<Lock>& locks, const monthsheet::MonthSheet& sheet, int person, int date);

// The roster's assignments its locks hold, by date and the order of a day.
QList<engine::LockedAssignment> lockedAssignments(const SavedRoster& roster,
                                                  const QList<Lock>& locks);

// The shifts worked in the saved roster that ends the day before the
// current period starts (the latest changed one, when several do), so that
// rest and consecutive days count across the start of the period; in the
// order they were worked. Every run takes them.
bool earlierShifts(QSqlDatabase& db, QList<engine::EarlierShift>* shifts, QString* error);
// The same for a roster that starts on first (a saved roster of another period).
bool earlierShiftsBefore(QSqlDatabase& db, const QDate& first, QList<engine::EarlierShift>* shifts,
                         QString* error);

// What a regeneration of a saved roster takes. problem: why it cannot run
// (another period); leftOut: a line per lock that can no longer hold.
struct Regeneration {
    QString name;
    engine::RunExtras extras;
    QStringList leftOut;
    // The locks the run can hold that break leave, a rule or a limit of the
    // set-up as it is now (or rest, overlap, a forbidden succession), judged
    // by the hand-edit warnings' checks on the held shifts alone: a line per
    // lock with what it breaks, and its index into extras.locked. Kept, the
    // run places them all the same and the roster's warnings name them.
    QStringList conflicts;
    QList<int> conflicting;
    // The shifts placed by hand: those no held lock keeps are replaced.
    QList<engine::LockedAssignment> byHand;
    QString problem;
};
bool prepareRegeneration(QSqlDatabase& db, qint64 roster, Regeneration* regeneration,
                         QString* error);
// Leaves the conflicting locks out of the run.
void dropConflictingLocks(Regeneration* regeneration);
// How many shifts placed by hand the run replaces: every one no held lock keeps.
int lostHandEdits(const Regeneration& regeneration);

} // namespace korvane::rosters
