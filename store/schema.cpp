#include "store/schema.h"

#include "store/dialect.h"
#include "store/messages.h"
#include "store/server.h"
#include "store/sqltext.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace korvane::schema {

namespace {

const QString kText = QStringLiteral("TEXT");
const QString kInteger = QStringLiteral("INTEGER");
const QString kReal = QStringLiteral("REAL");
const QString kAutonumber = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");

Table groupTable(const QString& name, const QString& nameColumn) {
    return {name, {{nameColumn, kText}, {QStringLiteral("idid"), kAutonumber}}};
}

QList<Table> buildTables() {
    return {
        {QStringLiteral("基本信息"),
         {{QStringLiteral("ID"), kInteger},
          {QStringLiteral("姓名"), kText},
          {QStringLiteral("年龄"), kText},
          {QStringLiteral("性别"), kText},
          {QStringLiteral("籍贯"), kText},
          {QStringLiteral("政治面貌"), kText},
          {QStringLiteral("职称"), kText},
          {QStringLiteral("班数空间"), kInteger},
          {QStringLiteral("前一班序号"), kInteger},
          {QStringLiteral("家庭住址"), kText},
          {QStringLiteral("IDID"), kAutonumber},
          {QStringLiteral("所属组ID"), kText},
          {QStringLiteral("最近值班时间"), kText},
          {QStringLiteral("最近班次ID"), kInteger},
          {QStringLiteral("连续天数"), kInteger},
          {QStringLiteral("距离向量"), kReal},
          {QStringLiteral("值班次数"), kInteger}}},
        {QStringLiteral("banci"),
         {{QStringLiteral("班次名称"), kText},
          {QStringLiteral("idid"), kAutonumber},
          {QStringLiteral("起始时间"), kText},
          {QStringLiteral("次日"), kText},
          {QStringLiteral("终止时间"), kText},
          {QStringLiteral("备注"), kText},
          {QStringLiteral("连续次数"), kText},
          {QStringLiteral("最小连续天数"), kText},
          {QStringLiteral("班次级别"), kReal},
          {QStringLiteral("分布日期"), kText},
          {QStringLiteral("所属组ID"), kText},
          {QStringLiteral("开始秒序"), kReal},
          {QStringLiteral("结束秒序"), kReal},
          {QStringLiteral("人数"), kReal}}},
        groupTable(QStringLiteral("值班人员组"), QStringLiteral("值班人员组名称")),
        groupTable(QStringLiteral("日期组"), QStringLiteral("日期组名称")),
        groupTable(QStringLiteral("班次组"), QStringLiteral("班次组名称")),
        {QStringLiteral("日期类型"),
         {{QStringLiteral("日期"), kText},
          {QStringLiteral("星期"), kText},
          {QStringLiteral("节假日"), kText},
          {QStringLiteral("日期备注"), kText},
          {QStringLiteral("所属日期组ID"), kText}}},
        {QStringLiteral("排除条件"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("人员"), kText},
          {QStringLiteral("排在"), kText},
          {QStringLiteral("日期"), kText},
          {QStringLiteral("班次"), kText},
          {QStringLiteral("选定日期组"), kInteger},
          {QStringLiteral("选定班次组"), kInteger}}},
        {QStringLiteral("值班底表"),
         {{QStringLiteral("idid"), kAutonumber},
          {QStringLiteral("日期"), kText},
          {QStringLiteral("班次IDID"), kInteger},
          {QStringLiteral("ID"), kInteger},
          {QStringLiteral("姓名IDID"), kInteger},
          {QStringLiteral("是否值班"), kText},
          {QStringLiteral("最近值班时间"), kText},
          {QStringLiteral("值班时间"), kText}}},
        {QStringLiteral("值班报表"),
         {{QStringLiteral("IDID"), kAutonumber},
          {QStringLiteral("日期"), kText},
          {QStringLiteral("班次"), kText},
          {QStringLiteral("开始时间"), kText},
          {QStringLiteral("是否跨转次日"), kText},
          {QStringLiteral("结束时间"), kText},
          {QStringLiteral("值班人"), kText}}},
        {QStringLiteral("班数限制"), {{QStringLiteral("班数"), kInteger}}},
    };
}

