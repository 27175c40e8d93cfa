#include "store/datafiles.h"

#include "store/messages.h"

#include "store/connection.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
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
    if (program.isDir() && program.isWritable() &&
        !QFileInfo::exists(QDir(program.absoluteFilePath()).filePath(installedMarkerName)))
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

// Whether the file starts like an SQLite database. Only for files that no
// connection of this process has open.
bool isSqliteFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
}

// Makes the fresh copy at path a self-contained file of ours: its own
// rollback journal rather than a write-ahead log (so it can be read from
// read-only media and leaves nothing beside it), and our application id
// when it carries none yet (a file made by hand with the right tables).
QString settleCopy(const QString& path) {
    const QString name = QStringLiteral("korvane-settle-%1")
                             .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            // The copy is private until it is renamed into place: a crash
            // leaves a file that is thrown away, so it needs no journal.
            if (!query.exec(QStringLiteral("PRAGMA journal_mode=OFF")) ||
                !query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
                error = query.lastError().text();
            else if (query.value(0).toLongLong() == 0 &&
                     !query.exec(
                         QStringLiteral("PRAGMA application_id = %1").arg(schema::applicationId)))
                error = msg::cannotStampId;
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty())
        return error;
    const FileCheck check = inspectDatabaseFile(path);
    return check.reason;
}

} // namespace

const QStringList& companionSuffixes() {
    static const QStringList suffixes = {QStringLiteral("-wal"), QStringLiteral("-shm"),
                                         QStringLiteral("-journal")};
    return suffixes;
}

QString writablePath(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(info.symLinkTarget()).absoluteFilePath() : canonical;
}

namespace {

// The hidden folder beside target in which its copy is made.
QString partialFolder(const QString& target) {
    const QFileInfo info(writablePath(target));
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() +
                                       QStringLiteral(".partial"));
}

} // namespace

bool copyDatabase(const QString& source, const QString& target, QString* error) {
    // A link is written through: the file it points to is replaced, not the link.
    const QString destination = writablePath(target);
    // The copy is made in a hidden folder beside the target, so that what a
    // crash or a kill leaves of it (SQLite's journal of the copy included)
    // lies in that folder and is cleared by the next copy.
    const QString folder = partialFolder(destination);
    const QString partial = QDir(folder).filePath(QFileInfo(destination).fileName());
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        QDir(folder).removeRecursively();
        return false;
    };
    QDir(folder).removeRecursively();
    // mkdir, not mkpath: a copy never makes the folder it is asked to write into.
    if (!QDir().mkdir(folder))
        return fail(msg::cannotWriteFileBecause.arg(QDir::toNativeSeparators(destination),
                                                    msg::folderNotWritable));
    {
        QString reason;
        auto from = Connection::open(source, &reason, Connection::Access::ReadOnly);
        if (!from)
            return fail(QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(source), reason));
        // VACUUM INTO reads one snapshot of the source, so a writer on another
        // connection neither blocks the copy nor tears it.
        QSqlQuery vacuum(from->db());
        if (!vacuum.exec(QStringLiteral("VACUUM INTO %1").arg(sqlQuote(partial))))
            return fail(msg::cannotWriteFileBecause.arg(QDir::toNativeSeparators(destination),
                                                        vacuum.lastError().text()));
    }
    const QString reason = settleCopy(partial);
    if (!reason.isEmpty())
        return fail(QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(destination), reason));
    if (!flushToDisk(partial))
        return fail(msg::cannotWriteFile.arg(QDir::toNativeSeparators(destination)));
    // rename() over an existing file is atomic on POSIX; QFile::rename is not
    // allowed to replace, so use the system call through std::rename.
    if (std::rename(QFile::encodeName(partial).constData(),
                    QFile::encodeName(destination).constData()) != 0)
        return fail(msg::cannotReplaceFile.arg(QDir::toNativeSeparators(destination),
                                               QString::fromLocal8Bit(std::strerror(errno))));
    QDir(folder).removeRecursively();
    // Stale companions of a replaced database must not be replayed onto the new one.
    for (const QString& suffix : companionSuffixes())
        QFile::remove(destination + suffix);
    flushToDisk(QFileInfo(destination).absolutePath());
    return true;
}

bool createDatabaseFile(const QString& target, QString* error) {
    QString templateError;
    if (QFileInfo::exists(templatePath()) && copyDatabase(templatePath(), target, &templateError))
        return true;
    // Without a usable template, the schema code writes the same content,
    // made in the copy's hidden folder and copied into place like every database.
    const QString folder = partialFolder(target) + QStringLiteral(".new");
    const QString fresh = QDir(folder).filePath(QFileInfo(target).fileName());
    QDir(folder).removeRecursively();
    bool copied = false;
    if (QDir().mkdir(folder)) {
        QString reason;
        bool created = false;
        {
            auto connection = Connection::create(fresh, &reason);
            created = connection != nullptr;
        }
        copied = created && copyDatabase(fresh, target, &reason);
        if (!copied && error)
            *error = reason;
    } else if (error) {
        *error = msg::cannotWriteFile.arg(QDir::toNativeSeparators(target));
    }
    QDir(folder).removeRecursively();
    return copied;
}

QString outputFileProblem(const QString& path) {
    const QString target = writablePath(path);
    const QFileInfo info(target);
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (info.isDir())
        return outputFailedMessage(shown, msg::isAFolder);
    bool database = false;
    for (const QString& ours : {templatePath(), samplePath()})
        database = database || writablePath(ours) == target;
    // A file open in this process is one of our databases; any other is
    // looked at without disturbing the locks of a connection (there is none).
    if (!database && info.isFile())
        database = Connection::openInProcess(target) || isSqliteFile(target);
    return database ? msg::outputIsDatabase.arg(shown) : QString();
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const QString target = writablePath(path);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = outputFailedMessage(target, file.errorString());
        return false;
    }
    return true;
}

QString outputFailedMessage(const QString& path, const QString& reason) {
    return msg::outputFailed.arg(QDir::toNativeSeparators(path), reason);
}

void provideRuntimeDirectory() {
#ifdef Q_OS_UNIX
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QByteArray path = QFile::encodeName(
        QDir::temp().filePath(QStringLiteral("korvane-runtime-%1").arg(::getuid())));
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return;
    // Only a folder that is ours alone will do.
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        return;
    qputenv("XDG_RUNTIME_DIR", path);
#endif
}

} // namespace korvane::files
