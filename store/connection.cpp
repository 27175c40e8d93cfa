#include "store/connection.h"

#include "store/filecommands.h"
#include "store/messages.h"
#include "store/schema.h"
#include "store/server.h"
#include "store/sqltext.h"

#include "store/openfiles.h"

#include <QAtomicInteger>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

#include <atomic>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

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

bool writable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// Whether SQLite can write beside the file: its log, journal or index.
bool canKeepLog(const QString& path) {
    return writable(path) && writable(QFileInfo(path).absolutePath()) && !diskFull(path);
}

// What changes when anything writes the file: its identity, size and times,
// and a log or journal beside it.
QByteArray fileStamp(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QByteArrayLiteral("gone");
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(info.st_ino) + ':' +
           QByteArray::number(qint64(info.st_size)) + ':' +
           QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(info.st_mtim.tv_nsec)) + ':' +
           QByteArray::number(qint64(info.st_ctim.tv_sec)) + '.' +
           QByteArray::number(qint64(info.st_ctim.tv_nsec)) + (anyCompanionExists(path) ? "+" : "");
}

} // namespace

bool diskFull(const QString& path) {
    struct statvfs info {};
    const QFileInfo file(path);
    const QString folder = file.isDir() ? file.absoluteFilePath() : file.absolutePath();
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return false;
    // Root may use the blocks kept back for it; anyone else may not.
    const quint64 blocks = ::geteuid() == 0 ? info.f_bfree : info.f_bavail;
    constexpr quint64 kLeastRoom = 1024 * 1024; // SQLite's log and index of one write
    return blocks * info.f_frsize < kLeastRoom;
}

// A server's SQLSTATE (five characters; SQLite's codes have at most four
// digits), by its class.
StoreFault serverFault(const QString& state) {
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")) ||
        state.startsWith(QLatin1String("28")))
        return StoreFault::CannotOpen;
    if (state == QLatin1String("53100"))
        return StoreFault::Full;
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01") ||
        state == QLatin1String("40001"))
        return StoreFault::Busy;
    if (state == QLatin1String("25006"))
        return StoreFault::ReadOnly;
    if (state.startsWith(QLatin1String("58")))
        return StoreFault::InputOutput;
    return StoreFault::Other;
}

StoreFault storeFault(const QSqlError& error) {
    if (!error.isValid())
        return StoreFault::None;
    if (error.nativeErrorCode().size() == 5)
        return serverFault(error.nativeErrorCode());
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

FileCheck checkOfError(const QSqlError& error, const QString& path) {
    using V = FileCheck::Verdict;
    // SQLite's own words, without the driver's translated "cannot fetch row".
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const StoreFault fault = storeFault(error);
    if (fault == StoreFault::Full ||
        ((fault == StoreFault::InputOutput || fault == StoreFault::CannotOpen) && !path.isEmpty() &&
         diskFull(path)))
        return {V::Unavailable, msg::diskFull};
    switch (fault) {
    case StoreFault::Busy:
        return {V::Busy, msg::fileBusy};
    case StoreFault::ReadOnly:
        return {V::Unavailable, msg::readOnlyFile};
    case StoreFault::InputOutput:
        return {V::Unavailable, msg::fileInputOutput.arg(text)};
    case StoreFault::CannotOpen:
        return {V::Unavailable, msg::cannotOpenDatabase.arg(text)};
    case StoreFault::NotADatabase:
        return {V::NotOurs, msg::unreadableDatabase.arg(text)};
    case StoreFault::Corrupt:
        return {V::Damaged, msg::damagedDatabase};
    default:
        return {V::Damaged, msg::unreadableDatabase.arg(text)};
    }
}

Connection::Connection(const QString& path, Access access, bool server)
    : m_path(path), m_name(uniqueConnectionName()), m_access(access), m_server(server),
      m_db(QSqlDatabase::addDatabase(server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                     m_name)) {}

std::unique_ptr<Connection> Connection::openWard(const QString& location, FileCheck* problem,
                                                 Access access) {
    using V = FileCheck::Verdict;
    const auto refuse = [&](const FileCheck& check) {
        if (problem)
            *problem = check;
        return nullptr;
    };
    const QString ward = server::wardOf(location);
    if (ward.trimmed().isEmpty())
        return refuse({V::NotOurs, msg::wardNameEmpty});
    std::unique_ptr<Connection> connection(new Connection(location, access, true));
    QSqlDatabase& db = connection->m_db;
    FileCheck fault;
    if (!server::connect(db, server::urlOf(location), &fault))
        return refuse(fault);
    // The name the code shows and locks by (the driver has taken its own
    // options, and reads the name only when it opens again).
    db.setDatabaseName(location);
    const FileCheck check = connection->enterWard(ward);
    if (!check.usable())
        return refuse(check);
    QSqlQuery query(db);
    QString error;
    if (access == Access::ReadOnly) {
        query.exec(QStringLiteral("SET default_transaction_read_only = on"));
        return connection;
    }
    bool older = false;
    if (!schema::needsUpgrade(db, &older, &error) || (older && !schema::upgrade(db, &error)))
        return refuse({V::Unavailable, msg::cannotUpgrade.arg(server::describe(location), error)});
    return connection;
}

FileCheck Connection::enterWard(const QString& ward) {
    using V = FileCheck::Verdict;
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?"), {ward},
                   &error))
        return {V::Unavailable, msg::wardRefused.arg(error)};
    if (!query.next())
        return {V::Missing, msg::wardMissing.arg(ward)};
    if (!query.exec(QStringLiteral("SET search_path TO %1").arg(server::quoteName(ward))))
        return {V::Unavailable, msg::wardRefused.arg(query.lastError().text())};
    return schema::inspect(m_db);
}

