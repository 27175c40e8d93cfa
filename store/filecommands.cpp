#include "store/filecommands.h"

#include "store/connection.h"
#include "store/datafiles.h"
#include "store/messages.h"

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
const QStringList kCompanionSuffixes = {QStringLiteral("-wal"), QStringLiteral("-shm")};

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A file kept beside `file`: 员工数据库.mdb gives 员工数据库-备份-20270105-0830.mdb,
// and -2, -3... when files of the same minute exist already, so none is overwritten.
QString sideFilePath(const QString& file, const QString& kind) {
    const QFileInfo info(file);
    const QString stem =
        QStringLiteral("%1-%2-%3")
            .arg(info.completeBaseName(), kind,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm")));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QDir folder = info.absoluteDir();
    for (int n = 1;; ++n) {
        const QString name =
            n == 1 ? stem + suffix : QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix);
        const QString path = folder.filePath(name);
        if (!QFileInfo::exists(path) && !QFileInfo::exists(path + QStringLiteral(".partial")))
            return path;
    }
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

void pruneBackups(const QString& workingFile) {
    QStringList backups = sideFiles(workingFile, kBackupKind);
    while (backups.size() > backupsKept) {
        const QString oldest = backups.takeFirst();
        QFile::remove(oldest);
        for (const QString& companion : kCompanionSuffixes)
            QFile::remove(oldest + companion);
    }
}

// Keeps the current working file at backup: a consistent snapshot when it is
// a usable database (it may be open), else the bytes as they are, its
// write-ahead file included, so nothing of it is lost.
bool backUp(const QString& workingFile, const QString& backup, QString* error) {
    if (checkDatabaseFile(workingFile).isEmpty())
        return copyDatabase(workingFile, backup, error);
    for (const QString& companion : QStringList{QString()} + kCompanionSuffixes) {
        if (!QFileInfo::exists(workingFile + companion))
            continue;
        QFile from(workingFile + companion);
        if (!from.copy(backup + companion)) {
            if (error)
                *error = from.errorString();
            for (const QString& written : QStringList{QString()} + kCompanionSuffixes)
                QFile::remove(backup + written);
            return false;
        }
    }
    return true;
}

// A fresh working file from the template; when the template is missing or
// unusable, the schema code writes the same content.
bool createWorkingFile(const QString& workingFile, QString* error) {
    QString templateError;
    if (QFileInfo::exists(templatePath()) &&
        copyDatabase(templatePath(), workingFile, &templateError))
        return true;
    return Connection::create(workingFile, error) != nullptr;
}

// Moves an unusable working file and its write-ahead files aside under
// <name>-损坏-<time>.mdb; nothing of them is deleted.
bool moveAside(const QString& workingFile, const QString& aside, QString* error) {
    QFile file(workingFile);
    if (!file.rename(aside)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    for (const QString& companion : kCompanionSuffixes) {
        QFile part(workingFile + companion);
        // A write-ahead file left under the working name would be replayed
        // onto the fresh database, so it must go one way or the other.
        if (part.exists() && !part.rename(aside + companion) && !part.remove()) {
            if (error)
                *error = part.errorString();
            return false;
        }
    }
    return true;
}

} // namespace

CommandResult replaceDatabaseFile(const QString& workingFile, const QString& source) {
    CommandResult result;
    if (source.trimmed().isEmpty()) {
        result.message = msg::noFileChosen;
        return result;
    }
    const QString sourcePath = QFileInfo(source).absoluteFilePath();
    const QString problem = checkDatabaseFile(sourcePath);
    if (!problem.isEmpty()) {
        result.message = msg::fileRefused.arg(native(sourcePath), problem);
        return result;
    }
    const QString folder = QFileInfo(workingFile).absolutePath();
    if (!QDir().mkpath(folder)) {
        result.message = msg::copyFailed.arg(msg::folderNotCreated.arg(native(folder)));
        return result;
    }
    QString error;
    QString backup;
    if (QFileInfo::exists(workingFile)) {
        backup = sideFilePath(workingFile, kBackupKind);
        if (!backUp(workingFile, backup, &error)) {
            result.message = msg::backupFailed.arg(native(workingFile), error);
            return result;
        }
    }
    if (!copyDatabase(sourcePath, workingFile, &error)) {
        // The working file is unchanged, so this backup would only push an older one out.
        if (!backup.isEmpty()) {
            QFile::remove(backup);
            for (const QString& companion : kCompanionSuffixes)
                QFile::remove(backup + companion);
        }
        result.message = msg::copyFailed.arg(error);
        return result;
    }
    pruneBackups(workingFile);
    result.ok = true;
    result.backupPath = backup;
    result.message = backup.isEmpty() ? msg::replaced : msg::replacedWithBackup.arg(native(backup));
    return result;
}

CommandResult exportDatabaseFile(const QString& workingFile, const QString& target) {
    CommandResult result;
    if (target.trimmed().isEmpty()) {
        result.message = msg::noFileChosen;
        return result;
    }
    const QFileInfo targetInfo(target);
    const QFileInfo workingInfo(workingFile);
    if (!workingInfo.exists()) {
        result.message = msg::workingMissing.arg(native(workingInfo.absoluteFilePath()));
        return result;
    }
    const bool sameFile =
        targetInfo.absoluteFilePath() == workingInfo.absoluteFilePath() ||
        (targetInfo.exists() && targetInfo.canonicalFilePath() == workingInfo.canonicalFilePath());
    if (sameFile) {
        result.message = msg::exportOntoWorking.arg(native(targetInfo.absoluteFilePath()));
        return result;
    }
    QString error;
    if (!copyDatabase(workingInfo.absoluteFilePath(), targetInfo.absoluteFilePath(), &error)) {
        result.message = msg::exportFailed.arg(error);
        return result;
    }
    result.ok = true;
    result.message = msg::exported.arg(native(targetInfo.absoluteFilePath()));
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
    QString notice;
    if (QFileInfo::exists(working)) {
        const QString problem = checkDatabaseFile(working);
        if (problem.isEmpty()) {
            result.ok = true;
            return result;
        }
        const QString aside = sideFilePath(working, kDamagedKind);
        QString error;
        if (!moveAside(working, aside, &error)) {
            result.message = msg::workingNotMovedAside.arg(native(working), problem, error);
            return result;
        }
        result.backupPath = aside;
        notice = msg::workingMovedAside.arg(native(working), problem, native(aside));
    }
    QString error;
    if (!createWorkingFile(working, &error)) {
        result.message = msg::workingNotCreated.arg(native(working), error);
        if (!notice.isEmpty())
            result.message = notice + QLatin1Char('\n') + result.message;
        return result;
    }
    result.ok = true;
    result.message = notice;
    return result;
}

} // namespace korvane::files
