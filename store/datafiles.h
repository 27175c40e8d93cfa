#pragma once

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

// Copies the Korvane database at source to target as one consistent
// snapshot (safe while source is open elsewhere). The copy is written beside
// target, checked, stamped as ours when it carries no application id, flushed
// to disk, and only then renamed over it; on failure target is as it was.
// False with the reason.
// The copy is a self-contained file (rollback journal, not WAL). A link at
// target is written through. The caller makes sure no process of ours uses
// target meanwhile (DatabaseLock::Mode::Replace), or names a new file.
bool copyDatabase(const QString& source, const QString& target, QString* error);

// A new, empty Korvane database at target: a copy of the template, or the
// schema code's own when the template is missing or unusable.
bool createDatabaseFile(const QString& target, QString* error);

// The files SQLite keeps beside a database: -wal, -shm, -journal.
const QStringList& companionSuffixes();

// The file that writing to path changes: the target of a link, else path.
QString writablePath(const QString& path);

// Why an output (a CSV or PDF file) must not be written at path: it is, or
// links to, a database (the working file, the template, the sample, any
// SQLite file), or a folder. Empty when it may be written.
QString outputFileProblem(const QString& path);

// Writes bytes to path through a temporary file renamed into place (a link
// is written through), so a failure never leaves half a file. False with the
// reason.
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