// The program's own tables (versions 2 to 5): the ten above keep their columns.
QList<Table> buildOwnTables() {
    QList<Table> own = {
        // A limit over the planning period for one person (对象 '人员', 对象IDID its
        // IDID) or for each member of a staff group (对象 '组', the group's idid).
        // NULL: no limit.
        {QStringLiteral("人员限制"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("对象"), kText},
          {QStringLiteral("对象IDID"), kInteger},
          {QStringLiteral("最多班数"), kInteger},
          {QStringLiteral("最多跨日班数"), kInteger},
          {QStringLiteral("最多周末班数"), kInteger},
          {QStringLiteral("最多连续天数"), kInteger},
          {QStringLiteral("最少休息小时"), kReal}}},
        // A person's absence from 开始日期 to 结束日期 (both included).
        {QStringLiteral("休假"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("人员IDID"), kInteger},
          {QStringLiteral("开始日期"), kText},
          {QStringLiteral("结束日期"), kText},
          {QStringLiteral("原因"), kText}}},
        // A roster kept after a run, with its own copy of everything it shows.
        // 已命名 0: named after its period, replaced by the next run of that period.
        {QStringLiteral("排班存档"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("名称"), kText},
          {QStringLiteral("已命名"), kInteger},
          {QStringLiteral("开始日期"), kText},
          {QStringLiteral("结束日期"), kText},
          {QStringLiteral("生成时间"), kText},
          {QStringLiteral("修改时间"), kText}}},
        // The people of a saved roster as they were (序号: their row, in ID order).
        {QStringLiteral("存档人员"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("存档编号"), kInteger},
          {QStringLiteral("序号"), kInteger},
          {QStringLiteral("人员IDID"), kInteger},
          {QStringLiteral("ID"), kInteger},
          {QStringLiteral("姓名"), kText}}},
        // Its shifts as they were (序号: the order of a day).
        {QStringLiteral("存档班次"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("存档编号"), kInteger},
          {QStringLiteral("序号"), kInteger},
          {QStringLiteral("班次IDID"), kInteger},
          {QStringLiteral("班次名称"), kText},
          {QStringLiteral("起始时间"), kText},
          {QStringLiteral("次日"), kText},
          {QStringLiteral("终止时间"), kText},
          {QStringLiteral("开始秒序"), kReal},
          {QStringLiteral("结束秒序"), kReal},
          {QStringLiteral("人数"), kReal}}},
        // Its slots (a shift on a date), kept when a hand edit empties one.
        {QStringLiteral("存档班位"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("存档编号"), kInteger},
          {QStringLiteral("日期"), kText},
          {QStringLiteral("班次IDID"), kInteger}}},
        // Its assignments; within a slot in 编号 order (the order of 值班人).
        // 手改 1: placed by a hand edit.
        {QStringLiteral("存档值班"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("存档编号"), kInteger},
          {QStringLiteral("日期"), kText},
          {QStringLiteral("班次IDID"), kInteger},
          {QStringLiteral("人员IDID"), kInteger},
          {QStringLiteral("手改"), kInteger}}},
        // What stays when a saved roster is generated again: 对象 '格' (the
        // person on the date), '人' (the person's row) or '日' (the date's column).
        {QStringLiteral("存档锁定"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("存档编号"), kInteger},
          {QStringLiteral("对象"), kText},
          {QStringLiteral("日期"), kText},
          {QStringLiteral("人员IDID"), kInteger}}},
    };
    for (Table& table : own)
        table.since = 2;
    own += {
        // A soft target over the period for one person (对象 '人员') or for each
        // member of a staff group (对象 '组'): 种类 says what is counted, 最少 and
        // 最多 bound it (NULL: no bound), 权重 is what one unit below or above
        // costs. 班次 names the shift (选定班次组 0) or shift group (1) of a
        // target on consecutive days of the same shift.
        {QStringLiteral("排班目标"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("对象"), kText},
          {QStringLiteral("对象IDID"), kInteger},
          {QStringLiteral("种类"), kText},
          {QStringLiteral("班次"), kText},
          {QStringLiteral("选定班次组"), kInteger},
          {QStringLiteral("最少"), kReal},
          {QStringLiteral("最多"), kReal},
          {QStringLiteral("权重"), kReal}},
         3},
        // A person's wish to work (想要 1) or not to work (想要 0) a shift, a
        // shift group (选定班次组 1) or any shift (班次 '全天') on each day from
        // 开始日期 to 结束日期; 权重 is what each day against the wish costs.
        {QStringLiteral("排班意愿"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("人员IDID"), kInteger},
          {QStringLiteral("开始日期"), kText},
          {QStringLiteral("结束日期"), kText},
          {QStringLiteral("班次"), kText},
          {QStringLiteral("选定班次组"), kInteger},
          {QStringLiteral("想要"), kInteger},
          {QStringLiteral("权重"), kReal},
          {QStringLiteral("原因"), kText}},
         3},
        // How much an uneven spread among the members of a staff group costs,
        // per 种类 (hours, overnight shifts, weekend shifts, holiday shifts).
        // A kind without a row takes the program's default weight.
        {QStringLiteral("公平权重"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("组IDID"), kInteger},
          {QStringLiteral("种类"), kText},
          {QStringLiteral("权重"), kReal}},
         3},
        // The ideal headcount of a shift beside its 人数 (the least a run fills):
        // each person missing below it costs 权重.
        {QStringLiteral("理想人数"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("班次IDID"), kInteger},
          {QStringLiteral("理想人数"), kReal},
          {QStringLiteral("权重"), kReal}},
         3},
        // Shift (or shift group) 前班次 on one day is never followed by 后班次 on
        // the next.
        {QStringLiteral("禁止衔接"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("前班次"), kText},
          {QStringLiteral("前选定班次组"), kInteger},
          {QStringLiteral("后班次"), kText},
          {QStringLiteral("后选定班次组"), kInteger}},
         3},
        // A person's hospital staff number (工号), which finds the same nurse
        // in the rosters of other wards; a person without one has no row.
        {QStringLiteral("人员工号"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("人员IDID"), kInteger},
          {QStringLiteral("工号"), kText}},
         4},
        // The most people the search may put on a slot of a shift, beyond its
        // 人数 and 理想人数 (a shift without a row: the larger of those two).
        {QStringLiteral("最多人数"),
         {{QStringLiteral("编号"), kAutonumber},
          {QStringLiteral("班次IDID"), kInteger},
          {QStringLiteral("最多人数"), kReal}},
         5},
    };
    return own;
}

