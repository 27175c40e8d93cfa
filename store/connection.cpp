#include "store/connection.h"

#include "store/filecommands.h"
#include "store/messages.h"
#include "store/schema.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>

namespace korvane {

namespace {

constexpr qsizetype kHeaderSize = 100;
const QByteArray kSqliteMagic("SQLite format 3\0", 16);
constexpr int kWalVersionOffset = 18; // the file format read version: 2 in WAL mode

std::atomic<int> g_busyTimeout{10000};

QString uniqueConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("korvane-%1").arg(counter.fetchAndAddRelaxed(1));
}

// The files of this process that have a connection open, by resolved path.
struct OpenFiles {
    QMutex mutex;
    QHash<QString, int> count;
};
OpenFiles& openFiles() {
    static OpenFiles files;
    return files;
}

QString fileKey(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool anyCompanionExists(const QString& path) {
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (QFileInfo::exists(path + QLatin1String(suffix)))
            return true;
    return false;
}

QByteArray readHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kHeaderSize);
}

} // namespace

StoreFault storeFault(const QSqlError& error) {
    if (!error.isValid())
        return StoreFault::None;
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber) & 0xff;
    if (!isNumber)
        return StoreFault::Other;
    switch (code) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return StoreFault::Busy;
    case 8: // SQLITE_READONLY
        return StoreFault::ReadOnly;
    case 10: // SQLITE_IOERR
        return StoreFault::InputOutput;
    case 11: // SQLITE_CORRUPT
        return StoreFault::Corrupt;
    case 13: // SQLITE_FULL
        return StoreFault::Full;
    case 14: // SQLITE_CANTOPEN
    case 23: // SQLITE_AUTH
        return StoreFault::CannotOpen;
    case 26: // SQLITE_NOTADB
        return StoreFault::NotADatabase;
    default:
        return StoreFault::Other;
    }
}

FileCheck checkOfError(const QSqlError& error) {
    using V = FileCheck::Verdict;
    const QString text = error.text();
    switch (storeFault(error)) {
    case StoreFault::Busy:
        return {V::Busy, msg::fileBusy};
    case StoreFault::Full:
        return {V::Unavailable, msg::diskFull};
    case StoreFault::ReadOnly:
        return {V::Unavailable, msg::readOnlyFile};
    case StoreFault::InputOutput:
    case StoreFault::CannotOpen:
        return {V::Unavailable, msg::fileUnreadable.arg(text)};
    case StoreFault::NotADatabase:
        return {V::NotOurs, msg::unreadableDatabase.arg(text)};
    case StoreFault::Corrupt:
        return {V::Damaged, msg::damagedDatabase};
    default:
        return {V::Damaged, msg::unreadableDatabase.arg(text)};
    }
}

Connection::Connection(const QString& path, Access access)
    : m_path(path), m_name(uniqueConnectionName()), m_access(access),
      m_db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name)) {}

Connection::~Connection() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
    if (!m_registered.isEmpty()) {
        OpenFiles& files = openFiles();
        QMutexLocker lock(&files.mutex);
        if (--files.count[m_registered] <= 0)
            files.count.remove(m_registered);
    }
}

bool Connection::openInProcess(const QString& path) {
    OpenFiles& files = openFiles();
    QMutexLocker lock(&files.mutex);
    return files.count.value(fileKey(path)) > 0;
}

void Connection::setBusyTimeout(int milliseconds) {
    g_busyTimeout = milliseconds;
}

int Connection::busyTimeout() {
    return g_busyTimeout;
}

