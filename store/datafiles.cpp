#include "store/datafiles.h"

#include "store/messages.h"

#include "store/connection.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvane::files {

QString programDirectory() {
    return QCoreApplication::applicationDirPath();
}

QString dataDirectory(const QString& option) {
    if (!option.isEmpty())
        return QDir(option).absolutePath();
    const QString fromEnvironment = qEnvironmentVariable(dataDirEnvironment.toUtf8().constData());
    if (!fromEnvironment.isEmpty())
        return QDir(fromEnvironment).absolutePath();
    const QFileInfo program(programDirectory());
    if (program.isDir() && program.isWritable())
        return program.absoluteFilePath();
    QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (appData.isEmpty())
        appData = QDir::home().filePath(QStringLiteral(".korvane"));
    return appData;
}

QString workingPath(const QString& dataDir) {
    return QDir(dataDir).filePath(workingFileName);
}

QString templatePath() {
    return QDir(programDirectory()).filePath(templateFileName);
}

QString samplePath() {
    return QDir(programDirectory()).filePath(sampleFileName);
}

namespace {

// Makes sure what was written to path is on the disk before it is renamed
// into place, so a crash cannot leave a renamed but empty file.
bool flushToDisk(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#else
    Q_UNUSED(path);
    return true;
#endif
}

void removeWithCompanions(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
}

// Checks the fresh copy at path and stamps it as ours when it carries no
// application id yet (a file made by hand with the right tables).
QString checkAndStamp(const QString& path) {
    bool unstamped = false;
    {
        QString reason;
        auto copy = Connection::open(path, &reason, Connection::Access::ReadOnly);
        if (!copy)
            return reason;
        QSqlQuery query(copy->db());
        if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
            return query.lastError().text();
        unstamped = query.value(0).toLongLong() == 0;
    }
    if (!unstamped)
        return {};
    QString reason;
    auto copy = Connection::open(path, &reason); // a read-write open writes our id
    if (!copy)
        return reason;
    QSqlQuery query(copy->db());
    if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next() ||
        query.value(0).toLongLong() != schema::applicationId)
        return msg::cannotStampId;
    return {};
}

} // namespace

bool copyDatabase(const QString& source, const QString& target, QString* error) {
    const QString partial = target + QStringLiteral(".partial");
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        removeWithCompanions(partial);
        return false;
    };
    removeWithCompanions(partial);
    {
        QString reason;
        auto from = Connection::open(source, &reason, Connection::Access::ReadOnly);
        if (!from)
            return fail(QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(source), reason));
        // VACUUM INTO reads one snapshot of the source, so a writer on another
        // connection neither blocks the copy nor tears it.
        QSqlQuery vacuum(from->db());
        if (!vacuum.exec(QStringLiteral("VACUUM INTO %1").arg(sqlQuote(partial))))
            return fail(msg::cannotWriteFileBecause.arg(QDir::toNativeSeparators(target),
                                                        vacuum.lastError().text()));
    }
    const QString reason = checkAndStamp(partial);
    if (!reason.isEmpty())
        return fail(QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(partial), reason));
    if (!flushToDisk(partial))
        return fail(msg::cannotWriteFile.arg(QDir::toNativeSeparators(target)));
    // rename() over an existing file is atomic on POSIX; QFile::rename is not
    // allowed to replace, so use the system call through std::rename.
    if (std::rename(QFile::encodeName(partial).constData(),
                    QFile::encodeName(target).constData()) != 0)
        return fail(msg::cannotReplaceFile.arg(QDir::toNativeSeparators(target),
                                               QString::fromLocal8Bit(std::strerror(errno))));
    // Stale write-ahead files of a replaced database must not be replayed onto the new one.
    QFile::remove(target + QStringLiteral("-wal"));
    QFile::remove(target + QStringLiteral("-shm"));
    flushToDisk(QFileInfo(target).absolutePath());
    return true;
}

} // namespace korvane::files
