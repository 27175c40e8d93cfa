#include "cli/cli.h"
#include "engine/report/rosterreport.h"
#include "engine/roster.h"
#include "engine/rostertable.h"
#include "store/connection.h"
#include "store/datafiles.h"
#include "store/messages.h"

#include <QDir>

namespace korvane::cli {

namespace {

const QString kStandardOutput = QStringLiteral("-");

} // namespace

// roster [--person TEXT] [--shift TEXT] [--csv FILE|-] [--pdf FILE]: the roster
// left by the last run, narrowed like the page's queries. An output file is
// written whole or not at all, and never over a database.
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
    for (const QString& text : {filter.person, filter.shift}) {
        const QString problem = engine::queryTextProblem(text);
        if (!problem.isEmpty()) {
            err(problem);
            return Refused;
        }
    }
    const bool csvToOutput = csv && csvPath == kStandardOutput;
    for (const QString& output : {csv && !csvToOutput ? csvPath : QString(), pdfPath}) {
        if (output.isEmpty())
            continue;
        const QString problem = files::outputFileProblem(output);
        if (!problem.isEmpty()) {
            err(problem);
            return Refused;
        }
    }

    FileCheck problem;
    auto connection =
        Connection::openChecked(context.database, &problem, Connection::Access::ReadOnly);
    if (!connection) {
        err(QDir::toNativeSeparators(context.database) + QStringLiteral("：") + problem.reason);
        return problem.temporarilyUnavailable() ? Unavailable : Refused;
    }
    QSqlDatabase& db = connection->db();
    const QString query = engine::rosterQuery(filter);
    engine::RosterTable table;
    QString error;
    if (!engine::loadRosterTable(db, query, &table, &error)) {
        err(error);
        return RunFailed;
    }
    if (csvToOutput) {
        const QByteArray bytes = engine::rosterCsv(table);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    } else {
        for (const QString& line : engine::formatRosterTable(table))
            out(line);
    }
    if (csv && !csvToOutput &&
        !files::writeFileAtomically(csvPath, engine::rosterCsv(table), &error)) {
        err(error);
        return RunFailed;
    }
    if (pdf) {
        // A report of no rows would be a page of captions only.
        if (table.rows.isEmpty()) {
            err(msg::noRoster);
            return NothingToPlan;
        }
        const double factor = engine::rowHeightFactor(db, &error);
        if (!error.isEmpty() || !report::writeRosterPdf(db, query, factor, pdfPath, &error)) {
            err(error);
            return RunFailed;
        }
    }
    return Done;
}

} // namespace korvane::cli
