#pragma once

#include <QString>

#include <functional>

// The database files this process has open, and the descriptors it keeps on
// them for its own locks.
//
// On POSIX, closing any descriptor of a file drops every lock the process
// holds on that file through the classic record locks, which SQLite uses: a
// descriptor of ours closed while a connection is open on the file would
// drop the connection's locks, and another process could then delete the
// live write-ahead log. So a descriptor of ours is closed only while no
// connection of the process has the file open; until then it is kept, and
// reused by the next lock on the file.
namespace korvane::files::openfiles {

// The key of a file in these lists: its canonical path (a link counts as its target).
QString key(const QString& path);

// A connection on the file opens (before SQLite opens it) and closes (after
// SQLite closed it). run is called under the list's lock with the number of
// connections the file had before.
void connectionOpened(const QString& key, const std::function<void(int)>& run = {});
void connectionClosed(const QString& key);
bool isOpen(const QString& key);

// A descriptor of the file at path (listed under key), opened with flags
// (O_CLOEXEC added), or -1 with errno set. A kept descriptor of the same
// file (device and inode) and the same flags is reused.
int openDescriptor(const QString& key, const QString& path, int flags);
// Gives back a descriptor from openDescriptor, its locks already released:
// closed now when no connection of the process has the file open, else kept.
void releaseDescriptor(const QString& key, int fd, int flags);

} // namespace korvane::files::openfiles
