#pragma once

#include <QString>
#include <memory>

namespace korvane::files {

// An advisory lock that Korvane's processes (the window, korvane-cli) take on
// one database file, so that none replaces a file another uses and no two
// runs share its work tables. It lives on a companion file "<database>-lock"
// and never on the database itself, whose locks belong to SQLite.
class DatabaseLock {
public:
    enum class Mode {
        Use,     // shared: the file is open in a program of ours
        Replace, // exclusive: the file is about to be replaced (no one may use it)
        Run,     // exclusive among runs: a generation run owns the work tables
    };

    // Takes the lock on the database at path (a link counts as its target),
    // waiting up to waitMs for another process to let go; null with a message
    // for the user when it did not. Where no lock file can be made (read-only
    // media), nobody of ours can write either, and the lock holds trivially.
    static std::unique_ptr<DatabaseLock> acquire(const QString& path, Mode mode, int waitMs,
                                                 QString* error = nullptr);
    // Only when the lock file exists already: exporting onto a file must not
    // leave a lock file beside it.
    static std::unique_ptr<DatabaseLock> acquireIfTracked(const QString& path, Mode mode,
                                                          int waitMs, QString* error = nullptr);

    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // The name of the lock file beside the database at path.
    static QString lockFilePath(const QString& path);

private:
    explicit DatabaseLock(int fd) : m_fd(fd) {}
    static std::unique_ptr<DatabaseLock> take(const QString& path, Mode mode, int waitMs,
                                              bool create, QString* error);
    int m_fd;
};

// How long whole-file commands wait for another process of ours to finish
// with a file before they refuse (10 s; tests shorten it).
int lockWaitMs();
void setLockWaitMs(int milliseconds);

} // namespace korvane::files
