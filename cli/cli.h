#pragma once

#include "engine/run.h"
#include "planning/planrun.h"
#include "rosters/savedroster.h"
#include "store/connection.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>

// Shared pieces of korvane-cli's commands.
namespace korvane::cli {

// Exit codes of korvane-cli.
enum Exit {
    Done = 0,
    PlanImpossible = 1,
    Refused = 2, // bad arguments, or a file that is not a usable Korvane database
    NothingToPlan = 3,
    RunFailed = 4,
    Unavailable =
        5, // the file is busy, locked by another program of ours, read-only or on a full disk
};

struct Context {
    QString dataDir;            // the data folder (--data-dir, environment, program folder...)
    QString database;           // the database the command works on (--db, else the working file)
    bool databaseGiven = false; // --db was given
    bool onServer = false;      // --server URL --ward NAME: database is the ward's location
    QStringList args;           // the command's own arguments, options of the data folder removed
    std::shared_ptr<void> useLock; // held while the command works on the database
};

void out(const QString& text); // a line on standard output (UTF-8), NUL characters included
void err(const QString& text); // a line on standard error (UTF-8)

// Takes "--name VALUE" out of args; false when the value is missing.
bool takeOption(QStringList& args, const QString& name, QString* value, bool* present);

// Holds the Use lock on the command's database for as long as it lives.
// Done, or after saying why the exit code: a replace by another program of
// ours does not end in time, the file cannot be read or is missing.
int lockForUse(Context& context);

// The command's database, opened and checked; null after saying why, with
// the exit code in *code.
std::unique_ptr<Connection> openDatabase(const Context& context, Connection::Access access,
                                         int* code);

// The saved roster of that name, read; else the exit code after saying why
// (Refused when there is none of that name).
int readSavedRoster(QSqlDatabase& db, const QString& name, rosters::SavedRoster* roster);

// The exit code of a run that ended so.
int exitCodeOf(engine::RunOutcome outcome);

// What a run takes besides the set-up, for a new roster or, with
// regenerate, the saved roster of that name around its locks (the locks
// left out, and those that break leave, a rule or a limit, named on standard
// error; with dropConflicts the latter left out too). Done, or the exit code
// after saying why.
int prepareRequest(QSqlDatabase& db, const QString& name, bool regenerate, bool dropConflicts,
                   planning::RunRequest* request);

// A command that uses the database (not init, import or wards), its Use lock held.
int runCommand(Context& context, const QString& command);
// The commands on a ward (--server URL --ward NAME).
int onServer(Context& context, QStringList args, const QString& url, const QString& ward,
             bool hasWard);

int init(Context& context);
int generate(Context& context);
int explain(Context& context);
int roster(Context& context);
int listSavedRosters(Context& context);
int score(Context& context);
int improve(Context& context);
int importDatabase(Context& context);
int exportDatabase(Context& context);
int wishes(Context& context);
int wards(Context& context);
int overview(Context& context);

} // namespace korvane::cli
