#include "store/filecommands.h"

#include "store/connection.h"
#include "store/databaselock.h"
#include "store/datafiles.h"
#include "store/messages.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace korvane::files {

namespace {

const QString kBackupKind = QStringLiteral("备份");
const QString kDamagedKind = QStringLiteral("损坏");

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A file kept beside `file`: 员工数据库.mdb gives 员工数据库-备份-20270105-0830.mdb,
// and -2, -3... after the highest number of the same minute, so that none is
// overwritten and the numbers follow the order the files were made in (a
// pruned backup's name is not taken again).
QString sideFilePath(const QString& file, const QString& kind) {
    const QFileInfo info(file);
    const QString stem =
        QStringLiteral("%1-%2-%3")
            .arg(info.completeBaseName(), kind,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm")));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QRegularExpression sameMinute(
        QStringLiteral("^%1(?:-(\\d+))?%2$")
            .arg(QRegularExpression::escape(stem), QRegularExpression::escape(suffix)));
    const QDir folder = info.absoluteDir();
    int highest = 0;
    for (const QString& name : folder.entryList(QDir::Files)) {
        const auto match = sameMinute.match(name);
        if (match.hasMatch())
            highest = qMax(highest, match.captured(1).isEmpty() ? 1 : match.captured(1).toInt());
    }
    return folder.filePath(highest == 0
                               ? stem + suffix
                               : QStringLiteral("%1-%2%3").arg(stem).arg(highest + 1).arg(suffix));
}

// The files of one kind kept beside `file`, oldest first (by the time and
// number in their names).
QStringList sideFiles(const QString& file, const QString& kind) {
    const QFileInfo info(file);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QRegularExpression pattern(QStringLiteral("^%1-%2-(\\d{8}-\\d{4})(?:-(\\d+))?%3$")
                                         .arg(QRegularExpression::escape(info.completeBaseName()),
                                              QRegularExpression::escape(kind),
                                              QRegularExpression::escape(suffix)));
    struct Found {
        QString path;
        QString time;
        int number;
    };
    QList<Found> found;
    const QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files)) {
        const auto match = pattern.match(name);
        if (match.hasMatch())
            found.append({folder.filePath(name), match.captured(1),
                          match.captured(2).isEmpty() ? 1 : match.captured(2).toInt()});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.time != b.time ? a.time < b.time : a.number < b.number;
    });
    QStringList paths;
    for (const Found& f : found)
        paths << f.path;
    return paths;
}

// What a backup holds, for finding backups of the same content: its bytes
// and its companions' (backups are settled copies, so equal data gives equal bytes).
QByteArray contentDigest(const QString& path) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& suffix : QStringList{QString()} + companionSuffixes()) {
        QFile file(path + suffix);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        hash.addData(suffix.toUtf8());
        hash.addData(&file);
    }
    return hash.result();
}

void removeBackup(const QString& path) {
    QFile::remove(path);
    for (const QString& companion : companionSuffixes())
        QFile::remove(path + companion);
}

// A backup goes when a newer one holds the same content: six imports of the
// template in a row leave the backup of the data before them and one empty
// backup, and never push out the only copy of the planner's real data.
void pruneBackups(const QString& workingFile) {
    QStringList backups = sideFiles(workingFile, kBackupKind);
    QList<qint64> sizes;
    QList<QByteArray> digests;
    for (const QString& backup : backups) {
        sizes << QFileInfo(backup).size();
        digests << QByteArray();
    }
    const auto digest = [&](qsizetype i) -> const QByteArray& {
        if (digests[i].isEmpty())
            digests[i] = contentDigest(backups[i]);
        return digests[i];
    };
    const auto sameContentLater = [&](qsizetype i) {
        for (qsizetype j = i + 1; j < backups.size(); ++j)
            if (sizes[j] == sizes[i] && digest(j) == digest(i))
                return true;
        return false;
    };
    for (qsizetype i = 0; i < backups.size();) {
        if (sameContentLater(i)) {
            removeBackup(backups.takeAt(i));
            sizes.removeAt(i);
            digests.removeAt(i);
        } else {
            ++i;
        }
    }
}

// Keeps the current working file at backup: a consistent snapshot when it is
// a usable database (it may be open), else the bytes as they are, its
// companions included, so nothing of it is lost.
bool backUp(const QString& workingFile, const FileCheck& check, const QString& backup,
            FileCheck* problem) {
    if (check.usable())
        return copyDatabase(workingFile, backup, problem, Placement::CreateOnly);
    const QString from = writablePath(workingFile);
    for (const QString& companion : QStringList{QString()} + companionSuffixes()) {
        if (!QFileInfo::exists(from + companion))
            continue;
        QFile file(from + companion);
        if (!file.copy(backup + companion)) {
            if (problem)
                *problem = {FileCheck::Verdict::Unavailable,
                            diskFull(backup) ? msg::diskFull : file.errorString()};
            removeBackup(backup);
            return false;
        }
    }
    return true;
}

