#include "store/connection.h"

#include "store/messages.h"

#include "store/schema.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace korvane {

namespace {

QString uniqueConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("korvane-%1").arg(counter.fetchAndAddRelaxed(1));
}

// SQLite writes a file header only on the first write, so an empty or short
// file would be taken as a new database. Refuse anything that is not one.
QString headerProblem(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return msg::fileMissing;
    if (!file.open(QIODevice::ReadOnly))
        return msg::fileUnreadable.arg(file.errorString());
    const QByteArray header = file.read(16);
    if (header.size() < 16 || header != QByteArray("SQLite format 3\0", 16))
        return msg::notOurFile;
    return {};
}

} // namespace

Connection::Connection(const QString& path, Access access)
    : m_path(path), m_name(uniqueConnectionName()), m_access(access),
      m_db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name)) {}

Connection::~Connection() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool Connection::openRaw(QString* error) {
    m_db.setDatabaseName(m_path);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");
    if (m_access == Access::ReadOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    m_db.setConnectOptions(options);
    if (!m_db.open()) {
        if (error)
            *error = m_db.lastError().text();
        return false;
    }
    return true;
}

std::unique_ptr<Connection> Connection::open(const QString& path, QString* error, Access access) {
    const QString reason = checkDatabaseFile(path);
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        return nullptr;
    }
    std::unique_ptr<Connection> connection(new Connection(path, access));
    if (!connection->openRaw(error))
        return nullptr;
    if (access == Access::ReadWrite) {
        QSqlQuery query(connection->m_db);
        query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        query.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
        // A foreign-born file with id 0 is taken as ours from now on.
        query.exec(QStringLiteral("PRAGMA application_id = %1").arg(schema::applicationId));
    }
    return connection;
}

std::unique_ptr<Connection> Connection::create(const QString& path, QString* error) {
    if (QFileInfo::exists(path)) {
        if (error)
            *error = msg::fileExists;
        return nullptr;
    }
    std::unique_ptr<Connection> connection(new Connection(path, Access::ReadWrite));
    if (!connection->openRaw(error))
        return nullptr;
    if (!schema::create(connection->m_db, error)) {
        connection.reset();
        QFile::remove(path);
        return nullptr;
    }
    return connection;
}

QString checkDatabaseFile(const QString& path) {
    const QString header = headerProblem(path);
    if (!header.isEmpty())
        return header;
    Connection probe(path, Connection::Access::ReadOnly);
    QString error;
    if (!probe.openRaw(&error))
        return msg::cannotOpenDatabase.arg(error);
    return schema::problems(probe.db());
}

} // namespace korvane
