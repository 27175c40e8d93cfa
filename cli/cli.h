#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// Shared pieces of korvane-cli's commands.
namespace korvane::cli {

// Exit codes of korvane-cli.
enum Exit {
    Done = 0,
    PlanImpossible = 1,
    Refused = 2, // bad arguments, or a file that is not a usable Korvane database
    NothingToPlan = 3,
    RunFailed = 4,
};

struct Context {
    QString dataDir;            // the data folder (--data-dir, environment, program folder...)
    QString database;           // the database the command works on (--db, else the working file)
    bool databaseGiven = false; // --db was given
    QStringList args;           // the command's own arguments, options of the data folder removed
};

void out(const QString& text); // a line on standard output (UTF-8)
void err(const QString& text); // a line on standard error (UTF-8)

// Takes "--name VALUE" out of args; false when the value is missing.
bool takeOption(QStringList& args, const QString& name, QString* value, bool* present);

int init(Context& context);
int generate(Context& context);
int roster(Context& context);
int importDatabase(Context& context);
int exportDatabase(Context& context);

} // namespace korvane::cli
