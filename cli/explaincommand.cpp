#include "cli/cli.h"
#include "engine/rostertable.h"
#include "engine/run.h"
#include "store/messages.h"

#include <cmath>
#include <limits>

namespace korvane::cli {

namespace {

// "12" or, under a limit, "12/15".
QString againstLimit(qint64 value, const std::optional<int>& limit) {
    return limit ? QStringLiteral("%1/%2").arg(value).arg(*limit) : QString::number(value);
}

QString restHours(const engine::PersonWork& person) {
    if (person.done.shortestRest == std::numeric_limits<qint64>::max())
        return QStringLiteral("-");
    const QString rest = engine::hoursText(double(person.done.shortestRest) / 60);
    return person.limits.restHours
               ? QStringLiteral("%1/%2").arg(rest, engine::hoursText(*person.limits.restHours))
               : rest;
}

} // namespace

// explain [--keep-locks NAME]: the run planned in memory, nothing written,
// with what generate would take (the end of the saved roster before the
// period; with --keep-locks, that roster's locks). When a slot cannot be
// filled, why, person by person, for every such slot; otherwise what each person would work
// against their limits.
int explain(Context& context) {
    QStringList args = context.args;
    QString keepName;
    bool keepLocks = false;
    if (!takeOption(args, QStringLiteral("--keep-locks"), &keepName, &keepLocks)) {
        err(QStringLiteral("explain: --keep-locks needs the name of a saved roster"));
        return Refused;
    }
    if (!args.isEmpty()) {
        err(QStringLiteral("explain: unknown option %1").arg(args.first()));
        return Refused;
    }
    int code = Done;
    planning::RunRequest request;
    {
        auto reader = openDatabase(context, Connection::Access::ReadOnly, &code);
        if (!reader)
            return code;
        if ((code = prepareRequest(reader->db(), keepName, keepLocks, false, &request)) != Done)
            return code;
    }
    const engine::RunResult result = planning::plan(context.database, request);
    code = exitCodeOf(result.outcome);
    if (code == PlanImpossible) {
        out(msg::planImpossible);
        // Every slot that cannot be filled, the one a run stops at first.
        for (const engine::SlotExplanation& slot : result.explanations)
            for (const QString& line : slot.text())
                out(line);
    }
    if (code != Done) {
        if (code != PlanImpossible)
            err(result.detail);
        return code;
    }
    engine::RosterTable table;
    table.columns = msg::workloadColumns;
    for (const engine::PersonWork& person : result.work)
        table.rows << QStringList{person.name,
                                  againstLimit(person.done.shifts, person.limits.shifts),
                                  againstLimit(person.done.overnight, person.limits.overnight),
                                  againstLimit(person.done.weekend, person.limits.weekend),
                                  againstLimit(person.done.longestRun, person.limits.consecutive),
                                  restHours(person)};
    for (const QString& line : engine::formatRosterTable(table))
        out(line);
    return Done;
}

} // namespace korvane::cli
