#pragma once

#include "engine/run.h"
#include "rosters/savedroster.h"
#include "store/databaselock.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// One run of the set-up as every caller makes it (the window's 生成值班表 and
// 重新生成, korvane-cli generate and explain): what the run takes besides the
// database (the end of the saved roster before the period, a regeneration's
// locks), the run itself, and keeping its roster. The limits and the leave
// are read by the run from the set-up.
namespace korvane::planning {

// What a run takes besides the set-up.
struct RunRequest {
    qint64 target = 0; // the saved roster a regeneration fills anew (0: a new roster)
    engine::RunExtras extras;
    QStringList leftOut; // a line per lock that can no longer hold, left out
    QString problem;     // why the regeneration cannot run (its period is not the set-up's)
    // Held locks that break leave, a rule or a limit: a line each, and their
    // indexes into extras.locked (see rosters::Regeneration).
    QStringList conflicts;
    QList<int> conflicting;
    QList<engine::LockedAssignment> byHand; // the target's shifts placed by hand
};

// Reads what a run for target (0: a new roster) takes; false with the
// database's reason. A request with a problem must not be run.
bool prepareRun(QSqlDatabase& db, qint64 target, RunRequest* request, QString* error);

// Leaves the conflicting locks out of the run.
void dropConflictingLocks(RunRequest* request);
// How many shifts placed by hand the run replaces.
int lostHandEdits(const RunRequest& request);

// The run, on the file at path (see engine::generate).
engine::RunResult generate(const QString& path, const RunRequest& request,
                           const engine::RunObserver& observer = {},
                           const files::DatabaseLock* heldLock = nullptr);

// The same run planned in memory on a read-only connection, nothing
// written (korvane-cli explain): given the same request, it plans exactly
// what generate would.
engine::RunResult plan(const QString& path, const RunRequest& request);

// Keeps the roster of a run that ended with "完成！" as the request says: a
// new saved roster, or the target filled anew.
bool keepRoster(QSqlDatabase& db, const RunRequest& request, rosters::KeptRoster* kept,
                QString* error);

} // namespace korvane::planning
