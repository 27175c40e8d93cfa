#include "cli/cli.h"
#include "engine/report/rosterreport.h"
#include "engine/roster.h"
#include "engine/rostertable.h"
#include "store/connection.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace korvane::cli {

// roster [--person TEXT] [--shift TEXT] [--csv FILE] [--pdf FILE]: the roster
// left by the last run, narrowed like the page's queries.
int roster(Context& context) {
    QStringList args = context.args;
    engine::RosterFilter filter;
    QString csvPath;
    QString pdfPath;
    bool csv = false;
    bool pdf = false;
    if (!takeOption(args, QStringLiteral("--person"), &filter.person, &filter.byPerson) ||
        !takeOption(args, QStringLiteral("--shift"), &filter.shift, &filter.byShift) ||
        !takeOption(args, QStringLiteral("--csv"), &csvPath, &csv) ||
        !takeOption(args, QStringLiteral("--pdf"), &pdfPath, &pdf)) {
        err(QStringLiteral("roster: an option lacks its value"));
        return Refused;
    }
    if (!args.isEmpty()) {
        err(QStringLiteral("roster: unknown option %1").arg(args.first()));
        return Refused;
    }

    QString error;
    auto connection = Connection::open(context.database, &error, Connection::Access::ReadOnly);
    if (!connection) {
        err(QDir::toNativeSeparators(context.database) + QStringLiteral("：") + error);
        return Refused;
    }
    QSqlDatabase& db = connection->db();
    const QString query = engine::rosterQuery(filter);
    engine::RosterTable table;
    if (!engine::loadRosterTable(db, query, &table, &error)) {
        err(error);
        return RunFailed;
    }
    for (const QString& line : engine::formatRosterTable(table))
        out(line);

    if (csv) {
        QSaveFile file(csvPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(engine::rosterCsv(table)) < 0 ||
            !file.commit()) {
            err(QStringLiteral("%1: %2").arg(csvPath, file.errorString()));
            return RunFailed;
        }
    }
    if (pdf) {
        const double factor = engine::rowHeightFactor(db, &error);
        if (!error.isEmpty() || !report::writeRosterPdf(db, query, factor, pdfPath, &error)) {
            err(error);
            return RunFailed;
        }
    }
    return Done;
}

} // namespace korvane::cli
