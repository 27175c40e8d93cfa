#include "editors/membershipeditor.h"

#include "editors/groupeditor.h"
#include "store/dialect.h"
#include "store/membership.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QDate>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

namespace korvane {

namespace {

// The column that identifies a row of each member table.
QString keyColumnOf(int kind) {
    switch (kind) {
    case 2:
        return QStringLiteral("日期");
    case 3:
        return QStringLiteral("idid");
    default:
        return QStringLiteral("IDID");
    }
}

} // namespace

MembershipEditor::MembershipEditor(QSqlDatabase db, GroupContext context)
    : m_db(std::move(db)), m_context(std::move(context)) {
    const GroupKind& kind = groupKind(m_context.groupKind);
    m_table = kind.memberTable;
    m_keyColumn = keyColumnOf(kind.kind);
    // The membership string is addressed by its position in the member table.
    if (const schema::Table* table = schema::findTable(m_table)) {
        if (m_context.memberColumn >= 0 && m_context.memberColumn < table->columns.size())
            m_membershipColumn = table->columns[m_context.memberColumn].name;
    }
}

QString MembershipEditor::dateEntryText(const QString& isoDate) {
    const QDate date = QDate::fromString(isoDate, Qt::ISODate);
    if (!date.isValid())
        return isoDate;
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    return date.toString(Qt::ISODate) + QStringLiteral("  ") +
           chinese.dayName(date.dayOfWeek(), QLocale::LongFormat);
}

QList<int> MembershipEditor::rowsOnWeekdays(const QList<MemberEntry>& dates,
                                            const QList<int>& weekdays) {
    QList<int> rows;
    for (int row = 0; row < dates.size(); ++row) {
        const QDate date = QDate::fromString(dates.at(row).key.toString(), Qt::ISODate);
        if (date.isValid() && weekdays.contains(date.dayOfWeek()))
            rows << row;
    }
    return rows;
}

QList<MemberEntry> MembershipEditor::entries(const QString& sql) const {
    QList<MemberEntry> list;
    QSqlQuery query(m_db);
    if (!dialect::exec(query, sql, &m_lastError))
        return list;
    const int key = query.record().indexOf(m_keyColumn);
    while (query.next()) {
        switch (m_context.groupKind) {
        case 2: {
            const QString date = query.value(0).toString();
            list.append({dateEntryText(date), date});
            break;
        }
        case 3:
            list.append({query.value(0).toString(), query.value(key)});
            break;
        default:
            list.append({query.value(1).toString(), query.value(key)});
        }
    }
    return list;
}

QList<MemberEntry> MembershipEditor::members() const {
    return entries(m_context.memberSql + groupKind(m_context.groupKind).listOrder);
}

QList<MemberEntry> MembershipEditor::nonMembers() const {
    return entries(m_context.nonMemberSql + groupKind(m_context.groupKind).listOrder);
}

bool MembershipEditor::rewrite(const QVariant& key, bool intoGroup) {
    m_lastError.clear();
    if (m_membershipColumn.isEmpty()) {
        m_lastError = QStringLiteral("no membership column at position %1 of %2")
                          .arg(m_context.memberColumn)
                          .arg(m_table);
        return false;
    }
    QSqlQuery query(m_db);
    if (!execBound(query,
                   QStringLiteral("select \"%1\" from \"%2\" where \"%3\" = ?")
                       .arg(m_membershipColumn, m_table, m_keyColumn),
                   {key}, &m_lastError))
        return false;
    if (!query.next())
        return false; // the row is gone: nothing to store
    const QString before = query.value(0).toString();
    const qint64 group = m_context.groupIdid;
    // A row already in the group keeps its string: the token never occurs twice.
    QString after = before;
    if (intoGroup && !membership::contains(before, group))
        after = membership::added(before, group);
    else if (!intoGroup)
        after = membership::removed(before, group);
    if (after == before)
        return true;
    return execBound(query,
                     QStringLiteral("update \"%1\" set \"%2\" = ? where \"%3\" = ?")
                         .arg(m_table, m_membershipColumn, m_keyColumn),
                     {after, key}, &m_lastError);
}

bool MembershipEditor::moveIn(const QVariant& key) {
    return rewrite(key, true);
}

bool MembershipEditor::moveOut(const QVariant& key) {
    return rewrite(key, false);
}

bool MembershipEditor::moveSelected(QList<MemberEntry>& from, QList<MemberEntry>& to,
                                    QList<int> selectedRows, Direction direction) {
    std::sort(selectedRows.begin(), selectedRows.end(), std::greater<>());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    bool stored = true;
    QString firstError;
    for (int row : selectedRows) {
        if (row < 0 || row >= from.size())
            continue;
        const MemberEntry entry = from.takeAt(row);
        to.append(entry);
        const bool ok = direction == Direction::IntoGroup ? moveIn(entry.key) : moveOut(entry.key);
        if (!ok && !m_lastError.isEmpty()) {
            stored = false;
            if (firstError.isEmpty())
                firstError = m_lastError;
        }
    }
    m_lastError = firstError;
    return stored;
}

} // namespace korvane
