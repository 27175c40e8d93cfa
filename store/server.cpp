#include "store/server.h"

#include "store/connection.h"
#include "store/databaselock.h"
#include "store/datafiles.h"
#include "store/messages.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <tuple>

namespace korvane::server {

namespace {

const QLatin1Char kWardMark('#');

// How a backup of a ward is marked: the comment of its schema starts so.
const QString kBackupMark = QStringLiteral("korvane-备份");
// The server's limit on the bytes of a name.
constexpr int kNameBytes = 63;
// Backups of one ward kept after an upgrade: the newest.
constexpr int kBackupsKept = 3;

// The comment of a ward's backup up to its version: the ward's name whole,
// as its own name may be shortened.
QString backupCommentStem(const QString& ward) {
    return kBackupMark + QStringLiteral("：病区“") + ward + QStringLiteral("”第 ");
}

// Drops the ward's backups (those the role owns) but the newest kept, in
// the order of the time and number in their names.
bool dropOldBackups(QSqlDatabase& db, const QString& ward, QString* error) {
    QSqlQuery query(db);
    const QString stem = backupCommentStem(ward);
    if (!execBound(query,
                   QStringLiteral("SELECT nspname FROM pg_namespace WHERE left(coalesce("
                                  "obj_description(oid, 'pg_namespace'), ''), length(?)) = ? AND "
                                  "pg_has_role(nspowner, 'USAGE')"),
                   {stem, stem}, error))
        return false;
    const QRegularExpression made(QStringLiteral("-备份-(\\d{8}-\\d{4})(?:-(\\d+))?$"));
    QList<std::tuple<QString, int, QString>> backups; // time, number, name
    while (query.next()) {
        const QString name = query.value(0).toString();
        const auto match = made.match(name);
        backups.append(
            {match.captured(1), match.captured(2).isEmpty() ? 1 : match.captured(2).toInt(), name});
    }
    std::sort(backups.begin(), backups.end());
    for (qsizetype i = 0; i + kBackupsKept < backups.size(); ++i)
        if (!execStatement(
                db,
                QStringLiteral("DROP SCHEMA %1 CASCADE").arg(quoteName(std::get<2>(backups[i]))),
                error))
            return false;
    return true;
}

QString quoteValue(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString uniqueName(const char* purpose) {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("korvane-%1-%2")
        .arg(QLatin1String(purpose))
        .arg(counter.fetchAndAddRelaxed(1));
}

// A connection of its own for one command, removed when it goes.
class ServerSession {
public:
    explicit ServerSession(const char* purpose)
        : m_name(uniqueName(purpose)),
          m_db(QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name)) {}
    ~ServerSession() {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase& db() { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

// The tables that db holds, of those of a Korvane database.
QList<const schema::Table*> tablesIn(QSqlDatabase& db) {
    QList<const schema::Table*> present;
    QStringList names;
    if (dialect::flavorOf(db) == dialect::Flavor::Server) {
        // The ward's own: the driver's list names every schema's tables.
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT table_name FROM information_schema.tables "
                                  "WHERE table_schema = current_schema()"));
        while (query.next())
            names << query.value(0).toString();
    } else {
        names = db.tables();
    }
    for (const QList<schema::Table>* list : {&schema::tables(), &schema::ownTables()})
        for (const schema::Table& table : *list)
            for (const QString& name : names)
                if (name.compare(table.name, Qt::CaseInsensitive) == 0) {
                    present << &table;
                    break;
                }
    return present;
}

// Rows held in memory between two writes of copyRows.
constexpr int kRowsPerWrite = 8192;

// Copies every row of the tables both hold from source to target in bulk
// (never a statement per row), numbers kept.
bool copyRows(QSqlDatabase& source, QSqlDatabase& target, QString* error) {
    const QList<const schema::Table*> targetTables = tablesIn(target);
    for (const schema::Table* table : tablesIn(source)) {
        if (!targetTables.contains(table))
            continue;
        QStringList columns;
        for (const schema::Column& column : table->columns)
            columns << QLatin1Char('"') + dialect::asciiLower(column.name) + QLatin1Char('"');
        const QString list = columns.join(QStringLiteral(", "));
        QSqlQuery read(source);
        read.setForwardOnly(true);
        if (!read.exec(QStringLiteral("SELECT %1 FROM \"%2\"").arg(list, table->name))) {
            *error = read.lastError().text();
            return false;
        }
        const int width = int(columns.size());
        QSqlQuery write(target);
        const QString head = QStringLiteral("INSERT INTO \"%1\" (%2)").arg(table->name, list);
        QVariantList values;
        int rows = 0;
        const auto flush = [&] {
            QSqlError fault;
            if (rows > 0 && !insertRows(write, head, width, values, &fault)) {
                *error = fault.text();
                return false;
            }
            values.clear();
            rows = 0;
            return true;
        };
        while (read.next()) {
            for (int i = 0; i < width; ++i)
                values << read.value(i);
            if (++rows == kRowsPerWrite && !flush())
                return false;
        }
        if (read.lastError().isValid()) {
            *error = read.lastError().text();
            return false;
        }
        if (!flush())
            return false;
    }
    return schema::resetAutonumbers(target, error);
}

bool wardExists(QSqlDatabase& db, const QString& ward, bool* exists, QString* error) {
    QSqlQuery query(db);
    if (!execBound(query, QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?"), {ward},
                   error))
        return false;
    *exists = query.next();
    return true;
}

files::CommandResult failure(const QString& message, bool unavailable = false) {
    files::CommandResult result;
    result.message = message;
    result.unavailable = unavailable;
    return result;
}

} // namespace

QString location(const QString& url, const QString& ward) {
    return url + kWardMark + ward;
}

bool isLocation(const QString& databasePath) {
    return databasePath.startsWith(QLatin1String("postgresql://")) ||
           databasePath.startsWith(QLatin1String("postgres://"));
}

QString urlOf(const QString& location) {
    return location.section(kWardMark, 0, 0);
}

QString wardOf(const QString& location) {
    const qsizetype mark = location.indexOf(kWardMark);
    return mark < 0 ? QString() : location.mid(mark + 1);
}

QString describe(const QString& location) {
    return msg::wardLabel.arg(wardOf(location));
}

QString quoteName(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool connectOptions(const QString& url, QString* options, QString* error) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || (parsed.scheme() != QLatin1String("postgresql") &&
                              parsed.scheme() != QLatin1String("postgres"))) {
        *error = msg::serverAddressInvalid.arg(url);
        return false;
    }
    QList<QPair<QString, QString>> pairs;
    if (!parsed.host().isEmpty())
        pairs.append({QStringLiteral("host"), parsed.host()});
    if (parsed.port() > 0)
        pairs.append({QStringLiteral("port"), QString::number(parsed.port())});
    if (!parsed.userName().isEmpty())
        pairs.append({QStringLiteral("user"), parsed.userName(QUrl::FullyDecoded)});
    if (!parsed.password().isEmpty())
        pairs.append({QStringLiteral("password"), parsed.password(QUrl::FullyDecoded)});
    const QString database = parsed.path(QUrl::FullyDecoded).mid(1);
    if (!database.isEmpty())
        pairs.append({QStringLiteral("dbname"), database});
    bool timeoutGiven = false;
    for (const auto& item : QUrlQuery(parsed).queryItems(QUrl::FullyDecoded)) {
        timeoutGiven = timeoutGiven || item.first == QLatin1String("connect_timeout");
        pairs.append(item);
    }
    // An unreachable server is told within seconds, not after minutes.
    if (!timeoutGiven)
        pairs.append({QStringLiteral("connect_timeout"), QStringLiteral("10")});
    QStringList parts;
    for (const auto& [key, value] : pairs) {
        // The driver takes ';' as a separator of its own options.
        if (value.contains(QLatin1Char(';')) || key.contains(QLatin1Char(';'))) {
            *error = msg::serverAddressInvalid.arg(url);
            return false;
        }
        parts << key + QLatin1Char('=') + quoteValue(value);
    }
    *options = parts.join(QLatin1Char(' '));
    return true;
}

namespace {

PasswordSource g_passwordSource;
QHash<QString, QString> g_typedPasswords; // by address, for this process only
QMutex g_passwordMutex;

} // namespace

void setPasswordSource(PasswordSource source) {
    const QMutexLocker locker(&g_passwordMutex);
    g_passwordSource = std::move(source);
}

bool connect(QSqlDatabase& db, const QString& url, FileCheck* problem) {
    using V = FileCheck::Verdict;
    if (!db.isValid() || !db.driver()) {
        *problem = {V::Unavailable, msg::serverDriverMissing};
        return false;
    }
    QString options;
    QString error;
    if (!connectOptions(url, &options, &error)) {
        *problem = {V::NotOurs, error};
        return false;
    }
    QString typed;
    {
        const QMutexLocker locker(&g_passwordMutex);
        typed = g_typedPasswords.value(url);
    }
    db.setConnectOptions(
        typed.isEmpty() ? options : options + QStringLiteral(" password=") + quoteValue(typed));
    bool opened = db.open();
    // A server that wants a password the password file does not hold: the user types it once.
    if (!opened && typed.isEmpty() &&
        db.lastError().text().contains(QLatin1String("no password supplied"))) {
        PasswordSource source;
        {
            const QMutexLocker locker(&g_passwordMutex);
            source = g_passwordSource;
        }
        typed = source ? source(url) : QString();
        if (!typed.isEmpty() && !typed.contains(QLatin1Char(';'))) {
            db.setConnectOptions(options + QStringLiteral(" password=") + quoteValue(typed));
            opened = db.open();
            const QMutexLocker locker(&g_passwordMutex);
            if (opened)
                g_typedPasswords.insert(url, typed);
        }
    }
    if (opened) {
        // The server's notices (an object that already exists...) are not the user's business.
        execStatement(db, QStringLiteral("SET client_min_messages = warning"), nullptr);
        return true;
    }
    const QString text = db.lastError().databaseText().isEmpty() ? db.lastError().text()
                                                                 : db.lastError().databaseText();
    if (text.contains(QLatin1String("password")))
        *problem = {V::Unavailable, msg::serverPasswordRefused};
    else
        *problem = {V::Unavailable, msg::serverUnreachable.arg(text.trimmed())};
    return false;
}

bool listWards(const QString& url, QStringList* wards, QString* error) {
    ServerSession session("wards");
    FileCheck problem;
    if (!connect(session.db(), url, &problem)) {
        *error = problem.reason;
        return false;
    }
    QSqlQuery query(session.db());
    if (!execBound(query,
                   QStringLiteral("SELECT n.nspname FROM pg_namespace n JOIN pg_class c ON "
                                  "c.relnamespace = n.oid WHERE c.relname = 'korvane_version' "
                                  "AND c.relkind = 'r' AND coalesce(obj_description(n.oid, "
                                  "'pg_namespace'), '') NOT LIKE ? ORDER BY 1"),
                   {kBackupMark + QLatin1Char('%')}, error))
        return false;
    while (query.next())
        *wards << query.value(0).toString();
    return true;
}

QString backupName(const QString& ward, const QDateTime& at) {
    const QString suffix = QStringLiteral("-备份-") + at.toString(QStringLiteral("yyyyMMdd-HHmm"));
    // Room for "-99" after the name, as a second backup of the same minute gets.
    const qsizetype room = kNameBytes - suffix.toUtf8().size() - 3;
    QString stem = ward;
    while (stem.toUtf8().size() > room)
        stem.chop(stem.size() > 1 && stem.back().isLowSurrogate() ? 2 : 1);
    return stem + suffix;
}

bool mayUpgradeWard(QSqlDatabase& db, QString* error) {
    QSqlQuery query(db);
    if (!execBound(
            query,
            QStringLiteral("SELECT current_user, current_database(), current_schema(), "
                           "has_database_privilege(current_database(), 'CREATE'), "
                           "has_schema_privilege(current_schema(), 'CREATE'), NOT EXISTS (SELECT 1 "
                           "FROM pg_class WHERE relnamespace = (SELECT oid FROM pg_namespace WHERE "
                           "nspname = current_schema()) AND relkind = 'r' AND NOT "
                           "pg_has_role(relowner, 'USAGE'))"),
            {}, error) ||
        !query.next())
        return false;
    const QString role = query.value(0).toString();
    const QString ward = query.value(2).toString();
    QString missing;
    if (!query.value(3).toBool())
        missing = msg::noRightToCreateSchema.arg(query.value(1).toString());
    else if (!query.value(4).toBool())
        missing = msg::noRightToCreateTable;
    else if (!query.value(5).toBool())
        missing = msg::notOwnerOfTables;
    if (missing.isEmpty())
        return true;
    *error = msg::upgradeNeedsRight.arg(role, ward, missing);
    return false;
}

bool backUpWard(QSqlDatabase& db, int version, QString* error) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT current_schema()")) || !query.next()) {
        *error = query.lastError().text();
        return false;
    }
    const QString ward = query.value(0).toString();
    const QString stem = backupName(ward, QDateTime::currentDateTime());
    // After the highest number of the same minute, as a file's backups: a
    // dropped backup's name is not taken again, so names keep their order.
    if (!execBound(query,
                   QStringLiteral("SELECT nspname FROM pg_namespace WHERE left(nspname, "
                                  "length(?)) = ?"),
                   {stem, stem}, error))
        return false;
    const QRegularExpression numbered(QStringLiteral("^-(\\d+)$"));
    int highest = 0;
    while (query.next()) {
        const QString rest = query.value(0).toString().mid(stem.size());
        const auto match = numbered.match(rest);
        if (rest.isEmpty())
            highest = std::max(highest, 1);
        else if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    const QString name =
        highest == 0 ? stem : stem + QLatin1Char('-') + QString::number(highest + 1);
    const QString from = quoteName(ward);
    const QString to = quoteName(name);
    QStringList statements = {
        QStringLiteral("CREATE SCHEMA %1").arg(to),
        QStringLiteral("COMMENT ON SCHEMA %1 IS %2")
            .arg(to, sqlQuote(backupCommentStem(ward) + QString::number(version) +
                              QStringLiteral(" 版升级前的副本")))};
    if (!query.exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = "
                                   "current_schema() ORDER BY 1"))) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        const QString table = quoteName(query.value(0).toString());
        statements
            << QStringLiteral("CREATE TABLE %1.%2 (LIKE %3.%2 INCLUDING ALL)").arg(to, table, from)
            << QStringLiteral("INSERT INTO %1.%2 SELECT * FROM %3.%2").arg(to, table, from);
    }
    for (const QString& statement : statements)
        if (!execStatement(db, statement, error))
            return false;
    return dropOldBackups(db, ward, error);
}

