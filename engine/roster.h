#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// The roster queries of the scheduling page, the printed report and korvane-cli.
// They are written in the application's SQL dialect (run them through
// korvane::dialect); typed text is quoted, so a quote finds what it names.
namespace korvane::engine {

// The whole roster: "select * from 值班报表 " (trailing blank included).
QString fullRosterQuery();
// Rows whose 值班人 contains the text anywhere.
QString personRosterQuery(const QString& text);
// Rows whose 班次 contains the text anywhere.
QString shiftRosterQuery(const QString& text);

// Rows on which the person of that name is on duty: that whole name among
// the names of 值班人 (a name that only contains it does not count).
QString dutiesOfPersonQuery(const QString& name);
// Rows of one date (日期 in the long form, 2027年1月5日).
QString dutiesOfDateQuery(const QString& longDate);

// The longest text a person or shift query takes.
constexpr int maxQueryTextLength = 1000;
// Why a query text cannot be searched for (too long), or empty.
QString queryTextProblem(const QString& text);

// Both filters at once, each only when given (the command-line roster).
struct RosterFilter {
    bool byPerson = false;
    QString person;
    bool byShift = false;
    QString shift;
};
QString rosterQuery(const RosterFilter& filter);

// The exact number of rows a query returns; -1 with the reason on error.
qint64 countRows(QSqlDatabase& db, const QString& query, QString* error = nullptr);

// F = M / 3 + 1, M the largest 人数 among the shifts that hold an assigned
// row ('1') in 值班底表 (0 when none). 1 with the reason on error.
double rowHeightFactor(QSqlDatabase& db, QString* error = nullptr);

// Empties the two work tables 值班底表 and 值班报表, as every run does.
bool resetWorkTables(QSqlDatabase& db, QString* error = nullptr,
                     QSqlError* databaseError = nullptr);

// The same reset for start-up, exit and the scheduling page's opening and
// closing: left out (true, *skipped set) while a run of another window or
// command owns the work tables, which it would otherwise empty under the run.
// A file that cannot be written is said in the user's words.
bool resetIdleWorkTables(QSqlDatabase& db, QString* error = nullptr, bool* skipped = nullptr);

} // namespace korvane::engine
