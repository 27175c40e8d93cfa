#pragma once

#include "store/connection.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

namespace korvane::test {

// A fresh data folder with a new, empty Korvane database as its working file.
struct TempDatabase {
    TempDatabase();
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Connection> connection;
    QSqlDatabase& db() { return connection->db(); }
    // Runs SQLite statements separated by ';' (no quotes with ';' inside); fails the test on error.
    void run(const QString& script);
    // The first column of the first row of a SQLite query.
    QVariant scalar(const QString& sql);
    // Every row of a SQLite query, columns joined by '|'.
    QStringList rows(const QString& sql);
};

// The folder where the build writes the programs and the delivered databases.
QString outputDirectory();

} // namespace korvane::test
