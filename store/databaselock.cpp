#include "store/databaselock.h"

#include "store/messages.h"
#include "store/openfiles.h"
#include "store/server.h"
#include "store/sqltext.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <QAtomicInteger>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane::files {

namespace {

// SQLite locks the bytes from its pending byte (0x40000000) to 0x400001ff of
// a database file. Ours lie past them: byte 0 (counted from kFirstByte) is
// held shared by every user and exclusive by a replacer; byte 1 exclusive by
// a run (and by a replacer). Locks past the end of a file are allowed and
// never change it.
constexpr off_t kFirstByte = 0x40000000 + 0x1000;
constexpr off_t kUseByte = kFirstByte;
constexpr off_t kRunByte = kFirstByte + 1;

QString resolved(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    if (info.isSymLink()) // a link to a file not made yet
        return QFileInfo(info.symLinkTarget()).absoluteFilePath();
    return QDir::cleanPath(info.absoluteFilePath());
}

struct Range {
    off_t start;
    off_t length;
    short type;
};

Range rangeOf(DatabaseLock::Mode mode) {
    switch (mode) {
    case DatabaseLock::Mode::Use:
        return {kUseByte, 1, F_RDLCK};
    case DatabaseLock::Mode::Replace:
        return {kUseByte, 2, F_WRLCK};
    case DatabaseLock::Mode::Run:
        return {kRunByte, 1, F_WRLCK};
    }
    return {kUseByte, 1, F_RDLCK};
}

// Open-file-description locks belong to the descriptor, not to the process:
// two locks of one process conflict like two processes' locks, and closing
// another descriptor of the file does not drop them.
bool setLock(int fd, DatabaseLock::Mode mode, bool locked) {
    const Range range = rangeOf(mode);
    struct flock lock = {};
    lock.l_type = locked ? range.type : short(F_UNLCK);
    lock.l_whence = SEEK_SET;
    lock.l_start = range.start;
    lock.l_len = range.length;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool sameFile(int fd, const QString& file) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(QFile::encodeName(file).constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

QString busyMessage(DatabaseLock::Mode mode, const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    switch (mode) {
    case DatabaseLock::Mode::Use:
        return msg::fileBeingReplaced.arg(shown);
    case DatabaseLock::Mode::Replace:
        return msg::fileInUse.arg(shown);
    case DatabaseLock::Mode::Run:
        return msg::runInProgressElsewhere.arg(shown);
    }
    return {};
}

// Why the file could not be opened for the lock (errno as open left it).
FileCheck openProblem(int error, DatabaseLock::Mode mode, const QString& path) {
    using V = FileCheck::Verdict;
    const auto about = [&](V verdict, const QString& reason) {
        return FileCheck{verdict, QDir::toNativeSeparators(path) + QStringLiteral("：") + reason};
    };
    switch (error) {
    case ENOENT:
        return about(V::Missing, msg::fileMissing);
    case EISDIR:
        return about(V::NotOurs, msg::notOurFile);
    case EROFS:
        return about(V::Unavailable, msg::readOnlyFile);
    case EACCES:
    case EPERM:
        return about(V::Unavailable, mode == DatabaseLock::Mode::Use
                                         ? msg::fileUnreadable.arg(msg::noReadPermission)
                                         : msg::readOnlyFile);
    default:
        return about(V::Unavailable,
                     msg::fileUnreadable.arg(QString::fromLocal8Bit(std::strerror(error))));
    }
}

std::atomic<int> g_lockWaitMs{10000};

} // namespace

int lockWaitMs() {
    return g_lockWaitMs;
}

void setLockWaitMs(int milliseconds) {
    g_lockWaitMs = milliseconds;
}

std::unique_ptr<DatabaseLock> DatabaseLock::acquire(const QString& path, Mode mode, int waitMs,
                                                    QString* error) {
    FileCheck problem;
    auto lock = acquire(path, mode, waitMs, &problem);
    if (!lock && error)
        *error = problem.reason;
    return lock;
}

std::unique_ptr<DatabaseLock> DatabaseLock::acquireOnServer(const QString& location, Mode mode,
                                                            int waitMs, FileCheck* problem) {
    static QAtomicInteger<quint64> counter;
    const QString session = QStringLiteral("korvane-lock-%1").arg(counter.fetchAndAddRelaxed(1));
    std::unique_ptr<DatabaseLock> lock(new DatabaseLock(location, {}, -1, 0, mode));
    lock->m_session = session;
    lock->m_sessionThread = QThread::currentThread();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), session);
    FileCheck fault;
    if (!server::connect(db, server::urlOf(location), &fault)) {
        if (problem)
            *problem = fault;
        return nullptr;
    }
    // Two keys per ward, as the two bytes of a file: 0 shared by its users
    // and exclusive for a replace, 1 exclusive for a run and a replace.
    QStringList keys;
    if (mode != Mode::Run)
        keys << QStringLiteral("0");
    if (mode != Mode::Use)
        keys << QStringLiteral("1");
    const QString function = mode == Mode::Use ? QStringLiteral("pg_try_advisory_lock_shared")
                                               : QStringLiteral("pg_try_advisory_lock");
    const QDeadlineTimer deadline(waitMs);
    QSqlQuery query(db);
    for (;;) {
        QStringList taken;
        for (const QString& key : keys) {
            if (!execBound(query, QStringLiteral("SELECT %1(hashtext(?), %2)").arg(function, key),
                           {server::wardOf(location)}) ||
                !query.next()) {
                if (problem)
                    *problem = {FileCheck::Verdict::Unavailable,
                                msg::wardRefused.arg(query.lastError().text())};
                return nullptr;
            }
            if (!query.value(0).toBool())
                break;
            taken << key;
        }
        if (taken.size() == keys.size())
            return lock;
        for (const QString& key : taken)
            execBound(query, QStringLiteral("SELECT pg_advisory_unlock(hashtext(?), %1)").arg(key),
                      {server::wardOf(location)});
        if (deadline.hasExpired()) {
            if (problem)
                *problem = {FileCheck::Verdict::Busy,
                            server::describe(location) + QStringLiteral("：") +
                                (mode == Mode::Run ? msg::wardRunBusy : msg::wardBusy)};
            return nullptr;
        }
        QThread::msleep(qMin<qint64>(100, qMax<qint64>(1, deadline.remainingTime())));
    }
}