// Indexes for the lookups of the roster and the editors. 值班底表 is written
// whole by every run and read only for its assigned rows: one small index on
// those, where an index over every candidate row would cost the run most of
// its time.
const QString kAssignedRowsIndex = QStringLiteral(
    "CREATE INDEX IF NOT EXISTS 值班底表_值班 ON 值班底表(日期, 班次IDID) WHERE 是否值班 = '1'");
// What files written before kept on 值班底表.
const QStringList kRetiredIndexes = {QStringLiteral("DROP INDEX IF EXISTS 值班底表_日期_班次"),
                                     QStringLiteral("DROP INDEX IF EXISTS 值班底表_人员")};
const QStringList kIndexes = {
    kAssignedRowsIndex,
    QStringLiteral("CREATE INDEX 日期类型_日期 ON 日期类型(日期)"),
    QStringLiteral("CREATE INDEX 基本信息_ID ON 基本信息(ID)"),
};

// A saved roster's rows are read and replaced by its number; a person has one 工号.
const QStringList kOwnIndexes = {
    QStringLiteral("CREATE INDEX IF NOT EXISTS 存档人员_存档 ON 存档人员(存档编号)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS 存档班次_存档 ON 存档班次(存档编号)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS 存档班位_存档 ON 存档班位(存档编号)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS 存档值班_存档 ON 存档值班(存档编号, 日期)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS 存档锁定_存档 ON 存档锁定(存档编号)"),
    QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS 人员工号_人员 ON 人员工号(人员IDID)"),
};

