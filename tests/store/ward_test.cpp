// Wards on a PostgreSQL server: made from the delivered files, listed,
// exported and imported, locked, refused with a clear reason, and kept
// apart by their roles. Run on a throwaway cluster of the test program.

#include "editors/staff.h"
#include "store/connection.h"
#include "store/databaselock.h"
#include "store/datafiles.h"
#include "store/messages.h"
#include "store/schema.h"
#include "store/server.h"
#include "store/sqltext.h"
#include "support/servercluster.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>

using namespace korvane;

namespace {

// Every row of every table of a database, sorted, as text.
QStringList contentOf(QSqlDatabase& db) {
    QStringList all;
    for (const QList<schema::Table>* list : {&schema::tables(), &schema::ownTables()}) {
        for (const schema::Table& table : *list) {
            QStringList rows =
                test::rowsOf(db, QStringLiteral("SELECT * FROM \"%1\"").arg(table.name));
            rows.sort();
            all << table.name + QLatin1Char(':') + rows.join(QLatin1Char('\n'));
        }
    }
    return all;
}

QStringList contentOfFile(const QString& path) {
    QString error;
    auto connection = Connection::open(path, &error, Connection::Access::ReadOnly);
    EXPECT_TRUE(connection) << error.toStdString();
    return connection ? contentOf(connection->db()) : QStringList();
}

TEST(Ward, SampleRoundTripsThroughAWardWithQuotesAndBlanksInItsName) {
    KORVANE_NEED_SERVER(cluster);
    const QString ward = QStringLiteral("内科 \"一\" 病区's");
    const QString location = server::location(cluster->url(), ward);
    const files::CommandResult made = server::fillWard(location, files::samplePath(), false);
    ASSERT_TRUE(made.ok) << made.message.toStdString();
    // Made once; a second time only with replace.
    EXPECT_FALSE(server::fillWard(location, files::samplePath(), false).ok);
    QStringList wards;
    QString error;
    ASSERT_TRUE(server::listWards(cluster->url(), &wards, &error)) << error.toStdString();
    EXPECT_TRUE(wards.contains(ward));

    FileCheck problem;
    auto connection = Connection::openChecked(location, &problem);
    ASSERT_TRUE(connection) << problem.reason.toStdString();
    EXPECT_EQ(contentOf(connection->db()), contentOfFile(files::samplePath()));
    connection.reset();

    QTemporaryDir dir;
    const QString exported = QDir(dir.path()).filePath(QStringLiteral("导出.mdb"));
    const files::CommandResult written = server::exportWard(location, exported);
    ASSERT_TRUE(written.ok) << written.message.toStdString();
    EXPECT_EQ(contentOfFile(exported), contentOfFile(files::samplePath()));
    EXPECT_EQ(inspectDatabaseFile(exported, PageCheck::Full).verdict, FileCheck::Verdict::Usable);

    // Cleared with the template: the sample's rows are gone, the ward stays.
    ASSERT_TRUE(server::fillWard(location, files::templatePath(), true).ok);
    connection = Connection::openChecked(location, &problem);
    ASSERT_TRUE(connection) << problem.reason.toStdString();
    EXPECT_EQ(contentOf(connection->db()), contentOfFile(files::templatePath()));
    // New rows are numbered after the highest.
    QSqlQuery insert(connection->db());
    ASSERT_TRUE(insert.exec(QStringLiteral("INSERT INTO 日期组 (日期组名称) VALUES ('周末') "
                                           "RETURNING idid")));
    ASSERT_TRUE(insert.next());
    EXPECT_EQ(insert.value(0).toInt(), 2);
}

TEST(Ward, ARefusedImportLeavesTheWardAsItWas) {
    KORVANE_NEED_SERVER(cluster);
    const QString location = server::location(cluster->url(), QStringLiteral("导入病区"));
    ASSERT_TRUE(server::fillWard(location, files::samplePath(), true).ok);
    QTemporaryDir dir;
    const QString foreign = QDir(dir.path()).filePath(QStringLiteral("别的.mdb"));
    test::writeFile(foreign, "not a database at all");
    const files::CommandResult refused = server::fillWard(location, foreign, true);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("别的.mdb")))
        << refused.message.toStdString();
    FileCheck problem;
    auto connection = Connection::openChecked(location, &problem);
    ASSERT_TRUE(connection) << problem.reason.toStdString();
    EXPECT_EQ(contentOf(connection->db()), contentOfFile(files::samplePath()));
}

