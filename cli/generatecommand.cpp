#include "cli/cli.h"
#include "cli/rosterprint.h"
#include "engine/roster.h"
#include "engine/run.h"
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

// generate: one generation run, as the button 生成值班表 does it; progress on
// standard error, the run's messages and then the roster on standard output.
// The run's lock is held until the roster is printed, so what is printed is
// this run's roster, never another program's reset or run.
int generate(Context& context) {
    if (!context.args.isEmpty()) {
        err(QStringLiteral("generate: unknown option %1").arg(context.args.first()));
        return Refused;
    }
    using files::DatabaseLock;
    QString busy;
    auto runLock = DatabaseLock::acquire(context.database, DatabaseLock::Mode::Run, 0, &busy);
    if (!runLock) {
        err(busy);
        runLock = DatabaseLock::acquire(context.database, DatabaseLock::Mode::Run, kOtherRunWaitMs,
                                        &busy);
        if (!runLock)
            return Unavailable;
    }

    // Opened (and checked) once: the run's own connection and the roster
    // printed at the end need no second look at the whole file. (Read-write,
    // so that it reads what the run writes through the write-ahead log.)
    FileCheck problem;
    auto reader = Connection::openChecked(context.database, &problem);
    if (!reader) {
        err(QDir::toNativeSeparators(context.database) + QStringLiteral("：") + problem.reason);
        return problem.temporarilyUnavailable() ? Unavailable : Refused;
    }

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
        engine::generate(context.database, observer, engine::RunLock::HeldByCaller);
    switch (result.outcome) {
    case engine::RunOutcome::NotOurFile:
        err(result.detail);
        return Refused;
    case engine::RunOutcome::Unavailable:
        err(result.detail);
        return Unavailable;
    case engine::RunOutcome::Failed:
    case engine::RunOutcome::Cancelled:
        err(result.detail);
        return RunFailed;
    default:
        break;
    }
    if (result.outcome == engine::RunOutcome::NothingToPlan)
        err(result.detail);
    // Why the slot could not be filled, person by person, after the failure message.
    if (result.outcome == engine::RunOutcome::PlanImpossible)
        for (const QString& line : result.explanation.text())
            out(line);

    if (!printRoster(reader->db(), engine::fullRosterQuery()))
        return RunFailed;
    switch (result.outcome) {
    case engine::RunOutcome::Done:
        return Done;
    case engine::RunOutcome::PlanImpossible:
        return PlanImpossible;
    default:
        return NothingToPlan;
    }
}

} // namespace korvane::cli
