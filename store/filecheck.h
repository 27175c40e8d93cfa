#pragma once

#include <QSqlError>
#include <QString>

namespace korvane {

// What a look at a file says about it as a Korvane database. Only a file that
// is surely not a usable database of ours may be moved aside or overwritten;
// a busy or unreadable one may be perfectly healthy.
struct FileCheck {
    enum class Verdict {
        Usable,
        Missing,
        NotOurs,     // not SQLite, another program's, or tables we do not make
        Damaged,     // fails SQLite's own check
        Newer,       // written by a newer version of this program
        Busy,        // locked by another program for longer than the busy timeout
        Unavailable, // permission denied, an input/output error, a full disk
    };
    Verdict verdict = Verdict::Usable;
    QString reason; // for the user; empty when usable

    bool usable() const { return verdict == Verdict::Usable; }
    bool unusableForGood() const {
        return verdict == Verdict::NotOurs || verdict == Verdict::Damaged;
    }
    // Busy or unavailable: the file may be fine, the moment or the disk is not.
    bool temporarilyUnavailable() const {
        return verdict == Verdict::Busy || verdict == Verdict::Unavailable;
    }
};

// How much of a file's pages SQLite checks: none (a file checked when it was
// first opened), quick_check for a file that is opened, integrity_check
// (every index against its rows too) for a copy that Korvane makes or takes in.
enum class PageCheck { None, Quick, Full };

// SQLite's own reason for a failed statement, reduced to what the caller acts on.
enum class StoreFault {
    None,
    Busy,
    ReadOnly,
    Full,
    InputOutput,
    CannotOpen,
    Corrupt,
    NotADatabase,
    Other
};
StoreFault storeFault(const QSqlError& error);

// A fault that concerns the file or the disk rather than the data: the same
// statement may succeed later.
inline bool isFileFault(StoreFault fault) {
    return fault == StoreFault::Busy || fault == StoreFault::ReadOnly ||
           fault == StoreFault::Full || fault == StoreFault::InputOutput ||
           fault == StoreFault::CannotOpen;
}

// The check of an error on a file: busy, read-only, full, unreadable or
// damaged, with a reason for the user. With the file's path, an input/output
// error on a disk with no room left is told as a full disk.
FileCheck checkOfError(const QSqlError& error, const QString& path = {});

// Whether the disk that holds path has (next to) no room left.
bool diskFull(const QString& path);

} // namespace korvane