// A ward of the third version reads as one without any 工号 until it is
// first opened for writing, which brings their table.
TEST(Ward, AThirdVersionWardGetsStaffNumbersWhenOpenedForWriting) {
    KORVANE_NEED_SERVER(cluster);
    const QString location = server::location(cluster->url(), QStringLiteral("旧版病区"));
    ASSERT_TRUE(server::fillWard(location, files::templatePath(), true).ok);
    ASSERT_TRUE(cluster->execute(QStringList{
        QStringLiteral("DROP TABLE \"旧版病区\".人员工号; DROP TABLE \"旧版病区\".最多人数; "
                       "UPDATE \"旧版病区\".korvane_version SET user_version = 3")}));
    for (const Connection::Access access :
         {Connection::Access::ReadOnly, Connection::Access::ReadWrite}) {
        FileCheck problem;
        auto connection = Connection::openChecked(location, &problem, access);
        ASSERT_TRUE(connection) << problem.reason.toStdString();
        QHash<qint64, QString> numbers = {{1, QStringLiteral("H001")}};
        QString error;
        EXPECT_TRUE(staff::staffNumbers(connection->db(), &numbers, &error)) << error.toStdString();
        EXPECT_TRUE(numbers.isEmpty());
        QSqlQuery version(connection->db());
        ASSERT_TRUE(version.exec(QStringLiteral("SELECT user_version FROM korvane_version")) &&
                    version.next());
        EXPECT_EQ(version.value(0).toInt(),
                  access == Connection::Access::ReadOnly ? 3 : schema::userVersion);
    }
}

// Before a ward's upgrade changes anything, the ward is copied whole to a
// backup schema, which is not offered as a ward. A long name with a quote
// and a blank is shortened to keep the backup's name within the server's limit.
TEST(Ward, AnUpgradeKeepsABackupOfTheWardAsItWas) {
    KORVANE_NEED_SERVER(cluster);
    const QString ward = QStringLiteral("心血管内科 \"重症\" 监护病区第二护理单元");
    const QString location = server::location(cluster->url(), ward);
    ASSERT_TRUE(server::fillWard(location, files::samplePath(), true).ok);
    const QString quoted = server::quoteName(ward);
    ASSERT_TRUE(cluster->execute(
        QStringList{QStringLiteral("DROP TABLE %1.人员工号; DROP TABLE %1.最多人数; UPDATE "
                                   "%1.korvane_version SET user_version = 3")
                        .arg(quoted)}));
    FileCheck problem;
    auto connection = Connection::openChecked(location, &problem);
    ASSERT_TRUE(connection) << problem.reason.toStdString();
    const QStringList wardRows =
        test::rowsOf(connection->db(), QStringLiteral("SELECT * FROM 基本信息 ORDER BY idid"));
    const QStringList backups = test::rowsOf(
        connection->db(), QStringLiteral("SELECT nspname FROM pg_namespace WHERE nspname LIKE "
                                         "'心血管内科%备份%'"));
    ASSERT_EQ(backups.size(), 1);
    const QString backup = backups.first();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^心血管内科 \"重症\" .+-备份-\\d{8}-\\d{4}$"))
                    .match(backup)
                    .hasMatch())
        << backup.toStdString();
    const QString from = server::quoteName(backup);
    EXPECT_EQ(test::rowsOf(connection->db(),
                           QStringLiteral("SELECT user_version FROM %1.korvane_version").arg(from)),
              QStringList{QStringLiteral("3")});
    EXPECT_EQ(test::rowsOf(connection->db(),
                           QStringLiteral("SELECT * FROM %1.基本信息 ORDER BY idid").arg(from)),
              wardRows);
    EXPECT_FALSE(wardRows.isEmpty());

    QStringList wards;
    QString error;
    ASSERT_TRUE(server::listWards(cluster->url(), &wards, &error)) << error.toStdString();
    EXPECT_TRUE(wards.contains(ward));
    EXPECT_FALSE(wards.contains(backup));
    // The way back: the backup written to a file.
    QTemporaryDir dir;
    const files::CommandResult written =
        server::exportWard(server::location(cluster->url(), backup),
                           QDir(dir.path()).filePath(QStringLiteral("备份.mdb")));
    EXPECT_TRUE(written.ok) << written.message.toStdString();
}