files::CommandResult fillWard(const QString& location, const QString& source, bool replace) {
    const QString ward = wardOf(location);
    if (ward.trimmed().isEmpty())
        return failure(msg::wardNameEmpty);
    // The source is checked whole before the ward is touched.
    const FileCheck sourceCheck = inspectDatabaseFile(source, PageCheck::Full);
    if (!sourceCheck.usable())
        return failure(
            msg::fileRefused.arg(QFileInfo(source).absoluteFilePath(), sourceCheck.reason),
            sourceCheck.temporarilyUnavailable());
    QString error;
    auto file = Connection::open(source, &error, Connection::Access::ReadOnly);
    if (!file)
        return failure(msg::fileRefused.arg(QFileInfo(source).absoluteFilePath(), error));

    // No program of ours may use the ward meanwhile; one that does is waited for.
    FileCheck problem;
    const auto lock = files::DatabaseLock::acquire(location, files::DatabaseLock::Mode::Replace,
                                                   files::lockWaitMs(), &problem);
    if (!lock && problem.verdict != FileCheck::Verdict::Missing)
        return failure(problem.reason, problem.temporarilyUnavailable());
    ServerSession session("fill");
    QSqlDatabase& db = session.db();
    if (!connect(db, urlOf(location), &problem))
        return failure(problem.reason, true);
    bool exists = false;
    if (!wardExists(db, ward, &exists, &error))
        return failure(msg::wardRefused.arg(error), true);
    if (exists && !replace)
        return failure(msg::wardExists.arg(ward));
    const QString schemaName = quoteName(ward);
    const auto refused = [&] {
        db.rollback();
        return failure(msg::wardRefused.arg(error), true);
    };
    if (!db.transaction())
        return failure(msg::wardRefused.arg(db.lastError().text()), true);
    if (exists) {
        // An existing ward keeps its schema and what was granted on it: its
        // tables are emptied, and a ward of an earlier version gets the
        // tables of this one.
        if (!execStatement(db, QStringLiteral("SET LOCAL search_path TO %1").arg(schemaName),
                           &error))
            return refused();
        const FileCheck check = schema::inspect(db);
        if (!check.usable()) {
            db.rollback();
            return failure(describe(location) + QStringLiteral("：") + check.reason);
        }
        bool older = false;
        if (!schema::needsUpgrade(db, &older, &error) ||
            (older && !schema::upgradeTables(db, &error)))
            return refused();
        QStringList names;
        for (const schema::Table* table : tablesIn(db))
            names << QLatin1Char('"') + table->name + QLatin1Char('"');
        if (!execStatement(db,
                           QStringLiteral("TRUNCATE %1 RESTART IDENTITY")
                               .arg(names.join(QStringLiteral(", "))),
                           &error))
            return refused();
    } else {
        if (!execStatement(db, QStringLiteral("CREATE SCHEMA %1").arg(schemaName), &error) ||
            !execStatement(db, QStringLiteral("SET LOCAL search_path TO %1").arg(schemaName),
                           &error) ||
            !schema::createTables(db, &error))
            return refused();
        // Only the three 全部 rows: the source brings its own.
        if (!execStatement(db, QStringLiteral("DELETE FROM 值班人员组"), &error) ||
            !execStatement(db, QStringLiteral("DELETE FROM 日期组"), &error) ||
            !execStatement(db, QStringLiteral("DELETE FROM 班次组"), &error))
            return refused();
    }
    if (!copyRows(file->db(), db, &error))
        return refused();
    if (!db.commit())
        return failure(msg::connectionLost.arg(db.lastError().text()), true);
    files::CommandResult result;
    result.ok = true;
    result.message = describe(location);
    return result;
}

