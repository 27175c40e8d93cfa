#pragma once

#include <QString>

// The whole-file commands of the tools menu and of start-up. They never lose
// the working data: a chosen file is checked before anything changes, the
// working file is replaced atomically, and the previous one is kept as a backup.
namespace korvane::files {

struct CommandResult {
    bool ok = false;
    QString message;    // for the user: why it was refused or failed, or a notice
    QString backupPath; // the backup of the previous working file, when one was made
    // Not done because a file is busy, in use by another program of ours or
    // unreadable for now: trying again later may work.
    bool unavailable = false;
};

// Replaces the working database of dataDir by a copy of source (import,
// clear with the template, load the sample). The source is checked first;
// a refused or failed replacement leaves the working file as it was.
// Close the program's connections on the working file first (as the window's
// restart does): one left open keeps reading the previous file.
CommandResult replaceWorkingDatabase(const QString& dataDir, const QString& source);

// Writes a consistent copy of the working database to target; an existing
// target is replaced only once the new file is complete.
CommandResult exportWorkingDatabase(const QString& dataDir, const QString& target);

// The same two commands on a working file given by its path (korvane-cli --db).
// Backups are written beside it: <name>-备份-yyyyMMdd-HHmm.mdb; a backup goes
// when a newer one holds the same content.
// A replace waits a little for, then refuses while, another window or command
// of ours has the file open; a link is replaced at its target. Export refuses
// the working file itself, the delivered template and sample, a database's
// companion (-wal, -shm...), and a file that another window or command of
// ours has open. Every copy is checked whole before it is put in place or
// reported as done.
CommandResult replaceDatabaseFile(const QString& workingFile, const QString& source);
CommandResult exportDatabaseFile(const QString& workingFile, const QString& target);

// Keeps a consistent copy of the database at path beside it, named as the
// replacing commands name their backups (before an upgrade changes the file).
bool backUpDatabase(const QString& path, QString* backupPath, QString* error);

// Start-up: staging folders that a killed copy left beside the working file
// are cleared; a missing working file is created from the template; a damaged
// or foreign one is moved aside under a name that says so and a fresh one is
// created (message then says where the old file is). A busy, unreadable or
// newer file, or one on a full disk, stays where it is and the result is not ok.
CommandResult prepareWorkingDatabase(const QString& dataDir);

} // namespace korvane::files
