#pragma once

#include "store/filecheck.h"
#include "store/filecommands.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// Wards on a PostgreSQL server. A ward is a schema of the server's database
// holding the tables of a database file (made by the same schema code), so
// everything above the store works on a ward as on a file. Where the program
// passes a database file's path, a ward travels as its location: the
// server's libpq URL, '#', the ward's name (any text: quotes and blanks
// too). Korvane never stores a password: libpq's password file supplies one.
namespace korvane::server {

// The location of a ward, and the two parts of one.
QString location(const QString& url, const QString& ward);
bool isLocation(const QString& databasePath);
QString urlOf(const QString& location);
QString wardOf(const QString& location);
// How a ward is named to the user: 服务器上的病区“…”.
QString describe(const QString& location);

// A name as a quoted identifier of the server ("" inside doubled).
QString quoteName(const QString& name);

// libpq's key='value' connection options of a postgresql:// URL; false with
// the reason when it is not such a URL.
bool connectOptions(const QString& url, QString* options, QString* error);

// Opens db (a connection of the server's driver) on the server of url,
// without choosing a ward. False with a message for the user: the driver
// missing, an invalid address, the server unreachable, the password refused.
bool connect(QSqlDatabase& db, const QString& url, FileCheck* problem);

// Where a password comes from when the server asks for one that libpq's
// password file does not hold: the user types it (korvane-cli on a
// terminal). It is kept in memory for the process's later connections to
// the same address, never written anywhere. Empty: no password.
using PasswordSource = std::function<QString(const QString& url)>;
void setPasswordSource(PasswordSource source);

// The wards of the server's database, by name (backups of wards are not wards).
bool listWards(const QString& url, QStringList* wards, QString* error);

// The name of a backup of the ward made at `at`, as a file's backup is
// named: 内科-备份-20270105-0830, the ward's part shortened so that the name
// with a number after it stays within the server's 63 bytes.
QString backupName(const QString& ward, const QDateTime& at);
// Whether the role may upgrade the current ward: create the backup's schema
// in the database, tables in the ward, triggers on its tables (it owns
// them). False with a message naming the role and the right it lacks.
bool mayUpgradeWard(QSqlDatabase& db, QString* error);
// Before a ward's upgrade: copies every table of the current ward (the
// search path's) whole into a new schema named by backupName, in the
// caller's transaction. The backup is not listed as a ward. Of the ward's
// backups the newest three stay, older ones (the role's own) are dropped.
bool backUpWard(QSqlDatabase& db, int version, QString* error);

// Makes the ward a copy of the database file source (the template, the
// sample, or a file to import: checked whole first), in one transaction: a
// new ward, or with replace, an existing one emptied first. Waits for the
// other programs of ours on the ward as a replace of a file does.
files::CommandResult fillWard(const QString& location, const QString& source, bool replace);

// Writes the ward to a new database file at target (replacing one that no
// program of ours has open), made whole before it is put in place.
files::CommandResult exportWard(const QString& location, const QString& target);

// The statements that give each ward a role reading and changing its own
// schema only (named korvane_<ward>), and the department role that reads
// every ward (korvane_department).
QStringList grantStatements(const QStringList& wards);

// Runs the grant statements of the wards on the server of url in one
// transaction, as the role of url (an administrator's): all or nothing,
// with the server's reason when it refuses.
files::CommandResult applyGrants(const QString& url, const QStringList& wards);

} // namespace korvane::server
