#include "store/datafiles.h"

#include "store/messages.h"

#include "store/connection.h"
#include "store/databaselock.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Makes sure what was written to path is on the disk before it is renamed
// into place, so a crash cannot leave a renamed but empty file.
bool flushToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Whether the file starts like an SQLite database. Only for files that no
// connection of this process has open.
bool isSqliteFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
}

// A file that cannot be written at target, for a reason of the system (errno).
FileCheck writeProblem(int error, const QString& target) {
    using V = FileCheck::Verdict;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return {V::Unavailable, msg::cannotWriteFileBecause.arg(native(target), msg::diskFull)};
    case EACCES:
    case EPERM:
    case EROFS:
        return {V::Unavailable,
                msg::cannotWriteFileBecause.arg(native(target), msg::folderNotWritable)};
    case ENOENT:
    case ENOTDIR:
        // No such folder: a mistake in the name, not the state of a disk.
        return {V::Missing,
                msg::cannotWriteFileBecause.arg(native(target), msg::folderNotWritable)};
    default:
        return {V::Unavailable,
                msg::cannotWriteFileBecause.arg(native(target), systemReason(error))};
    }
}

// Makes the fresh copy at path a self-contained file of ours: its own
// rollback journal rather than a write-ahead log (so it can be read from
// read-only media and leaves nothing beside it), and our application id
// when it carries none yet (a file made by hand with the right tables).
// Then SQLite checks it whole: a copy of a torn or damaged file goes no further.
FileCheck settleCopy(const QString& path) {
    const QString name = QStringLiteral("korvane-settle-%1")
                             .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
    FileCheck problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            problem = checkOfError(db.lastError(), path);
        } else {
            QSqlQuery query(db);
            // The copy is private until it is renamed into place: a crash
            // leaves a file that is thrown away, so it needs no journal.
            if (!query.exec(QStringLiteral("PRAGMA journal_mode=OFF")) ||
                !query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
                problem = checkOfError(query.lastError(), path);
            else if (query.value(0).toLongLong() == 0 &&
                     !query.exec(
                         QStringLiteral("PRAGMA application_id = %1").arg(schema::applicationId)))
                problem = {FileCheck::Verdict::Damaged, msg::cannotStampId};
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!problem.usable())
        return problem;
    FileCheck check = inspectDatabaseFile(path, PageCheck::Full);
    if (check.verdict == FileCheck::Verdict::Damaged)
        check.reason = msg::copyDamaged;
    return check;
}

// The staging folder of a file: hidden, beside it.
QString stagingFolderOf(const QString& target) {
    const QFileInfo info(target);
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() +
                                       QStringLiteral(".partial"));
}

// What staging folders are called (".<name>.partial"; ".<name>.partial.new"
// was the scratch folder of a new database in earlier versions).
const QRegularExpression kStagingName(QStringLiteral("^\\..+\\.partial(\\.new)?$"));

bool sameEntry(int fd, const QString& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// The folder at path, locked for this process alone (flock: it belongs to the
// descriptor, not the process); -1 when another holds it, or with errno set.
int lockFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    // Removed (or replaced) by the writer before us, which held it until then.
    if (!sameEntry(fd, path)) {
        ::close(fd);
        errno = EAGAIN;
        return -1;
    }
    return fd;
}

} // namespace

StagingFolder::StagingFolder(const QString& target)
    : m_target(writablePath(target)), m_folder(stagingFolderOf(m_target)) {
    const QByteArray folder = QFile::encodeName(m_folder);
    const QDeadlineTimer deadline(lockWaitMs());
    for (;;) {
        if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
            m_problem = writeProblem(errno, m_target);
            return;
        }
        m_fd = lockFolder(m_folder);
        if (m_fd >= 0)
            break;
        if (errno == ENOTDIR || errno == ELOOP) {
            // Something that is not our folder is in its way.
            m_problem = {FileCheck::Verdict::Unavailable,
                         msg::cannotWriteFileBecause.arg(native(m_target), msg::folderNotWritable)};
            return;
        }
        if (errno != EWOULDBLOCK && errno != EAGAIN) {
            m_problem = writeProblem(errno, m_target);
            return;
        }
        if (deadline.hasExpired()) {
            m_problem = {FileCheck::Verdict::Busy, msg::fileBeingWritten.arg(native(m_target))};
            return;
        }
        QThread::msleep(20);
    }
    // What a killed writer left.
    QDir dir(m_folder);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(dir.filePath(name)).isDir())
            QDir(dir.filePath(name)).removeRecursively();
        else
            QFile::remove(dir.filePath(name));
    }
}

