#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The roster as text: the aligned table korvane-cli prints and the CSV it writes.
namespace korvane::engine {

// The columns and rows a 值班报表 query returns (null values as empty text),
// the columns spelt as in the file also on a ward.
struct RosterTable {
    QStringList columns;
    QList<QStringList> rows;
};

// Runs query (application dialect). False with the reason on error.
bool loadRosterTable(QSqlDatabase& db, const QString& query, RosterTable* table, QString* error);

// How many terminal columns text takes: East Asian wide characters count two.
int displayWidth(const QString& text);

// Lines of cells with every column padded to a common width (the last one
// is left as it is): the first headerLines lines, a rule of dashes under
// them, then the rest. Control characters in a cell show as their visible
// symbols (␀ for NUL).
QStringList alignedLines(const QList<QStringList>& lines, int headerLines);

// text with each NUL character as the symbol ␀, as the table shows it: a
// NUL would cut a name in a C string and is no character for a spreadsheet.
QString withVisibleNul(const QString& text);

// The table as alignedLines shows it under its column names, then "记录数：N".
QStringList formatRosterTable(const RosterTable& table);

// The table as CSV text: a byte-order mark, a header of the column names,
// fields quoted where needed (a comma, quote or line break inside), CRLF lines;
// a field a spreadsheet would take for a formula (=, +, -, @ first) is
// written as text: quoted, with an apostrophe in front. A NUL is written as ␀.
QByteArray rosterCsv(const RosterTable& table);

} // namespace korvane::engine