files::CommandResult exportWard(const QString& location, const QString& target) {
    if (target.trimmed().isEmpty())
        return failure(msg::noFileChosen);
    const QString targetPath = QFileInfo(target).absoluteFilePath();
    for (const QString& delivered : {files::templatePath(), files::samplePath()})
        if (QFileInfo(delivered).absoluteFilePath() == targetPath)
            return failure(msg::exportOntoDelivered.arg(targetPath));
    if (const QString problem = files::companionProblem(targetPath); !problem.isEmpty())
        return failure(problem);
    FileCheck problem;
    auto ward = Connection::openChecked(location, &problem, Connection::Access::ReadOnly);
    if (!ward)
        return failure(describe(location) + QStringLiteral("：") + problem.reason,
                       problem.temporarilyUnavailable());
    std::unique_ptr<files::DatabaseLock> replacing;
    if (QFileInfo::exists(targetPath) &&
        !(replacing = files::DatabaseLock::acquire(targetPath, files::DatabaseLock::Mode::Replace,
                                                   0, &problem)))
        return failure(problem.reason, problem.temporarilyUnavailable());
    files::StagingFolder staging(targetPath);
    if (!staging.isValid())
        return failure(msg::exportFailed.arg(staging.problem().reason),
                       staging.problem().temporarilyUnavailable());
    QString error;
    {
        auto file = Connection::create(staging.filePath(), &error);
        if (!file)
            return failure(msg::exportFailed.arg(error), true);
        QSqlDatabase& db = file->db();
        // One snapshot of the ward, whatever others commit meanwhile.
        QSqlQuery snapshot(ward->db());
        const bool copied =
            snapshot.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")) &&
            db.transaction() &&
            execStatement(db, QStringLiteral("DELETE FROM 值班人员组"), &error) &&
            execStatement(db, QStringLiteral("DELETE FROM 日期组"), &error) &&
            execStatement(db, QStringLiteral("DELETE FROM 班次组"), &error) &&
            copyRows(ward->db(), db, &error) && db.commit();
        snapshot.exec(QStringLiteral("ROLLBACK"));
        if (!copied) {
            db.rollback();
            return failure(
                msg::exportFailed.arg(error.isEmpty() ? snapshot.lastError().text() : error), true);
        }
    }
    if (!staging.commit(files::Placement::Replace, &problem))
        return failure(msg::exportFailed.arg(problem.reason), problem.temporarilyUnavailable());
    files::CommandResult result;
    result.ok = true;
    result.message = msg::exported.arg(targetPath);
    return result;
}

