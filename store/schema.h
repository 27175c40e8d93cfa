#pragma once

#include "store/dialect.h"
#include "store/filecheck.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QString>

#include <functional>

namespace korvane::schema {

// Korvane's own SQLite application id ("KRVN") and the schema version it
// writes: 1 is a file with the ten tables only, 2 adds the program's own
// tables (limits, leave, saved rosters), 3 those the score of a roster reads
// (targets, wishes, fairness, ideal headcounts, forbidden successions), 4 the
// hospital staff numbers (工号) that match a person across wards, 5 the most
// people a shift may take (最多人数). Each leaves the ten as they are.
constexpr qint32 applicationId = 0x4B52564E;
constexpr int userVersion = 5;

// The name of the row every group table holds with idid 1.
inline const QString allGroupName = QStringLiteral("全部");
// The never-assigned value of 基本信息.最近值班时间.
inline const QString neverAssignedDate = QStringLiteral("1901-01-01");

struct Column {
    QString name;
    QString type; // SQLite declaration, e.g. "TEXT" or "INTEGER PRIMARY KEY AUTOINCREMENT"
    bool operator==(const Column&) const = default;
};

struct Table {
    QString name;
    QList<Column> columns; // stored order; code addresses columns by position
    int since = 1;         // the file version that brings the table
    bool operator==(const Table&) const = default;
};

// The ten tables of every Korvane database, columns in stored order.
const QList<Table>& tables();
// The program's own tables, which versions 2 and on add (Table::since).
const QList<Table>& ownTables();
const Table* findTable(const QString& name);
// The name of a column of table as the schema spells it, for captions: a
// ward's server gives the ASCII letters of its names in lower case. name
// itself when the table has no such column.
QString columnSpelling(const QString& table, const QString& name);
// The captions of a model on the rows of table spelt so.
void spellColumnCaptions(QSqlQueryModel& model, const QString& table);
// "CREATE TABLE" for a table, columns in stored order. On a server the types
// are the server's and the ASCII letters of the names lower case.
QString createStatement(const Table& table, dialect::Flavor flavor = dialect::Flavor::File);

// After rows were written with their own numbers: each autonumber of a ward
// on a server goes on after the highest one (of the tables named, when any
// are). A file does so itself.
bool resetAutonumbers(QSqlDatabase& db, QString* error, const QStringList& tableNames = {});

// Creates the tables, indexes and the three 全部 rows in an empty database
// (on a server: in the ward's schema, the version in a table of its own)
// and stamps it as ours. False with a reason on failure (nothing committed).
bool create(QSqlDatabase& db, QString* error);
// The same inside the caller's transaction.
bool createTables(QSqlDatabase& db, QString* error);

// The version the file (or ward) was written at: a read-only one may predate
// userVersion and lack the tables of the later versions.
bool storedVersion(QSqlDatabase& db, int* version, QString* error);
// Whether the file predates the version this program writes.
bool needsUpgrade(QSqlDatabase& db, bool* needed, QString* error);
// Adds the missing own tables and sets the current version, in one transaction.
// On a file, first (the backup copy) runs once the file is locked and still
// needs the upgrade: of two programs opening it at once, one upgrades it and
// the other finds it done. A failure of first leaves the file as it was.
bool upgrade(QSqlDatabase& db, QString* error,
             const std::function<bool(QString* error)>& first = {});
// On a ward, the same inside the caller's transaction.
bool upgradeTables(QSqlDatabase& db, QString* error);

// Brings the indexes of a file written by an earlier version up to date
// (they are not part of what a file must hold). Cheapest while 值班底表 is empty.
bool updateIndexes(QSqlDatabase& db, QString* error);

// Whether the open database is a usable Korvane database: SQLite's own check,
// our application id and version, and every table with its columns in order,
// each column of the type the program relies on (the autonumbers as integer
// keys that are never reused). Reads only. SQLite's check of the pages reads
// the whole file; it is left out where the file was checked when it was first
// opened.
FileCheck inspect(QSqlDatabase& db, PageCheck pages = PageCheck::Quick);

} // namespace korvane::schema