// Moves an unusable working file and its companions aside under
// <name>-损坏-<time>.mdb; nothing of them is deleted.
bool moveAside(const QString& workingFile, const QString& aside, QString* error) {
    const QString from = writablePath(workingFile);
    QFile file(from);
    if (!file.rename(aside)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    for (const QString& companion : companionSuffixes()) {
        QFile part(from + companion);
        // A companion left under the working name would be replayed onto the
        // fresh database (a hot journal rolled into it), so it must go one way
        // or the other.
        if (part.exists() && !part.rename(aside + companion) && !part.remove()) {
            if (error)
                *error = part.errorString();
            return false;
        }
    }
    return true;
}

bool samePath(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return writablePath(a) == writablePath(b) ||
           (!canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath());
}

} // namespace

bool backUpDatabase(const QString& path, QString* backupPath, QString* error) {
    const QString backup = sideFilePath(path, kBackupKind);
    FileCheck problem;
    if (!copyDatabase(path, backup, &problem, Placement::CreateOnly)) {
        if (error)
            *error = problem.reason;
        return false;
    }
    pruneBackups(path);
    if (backupPath)
        *backupPath = backup;
    return true;
}

CommandResult replaceDatabaseFile(const QString& workingFile, const QString& source) {
    CommandResult result;
    const auto refuse = [&](const QString& message, const FileCheck& why) {
        result.message = message;
        result.unavailable = why.temporarilyUnavailable();
        return result;
    };
    if (source.trimmed().isEmpty()) {
        result.message = msg::noFileChosen;
        return result;
    }
    const QString sourcePath = QFileInfo(source).absoluteFilePath();
    if (samePath(sourcePath, workingFile)) {
        result.message = msg::fileRefused.arg(native(sourcePath), msg::sourceIsWorking);
        return result;
    }
    const FileCheck sourceCheck = inspectDatabaseFile(sourcePath);
    if (!sourceCheck.usable())
        return refuse(msg::fileRefused.arg(native(sourcePath), sourceCheck.reason), sourceCheck);
    const QString folder = QFileInfo(writablePath(workingFile)).absolutePath();
    if (!QDir().mkpath(folder)) {
        result.message = msg::copyFailed.arg(msg::folderNotCreated.arg(native(folder)));
        return result;
    }
    // No window or command of ours may have the file open while it is
    // replaced: it would go on with the previous file, or write into a
    // deleted log. A missing file is made only where none appears meanwhile.
    FileCheck problem;
    const auto lock =
        DatabaseLock::acquire(workingFile, DatabaseLock::Mode::Replace, lockWaitMs(), &problem);
    if (!lock && problem.verdict != FileCheck::Verdict::Missing)
        return refuse(problem.reason, problem);
    QString backup;
    if (lock) {
        const FileCheck workingCheck = inspectDatabaseFile(workingFile);
        if (workingCheck.temporarilyUnavailable() ||
            workingCheck.verdict == FileCheck::Verdict::Newer)
            return refuse(msg::workingUnavailable.arg(native(workingFile), workingCheck.reason),
                          workingCheck);
        if (workingCheck.verdict != FileCheck::Verdict::Missing) {
            backup = sideFilePath(workingFile, kBackupKind);
            if (!backUp(workingFile, workingCheck, backup, &problem))
                return refuse(msg::backupFailed.arg(native(workingFile), problem.reason), problem);
        }
    }
    if (!copyDatabase(sourcePath, workingFile, &problem,
                      lock ? Placement::Replace : Placement::CreateOnly)) {
        // The working file is unchanged, so this backup would only push an older one out.
        if (!backup.isEmpty())
            removeBackup(backup);
        return refuse(msg::copyFailed.arg(problem.reason), problem);
    }
    pruneBackups(workingFile);
    result.ok = true;
    result.backupPath = backup;
    result.message = backup.isEmpty() ? msg::replaced : msg::replacedWithBackup.arg(native(backup));
    return result;
}

