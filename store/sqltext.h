#pragma once

#include "store/dialect.h"
#include "store/servercopy.h"

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

// Runs statement with values bound in order, reading forward only. False
// with the database's reason. The one way the code runs a statement that
// carries values. On a ward on a server the statement is translated for it
// first (see store/dialect.h); a file takes it as it is.
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

// Values one statement binds at most in a file: far below SQLite's 32766,
// as Qt's driver binds each value by looking it up among the statement's (a
// cost that grows with the square of their number).
constexpr int kBoundValueLimit = 256;

// Inserts rows of `columns` values each (values holds them row after row),
// head being "insert into table (columns)". A file takes multi-row
// statements "head values (?, ...), (...)" of as many rows as it binds, the
// statement of a full chunk prepared once; a ward takes every row in one
// COPY (a statement is a round trip there). False with the store's error.
inline bool insertRows(QSqlQuery& query, const QString& head, int columns,
                       const QVariantList& values, QSqlError* error = nullptr) {
    if (columns <= 0 || values.size() < columns)
        return true;
    const qsizetype rows = values.size() / columns;
    QSqlError fault;
    if (onServer(query)) {
        const dialect::Translation translation = dialect::translate(head, dialect::Flavor::Server);
        const QString sql = translation.sql.trimmed();
        const QLatin1String insert("insert"), into("into");
        QString target;
        if (translation.ok() && sql.startsWith(insert, Qt::CaseInsensitive) &&
            sql.mid(insert.size()).trimmed().startsWith(into, Qt::CaseInsensitive))
            target = sql.mid(insert.size()).trimmed().mid(into.size());
        if (target.isEmpty()) {
            if (error)
                *error = QSqlError(QString(), translation.ok() ? head : translation.error,
                                   QSqlError::StatementError);
            return false;
        }
        QByteArray data;
        for (qsizetype first = 0; first < rows * columns; first += columns) {
            for (int i = 0; i < columns; ++i) {
                if (i > 0)
                    data.append('\t');
                server::appendCopyField(&data, values.at(first + i));
            }
            data.append('\n');
        }
        if (server::copyIn(query.driver(), target, data, &fault))
            return true;
        if (error)
            *error = fault;
        return false;
    }
    const qsizetype chunk = std::max(1, kBoundValueLimit / columns);
    const QString row =
        QLatin1Char('(') + QStringLiteral("?, ").repeated(columns - 1) + QStringLiteral("?)");
    qsizetype prepared = 0; // rows of the statement prepared on query
    for (qsizetype first = 0; first < rows; first += chunk) {
        const qsizetype count = std::min(chunk, rows - first);
        if (count != prepared) {
            QStringList all(count, row);
            QString reason;
            if (!prepareStatement(query,
                                  head + QStringLiteral(" values ") + all.join(QLatin1Char(',')),
                                  &reason)) {
                if (error)
                    *error = query.lastError().isValid()
                                 ? query.lastError()
                                 : QSqlError(QString(), reason, QSqlError::StatementError);
                return false;
            }
            prepared = count;
        }
        for (qsizetype i = 0; i < count * columns; ++i)
            query.bindValue(int(i), values.at(first * columns + i));
        if (!query.exec()) {
            if (error)
                *error = query.lastError();
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
