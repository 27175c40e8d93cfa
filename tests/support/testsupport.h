#pragma once

#include "store/connection.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>
#include <ostream>

namespace korvane::test {

// A fresh data folder with a new, empty Korvane database as its working file.
struct TempDatabase {
    TempDatabase();
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Connection> connection;
    // The test's own connection, opened again after it was let go (reset).
    QSqlDatabase& db();
    // Runs SQLite statements separated by ';' (no quotes with ';' inside); fails the test on error.
    void run(const QString& script);
    // The first column of the first row of a SQLite query.
    QVariant scalar(const QString& sql);
    // Every row of a SQLite query, columns joined by '|'.
    QStringList rows(const QString& sql);
    // Puts a copy of the delivered sample ward in place of the new database.
    void loadSample();
};

// Every row of a query on db, columns joined by '|' (fails the test on error).
QStringList rowsOf(QSqlDatabase& db, const QString& sql);

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

// A file's bytes (empty when it cannot be read); writing them fails the test on error.
QByteArray fileBytes(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
// The first column of a query on the database file at path, opened read-only.
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
