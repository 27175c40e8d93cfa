#pragma once

#include "store/filecheck.h"

#include <QString>
#include <QStringList>

// Where Korvane's database files live and how whole files are copied.
namespace korvane::files {

inline const QString workingFileName = QStringLiteral("员工数据库.mdb");
inline const QString templateFileName = QStringLiteral("原始数据库.mdb");
inline const QString sampleFileName = QStringLiteral("医院值班.mdb");
inline const QString dataDirEnvironment = QStringLiteral("KORVANE_DATA_DIR");

// The folder of the running program, where the delivered databases lie.
QString programDirectory();

// Lies in the program folder of an installation for every user of the
// machine: that folder is never a data folder, even for a user who may write
// there (root), so nothing of one user's data is left among the installed files.
inline const QString installedMarkerName = QStringLiteral("korvane.installed");

// The data folder: the option when given, else $KORVANE_DATA_DIR, else the
// program folder when writable and not installed for every user, else the
// per-user application data folder.
QString dataDirectory(const QString& option = {});

QString workingPath(const QString& dataDir);
QString templatePath();
QString samplePath();

// How a new file takes its place: over what is at the target (renamed, so
// atomically), or only where no file is yet, so that a file another program
// made meanwhile is never overwritten.
enum class Placement { Replace, CreateOnly };

// A hidden folder beside a file about to be written (".<name>.partial"), in
// which its new content is made whole before it is put in place. The folder
// is locked while the object lives: two writers of one file take turns, and
// a folder that a killed writer left is known stale and cleared (by the next
// writer, and at start by clearStaleStaging). A link at the target is
// written through.
class StagingFolder {
public:
    // Waits up to lockWaitMs() for another writer of the same file.
    explicit StagingFolder(const QString& target);
    ~StagingFolder(); // removes the folder and what is left in it
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    // Whether the folder is ready; else problem() says why.
    bool isValid() const { return m_fd >= 0; }
    const FileCheck& problem() const { return m_problem; }
    QString path() const { return m_folder; }
    // Where the new content is written: a file named like the target.
    QString filePath() const;
    // The file that is written to (the target, a link resolved).
    QString target() const { return m_target; }

    // Puts the content of filePath() in place of the target, flushed to disk
    // first. False, with why in *problem, and the target as it was.
    bool commit(Placement placement, FileCheck* problem);

private:
    QString m_target;
    QString m_folder;
    int m_fd = -1;
    FileCheck m_problem;
};

// Removes the staging folders in folder that no live writer holds.
void clearStaleStaging(const QString& folder);

// Copies the Korvane database at source to target as one consistent
// snapshot (safe while source is open elsewhere). The copy is made in the
// target's staging folder, stamped as ours when it carries no application
// id, checked whole by SQLite (integrity_check), flushed to disk, and only
// then put in place; on failure target is as it was, and *problem says why
// (the source refused, a damaged copy, a folder that cannot be written...).
// The copy is a self-contained file (rollback journal, not WAL). The caller
// makes sure no process of ours uses target meanwhile (DatabaseLock::Mode::
// Replace), or names a file that does not exist (Placement::CreateOnly).
bool copyDatabase(const QString& source, const QString& target, FileCheck* problem,
                  Placement placement = Placement::Replace);

// A new, empty Korvane database at target: a copy of the template, or the
// schema code's own when the template is missing or unusable.
bool createDatabaseFile(const QString& target, FileCheck* problem,
                        Placement placement = Placement::Replace);

// The files SQLite keeps beside a database: -wal, -shm, -journal.
const QStringList& companionSuffixes();
// The same, and the lock file earlier versions of ours kept there (-lock).
const QStringList& outputRefusedSuffixes();

// The file that writing to path changes: the target of a link, else path.
QString writablePath(const QString& path);

// Why an output (a CSV, PDF or workbook file, an exported database) must not
// be written at path: it is, or links to, a database (the working file, the
// template, the sample, any SQLite file) or a file a database keeps beside it
// (-wal, -shm, -journal, -lock), or a folder. Empty when it may be written.
QString outputFileProblem(const QString& path);
// The part of it that a database export keeps (an export may replace an
// older database): path is a companion of a database. Empty when it is not.
QString companionProblem(const QString& path);

// Writes bytes to path through its staging folder, renamed into place (a
// link is written through), so a failure never leaves half a file; never
// onto a database or its companions (outputFileProblem). False with the reason.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error);
// "无法写入“path”（reason）。"
QString outputFailedMessage(const QString& path, const QString& reason);

// A GUI application object looks for files in the session's runtime folder
// (XDG_RUNTIME_DIR), which scripts, services and bare X servers often run
// without. Call before the application object exists: the process then gets
// a private folder of its own in the temporary folder, used only when it is
// ours alone.
void provideRuntimeDirectory();

// The start-up check of the working database (missing, damaged, foreign) is
// prepareWorkingDatabase in store/filecommands.h.

} // namespace korvane::files
