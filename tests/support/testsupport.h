#pragma once

#include "store/connection.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>
#include <ostream>

namespace korvane::test {

// Whether the tests' databases are wards on the test program's throwaway
// cluster (KORVANE_TEST_STORE=server) rather than files.
bool onServerStore();

// Skips a test that is about database files as such when the tests' databases are wards.
#define KORVANE_FILES_ONLY(why)                                                                    \
    if (!korvane::test::onServerStore()) {                                                         \
    } else                                                                                         \
        GTEST_SKIP() << "about files: " << (why)

// A fresh data folder with a new, empty Korvane database as its working file
// (on the server store: a new ward made from the template, path its location).
struct TempDatabase {
    TempDatabase();
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Connection> connection;
    // The test's own connection, opened again after it was let go (reset).
    QSqlDatabase& db();
    // Runs statements separated by ';' (no quotes with ';' inside); fails the test on error.
    void run(const QString& script);
    // The first column of the first row of a query.
    QVariant scalar(const QString& sql);
    // Every row of a query, columns joined by '|'.
    QStringList rows(const QString& sql);
    // Puts a copy of the delivered sample ward in place of the new database.
    void loadSample();
};

// Every row of a query on db, columns joined by '|' (fails the test on error).
QStringList rowsOf(QSqlDatabase& db, const QString& sql);
// Runs a test's statement on query: as it stands on a file, translated by the
// dialect on a ward (the tests write their SQL as SQLite takes it).
bool execTestSql(QSqlQuery& query, const QString& sql);

// The folder where the build writes the programs and the delivered databases.
QString outputDirectory();

// What a finished program said and how it ended (exit code -1: it did not finish).
struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QString err;
};
// Runs a program to its end, with standard input closed.
ProcessResult runProgram(const QString& program, const QStringList& arguments);
// korvane-cli of this build.
QString cliProgram();
// korvane-cli's arguments naming the database at path: a file, or a ward's location.
QStringList databaseArguments(const QString& path);

// A file's bytes (empty when it cannot be read); writing them fails the test on error.
QByteArray fileBytes(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
// The first column of a query on the database at path, opened read-only.
QStringList valuesIn(const QString& path, const QString& sql);

} // namespace korvane::test

// GoogleTest prints QString and QStringList values as readable UTF-8.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", \"" : "\"") << list.at(i).toStdString() << '"';
    *out << '}';
}
