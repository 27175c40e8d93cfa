#pragma once

#include "store/filecheck.h"

#include <QString>

class QThread;
#include <memory>

namespace korvane::files {

// An advisory lock that Korvane's processes (the window, korvane-cli) take on
// one database file, so that none replaces a file another uses and no two
// runs share its work tables. It is an open-file-description lock on bytes of
// the database file itself that lie past the ones SQLite locks, so there is
// no second file that a cleaning tool could delete, another user could own,
// or a folder could stand in for. Locks of one process conflict with each
// other like those of two processes.
class DatabaseLock {
public:
    enum class Mode {
        Use,     // shared: the file is open in a program of ours
        Replace, // exclusive: the file is about to be replaced (no one may use it)
        Run,     // exclusive among runs: a generation run owns the work tables
    };

    // Takes the lock on the database at path (a link counts as its target),
    // waiting up to waitMs for another window or command of ours to let go.
    // Null when it was not taken, and *problem says why, in a message that
    // names the file: Busy (another of ours holds it), Missing, or
    // Unavailable (the file cannot be opened as the mode needs: Run and
    // Replace need to write it; or the file system takes no locks). A lock
    // that cannot be taken is never passed over: the work waits or stops.
    static std::unique_ptr<DatabaseLock> acquire(const QString& path, Mode mode, int waitMs,
                                                 FileCheck* problem);
    // The same, with the message only.
    static std::unique_ptr<DatabaseLock> acquire(const QString& path, Mode mode, int waitMs,
                                                 QString* error = nullptr);

    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // Whether the file at the path is still the locked one (same device and
    // inode). A file renamed over it, by hand or by another program, is
    // not protected by this lock: work that holds it checks before it writes.
    bool stillAtPath() const;
    // Why the work stops when the file is no longer the locked one.
    QString replacedMessage() const;

private:
    DatabaseLock(const QString& file, const QString& key, int fd, int flags, Mode mode)
        : m_file(file), m_key(key), m_fd(fd), m_flags(flags), m_mode(mode) {}
    static std::unique_ptr<DatabaseLock> acquireOnServer(const QString& location, Mode mode,
                                                         int waitMs, FileCheck* problem);

    QString m_file; // the database file (a link resolved)
    QString m_key;  // its key in the process's list of open files
    int m_fd;
    int m_flags;
    Mode m_mode;
    QString m_session;                  // the server's connection that holds a ward's lock
    QThread* m_sessionThread = nullptr; // the thread that opened it
};

// How long whole-file commands wait for another process of ours to finish
// with a file before they refuse (10 s; tests shorten it).
int lockWaitMs();
void setLockWaitMs(int milliseconds);

} // namespace korvane::files