StagingFolder::~StagingFolder() {
    if (m_fd < 0)
        return;
    // Removed while still locked: a writer waiting for it then finds it gone
    // and makes its own.
    QDir(m_folder).removeRecursively();
    ::close(m_fd);
}

QString StagingFolder::filePath() const {
    return QDir(m_folder).filePath(QFileInfo(m_target).fileName());
}

bool StagingFolder::commit(Placement placement, FileCheck* problem) {
    const auto fail = [&](const FileCheck& why) {
        if (problem)
            *problem = why;
        return false;
    };
    const QByteArray from = QFile::encodeName(filePath());
    const QByteArray to = QFile::encodeName(m_target);
    if (!flushToDisk(filePath()))
        return fail(writeProblem(errno, m_target));
    if (placement == Placement::CreateOnly) {
        // A hard link is made only where no file is; the staged name goes
        // with the folder.
        if (::link(from.constData(), to.constData()) != 0) {
            if (errno == EEXIST)
                return fail(
                    {FileCheck::Verdict::Busy, msg::fileCreatedMeanwhile.arg(native(m_target))});
            // A file system without hard links: the name is checked, then taken.
            if (QFileInfo::exists(m_target))
                return fail(
                    {FileCheck::Verdict::Busy, msg::fileCreatedMeanwhile.arg(native(m_target))});
            if (std::rename(from.constData(), to.constData()) != 0)
                return fail(writeProblem(errno, m_target));
        }
    } else if (std::rename(from.constData(), to.constData()) != 0) {
        // rename() over an existing file is atomic on POSIX.
        return fail({FileCheck::Verdict::Unavailable,
                     msg::cannotReplaceFile.arg(native(m_target), systemReason(errno))});
    }
    flushToDisk(QFileInfo(m_target).absolutePath());
    return true;
}

void clearStaleStaging(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (!kStagingName.match(name).hasMatch())
            continue;
        const QString path = dir.filePath(name);
        const int fd = lockFolder(path);
        if (fd < 0)
            continue; // a live writer's, or not a folder of ours
        QDir(path).removeRecursively();
        ::close(fd);
    }
}

const QStringList& companionSuffixes() {
    static const QStringList suffixes = {QStringLiteral("-wal"), QStringLiteral("-shm"),
                                         QStringLiteral("-journal")};
    return suffixes;
}

const QStringList& outputRefusedSuffixes() {
    static const QStringList suffixes = companionSuffixes() + QStringList{QStringLiteral("-lock")};
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

// Settles the database made in the staging folder and puts it in place.
bool placeDatabase(StagingFolder& staging, Placement placement, FileCheck* problem) {
    FileCheck settled = settleCopy(staging.filePath());
    if (!settled.usable()) {
        settled.reason = QStringLiteral("%1：%2").arg(native(staging.target()), settled.reason);
        if (problem)
            *problem = settled;
        return false;
    }
    if (!staging.commit(placement, problem))
        return false;
    // Stale companions of a replaced database must not be replayed onto the new one.
    for (const QString& suffix : companionSuffixes())
        QFile::remove(staging.target() + suffix);
    return true;
}

} // namespace

