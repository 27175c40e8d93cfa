#include "store/datafiles.h"

#include "store/connection.h"
#include "store/sqltext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <cstdio>

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

bool copyDatabase(const QString& source, const QString& target, QString* error) {
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    {
        QString reason;
        auto from = Connection::open(source, &reason, Connection::Access::ReadOnly);
        if (!from) {
            if (error)
                *error = QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(source), reason);
            return false;
        }
        QSqlQuery vacuum(from->db());
        if (!vacuum.exec(QStringLiteral("VACUUM INTO %1").arg(sqlQuote(partial)))) {
            if (error)
                *error = QStringLiteral("无法写入 %1（%2）")
                             .arg(QDir::toNativeSeparators(target), vacuum.lastError().text());
            QFile::remove(partial);
            return false;
        }
    }
    const QString reason = checkDatabaseFile(partial);
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        QFile::remove(partial);
        return false;
    }
    // rename() over an existing file is atomic on POSIX; QFile::rename is not
    // allowed to replace, so use the system call through std::rename.
    if (std::rename(QFile::encodeName(partial).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        if (error)
            *error = QStringLiteral("无法替换 %1").arg(QDir::toNativeSeparators(target));
        QFile::remove(partial);
        return false;
    }
    // Stale write-ahead files of a replaced database must not be replayed onto the new one.
    QFile::remove(target + QStringLiteral("-wal"));
    QFile::remove(target + QStringLiteral("-shm"));
    return true;
}

bool ensureWorkingDatabase(const QString& dataDir, QString* error) {
    const QString working = workingPath(dataDir);
    if (QFileInfo::exists(working))
        return true;
    if (!QDir().mkpath(dataDir)) {
        if (error)
            *error = QStringLiteral("无法创建数据文件夹 %1").arg(QDir::toNativeSeparators(dataDir));
        return false;
    }
    if (QFileInfo::exists(templatePath()))
        return copyDatabase(templatePath(), working, error);
    // Without the delivered template the schema code writes the same content.
    return Connection::create(working, error) != nullptr;
}

} // namespace korvane::files
