#pragma once

#include <QSqlQuery>
#include <QString>

// The SQL dialect the application writes its statements in: '&' joins
// texts, dates are written #yyyy-M-d#, "delete * from t" empties a table,
// column names ignore case and a number may run into a keyword (idid=3and).
// Statements are translated into SQLite SQL by a tokenizer, so text inside
// quotes is never touched.
namespace korvane::dialect {

struct Translation {
    QString sql;   // the SQLite statement; empty on error
    QString error; // why the statement could not be translated
    bool ok() const { return error.isEmpty(); }
};

Translation translate(const QString& statement);

// Translates and runs a statement on query (whose database is already set).
// False with the reason in *error (translation or SQLite error).
bool exec(QSqlQuery& query, const QString& statement, QString* error = nullptr);

} // namespace korvane::dialect
