#include "planning/planrun.h"

namespace korvane::planning {

bool prepareRun(QSqlDatabase& db, qint64 target, RunRequest* request, QString* error) {
    *request = {};
    request->target = target;
    if (!target)
        return rosters::earlierShifts(db, &request->regeneration.extras.earlier, error);
    return rosters::prepareRegeneration(db, target, &request->regeneration, error);
}

void dropConflictingLocks(RunRequest* request) {
    rosters::dropConflictingLocks(&request->regeneration);
}

int lostHandEdits(const RunRequest& request) {
    return request.target ? rosters::lostHandEdits(request.regeneration) : 0;
}

engine::RunResult generate(const QString& path, const RunRequest& request,
                           const engine::RunObserver& observer,
                           const files::DatabaseLock* heldLock) {
    return engine::generate(path, observer, heldLock, request.regeneration.extras);
}

engine::RunResult plan(const QString& path, const RunRequest& request) {
    return engine::plan(path, request.regeneration.extras);
}

bool keepRoster(QSqlDatabase& db, const RunRequest& request, rosters::KeptRoster* kept,
                QString* error) {
    return rosters::keepRun(db, request.target, kept, error);
}

bool lastKeptRoster(QSqlDatabase& db, const RunRequest& request, rosters::RosterSummary* last,
                    QString* error) {
    *last = {};
    if (!request.target)
        return rosters::lastFinishedRoster(db, last, error);
    QList<rosters::RosterSummary> all;
    if (!rosters::listRosters(db, &all, error))
        return false;
    for (const rosters::RosterSummary& roster : all)
        if (roster.number == request.target)
            *last = roster;
    return true;
}

} // namespace korvane::planning