std::unique_ptr<DatabaseLock> DatabaseLock::acquire(const QString& path, Mode mode, int waitMs,
                                                    FileCheck* problem) {
    if (server::isLocation(path))
        return acquireOnServer(path, mode, waitMs, problem);
    const QString file = resolved(path);
    const QString key = openfiles::key(file);
    const int flags = mode == Mode::Use ? O_RDONLY : O_RDWR;
    const QDeadlineTimer deadline(waitMs);
    const auto refuse = [&](const FileCheck& check) {
        if (problem)
            *problem = check;
        return nullptr;
    };
    for (;;) {
        const int fd = openfiles::openDescriptor(key, file, flags);
        if (fd < 0)
            return refuse(openProblem(errno, mode, path));
        if (setLock(fd, mode, true)) {
            if (sameFile(fd, file))
                return std::unique_ptr<DatabaseLock>(new DatabaseLock(file, key, fd, flags, mode));
            // Replaced while we waited: the lock belongs on the file now at the path.
            setLock(fd, mode, false);
            openfiles::releaseDescriptor(key, fd, flags);
            if (deadline.hasExpired())
                return refuse({FileCheck::Verdict::Busy, busyMessage(mode, path)});
            continue;
        }
        const int error = errno;
        openfiles::releaseDescriptor(key, fd, flags);
        if (error != EAGAIN && error != EACCES)
            return refuse({FileCheck::Verdict::Unavailable,
                           QDir::toNativeSeparators(path) + QStringLiteral("：") +
                               msg::cannotLock.arg(QString::fromLocal8Bit(std::strerror(error)))});
        if (deadline.hasExpired())
            return refuse({FileCheck::Verdict::Busy, busyMessage(mode, path)});
        QThread::msleep(qMin<qint64>(50, qMax<qint64>(1, deadline.remainingTime())));
    }
}

DatabaseLock::~DatabaseLock() {
    if (!m_session.isEmpty()) {
        // On the thread that opened the session the locks are let go at once,
        // so that another program's next try finds them free; the server
        // ends a closed session's locks only when its process has ended.
        if (QThread::currentThread() == m_sessionThread) {
            QSqlDatabase db = QSqlDatabase::database(m_session, false);
            if (db.isOpen())
                QSqlQuery(db).exec(QStringLiteral("SELECT pg_advisory_unlock_all()"));
        }
        // Elsewhere (a run's thread took it, the window lets it go) ending the
        // session lets go of them: its connection closes as its name goes.
        QSqlDatabase::removeDatabase(m_session);
        return;
    }
    setLock(m_fd, m_mode, false);
    openfiles::releaseDescriptor(m_key, m_fd, m_flags);
}

bool DatabaseLock::stillAtPath() const {
    return !m_session.isEmpty() || sameFile(m_fd, m_file);
}

QString DatabaseLock::replacedMessage() const {
    return msg::fileReplacedDuringWork.arg(QDir::toNativeSeparators(m_file));
}

} // namespace korvane::files