bool Connection::openRaw(QString* error) {
    bool snapshot = false;
    {
        // The header is read only while no connection of the process has the
        // file open, and the file counts as open from here on, so no other
        // thread opens it between the two.
        OpenFiles& files = openFiles();
        QMutexLocker lock(&files.mutex);
        m_registered = fileKey(m_path);
        if (files.count.value(m_registered) == 0 && QFileInfo(m_path).isFile()) {
            m_header = readHeader(m_path);
            // A WAL-mode file without its companions is open nowhere: read it
            // as it lies rather than create a -wal and -shm beside it, which a
            // read-only connection would leave behind (or cannot create at all
            // on read-only media).
            snapshot = m_access == Access::ReadOnly && m_header.size() > kWalVersionOffset &&
                       m_header.startsWith(kSqliteMagic) && m_header.at(kWalVersionOffset) == 2 &&
                       !anyCompanionExists(m_path);
        }
        ++files.count[m_registered];
    }
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout());
    if (m_access == Access::ReadOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    if (snapshot) {
        options += QStringLiteral(";QSQLITE_OPEN_URI");
        m_db.setDatabaseName(
            QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            QStringLiteral("?immutable=1"));
    } else {
        m_db.setDatabaseName(m_path);
    }
    m_db.setConnectOptions(options);
    if (!m_db.open()) {
        if (error)
            *error = m_db.lastError().text();
        return false;
    }
    return true;
}

std::unique_ptr<Connection> Connection::open(const QString& path, QString* error, Access access) {
    FileCheck problem;
    auto connection = openChecked(path, &problem, access);
    if (!connection && error)
        *error = problem.reason;
    return connection;
}

std::unique_ptr<Connection> Connection::openChecked(const QString& path, FileCheck* problem,
                                                    Access access) {
    const auto refuse = [&](const FileCheck& check) {
        if (problem)
            *problem = check;
        return nullptr;
    };
    const FileCheck check = inspectDatabaseFile(path);
    if (!check.usable())
        return refuse(check);
    std::unique_ptr<Connection> connection(new Connection(path, access));
    QString error;
    if (!connection->openRaw(&error))
        return refuse(checkOfError(connection->m_db.lastError()));
    if (access == Access::ReadWrite) {
        // A file that cannot take the write-ahead log (read-only media, a full
        // disk, a lock held elsewhere) cannot be written either: say so now,
        // not at the first edit.
        QSqlQuery query(connection->m_db);
        const auto unwritable = [&] {
            FileCheck fault = checkOfError(query.lastError());
            if (!query.lastError().isValid())
                fault = {FileCheck::Verdict::Unavailable, msg::readOnlyFile};
            fault.reason = msg::cannotWriteBecause.arg(fault.reason);
            return refuse(fault);
        };
        if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next() ||
            query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0 ||
            !query.exec(QStringLiteral("PRAGMA foreign_keys=OFF")) ||
            !query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
            return unwritable();
        // A foreign-born file with id 0 is taken as ours from now on.
        if (query.value(0).toLongLong() == 0 &&
            !query.exec(QStringLiteral("PRAGMA application_id = %1").arg(schema::applicationId)))
            return unwritable();
        // An older file gets the program's own tables, after a backup copy.
        QString error;
        bool older = false;
        if (!schema::needsUpgrade(connection->m_db, &older, &error) ||
            (older && (!files::backUpDatabase(path, nullptr, &error) ||
                       !schema::upgrade(connection->m_db, &error))))
            return refuse({FileCheck::Verdict::Unavailable,
                           msg::cannotUpgrade.arg(QDir::toNativeSeparators(path), error)});
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

FileCheck inspectDatabaseFile(const QString& path) {
    using V = FileCheck::Verdict;
    const QFileInfo info(path);
    if (!info.exists())
        return {V::Missing, msg::fileMissing};
    if (!info.isFile() || info.size() == 0)
        return {V::NotOurs, msg::notOurFile};
    if (!info.isReadable())
        return {V::Unavailable, msg::fileUnreadable.arg(msg::noReadPermission)};
    // A file another connection of the process has open was checked whole
    // when that one opened it.
    const bool checkedBefore = Connection::openInProcess(path);
    Connection probe(path, Connection::Access::ReadOnly);
    QString error;
    if (!probe.openRaw(&error))
        return checkOfError(probe.db().lastError());
    // SQLite writes a file header only on the first write, so a short file
    // would be taken as a new database. (The header is read only where no
    // connection of the process has the file open; such a file is SQLite.)
    if (!probe.m_header.isNull() && !probe.m_header.startsWith(kSqliteMagic))
        return {V::NotOurs, msg::notOurFile};
    return schema::inspect(probe.db(), !checkedBefore);
}

QString checkDatabaseFile(const QString& path) {
    return inspectDatabaseFile(path).reason;
}

} // namespace korvane
