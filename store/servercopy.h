#pragma once

#include <QByteArray>
#include <QSqlError>
#include <QString>
#include <QVariant>

class QSqlDriver;

// Rows sent to a ward with COPY ... FROM STDIN in its text form: the server
// takes them in one stream instead of statement after statement, inside
// whatever transaction the connection has open.
namespace korvane::server {

// Appends value as one field of a COPY text row: \N for a missing value, a
// byte array as bytea's hex form, text with backslash, tab, newline and
// carriage return escaped.
void appendCopyField(QByteArray* row, const QVariant& value);

// Runs "COPY target FROM STDIN" on the connection of driver (Qt's QPSQL,
// whose handle is libpq's), target being "table (columns)", and sends data:
// rows of tab-separated fields, each ended by a newline. False with the
// server's error as Qt's driver reports one (the connection's own when it
// is cut).
bool copyIn(const QSqlDriver* driver, const QString& target, const QByteArray& data,
            QSqlError* error);

} // namespace korvane::server
