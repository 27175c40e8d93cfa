#pragma once

#include "store/filecheck.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <memory>

namespace korvane {

// One connection of the calling thread to one Korvane database: an SQLite
// file, or a ward on a server (its location in place of the path, see
// store/server.h), where the ward's schema is the one its statements see.
// WAL mode and a busy timeout let the window read while a run writes on its
// own connection. The connection is removed when the object goes away.
class Connection {
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens an existing file and refuses it (null, with the reason) when it
    // is not a usable Korvane database. A refused file is never written.
    // A read-write open also makes sure the file can be written now (not
    // read-only, not locked by another program), so that a refusal comes
    // with its reason rather than at the first write.
    // A read-only open reads through SQLite's locks, and leaves nothing beside
    // the file: a WAL-mode file that no one has open is opened for writing
    // (nothing is written; SQLite removes its log when the connection closes),
    // and read as it lies only where SQLite could not keep a log beside it
    // (read-only media, a folder that is not ours, a full disk). A journal or
    // log a killed writer left is first put right by a connection opened for
    // writing, where the file can be written; elsewhere the file is read-only.
    static std::unique_ptr<Connection> open(const QString& path, QString* error,
                                            Access access = Access::ReadWrite);
    // The same, saying why a file was refused: busy, unavailable, not ours...
    // A ward's location opens the ward: refused when the server cannot be
    // reached, the password is refused, or the ward is missing, not ours or
    // of a newer version; opened for writing, a ward of an earlier version
    // gets the tables of this one.
    static std::unique_ptr<Connection> openChecked(const QString& path, FileCheck* problem,
                                                   Access access = Access::ReadWrite);
    // Creates a new database with the full schema at path (which must not exist).
    static std::unique_ptr<Connection> create(const QString& path, QString* error);

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // A read-only connection to a ward moves on to another ward of the same
    // server (one connection reads many), refused as openChecked refuses it.
    bool moveToWard(const QString& ward, FileCheck* problem);

    QSqlDatabase& db() { return m_db; }
    // Whether this is a ward on a server.
    bool onServer() const { return m_server; }
    const QString& path() const { return m_path; }

    // Keeps this connection from writing, or lets it write again. False when
    // the store would not take it.
    bool refuseWrites(bool refuse);

    // Whether what was read is one state of the file. Always so through
    // SQLite's locks; a file read as it lies must not have changed since it
    // was opened (checked after a copy, which must be whole).
    bool readConsistently() const;

    // Whether a connection of this process is open on the file at path. While
    // one is, nothing else in the process opens the file with a handle of its
    // own: on POSIX, closing any descriptor of a file drops every lock the
    // process holds on it, and another process may then delete the live WAL.
    static bool openInProcess(const QString& path);

    // How long a statement waits for another process's lock before it gives
    // up (10 s); tests shorten it.
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();

private:
    Connection(const QString& path, Access access, bool server = false);
    static std::unique_ptr<Connection> openWard(const QString& location, FileCheck* problem,
                                                Access access);
    // Makes the ward's schema the one the statements see, if it is a ward of ours.
    FileCheck enterWard(const QString& ward);
    // Opens the SQLite connection; false with m_openError.
    bool openRaw();
    // One attempt of openRaw; idleLog: a WAL-mode file with nothing beside it.
    bool openOnce(bool idleLog);
    bool openAs(const QString& name, const QString& options);

    QString m_path;
    QString m_name;
    QString m_registered; // the key of this connection in the process's list of open files
    Access m_access;
    bool m_server = false;
    QSqlDatabase m_db;
    QSqlError m_openError;
    QByteArray m_header; // the file's first bytes, when they could be read safely
    QByteArray m_stamp;  // the file as it was when read as it lies (empty: read through locks)

    friend FileCheck inspectDatabaseFile(const QString& path, PageCheck pages);
};

// What the file at path is as a Korvane database. Opens it read-only and
// writes nothing. SQLite's page check is left out while another
// connection of the process has the file open: it was checked then.
FileCheck inspectDatabaseFile(const QString& path, PageCheck pages = PageCheck::Quick);

// Why the file at path is not a usable Korvane database ("" when it is).
QString checkDatabaseFile(const QString& path);

} // namespace korvane
