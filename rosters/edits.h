#pragma once

#include "rosters/savedroster.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

// Hand edits of a saved roster: each is a set of changes to its stored
// assignments, applied in one transaction, and undone by its inverse.
namespace korvane::rosters {

// A row of 存档值班 as it is, or is not, before or after an edit.
struct DutyRow {
    qint64 number = 0; // 编号; 0 for a row an edit adds that has no number yet
    bool present = false;
    QString date; // yyyy-MM-dd
    qint64 shift = 0;
    qint64 person = 0;
    bool byHand = false;
    bool operator==(const DutyRow&) const = default;
};

struct RowChange {
    DutyRow before;
    DutyRow after;
};

struct Edit {
    QList<RowChange> changes;
    bool isEmpty() const { return changes.isEmpty(); }
    Edit inverse() const;
};

// The person at position of a slot replaced by person (基本信息.IDID).
Edit replacePerson(const SavedRoster& roster, int slot, int position, qint64 person);
// Two cells exchange their people: whoever works the one takes the other's
// shifts, and the other way round. Empty for cells of one person.
Edit swapCells(const SavedRoster& roster, int personA, int dateA, int personB, int dateB);
Edit removeDuty(const SavedRoster& roster, int slot, int position);
// The person (an index of the sheet) also works shift (an index) on date.
Edit addDuty(const SavedRoster& roster, int person, int date, int shift);

// Applies the edit in one transaction when every row is still as it says
// before; a row an edit adds gets its number (kept for a redo). The roster's
// 修改时间 is set. False with the reason, and nothing changed.
bool applyEdit(QSqlDatabase& db, qint64 roster, Edit* edit, QString* error);

// The people of the sheet free on a date (no shift that day), fewest
// shifts of the roster first, then in the sheet's order.
QList<int> freePeople(const SavedRoster& roster, int date);

} // namespace korvane::rosters