QStringList grantStatements(const QStringList& wards) {
    const QString department = QStringLiteral("korvane_department");
    QStringList statements;
    statements << QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname "
                                 "= %1) THEN CREATE ROLE %2 NOLOGIN; END IF; END $$")
                      .arg(sqlQuote(department), quoteName(department));
    for (const QString& ward : wards) {
        const QString role = QStringLiteral("korvane_") + ward;
        const QString schemaName = quoteName(ward);
        const QString roleName = quoteName(role);
        statements
            << QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = "
                              "%1) THEN CREATE ROLE %2 NOLOGIN; END IF; END $$")
                   .arg(sqlQuote(role).replace(QLatin1String("$$"), QLatin1String("$ $")), roleName)
            << QStringLiteral("REVOKE ALL ON SCHEMA %1 FROM PUBLIC").arg(schemaName)
            << QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2, %3")
                   .arg(schemaName, roleName, quoteName(department))
            << QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE, TRUNCATE ON ALL TABLES IN "
                              "SCHEMA %1 TO %2")
                   .arg(schemaName, roleName)
            << QStringLiteral("GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA %1 TO %2")
                   .arg(schemaName, roleName)
            << QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA %1 TO %2")
                   .arg(schemaName, quoteName(department));
    }
    return statements;
}

files::CommandResult applyGrants(const QString& url, const QStringList& wards) {
    ServerSession session("grant");
    FileCheck problem;
    if (!connect(session.db(), url, &problem))
        return failure(problem.reason, true);
    QString error;
    const bool granted = inTransaction(session.db(), &error, [&] {
        for (const QString& statement : grantStatements(wards))
            if (!execStatement(session.db(), statement, &error))
                return false;
        return true;
    });
    if (!granted)
        return failure(msg::grantRefused.arg(error.trimmed()), true);
    files::CommandResult result;
    result.ok = true;
    result.message = msg::grantsApplied.arg(wards.size());
    return result;
}

} // namespace korvane::server