// The type affinity SQLite gives a declared column type.
QString affinity(const QString& declared) {
    const QString type = declared.toUpper();
    if (type.contains(QLatin1String("INT")))
        return kInteger;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
        type.contains(QLatin1String("TEXT")))
        return kText;
    if (type.isEmpty() || type.contains(QLatin1String("BLOB")))
        return QStringLiteral("BLOB");
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB")))
        return kReal;
    return QStringLiteral("NUMERIC");
}

bool isServer(const QSqlDatabase& db) {
    return dialect::flavorOf(db) == dialect::Flavor::Server;
}

// A ward on a server keeps the application id and version in a table of its
// own, beside the tables of a file.
const QString kVersionTable = QStringLiteral("korvane_version");

// The server's type for a column of a file.
QString serverType(const QString& type) {
    if (type == kAutonumber)
        return QStringLiteral("bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    if (type == kInteger)
        return QStringLiteral("bigint");
    if (type == kReal)
        return QStringLiteral("double precision");
    return QStringLiteral("text");
}

// What '&' makes of a value on a server (see store/dialect.cpp): a missing
// value joins as empty text, a number as its shortest decimal form of at
// most 15 digits (2.0 as "2"), as SQLite's printf('%.15g') does in a file.
QStringList serverFunctions() {
    QStringList statements;
    const QString function = QStringLiteral(
        "CREATE OR REPLACE FUNCTION korvane_join(%1) RETURNS text LANGUAGE sql IMMUTABLE "
        "AS 'SELECT coalesce(%2, '''')'");
    // Every change of a ward's tables is told to the programs listening on
    // the channel korvane, the ward's name as the payload (once a transaction).
    statements << QStringLiteral(
        "CREATE OR REPLACE FUNCTION korvane_changed() RETURNS trigger LANGUAGE plpgsql AS "
        "'BEGIN PERFORM pg_notify(''korvane'', TG_TABLE_SCHEMA); RETURN NULL; END'");
    for (const Table& table : tables() + ownTables())
        statements << QStringLiteral("DROP TRIGGER IF EXISTS korvane_changed ON %1").arg(table.name)
                   << QStringLiteral("CREATE TRIGGER korvane_changed AFTER INSERT OR UPDATE OR "
                                     "DELETE OR TRUNCATE ON %1 FOR EACH STATEMENT EXECUTE "
                                     "FUNCTION korvane_changed()")
                          .arg(table.name);
    statements << function.arg(QStringLiteral("text"), QStringLiteral("$1"))
               << function.arg(QStringLiteral("bigint"), QStringLiteral("$1::text"))
               << function.arg(QStringLiteral("integer"), QStringLiteral("$1::text"))
               << function.arg(QStringLiteral("numeric"), QStringLiteral("trim_scale($1)::text"))
               << function.arg(QStringLiteral("double precision"),
                               QStringLiteral("trim_scale($1::numeric)::text"));
    return statements;
}

bool execAll(QSqlDatabase& db, const QStringList& statements, QString* error) {
    for (const QString& statement : statements)
        if (!execStatement(db, statement, error))
            return false;
    return true;
}

bool readServerVersion(QSqlDatabase& db, int* version, QString* error) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT user_version FROM %1").arg(kVersionTable)) ||
        !query.next()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    *version = query.value(0).toInt();
    return true;
}

// The statements that make a ward's tables: the own tables of version
// `since` and on only where a version below it is upgraded.
QStringList serverTables(int fromVersion) {
    QStringList statements;
    for (const Table& table : tables() + ownTables())
        if (table.since > fromVersion)
            statements << createStatement(table, dialect::Flavor::Server);
    return statements;
}

} // namespace

const QList<Table>& tables() {
    static const QList<Table> all = buildTables();
    return all;
}

const QList<Table>& ownTables() {
    static const QList<Table> all = buildOwnTables();
    return all;
}