// Each fault names its cause; nothing is opened.
TEST(Ward, RefusalsSayWhy) {
    KORVANE_NEED_SERVER(cluster);
    const QString newer = QStringLiteral("新版病区");
    ASSERT_TRUE(
        server::fillWard(server::location(cluster->url(), newer), files::templatePath(), true).ok);
    ASSERT_TRUE(cluster->execute(QStringList{QStringLiteral(
        "UPDATE \"新版病区\".korvane_version SET user_version = 99;"
        "DROP ROLE IF EXISTS 口令护士; CREATE ROLE 口令护士 LOGIN PASSWORD 'right'")}));
    const QString unreachable =
        QStringLiteral("postgresql:///korvane?host=%1&connect_timeout=2")
            .arg(QDir(cluster->socketFolder()).filePath(QStringLiteral("无此目录")));
    const struct {
        QString location;
        FileCheck::Verdict verdict;
        QString reason;
    } cases[] = {
        {server::location(cluster->url(), QStringLiteral("无此病区")), FileCheck::Verdict::Missing,
         msg::wardMissing.arg(QStringLiteral("无此病区"))},
        {server::location(cluster->url(), newer), FileCheck::Verdict::Newer, msg::newerWard},
        {server::location(
             cluster->url(QStringLiteral("口令护士")) + QStringLiteral("&password=wrong"), newer),
         FileCheck::Verdict::Unavailable, msg::serverPasswordRefused},
        {server::location(unreachable, newer), FileCheck::Verdict::Unavailable,
         msg::serverUnreachable.section(QLatin1Char('%'), 0, 0)},
        {server::location(QStringLiteral("postgresql://[bad"), newer), FileCheck::Verdict::NotOurs,
         msg::serverAddressInvalid.arg(QStringLiteral("postgresql://[bad"))},
    };
    for (const auto& c : cases) {
        FileCheck problem;
        EXPECT_FALSE(Connection::openChecked(c.location, &problem)) << c.location.toStdString();
        EXPECT_EQ(problem.verdict, c.verdict) << c.location.toStdString();
        EXPECT_TRUE(problem.reason.startsWith(c.reason)) << problem.reason.toStdString();
    }
}

// The server's advisory locks stand in for the file's: users share, a
// replace waits for them, one run at a time.
TEST(Ward, LocksConflictAsOnAFile) {
    KORVANE_NEED_SERVER(cluster);
    using Mode = files::DatabaseLock::Mode;
    const QString location = server::location(cluster->url(), QStringLiteral("锁病区"));
    const struct {
        Mode held;
        Mode wanted;
        bool granted;
    } cases[] = {
        {Mode::Use, Mode::Use, true},      {Mode::Use, Mode::Run, true},
        {Mode::Use, Mode::Replace, false}, {Mode::Run, Mode::Run, false},
        {Mode::Replace, Mode::Use, false}, {Mode::Run, Mode::Replace, false},
    };
    for (const auto& c : cases) {
        FileCheck problem;
        const auto held = files::DatabaseLock::acquire(location, c.held, 0, &problem);
        ASSERT_TRUE(held) << problem.reason.toStdString();
        const auto wanted = files::DatabaseLock::acquire(location, c.wanted, 0, &problem);
        EXPECT_EQ(bool(wanted), c.granted) << int(c.held) << " " << int(c.wanted);
        if (!wanted) {
            EXPECT_EQ(problem.verdict, FileCheck::Verdict::Busy);
        }
    }
}

// Makes the ward one of the third version, as a program before the fourth left it.
void makeThirdVersion(test::ServerCluster* cluster, const QString& ward) {
    ASSERT_TRUE(cluster->execute({QStringLiteral("DROP TABLE %1.人员工号, %1.最多人数; UPDATE "
                                                 "%1.korvane_version SET user_version = 3")
                                      .arg(server::quoteName(ward))}));
}

// The backups of a ward, oldest first.
QStringList backupsOf(QSqlDatabase& db, const QString& ward) {
    return test::rowsOf(db,
                        QStringLiteral("SELECT nspname FROM pg_namespace WHERE "
                                       "obj_description(oid, 'pg_namespace') LIKE %1 "
                                       "ORDER BY oid")
                            .arg(sqlQuote(QStringLiteral("%病区“") + ward + QStringLiteral("”%"))));
}

