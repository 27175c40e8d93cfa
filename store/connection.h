#pragma once

#include <QSqlDatabase>
#include <QString>
#include <memory>

namespace korvane {

// One SQLite connection of the calling thread to one Korvane database file.
// WAL mode and a busy timeout let the window read while a run writes on its
// own connection. The connection is removed when the object goes away.
class Connection {
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens an existing file and refuses it (null, with the reason) when it
    // is not a usable Korvane database. A refused file is never written.
    static std::unique_ptr<Connection> open(const QString& path, QString* error,
                                            Access access = Access::ReadWrite);
    // Creates a new database with the full schema at path (which must not exist).
    static std::unique_ptr<Connection> create(const QString& path, QString* error);

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase& db() { return m_db; }
    const QString& path() const { return m_path; }

private:
    Connection(const QString& path, Access access);
    bool openRaw(QString* error);

    QString m_path;
    QString m_name;
    Access m_access;
    QSqlDatabase m_db;

    friend QString checkDatabaseFile(const QString& path);
};

// Why the file at path is not a usable Korvane database ("" when it is).
// Opens it read-only and writes nothing.
QString checkDatabaseFile(const QString& path);

} // namespace korvane
