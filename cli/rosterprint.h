#pragma once

#include <QSqlDatabase>
#include <QString>

namespace korvane::cli {

// Prints the rows of query (a 值班报表 query) as an aligned table followed by
// "记录数：N"; false, with the reason on standard error, when the query fails.
bool printRoster(QSqlDatabase& db, const QString& query);

} // namespace korvane::cli
