#include "planning/planrun.h"

#include "rosters/locks.h"

namespace korvane::planning {

bool prepareRun(QSqlDatabase& db, qint64 target, RunRequest* request, QString* error) {
    *request = {};
    request->target = target;
    if (!target)
        return rosters::earlierShifts(db, &request->extras.earlier, error);
    rosters::Regeneration regeneration;
    if (!rosters::prepareRegeneration(db, target, &regeneration, error))
        return false;
    request->extras = regeneration.extras;
    request->leftOut = regeneration.leftOut;
    request->problem = regeneration.problem;
    request->conflicts = regeneration.conflicts;
    request->conflicting = regeneration.conflicting;
    request->byHand = regeneration.byHand;
    return true;
}

void dropConflictingLocks(RunRequest* request) {
    rosters::Regeneration regeneration;
    regeneration.extras = request->extras;
    regeneration.conflicting = request->conflicting;
    rosters::dropConflictingLocks(&regeneration);
    request->extras = regeneration.extras;
    request->conflicting.clear();
}

int lostHandEdits(const RunRequest& request) {
    rosters::Regeneration regeneration;
    regeneration.extras = request.extras;
    regeneration.byHand = request.byHand;
    return rosters::lostHandEdits(regeneration);
}

engine::RunResult generate(const QString& path, const RunRequest& request,
                           const engine::RunObserver& observer,
                           const files::DatabaseLock* heldLock) {
    return engine::generate(path, observer, heldLock, request.extras);
}

engine::RunResult plan(const QString& path, const RunRequest& request) {
    return engine::plan(path, request.extras);
}

bool keepRoster(QSqlDatabase& db, const RunRequest& request, rosters::KeptRoster* kept,
                QString* error) {
    return rosters::keepRun(db, request.target, kept, error);
}

} // namespace korvane::planning
