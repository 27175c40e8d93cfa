#pragma once

#include <QString>

// Where Korvane's database files live and how whole files are copied.
namespace korvane::files {

inline const QString workingFileName = QStringLiteral("员工数据库.mdb");
inline const QString templateFileName = QStringLiteral("原始数据库.mdb");
inline const QString sampleFileName = QStringLiteral("医院值班.mdb");
inline const QString dataDirEnvironment = QStringLiteral("KORVANE_DATA_DIR");

// The folder of the running program, where the delivered databases lie.
QString programDirectory();

// The data folder: the option when given, else $KORVANE_DATA_DIR, else the
// program folder when writable, else the per-user application data folder.
QString dataDirectory(const QString& option = {});

QString workingPath(const QString& dataDir);
QString templatePath();
QString samplePath();

// Copies the Korvane database at source to target as one consistent
// snapshot (safe while source is open elsewhere). The copy is written beside
// target, checked, stamped as ours when it carries no application id, flushed
// to disk, and only then renamed over it; on failure target is as it was.
// False with the reason.
bool copyDatabase(const QString& source, const QString& target, QString* error);

// The start-up check of the working database (missing, damaged, foreign) is
// prepareWorkingDatabase in store/filecommands.h.

} // namespace korvane::files