QString createStatement(const Table& table, dialect::Flavor flavor) {
    const bool server = flavor == dialect::Flavor::Server;
    QStringList columns;
    for (const Column& column : table.columns)
        columns << QStringLiteral("\"%1\" %2")
                       .arg(server ? dialect::asciiLower(column.name) : column.name,
                            server ? serverType(column.type) : column.type);
    // The run's work tables are emptied by every run and at every start: on a
    // server they skip the write-ahead log, which makes a run's rows cheap
    // (after a crash of the server they come back empty, as after a start).
    const bool work =
        table.name == QLatin1String("值班底表") || table.name == QLatin1String("值班报表");
    return QStringLiteral("CREATE %1TABLE \"%2\" (%3)")
        .arg(server && work ? QStringLiteral("UNLOGGED ") : QString(),
             server ? dialect::asciiLower(table.name) : table.name,
             columns.join(QStringLiteral(", ")));
}

bool resetAutonumbers(QSqlDatabase& db, QString* error, const QStringList& tableNames) {
    if (!isServer(db))
        return true; // SQLite keeps the highest number it gave itself
    QStringList statements;
    for (const Table& table : tables() + ownTables())
        for (const Column& column : table.columns)
            if (column.type == kAutonumber &&
                (tableNames.isEmpty() || tableNames.contains(table.name, Qt::CaseInsensitive)))
                statements << QStringLiteral("SELECT setval(pg_get_serial_sequence(%1, %2), "
                                             "coalesce(max(\"%3\"), 0) + 1, false) FROM \"%4\"")
                                  .arg(sqlQuote(QLatin1Char('"') + table.name + QLatin1Char('"')),
                                       sqlQuote(dialect::asciiLower(column.name)),
                                       dialect::asciiLower(column.name), table.name);
    return execAll(db, statements, error);
}

const Table* findTable(const QString& name) {
    for (const QList<Table>* list : {&tables(), &ownTables()})
        for (const Table& table : *list)
            if (table.name == name)
                return &table;
    return nullptr;
}

QString columnSpelling(const QString& table, const QString& name) {
    if (const Table* found = findTable(table))
        for (const Column& column : found->columns)
            if (column.name.compare(name, Qt::CaseInsensitive) == 0)
                return column.name;
    return name;
}

void spellColumnCaptions(QSqlQueryModel& model, const QString& table) {
    for (int column = 0; column < model.columnCount(); ++column)
        model.setHeaderData(
            column, Qt::Horizontal,
            columnSpelling(table, model.headerData(column, Qt::Horizontal).toString()));
}

bool createTables(QSqlDatabase& db, QString* error) {
    const bool server = isServer(db);
    QStringList statements;
    if (server) {
        statements << serverTables(0) << serverFunctions();
    } else {
        for (const Table& table : tables() + ownTables())
            statements << createStatement(table);
    }
    statements << kIndexes << kOwnIndexes;
    statements << QStringLiteral("INSERT INTO 值班人员组 (值班人员组名称, idid) VALUES ('全部', 1)")
               << QStringLiteral("INSERT INTO 日期组 (日期组名称, idid) VALUES ('全部', 1)")
               << QStringLiteral("INSERT INTO 班次组 (班次组名称, idid) VALUES ('全部', 1)");
    if (server)
        statements << QStringLiteral(
                          "CREATE TABLE %1 (application_id bigint, user_version integer)")
                          .arg(kVersionTable)
                   << QStringLiteral("INSERT INTO %1 VALUES (%2, %3)")
                          .arg(kVersionTable)
                          .arg(applicationId)
                          .arg(userVersion);
    else
        statements << QStringLiteral("PRAGMA application_id = %1").arg(applicationId)
                   << QStringLiteral("PRAGMA user_version = %1").arg(userVersion);
    return execAll(db, statements, error) && resetAutonumbers(db, error);
}

