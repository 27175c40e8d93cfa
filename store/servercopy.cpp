#include "store/servercopy.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QSqlDriver>

#include <algorithm>
#include <cmath>
#include <libpq-fe.h>

namespace korvane::server {

namespace {

// As Qt's driver words a failed statement, so a message reads the same
// whichever way the rows went.
QSqlError makeError(const QString& message, const char* state, QSqlError::ErrorType type) {
    return QSqlError(QStringLiteral("QPSQL: Unable to create query"), message.trimmed(), type,
                     QString::fromLatin1(state ? state : ""));
}

QSqlError connectionError(PGconn* connection) {
    return makeError(QString::fromUtf8(PQerrorMessage(connection)), nullptr,
                     QSqlError::ConnectionError);
}

// Whether Qt's driver would bind the value as NULL (it counts a null text,
// byte array, date or time as one).
bool isNullValue(const QVariant& value) {
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().isNull();
    case QMetaType::QByteArray:
        return value.toByteArray().isNull();
    case QMetaType::QDate:
        return !value.toDate().isValid();
    case QMetaType::QDateTime:
        return !value.toDateTime().isValid();
    default:
        return false;
    }
}

void appendText(QByteArray* row, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    row->reserve(row->size() + bytes.size());
    for (const char c : bytes) {
        switch (c) {
        case '\\':
            row->append("\\\\");
            break;
        case '\t':
            row->append("\\t");
            break;
        case '\n':
            row->append("\\n");
            break;
        case '\r':
            row->append("\\r");
            break;
        default:
            row->append(c);
        }
    }
}

} // namespace

void appendCopyField(QByteArray* row, const QVariant& value) {
    if (isNullValue(value)) {
        row->append("\\N");
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        row->append(value.toBool() ? '1' : '0');
        return;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        row->append(QByteArray::number(value.toLongLong()));
        return;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
        row->append(QByteArray::number(value.toULongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (std::isnan(number))
            row->append("NaN");
        else if (std::isinf(number))
            row->append(number > 0 ? "Infinity" : "-Infinity");
        else
            row->append(QByteArray::number(number, 'g', QLocale::FloatingPointShortest));
        return;
    }
    case QMetaType::QByteArray:
        // bytea's hex form; its backslash is escaped as any other.
        row->append("\\\\x");
        row->append(value.toByteArray().toHex());
        return;
    case QMetaType::QDate:
        row->append(value.toDate().toString(Qt::ISODate).toLatin1());
        return;
    case QMetaType::QDateTime:
        appendText(row, value.toDateTime().toString(Qt::ISODateWithMs));
        return;
    default:
        appendText(row, value.toString());
    }
}

bool copyIn(const QSqlDriver* driver, const QString& target, const QByteArray& data,
            QSqlError* error) {
    // Qt names the handle's type by libpq's struct (pg_conn*) or its typedef.
    const QVariant handle = driver ? driver->handle() : QVariant();
    const bool libpq = handle.isValid() && (qstrcmp(handle.typeName(), "pg_conn*") == 0 ||
                                            qstrcmp(handle.typeName(), "PGconn*") == 0);
    PGconn* connection = libpq ? *static_cast<PGconn* const*>(handle.constData()) : nullptr;
    if (!connection) {
        *error = makeError(QStringLiteral("not a connection to a server"), nullptr,
                           QSqlError::ConnectionError);
        return false;
    }
    // What Qt's driver left unread of an earlier statement goes, as it
    // would before its own next statement.
    if (PQtransactionStatus(connection) == PQTRANS_ACTIVE)
        while (PGresult* left = PQgetResult(connection))
            PQclear(left);

    const QByteArray statement = "COPY " + target.toUtf8() + " FROM STDIN";
    PGresult* started = PQexec(connection, statement.constData());
    if (PQresultStatus(started) != PGRES_COPY_IN) {
        *error = started ? makeError(QString::fromUtf8(PQresultErrorMessage(started)),
                                     PQresultErrorField(started, PG_DIAG_SQLSTATE),
                                     QSqlError::StatementError)
                         : connectionError(connection);
        PQclear(started);
        return false;
    }
    PQclear(started);
    // Sent in pieces, so that libpq's buffer never holds all of it twice.
    constexpr qsizetype kPiece = 1 << 20;
    bool sent = true;
    for (qsizetype at = 0; sent && at < data.size(); at += kPiece)
        sent = PQputCopyData(connection, data.constData() + at,
                             int(std::min(kPiece, data.size() - at))) == 1;
    if (!sent) {
        *error = connectionError(connection);
        return false;
    }
    if (PQputCopyEnd(connection, nullptr) != 1) {
        *error = connectionError(connection);
        return false;
    }
    bool done = true;
    while (PGresult* result = PQgetResult(connection)) {
        if (done && PQresultStatus(result) != PGRES_COMMAND_OK) {
            *error =
                makeError(QString::fromUtf8(PQresultErrorMessage(result)),
                          PQresultErrorField(result, PG_DIAG_SQLSTATE), QSqlError::StatementError);
            done = false;
        }
        PQclear(result);
    }
    if (done && PQstatus(connection) != CONNECTION_OK) {
        *error = connectionError(connection);
        return false;
    }
    return done;
}

} // namespace korvane::server
