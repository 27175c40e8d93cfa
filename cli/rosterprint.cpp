#include "cli/rosterprint.h"

#include "cli/cli.h"
#include "engine/rostertable.h"

namespace korvane::cli {

bool printRoster(QSqlDatabase& db, const QString& query) {
    engine::RosterTable table;
    QString error;
    if (!engine::loadRosterTable(db, query, &table, &error)) {
        err(error);
        return false;
    }
    for (const QString& line : engine::formatRosterTable(table))
        out(line);
    return true;
}

} // namespace korvane::cli
