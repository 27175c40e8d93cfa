#include "rosters/edits.h"

#include "rosters/statements.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace korvane::rosters {

namespace {

using sql::fail;

DutyRow rowAt(const SavedRoster& roster, int slot, int position) {
    const SavedSlot& held = roster.dutySlots.at(slot);
    const monthsheet::MonthSheet& sheet = roster.sheet;
    return {held.rows.at(position),
            true,
            sheet.dates.at(held.date).toString(Qt::ISODate),
            sheet.shifts.at(held.shift).idid,
            sheet.people.at(held.people.at(position)).idid,
            held.byHand.at(position)};
}

// Whether the stored row is as the edit expects it before the change.
bool rowIs(QSqlQuery& query, qint64 roster, const DutyRow& row, bool* same, QString* error) {
    if (!execBound(
            query,
            QStringLiteral("select 日期, 班次IDID, 人员IDID, 手改 from 存档值班 where 编号 = ? "
                           "and 存档编号 = ?"),
            {row.number, roster}, error))
        return false;
    if (!query.next()) {
        *same = !row.present;
        return true;
    }
    *same = row.present && query.value(0).toString() == row.date &&
            query.value(1).toLongLong() == row.shift && query.value(2).toLongLong() == row.person &&
            (query.value(3).toInt() != 0) == row.byHand;
    return true;
}

bool change(QSqlQuery& query, qint64 roster, RowChange& step, QString* error) {
    // A row to add again (a redo, an undone removal) keeps its number.
    DutyRow expected = step.before;
    if (!expected.present)
        expected.number = step.after.number;
    if (expected.number != 0) {
        bool same = false;
        if (!rowIs(query, roster, expected, &same, error))
            return false;
        if (!same) {
            if (error)
                *error = msg::rosterChangedElsewhere;
            return false;
        }
    }
    DutyRow& after = step.after;
    if (!after.present)
        return execBound(query, QStringLiteral("delete from 存档值班 where 编号 = ?"),
                         {step.before.number}, error);
    // The slot stays listed once it exists, also when an edit empties it.
    if (!execBound(
            query,
            QStringLiteral("insert into 存档班位 (存档编号, 日期, 班次IDID) select ?, ?, ? where "
                           "not exists (select 1 from 存档班位 where 存档编号 = ? and 日期 = ? "
                           "and 班次IDID = ?)"),
            {roster, after.date, after.shift, roster, after.date, after.shift}, error))
        return false;
    if (step.before.present)
        return execBound(
            query,
            QStringLiteral("update 存档值班 set 日期 = ?, 班次IDID = ?, 人员IDID = ?, 手改 "
                           "= ? where 编号 = ?"),
            {after.date, after.shift, after.person, int(after.byHand), after.number}, error);
    // A row that comes back keeps its number; a new one is numbered by the
    // store (a server's numbering column takes no NULL for "the next").
    const QVariantList values = {roster, after.date, after.shift, after.person, int(after.byHand)};
    if (after.number)
        return execBound(query,
                         QStringLiteral("insert into 存档值班 (编号, 存档编号, 日期, 班次IDID, "
                                        "人员IDID, 手改) values (?, ?, ?, ?, ?, ?)"),
                         QVariantList{after.number} + values, error);
    if (!execBound(query,
                   QStringLiteral("insert into 存档值班 (存档编号, 日期, 班次IDID, 人员IDID, 手改) "
                                  "values (?, ?, ?, ?, ?)"),
                   values, error))
        return false;
    after.number = lastInsertedId(query).toLongLong();
    return true;
}

} // namespace

Edit Edit::inverse() const {
    Edit undone;
    for (auto step = changes.crbegin(); step != changes.crend(); ++step)
        undone.changes.append({step->after, step->before});
    return undone;
}

Edit replacePerson(const SavedRoster& roster, int slot, int position, qint64 person) {
    const DutyRow before = rowAt(roster, slot, position);
    if (before.person == person)
        return {};
    DutyRow after = before;
    after.person = person;
    after.byHand = true;
    return {{{before, after}}};
}

Edit swapCells(const SavedRoster& roster, int personA, int dateA, int personB, int dateB) {
    if (personA == personB)
        return {};
    const monthsheet::MonthSheet& sheet = roster.sheet;
    Edit edit;
    const auto hand = [&](int from, int date, int to) {
        for (int slot = 0; slot < roster.dutySlots.size(); ++slot) {
            const SavedSlot& held = roster.dutySlots.at(slot);
            if (held.date != date)
                continue;
            for (int position = 0; position < held.people.size(); ++position) {
                if (held.people.at(position) != from)
                    continue;
                const DutyRow before = rowAt(roster, slot, position);
                DutyRow after = before;
                after.person = sheet.people.at(to).idid;
                after.byHand = true;
                edit.changes.append({before, after});
            }
        }
    };
    hand(personA, dateA, personB);
    hand(personB, dateB, personA);
    return edit;
}

Edit removeDuty(const SavedRoster& roster, int slot, int position) {
    const DutyRow before = rowAt(roster, slot, position);
    DutyRow after = before;
    after.present = false;
    return {{{before, after}}};
}

Edit addDuty(const SavedRoster& roster, int person, int date, int shift) {
    const monthsheet::MonthSheet& sheet = roster.sheet;
    if (sheet.cell(person, date).contains(shift))
        return {};
    DutyRow after{0,
                  true,
                  sheet.dates.at(date).toString(Qt::ISODate),
                  sheet.shifts.at(shift).idid,
                  sheet.people.at(person).idid,
                  true};
    return {{{DutyRow{}, after}}};
}

bool applyEdit(QSqlDatabase& db, qint64 roster, Edit* edit, QString* error) {
    Edit applied = *edit;
    const bool done = sql::inTransaction(db, error, [&] {
        QSqlQuery query(db);
        for (RowChange& step : applied.changes)
            if (!change(query, roster, step, error))
                return false;
        return sql::stampChanged(query, roster, error);
    });
    if (done)
        *edit = applied;
    return done;
}

QList<int> freePeople(const SavedRoster& roster, int date) {
    const monthsheet::MonthSheet& sheet = roster.sheet;
    QList<int> shifts(sheet.people.size(), 0);
    QList<int> free;
    for (int person = 0; person < sheet.people.size(); ++person) {
        for (int day = 0; day < sheet.dates.size(); ++day)
            shifts[person] += int(sheet.cell(person, day).size());
        if (sheet.cell(person, date).isEmpty())
            free << person;
    }
    std::stable_sort(free.begin(), free.end(),
                     [&](int a, int b) { return shifts.at(a) < shifts.at(b); });
    return free;
}

} // namespace korvane::rosters