bool create(QSqlDatabase& db, QString* error) {
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    if (!createTables(db, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

bool storedVersion(QSqlDatabase& db, int* version, QString* error) {
    if (isServer(db))
        return readServerVersion(db, version, error);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    *version = query.value(0).toInt();
    return true;
}

bool needsUpgrade(QSqlDatabase& db, bool* needed, QString* error) {
    int version = 0;
    if (!storedVersion(db, &version, error))
        return false;
    *needed = version < userVersion;
    return true;
}

bool upgrade(QSqlDatabase& db, QString* error, const std::function<bool(QString* error)>& first) {
    if (isServer(db)) {
        const bool done = db.transaction() && upgradeTables(db, error) && db.commit();
        if (!done)
            db.rollback();
        return done;
    }
    QSqlQuery begin(db);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        if (error)
            *error = begin.lastError().text();
        return false;
    }
    // Read again under the lock: another program may have upgraded it meanwhile.
    bool needed = false;
    const bool read = needsUpgrade(db, &needed, error);
    if (!read || !needed || (first && !first(error))) {
        execStatement(db, QStringLiteral("ROLLBACK"), nullptr);
        return read && !needed;
    }
    QStringList statements;
    for (const Table& table : ownTables())
        statements << createStatement(table).replace(QStringLiteral("CREATE TABLE "),
                                                     QStringLiteral("CREATE TABLE IF NOT EXISTS "));
    statements << kOwnIndexes;
    statements << QStringLiteral("PRAGMA user_version = %1").arg(userVersion);
    for (const QString& statement : statements) {
        if (!execStatement(db, statement, error)) {
            execStatement(db, QStringLiteral("ROLLBACK"), nullptr);
            return false;
        }
    }
    if (!execStatement(db, QStringLiteral("COMMIT"), error)) {
        execStatement(db, QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    return true;
}

bool upgradeTables(QSqlDatabase& db, QString* error) {
    // The version is read again with its table locked: two programs
    // upgrading one ward take turns, and only the first keeps a backup.
    int version = 0;
    return execStatement(db, QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(kVersionTable),
                         error) &&
           readServerVersion(db, &version, error) &&
           (version >= userVersion ||
            (server::mayUpgradeWard(db, error) && server::backUpWard(db, version, error) &&
             execAll(db, serverTables(version), error) && execAll(db, kOwnIndexes, error) &&
             execAll(db, serverFunctions(), error) &&
             execStatement(db,
                           QStringLiteral("UPDATE %1 SET user_version = %2")
                               .arg(kVersionTable)
                               .arg(userVersion),
                           error)));
}

bool updateIndexes(QSqlDatabase& db, QString* error) {
    for (const QString& statement : kRetiredIndexes + QStringList{kAssignedRowsIndex})
        if (!execStatement(db, statement, error))
            return false;
    return true;
}

// A ward: its version table, then every table with its columns in order.
FileCheck inspectWard(QSqlDatabase& db) {
    using V = FileCheck::Verdict;
    QSqlQuery query(db);
    if (!execBound(
            query,
            QStringLiteral("SELECT application_id, user_version FROM %1").arg(kVersionTable)) ||
        !query.next())
        return {V::NotOurs, msg::notOurWard};
    if (query.value(0).toLongLong() != applicationId)
        return {V::NotOurs, msg::notOurWard};
    const int version = query.value(1).toInt();
    if (version > userVersion)
        return {V::Newer, msg::newerWard};
    // Every table's columns in one read of the catalogue (the information
    // schema's views take milliseconds a table, and a ward is opened often).
    QSqlQuery info(db);
    if (!execBound(info, QStringLiteral(
                             "SELECT c.relname, a.attname FROM pg_attribute a JOIN pg_class c ON "
                             "c.oid = a.attrelid WHERE c.relnamespace = (SELECT oid FROM "
                             "pg_namespace WHERE nspname = current_schema()) AND c.relkind IN "
                             "('r', 'p', 'v', 'm', 'f') AND a.attnum > 0 AND NOT a.attisdropped "
                             "ORDER BY c.relname, a.attnum")))
        return {V::Unavailable, msg::cannotOpenDatabase.arg(info.lastError().text())};
    QHash<QString, QStringList> columnsOf;
    while (info.next())
        columnsOf[info.value(0).toString()] << info.value(1).toString();
    for (const Table& table : tables() + ownTables()) {
        const QStringList found = columnsOf.value(dialect::asciiLower(table.name));
        if (found.isEmpty() && table.since > version)
            continue;
        if (found.isEmpty())
            return {V::NotOurs, msg::missingTable.arg(table.name)};
        QStringList expected;
        for (const Column& column : table.columns)
            expected << dialect::asciiLower(column.name);
        if (found != expected)
            return {V::NotOurs, msg::otherColumns.arg(table.name)};
    }
    return {};
}

FileCheck inspect(QSqlDatabase& db, PageCheck pages) {
    using V = FileCheck::Verdict;
    if (isServer(db))
        return inspectWard(db);
    QSqlQuery query(db);
    if (pages != PageCheck::None) {
        if (!query.exec(pages == PageCheck::Full ? QStringLiteral("PRAGMA integrity_check")
                                                 : QStringLiteral("PRAGMA quick_check")))
            return checkOfError(query.lastError(), db.databaseName());
        if (!query.next() || query.value(0).toString() != QLatin1String("ok"))
            return {V::Damaged, msg::damagedDatabase};
    }
    if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
        return {V::Damaged, msg::unreadableId};
    const qint64 id = query.value(0).toLongLong();
    if (id != 0 && id != applicationId)
        return {V::NotOurs, msg::otherProgramsDatabase};
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return {V::Damaged, msg::unreadableVersion};
    const int version = query.value(0).toInt();
    if (version > userVersion)
        return {V::Newer, msg::newerDatabase};
    if (!query.exec(QStringLiteral("SELECT type, name FROM sqlite_master WHERE type IN "
                                   "('trigger', 'view')")))
        return checkOfError(query.lastError());
    if (query.next())
        return {V::NotOurs,
                msg::foreignObjects.arg(query.value(0).toString(), query.value(1).toString())};
    for (const Table& table : tables() + ownTables()) {
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table.name)))
            return checkOfError(info.lastError());
        QList<Column> found;
        QList<bool> keys;
        while (info.next()) {
            found.append({info.value(1).toString(), info.value(2).toString()});
            keys << (info.value(5).toInt() == 1);
        }
        // A table of a later version than the file's own comes with the
        // upgrade, when the file is first opened for writing; one of the
        // file's version is missing like any other.
        if (found.isEmpty() && table.since > qMax(version, 1))
            continue;
        if (found.isEmpty())
            return {V::NotOurs, msg::missingTable.arg(table.name)};
        bool same = found.size() == table.columns.size();
        for (int i = 0; same && i < found.size(); ++i)
            same = found[i].name.compare(table.columns[i].name, Qt::CaseInsensitive) == 0;
        if (!same)
            return {V::NotOurs, msg::otherColumns.arg(table.name)};
        QString autonumbered;
        for (int i = 0; i < found.size(); ++i) {
            const bool autonumber = table.columns[i].type == kAutonumber;
            if (autonumber)
                autonumbered = found[i].name;
            const bool fits =
                autonumber ? keys[i] && found[i].type.compare(kInteger, Qt::CaseInsensitive) == 0
                           : affinity(found[i].type) == affinity(table.columns[i].type);
            if (!fits)
                return {V::NotOurs, msg::otherColumnType.arg(table.name, found[i].name)};
        }
        // Numbers are never reused only where SQLite keeps the highest one.
        if (!autonumbered.isEmpty()) {
            QSqlQuery sql(db);
            if (!sql.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' "
                                         "AND name = '%1' COLLATE NOCASE")
                              .arg(table.name)) ||
                !sql.next())
                return checkOfError(sql.lastError());
            if (!sql.value(0).toString().contains(QLatin1String("AUTOINCREMENT"),
                                                  Qt::CaseInsensitive))
                return {V::NotOurs, msg::otherColumnType.arg(table.name, autonumbered)};
        }
    }
    return {};
}

} // namespace korvane::schema