bool copyDatabase(const QString& source, const QString& target, FileCheck* problem,
                  Placement placement) {
    const auto fail = [&](const FileCheck& why) {
        if (problem)
            *problem = why;
        return false;
    };
    StagingFolder staging(target);
    if (!staging.isValid())
        return fail(staging.problem());
    {
        FileCheck refused;
        auto from = Connection::openChecked(source, &refused, Connection::Access::ReadOnly);
        if (!from) {
            refused.reason = QStringLiteral("%1：%2").arg(native(source), refused.reason);
            return fail(refused);
        }
        // VACUUM INTO reads one snapshot of the source, so a writer on another
        // connection neither blocks the copy nor tears it.
        QSqlQuery vacuum(from->db());
        if (!vacuum.exec(QStringLiteral("VACUUM INTO %1").arg(sqlQuote(staging.filePath())))) {
            FileCheck fault = checkOfError(vacuum.lastError(), staging.filePath());
            fault.reason = msg::cannotWriteFileBecause.arg(native(staging.target()), fault.reason);
            return fail(fault);
        }
        if (!from->readConsistently())
            return fail({FileCheck::Verdict::Busy,
                         QStringLiteral("%1：%2").arg(native(source), msg::changedWhileCopied)});
    }
    return placeDatabase(staging, placement, problem);
}

bool createDatabaseFile(const QString& target, FileCheck* problem, Placement placement) {
    if (inspectDatabaseFile(templatePath()).usable())
        return copyDatabase(templatePath(), target, problem, placement);
    // Without a usable template, the schema code writes the same content.
    StagingFolder staging(target);
    if (!staging.isValid()) {
        if (problem)
            *problem = staging.problem();
        return false;
    }
    QString error;
    {
        auto connection = Connection::create(staging.filePath(), &error);
        if (!connection) {
            if (problem)
                *problem = {FileCheck::Verdict::Unavailable,
                            msg::cannotWriteFileBecause.arg(native(staging.target()), error)};
            return false;
        }
    }
    return placeDatabase(staging, placement, problem);
}

namespace {

// Whether the file at path is a database: one of ours, open in this process,
// or any SQLite file (looked at without disturbing the locks of a
// connection: there is none).
bool isDatabase(const QString& path) {
    for (const QString& ours : {templatePath(), samplePath()})
        if (writablePath(ours) == writablePath(path))
            return true;
    return QFileInfo(path).isFile() && (Connection::openInProcess(path) || isSqliteFile(path));
}

// The database whose companion path would be (its name with the suffix
// taken off), or an empty string.
QString companionOf(const QString& path) {
    for (const QString& suffix : outputRefusedSuffixes())
        if (path.endsWith(suffix) && isDatabase(path.chopped(suffix.size())))
            return path.chopped(suffix.size());
    return {};
}

} // namespace

QString outputFileProblem(const QString& path) {
    const QString given = QFileInfo(path).absoluteFilePath();
    const QString target = writablePath(path);
    const QString shown = native(given);
    if (QFileInfo(target).isDir())
        return outputFailedMessage(shown, msg::isAFolder);
    if (isDatabase(target))
        return msg::outputIsDatabase.arg(shown);
    return companionProblem(path);
}

QString companionProblem(const QString& path) {
    const QString given = QFileInfo(path).absoluteFilePath();
    // A link named like a companion is one (SQLite follows it), and so is a
    // link to one.
    for (const QString& candidate : {given, writablePath(path)}) {
        const QString database = companionOf(candidate);
        if (!database.isEmpty())
            return msg::outputIsCompanion.arg(native(given), native(database));
    }
    return {};
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const QString refusal = outputFileProblem(path);
    if (!refusal.isEmpty()) {
        if (error)
            *error = refusal;
        return false;
    }
    StagingFolder staging(path);
    FileCheck problem = staging.problem();
    if (staging.isValid()) {
        QFile file(staging.filePath());
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.flush()) {
            problem = {FileCheck::Verdict::Unavailable,
                       diskFull(staging.path()) ? msg::diskFull : file.errorString()};
        } else {
            file.close();
            if (staging.commit(Placement::Replace, &problem))
                return true;
        }
    }
    if (error)
        *error = outputFailedMessage(staging.target(), problem.reason);
    return false;
}

QString outputFailedMessage(const QString& path, const QString& reason) {
    return msg::outputFailed.arg(native(path), reason);
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
