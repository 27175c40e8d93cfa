#include "cli/cli.h"
#include "cli/rosterprint.h"
#include "engine/roster.h"
#include "engine/run.h"
#include "planning/planrun.h"
#include "store/connection.h"
#include "store/databaselock.h"
#include "store/messages.h"

#include <QDir>

#include <cmath>

namespace korvane::cli {

namespace {

// How long generate waits for a run of another program on the same file.
constexpr int kOtherRunWaitMs = 120000;

} // namespace

// generate [--keep-locks NAME [--drop-conflicting-locks]]: one generation run, as the button
// 生成值班表 does it; progress on standard error, the run's messages and then the roster on
// standard output. A roster that ends with "完成！" is kept as a saved roster; with --keep-locks,
// the saved roster NAME is generated again around its locks and keeps the result; locks that break
// leave, a rule or a limit are named and kept, or with --drop-conflicting-locks left out of the
// run. The run's lock is held until the roster is printed, so what is printed is this run's roster,
// never another program's reset or run.
int generate(Context& context) {
    QStringList args = context.args;
    QString keepName;
    bool keepLocks = false;
    if (!takeOption(args, QStringLiteral("--keep-locks"), &keepName, &keepLocks)) {
        err(QStringLiteral("generate: --keep-locks needs the name of a saved roster"));
        return Refused;
    }
    const bool dropConflicts = args.removeAll(QStringLiteral("--drop-conflicting-locks")) > 0;
    if (dropConflicts && !keepLocks) {
        err(QStringLiteral("generate: --drop-conflicting-locks goes with --keep-locks"));
        return Refused;
    }
    if (!args.isEmpty()) {
        err(QStringLiteral("generate: unknown option %1").arg(args.first()));
        return Refused;
    }
    // Another run of ours is waited for; a lock that cannot be taken at all
    // (a read-only or missing file) stops the command.
    using files::DatabaseLock;
    FileCheck problem;
    auto runLock = DatabaseLock::acquire(context.database, DatabaseLock::Mode::Run, 0, &problem);
    if (!runLock && problem.verdict == FileCheck::Verdict::Busy) {
        err(problem.reason);
        runLock = DatabaseLock::acquire(context.database, DatabaseLock::Mode::Run, kOtherRunWaitMs,
                                        &problem);
    }
    if (!runLock) {
        if (problem.verdict != FileCheck::Verdict::Busy)
            err(problem.reason);
        return problem.temporarilyUnavailable() ? Unavailable : Refused;
    }

    // Opened (and checked) once: the run's own connection and the roster
    // printed at the end need no second look at the whole file. (Read-write,
    // so that it reads what the run writes through the write-ahead log.)
    int code = Done;
    auto reader = openDatabase(context, Connection::Access::ReadWrite, &code);
    if (!reader)
        return code;

    planning::RunRequest request;
    if ((code = prepareRequest(reader->db(), keepName, keepLocks, dropConflicts, &request)) != Done)
        return code;

    int shownPercent = -1;
    engine::RunObserver observer;
    observer.progress = [&](double value) {
        const int percent = int(std::floor(value));
        if (percent != shownPercent) {
            shownPercent = percent;
            err(QStringLiteral("进度：%1%").arg(percent));
        }
    };
    observer.notice = [](bool shown) {
        if (shown)
            err(msg::runTakesTime);
    };
    observer.message = [](const QString& text) { out(text); };

    const engine::RunResult result =
        planning::generate(context.database, request, observer, runLock.get());
    code = exitCodeOf(result.outcome);
    if (code != Done && code != PlanImpossible)
        err(result.detail);
    if (code != Done && code != PlanImpossible && code != NothingToPlan)
        return code;
    // Why the slot could not be filled, person by person, after the failure message.
    if (result.outcome == engine::RunOutcome::PlanImpossible)
        for (const QString& line : result.explanation.text())
            out(line);

    if (!printRoster(reader->db(), engine::fullRosterQuery()))
        return RunFailed;
    if (result.outcome == engine::RunOutcome::Done) {
        rosters::KeptRoster kept;
        QString error;
        if (!planning::keepRoster(reader->db(), request, &kept, &error)) {
            err(error);
            return RunFailed;
        }
        err(keepLocks ? msg::regenerated.arg(kept.name) : msg::rosterKept.arg(kept.name));
        if (const int lost = planning::lostHandEdits(request))
            err(msg::handEditsReplaced.arg(lost));
    }
    return code;
}

int exitCodeOf(engine::RunOutcome outcome) {
    switch (outcome) {
    case engine::RunOutcome::Done:
        return Done;
    case engine::RunOutcome::PlanImpossible:
        return PlanImpossible;
    case engine::RunOutcome::NothingToPlan:
        return NothingToPlan;
    case engine::RunOutcome::NotOurFile:
        return Refused;
    case engine::RunOutcome::Unavailable:
        return Unavailable;
    case engine::RunOutcome::Failed:
    case engine::RunOutcome::Cancelled:
        break;
    }
    return RunFailed;
}

int prepareRequest(QSqlDatabase& db, const QString& name, bool regenerate, bool dropConflicts,
                   planning::RunRequest* request) {
    QString error;
    qint64 target = 0;
    if (regenerate) {
        target = rosters::findRoster(db, name, &error);
        if (target <= 0) {
            err(target == 0 ? msg::noSavedRoster.arg(name) : error);
            return target == 0 ? Refused : RunFailed;
        }
    }
    if (!planning::prepareRun(db, target, request, &error)) {
        err(error);
        return RunFailed;
    }
    const rosters::Regeneration& regeneration = request->regeneration;
    if (!regeneration.problem.isEmpty()) {
        err(regeneration.problem);
        return Refused;
    }
    if (!regeneration.leftOut.isEmpty())
        err(msg::locksLeftOut + QLatin1Char('\n') + regeneration.leftOut.join(QLatin1Char('\n')));
    if (!regeneration.conflicts.isEmpty()) {
        err(msg::lockConflicts + QLatin1Char('\n') +
            regeneration.conflicts.join(QLatin1Char('\n')));
        err(dropConflicts ? msg::conflictingLocksDropped : msg::conflictingLocksKept);
        if (dropConflicts)
            planning::dropConflictingLocks(request);
    }
    return Done;
}

} // namespace korvane::cli
