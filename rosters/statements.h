#pragma once

#include "store/sqltext.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

// The statements of the saved-roster operations: every value bound, never
// written into the text.
namespace korvane::rosters::sql {

inline bool fail(const QSqlQuery& query, QString* error) {
    if (error)
        *error = query.lastError().text();
    return false;
}

// Whether the file holds the saved-roster tables: one of the first version
// lacks them until it is first opened for writing.
inline bool hasRosterTables(QSqlQuery& query, bool* present, QString* error) {
    if (!execBound(query,
                   QStringLiteral("select count(*) from sqlite_master where type = 'table' and "
                                  "name = '排班存档'"),
                   {}, error))
        return false;
    if (!query.next())
        return fail(query, error);
    *present = query.value(0).toInt() > 0;
    return true;
}

using korvane::inTransaction;

// 生成时间 and 修改时间: yyyy-MM-dd HH:mm:ss, local time.
inline QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Marks the roster as changed now (its 修改时间), inside the change's transaction.
inline bool stampChanged(QSqlQuery& query, qint64 roster, QString* error) {
    return execBound(query, QStringLiteral("update 排班存档 set 修改时间 = ? where 编号 = ?"),
                     {now(), roster}, error);
}

} // namespace korvane::rosters::sql