CommandResult exportDatabaseFile(const QString& workingFile, const QString& target) {
    CommandResult result;
    const auto refuse = [&](const QString& message, const FileCheck& why) {
        result.message = message;
        result.unavailable = why.temporarilyUnavailable();
        return result;
    };
    if (target.trimmed().isEmpty()) {
        result.message = msg::noFileChosen;
        return result;
    }
    const QString targetPath = QFileInfo(target).absoluteFilePath();
    const QFileInfo workingInfo(workingFile);
    if (!workingInfo.exists()) {
        result.message = msg::workingMissing.arg(native(workingInfo.absoluteFilePath()));
        return result;
    }
    if (samePath(targetPath, workingFile)) {
        result.message = msg::exportOntoWorking.arg(native(targetPath));
        return result;
    }
    // 清空数据库, 载入样例 and init read the delivered files: they stay as delivered.
    for (const QString& delivered : {templatePath(), samplePath()}) {
        if (samePath(targetPath, delivered)) {
            result.message = msg::exportOntoDelivered.arg(native(targetPath));
            return result;
        }
    }
    result.message = companionProblem(targetPath);
    if (!result.message.isEmpty())
        return result;
    FileCheck problem;
    const auto reading =
        DatabaseLock::acquire(workingFile, DatabaseLock::Mode::Use, lockWaitMs(), &problem);
    if (!reading)
        return refuse(problem.reason, problem);
    // A target that a window or command of ours has open is another working file.
    std::unique_ptr<DatabaseLock> replacing;
    if (QFileInfo::exists(targetPath) &&
        !(replacing = DatabaseLock::acquire(targetPath, DatabaseLock::Mode::Replace, 0, &problem)))
        return refuse(problem.reason, problem);
    if (!copyDatabase(workingInfo.absoluteFilePath(), targetPath, &problem))
        return refuse(msg::exportFailed.arg(problem.reason), problem);
    result.ok = true;
    result.message = msg::exported.arg(native(targetPath));
    return result;
}

CommandResult replaceWorkingDatabase(const QString& dataDir, const QString& source) {
    return replaceDatabaseFile(workingPath(dataDir), source);
}

CommandResult exportWorkingDatabase(const QString& dataDir, const QString& target) {
    return exportDatabaseFile(workingPath(dataDir), target);
}

CommandResult prepareWorkingDatabase(const QString& dataDir) {
    CommandResult result;
    if (!QDir().mkpath(dataDir)) {
        result.message = msg::folderNotCreated.arg(native(dataDir));
        return result;
    }
    const QString working = workingPath(dataDir);
    clearStaleStaging(QFileInfo(writablePath(working)).absolutePath());
    FileCheck check = inspectDatabaseFile(working);
    if (check.usable()) {
        result.ok = true;
        return result;
    }
    // Busy, unreadable, on a full disk or newer: the file may be perfectly
    // good. It stays where it is, and nothing takes its place.
    const auto unavailable = [&](const FileCheck& why, const QString& message) {
        result.message = message;
        result.unavailable = why.temporarilyUnavailable();
        return result;
    };
    if (!check.unusableForGood() && check.verdict != FileCheck::Verdict::Missing)
        return unavailable(check, msg::workingUnavailable.arg(native(working), check.reason));
    FileCheck problem;
    const auto lock =
        DatabaseLock::acquire(working, DatabaseLock::Mode::Replace, lockWaitMs(), &problem);
    if (!lock && problem.verdict != FileCheck::Verdict::Missing)
        return unavailable(problem, problem.reason);
    // Another program of ours may have created or mended it meanwhile.
    check = inspectDatabaseFile(working);
    if (check.usable()) {
        result.ok = true;
        return result;
    }
    QString notice;
    if (lock && check.unusableForGood()) {
        const QString aside = sideFilePath(working, kDamagedKind);
        QString error;
        if (!moveAside(working, aside, &error)) {
            result.message = msg::workingNotMovedAside.arg(native(working), check.reason, error);
            return result;
        }
        result.backupPath = aside;
        notice = msg::workingMovedAside.arg(native(working), check.reason, native(aside));
    } else if (check.verdict != FileCheck::Verdict::Missing) {
        return unavailable(check, msg::workingUnavailable.arg(native(working), check.reason));
    }
    // Made only where no file is: one that another program made meanwhile is theirs.
    if (!createDatabaseFile(working, &problem, Placement::CreateOnly)) {
        if (inspectDatabaseFile(working).usable()) {
            result.ok = true;
            result.message = notice;
            return result;
        }
        result.message = msg::workingNotCreated.arg(native(working), problem.reason);
        if (!notice.isEmpty())
            result.message = notice + QLatin1Char('\n') + result.message;
        result.unavailable = problem.temporarilyUnavailable();
        return result;
    }
    result.ok = true;
    result.message = notice;
    return result;
}

} // namespace korvane::files
