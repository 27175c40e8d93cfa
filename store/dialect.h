#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// The SQL dialect the application writes its statements in: '&' joins
// texts, dates are written #yyyy-M-d#, "delete * from t" empties a table,
// column names ignore case and a number may run into a keyword (idid=3and).
// Statements are translated into SQLite SQL by a tokenizer, so text inside
// quotes is never touched.
namespace korvane::dialect {

// The two stores a statement runs on: a database file (SQLite) or a ward on a
// server (PostgreSQL), where names are matched as SQLite matches them (ASCII
// letters in any case), instr is strpos, like ignores case, temp is pg_temp
// and a blob is bytea.
enum class Flavor { File, Server };

// A name with its ASCII letters in lower case, as the server's tables hold it.
QString asciiLower(const QString& name);

// Which of the two the open database is.
Flavor flavorOf(const QSqlDatabase& db);

struct Translation {
    QString sql;   // the statement for the store; empty on error
    QString error; // why the statement could not be translated
    bool ok() const { return error.isEmpty(); }
};

Translation translate(const QString& statement, Flavor flavor = Flavor::File);

// Translates for the store of the query's database and runs a statement on
// query. False with the reason in *error (translation or the store's error).
bool exec(QSqlQuery& query, const QString& statement, QString* error = nullptr);

} // namespace korvane::dialect