// Each upgrade keeps a backup; of a ward's backups the newest three stay,
// and another ward's, named alike, are not touched.
TEST(Ward, UpgradesKeepTheNewestThreeBackups) {
    KORVANE_NEED_SERVER(cluster);
    const QString ward = QStringLiteral("保留");
    const QString other = QStringLiteral("保留-备份");
    for (const QString& name : {other, ward})
        ASSERT_TRUE(
            server::fillWard(server::location(cluster->url(), name), files::templatePath(), true)
                .ok);
    QStringList made;
    std::unique_ptr<Connection> connection;
    for (const QString& name : {other, ward, ward, ward, ward, ward}) {
        makeThirdVersion(cluster, name);
        FileCheck problem;
        connection = Connection::openChecked(server::location(cluster->url(), name), &problem);
        ASSERT_TRUE(connection) << problem.reason.toStdString();
        if (name == ward)
            made << backupsOf(connection->db(), ward).constLast();
    }
    EXPECT_EQ(backupsOf(connection->db(), ward), made.mid(2));
    EXPECT_EQ(backupsOf(connection->db(), other).size(), 1);
}

// A role that may not create the backup's schema cannot upgrade: the message
// names the role and the right, and the ward stays as it was.
TEST(Ward, AnUpgradeWithoutTheRightSaysWhichAndChangesNothing) {
    KORVANE_NEED_SERVER(cluster);
    const QString ward = QStringLiteral("无权升级");
    const QString location = server::location(cluster->url(), ward);
    ASSERT_TRUE(server::fillWard(location, files::templatePath(), true).ok);
    ASSERT_TRUE(server::applyGrants(cluster->url(), {ward}).ok);
    makeThirdVersion(cluster, ward);
    ASSERT_TRUE(cluster->execute({QStringLiteral(
        "DROP ROLE IF EXISTS 护士长; CREATE ROLE 护士长 LOGIN IN ROLE \"korvane_无权升级\"")}));
    FileCheck problem;
    EXPECT_FALSE(Connection::openChecked(
        server::location(cluster->url(QStringLiteral("护士长")), ward), &problem));
    for (const QString& part : {QStringLiteral("护士长"), QStringLiteral("CREATE ON DATABASE"),
                                QStringLiteral("没有任何改动")})
        EXPECT_TRUE(problem.reason.contains(part)) << problem.reason.toStdString();
    auto connection = Connection::openChecked(location, &problem, Connection::Access::ReadOnly);
    ASSERT_TRUE(connection) << problem.reason.toStdString();
    EXPECT_EQ(
        test::rowsOf(connection->db(), QStringLiteral("SELECT user_version FROM korvane_version")),
        QStringList{QStringLiteral("3")});
    EXPECT_TRUE(backupsOf(connection->db(), ward).isEmpty());
}

// After the grants are applied, a ward's role reads and changes its own ward
// only; the department's reads all.
TEST(Ward, ARoleSeesItsOwnWardOnly) {
    KORVANE_NEED_SERVER(cluster);
    const QStringList wards = {QStringLiteral("甲 病区"), QStringLiteral("乙\"病区")};
    for (const QString& ward : wards)
        ASSERT_TRUE(
            server::fillWard(server::location(cluster->url(), ward), files::samplePath(), true).ok);
    const files::CommandResult granted = server::applyGrants(cluster->url(), wards);
    ASSERT_TRUE(granted.ok) << granted.message.toStdString();
    QString error;
    ASSERT_TRUE(cluster->execute(
        {QStringLiteral(
            "DROP ROLE IF EXISTS 甲护士; CREATE ROLE 甲护士 LOGIN IN ROLE \"korvane_甲 病区\";"
            "DROP ROLE IF EXISTS 主任; CREATE ROLE 主任 LOGIN IN ROLE korvane_department")},
        &error))
        << error.toStdString();
    // A ward's role may not grant itself the other ward: refused, nothing changed.
    EXPECT_FALSE(server::applyGrants(cluster->url(QStringLiteral("甲护士")), wards).ok);
    const struct {
        QString user;
        QString ward;
        bool reads;
        bool writes;
    } cases[] = {
        {QStringLiteral("甲护士"), wards[0], true, true},
        {QStringLiteral("甲护士"), wards[1], false, false},
        {QStringLiteral("主任"), wards[0], true, false},
        {QStringLiteral("主任"), wards[1], true, false},
    };
    for (const auto& c : cases) {
        FileCheck problem;
        auto connection = Connection::openChecked(server::location(cluster->url(c.user), c.ward),
                                                  &problem, Connection::Access::ReadOnly);
        EXPECT_EQ(bool(connection), c.reads)
            << c.user.toStdString() << problem.reason.toStdString();
        if (!connection)
            continue;
        QSqlQuery update(connection->db());
        EXPECT_TRUE(update.exec(QStringLiteral("SET default_transaction_read_only = off")));
        EXPECT_EQ(update.exec(QStringLiteral("UPDATE 基本信息 SET 籍贯 = 籍贯")), c.writes)
            << c.user.toStdString();
    }
}

} // namespace
