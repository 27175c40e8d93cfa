#pragma once

#include "engine/explanation.h"
#include "store/databaselock.h"

#include <QSqlDatabase>

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace korvane::engine {

// What a run reports while it works. Every callback is optional and is called
// on the run's own thread; the scheduling page forwards them to the window.
struct RunObserver {
    std::function<void(double)> progress;             // the progress bar, 0 to 100
    std::function<void(bool)> notice;                 // the long-run notice shown / hidden
    std::function<void(const QString&)> message;      // every message the run shows, in order
    std::function<void(const QString&)> relaxedQuery; // the relaxed candidate query, once relaxed
    std::function<bool()> cancelled;                  // polled; true ends the run cleanly
};

enum class RunOutcome {
    Done,           // "完成！" (skipped rules included)
    PlanImpossible, // a slot could not be filled
    NothingToPlan,  // no dates, no shifts or no staff
    Failed,         // any other error
    Cancelled,      // stopped through RunObserver::cancelled
    NotOurFile,     // the database could not be opened as a Korvane database
    Unavailable,    // the file is busy, read-only or on a full disk, or another run owns it
};

// The slot that ended a run as PlanImpossible.
struct UnfilledSlot {
    qint64 day = 0;    // its date as a day number
    QString shift;     // its shift's 班次名称
    double needed = 0; // the shift's 人数
    qint64 found = 0;  // the open candidates it had, the held-back ones included
};

// An assignment the planner locked: the person works the shift on the date,
// whatever the run would choose. The run places it first when it reaches the
// slot, and it counts in every counter; the run fills the rest.
struct LockedAssignment {
    qint64 day = 0;    // the date as a day number
    qint64 shift = 0;  // banci.idid
    qint64 person = 0; // 基本信息.IDID
};

// A shift a person worked before the period (the end of the previous saved
// roster): it counts for rest, consecutive days and forbidden successions
// across the boundary, and for nothing else.
struct EarlierShift {
    qint64 person = 0; // 基本信息.IDID
    qint64 day = 0;    // the date it started, as a day number
    int endMinute = 0; // after that day's midnight, past 1440 when it ends on the next day
    qint64 shift = 0;  // banci.idid, for naming it
};

// What a run takes besides the database: none of it for a plain run.
struct RunExtras {
    QList<LockedAssignment> locked;
    QList<EarlierShift> earlier;
};

// The locks that cannot hold in the database's current set-up (the person
// or the shift is gone, the date is outside the period, the shift is not on
// that date), by their index in locks.
QList<int> locksThatCannotHold(QSqlDatabase& db, const QList<LockedAssignment>& locks,
                               QString* error = nullptr);

// What one person works in a run, with the limits that held for them.
struct PersonWork {
    QString name;
    WorkLimits limits;
    WorkDone done;
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Failed;
    QString detail;              // what was missing, or the error
    QStringList skippedRules;    // rules whose query could not be evaluated
    double rowHeightFactor = 1;  // F = M / 3 + 1
    qint64 candidateRows = 0;    // rows written into 值班底表
    UnfilledSlot unfilled;       // set when the outcome is PlanImpossible
    SlotExplanation explanation; // why that slot could not be filled, person by person
    // Planned in memory (plan()), the run goes on past a slot it cannot fill,
    // leaving it short: every such slot, the one a run stops at first.
    QList<SlotExplanation> explanations;
    std::vector<PersonWork> work; // per person of the candidate order, when the slots were filled
};

// The plain line that names an unfilled slot: "2027年3月1日的夜班需要 3 人，只有 2 人可排。"
QString describeUnfilledSlot(const UnfilledSlot& slot);

// Takes the run's lock on the file (files::DatabaseLock::Mode::Run) for a
// caller that keeps it past the run: a run owns the work tables from its
// first step to its last, so a second run or a reset of another program
// never empties them under it. Null when it cannot be taken, with *refused
// set to how such a run ends, and why: Unavailable (another run has it, the
// file cannot be written) or NotOurFile (no such file, a folder).
std::unique_ptr<files::DatabaseLock> takeRunLock(const QString& databasePath, RunResult* refused);

// Whether the runs that start from now on may write 值班底表 through the
// native run_flag function where it is sound (the default), or always
// through its SQL form (to compare the two).
void setNativeFlagFunction(bool allowed);

// The settings a run gives its connection before it writes 值班底表 (the
// benchmark's floor uses them too).
void prepareForWriting(QSqlDatabase& db);

// One whole generation run on the database file at path, on a connection
// of its own, so it may run on any thread. It holds the run's lock: the
// caller's (heldLock, which korvane-cli keeps until the roster is printed)
// or, without one, its own, and ends as Unavailable when another run has it.
// Before each write and each commit it makes sure that the file at the path
// is still the locked one, and stops (Unavailable) when it is not.
RunResult generate(const QString& databasePath, const RunObserver& observer = {},
                   const files::DatabaseLock* heldLock = nullptr, const RunExtras& extras = {});

// The same run planned in memory on a read-only connection: nothing is
// written (korvane-cli explain). Its result says how it would end, why each
// slot that cannot be filled could not (the run goes on past them, leaving
// them short), and what each person would work.
RunResult plan(const QString& databasePath, const RunExtras& extras = {});

} // namespace korvane::engine
