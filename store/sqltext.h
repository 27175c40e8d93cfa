#pragma once

#include "store/dialect.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <algorithm>
#include <functional>

namespace korvane {

// A user's text as an SQL string literal: single quotes around it and every
// quote inside doubled, so O'Neil becomes 'O''Neil'. The one way the code
// puts user text into SQL that it does not bind.
inline QString sqlQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Runs statement with values bound in order, reading forward only. False
// with the database's reason. The one way the code runs a statement that
// carries values.
// Whether the query's database is a ward on a server.
inline bool onServer(const QSqlQuery& query) {
    return query.driver() && query.driver()->dbmsType() == QSqlDriver::PostgreSQL;
}

// Runs one statement as it stands, never translated (the schema code's own
// statements); false with the database's reason.
inline bool execStatement(QSqlDatabase& db, const QString& statement, QString* error) {
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

// Prepares the statement, translated first on a ward on a server (see
// store/dialect.h); a file takes it as it is. False with the reason.
inline bool prepareStatement(QSqlQuery& query, const QString& statement, QString* error) {
    QString sql = statement;
    if (onServer(query)) {
        const dialect::Translation translation =
            dialect::translate(statement, dialect::Flavor::Server);
        if (!translation.ok()) {
            if (error)
                *error = translation.error;
            return false;
        }
        sql = translation.sql;
    }
    if (query.prepare(sql))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

// On a ward on a server the statement is translated for it first (see
// store/dialect.h); a file takes it as it is.
inline bool execBound(QSqlQuery& query, const QString& statement, const QVariantList& values = {},
                      QString* error = nullptr) {
    if (!query.isForwardOnly())
        query.setForwardOnly(true);
    if (!prepareStatement(query, statement, error))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

// Values one statement binds at most: on a server the wire protocol's limit;
// in a file far below SQLite's 32766, as Qt's driver binds each value by
// looking it up among the statement's (a cost that grows with the square of
// their number) and a statement of a file is no round trip.
inline int boundValueLimit(const QSqlQuery& query) {
    return onServer(query) ? 65535 : 256;
}

// Inserts rows of `columns` values each (values holds them row after row)
// with multi-row statements "head values (?, ...), (...)" as long as the
// store allows, head being "insert into table (columns)": on a server every
// statement is one round trip, so rows are never sent one by one. The
// statement of a full chunk is prepared once. False with the store's reason
// (also in query.lastError()).
inline bool insertRows(QSqlQuery& query, const QString& head, int columns,
                       const QVariantList& values, QString* error = nullptr) {
    if (columns <= 0)
        return true;
    const qsizetype rows = values.size() / columns;
    const qsizetype chunk = std::max(1, boundValueLimit(query) / columns);
    const QString row =
        QLatin1Char('(') + QStringLiteral("?, ").repeated(columns - 1) + QStringLiteral("?)");
    qsizetype prepared = 0; // rows of the statement prepared on query
    for (qsizetype first = 0; first < rows; first += chunk) {
        const qsizetype count = std::min(chunk, rows - first);
        if (count != prepared) {
            QStringList all(count, row);
            if (!prepareStatement(
                    query, head + QStringLiteral(" values ") + all.join(QLatin1Char(',')), error))
                return false;
            prepared = count;
        }
        for (qsizetype i = 0; i < count * columns; ++i)
            query.bindValue(int(i), values.at(first * columns + i));
        if (!query.exec()) {
            if (error)
                *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

// Runs work in one transaction; rolls back when it fails. False with the
// reason (work's own, else the database's).
inline bool inTransaction(QSqlDatabase& db, QString* error, const std::function<bool()>& work) {
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    if (!work() || !db.commit()) {
        if (error && error->isEmpty())
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

// The number the last INSERT of the query's connection gave its row (the
// server names it through the sequence it took it from).
inline QVariant lastInsertedId(QSqlQuery& query) {
    if (!onServer(query))
        return query.lastInsertId();
    QSqlQuery last(query.driver()->createResult());
    if (last.exec(QStringLiteral("SELECT lastval()")) && last.next())
        return last.value(0);
    return {};
}

} // namespace korvane
