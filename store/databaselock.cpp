#include "store/databaselock.h"

#include "store/messages.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace korvane::files {

namespace {

// The lock file's bytes: byte 0 is held shared by every user and exclusive by
// a replacer; byte 1 exclusive by a run (and by a replacer).
constexpr off_t kUseByte = 0;
constexpr off_t kRunByte = 1;

QString resolved(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    if (info.isSymLink()) // a link to a file not made yet
        return QFileInfo(info.symLinkTarget()).absoluteFilePath();
    return QDir::cleanPath(info.absoluteFilePath());
}

// Open-file-description locks belong to the descriptor, not to the process:
// two locks of one process conflict like two processes' locks, and closing
// another descriptor of the file does not drop them.
bool tryLock(int fd, short type, off_t start, off_t length) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
#ifdef F_OFD_SETLK
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
#else
    return ::fcntl(fd, F_SETLK, &lock) == 0;
#endif
}

bool lockMode(int fd, DatabaseLock::Mode mode) {
    switch (mode) {
    case DatabaseLock::Mode::Use:
        return tryLock(fd, F_RDLCK, kUseByte, 1);
    case DatabaseLock::Mode::Replace:
        return tryLock(fd, F_WRLCK, kUseByte, 2);
    case DatabaseLock::Mode::Run:
        return tryLock(fd, F_WRLCK, kRunByte, 1);
    }
    return false;
}

QString refusal(DatabaseLock::Mode mode, const QString& path) {
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

std::atomic<int> g_lockWaitMs{10000};

} // namespace

int lockWaitMs() {
    return g_lockWaitMs;
}

void setLockWaitMs(int milliseconds) {
    g_lockWaitMs = milliseconds;
}

QString DatabaseLock::lockFilePath(const QString& path) {
    return resolved(path) + QStringLiteral("-lock");
}

std::unique_ptr<DatabaseLock> DatabaseLock::acquire(const QString& path, Mode mode, int waitMs,
                                                    QString* error) {
    return take(path, mode, waitMs, true, error);
}

std::unique_ptr<DatabaseLock> DatabaseLock::acquireIfTracked(const QString& path, Mode mode,
                                                             int waitMs, QString* error) {
    return take(path, mode, waitMs, false, error);
}

std::unique_ptr<DatabaseLock> DatabaseLock::take(const QString& path, Mode mode, int waitMs,
                                                 bool create, QString* error) {
    const QByteArray name = QFile::encodeName(lockFilePath(path));
    int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC); // enough for a shared lock
    if (fd < 0)
        return std::unique_ptr<DatabaseLock>(new DatabaseLock(-1));
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (lockMode(fd, mode))
            return std::unique_ptr<DatabaseLock>(new DatabaseLock(fd));
        if (errno == EBADF) { // a read-only lock file cannot take an exclusive lock
            ::close(fd);
            return std::unique_ptr<DatabaseLock>(new DatabaseLock(-1));
        }
        if (deadline.hasExpired())
            break;
        QThread::msleep(qMin<qint64>(50, qMax<qint64>(1, deadline.remainingTime())));
    }
    ::close(fd);
    if (error)
        *error = refusal(mode, path);
    return nullptr;
}

DatabaseLock::~DatabaseLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace korvane::files
