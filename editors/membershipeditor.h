#pragma once

#include "editors/groupcontext.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

namespace korvane {

// One row of the member table as the membership lists show it. The key is
// the row's own identifier (基本信息.IDID, banci.idid or the date), so a move
// rewrites exactly the row the entry stands for, whatever its name.
struct MemberEntry {
    QString text;
    QVariant key;
    bool operator==(const MemberEntry&) const = default;
};

// The operations behind the membership editor (frmXiugaizu): the members and
// the other rows of one group, and moves between them. Each move rewrites the
// moved row's membership string at once.
class MembershipEditor {
public:
    MembershipEditor(QSqlDatabase db, GroupContext context);

    const GroupContext& context() const { return m_context; }

    // Rows holding the group's token, and the candidates; both in the order
    // of the group page (people by person number).
    QList<MemberEntry> members() const;
    QList<MemberEntry> nonMembers() const;

    // Adds or removes the group's token in the row of key. False when the row
    // is gone or the store failed (see lastError); the string is left as it was
    // when it cannot take the token or already holds it / does not hold it.
    bool moveIn(const QVariant& key);
    bool moveOut(const QVariant& key);

    enum class Direction { IntoGroup, OutOfGroup };
    // Moves the entries at the selected rows of `from` to the end of `to`,
    // walking from the last selected row to the first, and stores each move.
    // False when a store failed (the lists still show every move).
    bool moveSelected(QList<MemberEntry>& from, QList<MemberEntry>& to, QList<int> selectedRows,
                      Direction direction);

    // The list text of a date: "2027-01-05  星期二".
    static QString dateEntryText(const QString& isoDate);
    // The rows of date entries whose date falls on one of the weekdays
    // (1 Monday to 7 Sunday), in list order: all Saturdays and Sundays of
    // the period at one press.
    static QList<int> rowsOnWeekdays(const QList<MemberEntry>& dates, const QList<int>& weekdays);

    const QString& lastError() const { return m_lastError; }

private:
    QList<MemberEntry> entries(const QString& sql) const;
    bool rewrite(const QVariant& key, bool intoGroup);

    QSqlDatabase m_db;
    GroupContext m_context;
    QString m_table;
    QString m_keyColumn;
    QString m_membershipColumn;
    mutable QString m_lastError;
};

} // namespace korvane
