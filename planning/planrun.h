#pragma once

#include "engine/run.h"
#include "rosters/locks.h"
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
    // What the run takes (extras), and for a regeneration the locks left out
    // or breaking a rule, the hand edits it replaces, and why it cannot run
    // at all (problem: then it must not be run).
    rosters::Regeneration regeneration;
};

// Reads what a run for target (0: a new roster) takes; false with the
// database's reason.
bool prepareRun(QSqlDatabase& db, qint64 target, RunRequest* request, QString* error);

// A regeneration's locks that break leave, a rule or a limit, left out of
// the run; and how many shifts placed by hand the run replaces.
void dropConflictingLocks(RunRequest* request);
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

// Where the last finished roster is kept after a run for the request that
// did not finish: the target of a regeneration (left as it was), else the
// latest kept roster; number 0 when there is none.
bool lastKeptRoster(QSqlDatabase& db, const RunRequest& request, rosters::RosterSummary* last,
                    QString* error);

} // namespace korvane::planning