bool Connection::moveToWard(const QString& ward, FileCheck* problem) {
    FileCheck check{FileCheck::Verdict::NotOurs, msg::wardNameEmpty};
    if (m_server && m_access == Access::ReadOnly && !ward.trimmed().isEmpty()) {
        m_path = server::location(server::urlOf(m_path), ward);
        m_db.setDatabaseName(m_path);
        check = enterWard(ward);
    }
    if (problem)
        *problem = check;
    return check.usable();
}

Connection::~Connection() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
    if (!m_registered.isEmpty())
        files::openfiles::connectionClosed(m_registered);
}

bool Connection::refuseWrites(bool refuse) {
    QSqlQuery query(m_db);
    if (m_server)
        return query.exec(refuse ? QStringLiteral("SET default_transaction_read_only = on")
                                 : QStringLiteral("SET default_transaction_read_only = off"));
    return query.exec(refuse ? QStringLiteral("PRAGMA query_only = ON")
                             : QStringLiteral("PRAGMA query_only = OFF"));
}

bool Connection::openInProcess(const QString& path) {
    return files::openfiles::isOpen(files::openfiles::key(path));
}

bool Connection::readConsistently() const {
    return m_stamp.isEmpty() || fileStamp(m_path) == m_stamp;
}

void Connection::setBusyTimeout(int milliseconds) {
    g_busyTimeout = milliseconds;
}

int Connection::busyTimeout() {
    return g_busyTimeout;
}

bool Connection::openAs(const QString& name, const QString& options) {
    m_db.setDatabaseName(name);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout()) + options);
    if (m_db.open())
        return true;
    m_openError = m_db.lastError();
    return false;
}

bool Connection::openRaw() {
    bool walMode = false;
    // The header is read only while no connection of the process has the
    // file open, and the file counts as open from here on, so no other
    // thread opens it between the two.
    m_registered = files::openfiles::key(m_path);
    files::openfiles::connectionOpened(m_registered, [&](int openBefore) {
        if (openBefore > 0 || !QFileInfo(m_path).isFile())
            return;
        m_header = readHeader(m_path);
        walMode = m_header.size() > kWalVersionOffset && m_header.startsWith(kSqliteMagic) &&
                  m_header.at(kWalVersionOffset) == 2;
    });
    if (openOnce(walMode && !anyCompanionExists(m_path)))
        return true;
    // A writer killed midway leaves a journal to roll back or a log to
    // recover, which SQLite does only with write access: a read-only
    // connection says the file is read-only. Where the file can be written,
    // one connection opened for writing puts it right (through the usual
    // locks; it changes no data), and the file is then read as asked.
    if (m_access != Access::ReadOnly || storeFault(m_openError) != StoreFault::ReadOnly ||
        !canKeepLog(m_path))
        return false;
    m_db.close();
    if (!openAs(m_path, {}))
        return false;
    QSqlQuery recovery(m_db);
    if (!recovery.exec(QStringLiteral("PRAGMA schema_version"))) {
        m_openError = recovery.lastError();
        return false;
    }
    recovery.finish();
    m_db.close();
    return openOnce(walMode && !anyCompanionExists(m_path));
}

