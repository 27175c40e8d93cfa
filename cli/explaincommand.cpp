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

// explain: the run planned in memory, nothing written. When a slot cannot
// be filled, why, person by person; otherwise what each person would work
// against their limits.
int explain(Context& context) {
    if (!context.args.isEmpty()) {
        err(QStringLiteral("explain: unknown option %1").arg(context.args.first()));
        return Refused;
    }
    const engine::RunResult result = engine::plan(context.database);
    switch (result.outcome) {
    case engine::RunOutcome::NotOurFile:
        err(result.detail);
        return Refused;
    case engine::RunOutcome::Unavailable:
        err(result.detail);
        return Unavailable;
    case engine::RunOutcome::NothingToPlan:
        err(result.detail);
        return NothingToPlan;
    case engine::RunOutcome::PlanImpossible:
        out(msg::planImpossible);
        for (const QString& line : result.explanation.text())
            out(line);
        return PlanImpossible;
    case engine::RunOutcome::Done:
        break;
    default:
        err(result.detail);
        return RunFailed;
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