bool Connection::openOnce(bool idleLog) {
    const QFileInfo info(m_path);
    bool opened = false;
    if (m_access == Access::ReadWrite) {
        opened = openAs(m_path, {});
    } else if (!idleLog) {
        opened = openAs(m_path, QStringLiteral(";QSQLITE_OPEN_READONLY"));
    } else if (canKeepLog(m_path)) {
        // A WAL-mode file that no one has open: a read-only connection could
        // neither make its log nor remove it again. Opened for writing (and
        // used for reading only: VACUUM INTO, which the copies use, counts as
        // a write for SQLite's query_only), it reads through SQLite's locks,
        // since another process may start writing at any time, and SQLite
        // removes the log when the last connection closes.
        opened = openAs(m_path, {});
    } else {
        // Where no log can be kept (read-only media, a folder that is not
        // ours, a full disk), the file is read as it lies; what is copied from
        // it must then show that nothing wrote it meanwhile.
        m_stamp = fileStamp(m_path);
        opened = openAs(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                            QStringLiteral("?immutable=1"),
                        QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    }
    if (!opened)
        return false;
    // SQLite opens the file at the first read: a file it cannot read (or
    // whose log it cannot keep) is told now, with its reason.
    QSqlQuery first(m_db);
    if (first.exec(QStringLiteral("PRAGMA schema_version")))
        return true;
    m_openError = first.lastError();
    return false;
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
    if (server::isLocation(path))
        return openWard(path, problem, access);
    const auto refuse = [&](const FileCheck& check) {
        if (problem)
            *problem = check;
        return nullptr;
    };
    const FileCheck check = inspectDatabaseFile(path);
    if (!check.usable())
        return refuse(check);
    // On a full disk SQLite could not make the log it writes through, and
    // what it began would stay beside the file.
    if (access == Access::ReadWrite && diskFull(path))
        return refuse(
            {FileCheck::Verdict::Unavailable, msg::cannotWriteBecause.arg(msg::diskFull)});
    std::unique_ptr<Connection> connection(new Connection(path, access));
    if (!connection->openRaw())
        return refuse(checkOfError(connection->m_openError, path));
    if (access == Access::ReadWrite) {
        // A file that cannot take the write-ahead log or a write transaction
        // (read-only, a full disk, a lock held by another program) cannot be
        // written either: say so now, not at the first edit.
        QSqlQuery query(connection->m_db);
        const auto unwritable = [&] {
            FileCheck fault = checkOfError(query.lastError(), path);
            if (!query.lastError().isValid())
                fault = {FileCheck::Verdict::Unavailable, msg::readOnlyFile};
            fault.reason = msg::cannotWriteBecause.arg(fault.reason);
            return refuse(fault);
        };
        const auto takesWrites = [&] {
            return query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && query.next() &&
                   query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) ==
                       0 &&
                   query.exec(QStringLiteral("PRAGMA foreign_keys=OFF")) &&
                   query.exec(QStringLiteral("BEGIN IMMEDIATE")) &&
                   query.exec(QStringLiteral("ROLLBACK")) &&
                   query.exec(QStringLiteral("PRAGMA application_id")) && query.next();
        };
        // SQLite answers busy at once, without waiting, where waiting could
        // deadlock (another program committing while this one holds a read
        // lock, as when two programs open an older file together): wait here.
        QDeadlineTimer patience(busyTimeout());
        bool writable = takesWrites();
        while (!writable && !patience.hasExpired() &&
               checkOfError(query.lastError(), path).verdict == FileCheck::Verdict::Busy) {
            QSqlQuery(connection->m_db).exec(QStringLiteral("ROLLBACK"));
            QThread::msleep(20);
            writable = takesWrites();
        }
        if (!writable)
            return unwritable();
        // A foreign-born file with id 0 is taken as ours from now on.
        if (query.value(0).toLongLong() == 0 &&
            !query.exec(QStringLiteral("PRAGMA application_id = %1").arg(schema::applicationId)))
            return unwritable();
        // Ends the read: a snapshot kept open would be stale once another
        // program commits, and the upgrade's write would then be refused at once.
        query.finish();
        // An older file gets the program's own tables, after a backup copy.
        QString error;
        bool older = false;
        const auto backUp = [&](QString* why) { return files::backUpDatabase(path, nullptr, why); };
        if (!schema::needsUpgrade(connection->m_db, &older, &error) ||
            (older && !schema::upgrade(connection->m_db, &error, backUp)))
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
    if (!connection->openRaw()) {
        if (error)
            *error = connection->m_openError.text();
        return nullptr;
    }
    if (!schema::create(connection->m_db, error)) {
        connection.reset();
        QFile::remove(path);
        return nullptr;
    }
    return connection;
}

FileCheck inspectDatabaseFile(const QString& path, PageCheck pages) {
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
    if (!probe.openRaw())
        return checkOfError(probe.m_openError, path);
    // SQLite writes a file header only on the first write, so a short file
    // would be taken as a new database. (The header is read only where no
    // connection of the process has the file open; such a file is SQLite.)
    if (!probe.m_header.isNull() && !probe.m_header.startsWith(kSqliteMagic))
        return {V::NotOurs, msg::notOurFile};
    return schema::inspect(probe.db(),
                           pages == PageCheck::Quick && checkedBefore ? PageCheck::None : pages);
}

QString checkDatabaseFile(const QString& path) {
    return inspectDatabaseFile(path).reason;
}

} // namespace korvane
