// A file of the first version (the ten tables only) is read as it is, and gets
// the program's own tables when it is first opened for writing, after a
// backup copy: whole or not at all when the program is killed on the way,
// and once when two programs open it at the same time.

#include "store/connection.h"
#include "store/messages.h"
#include "store/schema.h"
#include "support/testsupport.h"
#include "targets/objectives.h"

#include <gtest/gtest.h>

#include <random>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QThread>

using namespace korvane;

namespace {

QStringList tablesOf(const QString& path) {
    auto connection = Connection::open(path, nullptr, Connection::Access::ReadOnly);
    if (!connection)
        return {"<cannot open>"};
    QStringList names;
    QSqlQuery query(connection->db());
    query.exec("select name from sqlite_master where type = 'table' and name not in (select "
               "name from sqlite_master where name like 'sqlite%' or name in ('基本信息', 'banci', "
               "'值班人员组', '日期组', '班次组', '日期类型', '排除条件', '值班底表', '值班报表', "
               "'班数限制')) union all select 'version ' || user_version from "
               "pragma_user_version");
    while (query.next())
        names << query.value(0).toString();
    names.sort();
    return names;
}

const QStringList firstVersion = {"version 1"};

// Turns the test's database into a first-version file holding one person
// and two days.
void makeFirstVersion(test::TempDatabase& t) {
    QString drops;
    for (const schema::Table& table : schema::ownTables())
        drops += QStringLiteral("drop table %1;").arg(table.name);
    t.run("insert into 基本信息 (ID, 姓名) values (1, '张三');"
          "insert into 日期类型 (日期) values ('2027-03-01'), ('2027-03-02');" +
          drops + "PRAGMA user_version = 1");
    t.connection.reset();
}

QStringList backupsBeside(const QString& path) {
    const QDir folder = QFileInfo(path).absoluteDir();
    QStringList found;
    for (const QString& name : folder.entryList({"*-备份-*.mdb"}, QDir::Files))
        found << folder.filePath(name);
    return found;
}

// A copy of the file in a folder of its own (its backups go beside it).
QString copyInto(const QString& file, const QString& folder) {
    EXPECT_TRUE(QDir().mkpath(folder));
    const QString copy = QDir(folder).filePath(QFileInfo(file).fileName());
    EXPECT_TRUE(QFile::copy(file, copy));
    return copy;
}

// korvane-cli adding 张三's wish not to work on the day to the file: a
// program opening it for writing, which needs the upgraded tables.
void startWriter(QProcess& process, const QString& path, int day) {
    const QString csv = QStringLiteral("%1-%2.csv").arg(path).arg(day);
    test::writeFile(csv, QStringLiteral("张三,2027-03-%1,2027-03-%1,全天,不想,1\n")
                             .arg(day, 2, 10, QLatin1Char('0'))
                             .toUtf8());
    process.start(test::cliProgram(), {"--db", path, "wishes", "--import", csv});
    process.closeWriteChannel();
}

TEST(Upgrade, AFirstVersionFileGetsTheNewTablesAfterABackup) {
    KORVANE_FILES_ONLY("a file's user_version and its backup before an upgrade");
    test::TempDatabase t;
    makeFirstVersion(t);
    ASSERT_EQ(tablesOf(t.path), firstVersion); // read-only: left as it is

    QString error;
    ASSERT_TRUE(Connection::open(t.path, &error)) << error.toStdString();
    // Saved rosters, limits and leave (version 2); what the score reads (3); 工号 (4);
    // 最多人数 (5).
    QStringList upgraded = {"version 5", "人员限制", "休假",     "存档人员", "存档值班", "存档班位",
                            "存档班次",  "存档锁定", "排班存档", "公平权重", "排班意愿", "排班目标",
                            "理想人数",  "禁止衔接", "人员工号", "最多人数"};
    upgraded.sort();
    EXPECT_EQ(tablesOf(t.path), upgraded);
    const QStringList backups = backupsBeside(t.path);
    ASSERT_EQ(backups.size(), 1);
    const QString& backup = backups.first();
    EXPECT_EQ(tablesOf(backup), firstVersion);
    EXPECT_EQ(checkDatabaseFile(backup), QString());

    // A newer version than this program's is still refused.
    t.connection = Connection::open(t.path, &error);
    t.run(QStringLiteral("PRAGMA user_version = %1").arg(schema::userVersion + 1));
    t.connection.reset();
    EXPECT_EQ(Connection::open(t.path, &error), nullptr);
}

// A fourth-version file reads as one without any 最多人数, and keeps its rows
// when first opened for writing brings that table.
TEST(Upgrade, AFourthVersionFileKeepsItsRowsAndGetsTheMostHeadcounts) {
    KORVANE_FILES_ONLY("a file's user_version and its backup before an upgrade");
    test::TempDatabase t;
    t.run("insert into 基本信息 (ID, 姓名, IDID) values (1, '张三', 1);"
          "insert into 人员工号 (人员IDID, 工号) values (1, 'H001');"
          "insert into banci (班次名称, idid, 人数) values ('白班', 1, 1);"
          "insert into 理想人数 (班次IDID, 理想人数, 权重) values (1, 2, 10);"
          "drop table 最多人数; PRAGMA user_version = 4");
    t.connection.reset();
    for (const Connection::Access access :
         {Connection::Access::ReadOnly, Connection::Access::ReadWrite}) {
        QString error;
        auto connection = Connection::open(t.path, &error, access);
        ASSERT_TRUE(connection) << error.toStdString();
        targets::Objectives objectives;
        EXPECT_TRUE(targets::load(connection->db(), &objectives, &error)) << error.toStdString();
        EXPECT_EQ(objectives.ideal.value(1).ideal, 2);
        EXPECT_TRUE(objectives.most.isEmpty());
        EXPECT_EQ(test::rowsOf(connection->db(),
                               "select 姓名, 工号, cast(理想人数 as integer) from 基本信息, "
                               "人员工号, 理想人数"),
                  QStringList{"张三|H001|2"});
        EXPECT_EQ(tablesOf(t.path).contains("最多人数"), access == Connection::Access::ReadWrite);
    }
    EXPECT_TRUE(tablesOf(t.path).contains(QStringLiteral("version %1").arg(schema::userVersion)));
}

// A second-version file lacks the third version's tables until the upgrade;
// one of its own version that is missing is told like one of the ten, by
// every command, and never made up silently.
TEST(Upgrade, ASecondVersionFileWithoutOneOfItsTablesIsRefused) {
    KORVANE_FILES_ONLY("a file's user_version and its backup before an upgrade");
    test::TempDatabase t;
    t.run("drop table 排班目标; drop table 排班意愿; drop table 公平权重; drop table 理想人数; "
          "drop table 禁止衔接; PRAGMA user_version = 2");
    t.connection.reset();
    EXPECT_EQ(checkDatabaseFile(t.path), QString());

    // Not through the test's connection, which would upgrade the file.
    test::runProgram("sqlite3", {t.path, "drop table 存档人员"});
    const FileCheck check = inspectDatabaseFile(t.path);
    EXPECT_EQ(check.verdict, FileCheck::Verdict::NotOurs);
    EXPECT_EQ(check.reason, msg::missingTable.arg("存档人员"));
    for (const QStringList& command : {QStringList{"rosters"}, QStringList{"generate"}}) {
        const test::ProcessResult result =
            test::runProgram(test::cliProgram(), QStringList{"--db", t.path} + command);
        EXPECT_EQ(result.exitCode, 2) << command.first().toStdString();
        EXPECT_TRUE(result.err.contains(msg::missingTable.arg("存档人员")))
            << result.err.toStdString();
    }
}

// Killed at any moment of its upgrade, the program leaves the file whole:
// still of the first version, or of the current one with the backup beside
// it; and the next program to open it upgrades it.
TEST(Upgrade, AKilledUpgradeLeavesTheFileWholeAtOneVersion) {
    KORVANE_FILES_ONLY("a file's user_version and its backup before an upgrade");
    test::TempDatabase t;
    makeFirstVersion(t);
    // How long a whole run takes: the kills fall anywhere within it.
    QProcess whole;
    QElapsedTimer clock;
    clock.start();
    startWriter(whole, copyInto(t.path, t.dir.filePath("whole")), 1);
    ASSERT_TRUE(whole.waitForFinished(60000));
    const int runMs = int(clock.elapsed());

    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        const QString path = copyInto(t.path, t.dir.filePath(QString::number(round)));
        QProcess writer;
        startWriter(writer, path, 1);
        QThread::msleep(random() % quint32(runMs + 1));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(60000));

        // Read only: whatever the killed program left beside the file.
        EXPECT_EQ(inspectDatabaseFile(path, PageCheck::Full).reason, QString());
        const QStringList state = test::valuesIn(path, "pragma user_version");
        EXPECT_EQ(test::valuesIn(path, "select 姓名 from 基本信息"), QStringList{"张三"});
        const QStringList backups = backupsBeside(path);
        if (state.value(0) == "1") {
            EXPECT_EQ(tablesOf(path), firstVersion);
        } else {
            EXPECT_EQ(state.value(0), QString::number(schema::userVersion));
            ASSERT_EQ(backups.size(), 1);
            EXPECT_EQ(tablesOf(backups.first()), firstVersion);
        }
        for (const QString& backup : backups)
            EXPECT_EQ(checkDatabaseFile(backup), QString());
        QString error;
        EXPECT_TRUE(Connection::open(path, &error)) << error.toStdString();
        EXPECT_EQ(test::valuesIn(path, "pragma user_version"),
                  QStringList{QString::number(schema::userVersion)});
    }
}

// Two programs opening a first-version file at once both go on with it
// upgraded; it is upgraded once, behind one backup, and nothing is lost.
TEST(Upgrade, TwoProgramsOpeningAFirstVersionFileAtOnceUpgradeItOnce) {
    KORVANE_FILES_ONLY("a file's user_version and its backup before an upgrade");
    test::TempDatabase t;
    makeFirstVersion(t);
    QProcess alone;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        const QString path = copyInto(t.path, t.dir.filePath(QString::number(round)));
        QProcess first, second;
        startWriter(first, path, 1);
        startWriter(second, path, 2);
        for (QProcess* writer : {&first, &second}) {
            ASSERT_TRUE(writer->waitForFinished(60000));
            EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
        }
        EXPECT_EQ(checkDatabaseFile(path), QString());
        EXPECT_EQ(test::valuesIn(path, "pragma user_version"),
                  QStringList{QString::number(schema::userVersion)});
        EXPECT_EQ(test::valuesIn(path, "select 姓名 from 基本信息"), QStringList{"张三"});
        EXPECT_EQ(test::valuesIn(path, "select 开始日期 from 排班意愿 order by 1"),
                  QStringList({"2027-03-01", "2027-03-02"}));
        const QStringList backups = backupsBeside(path);
        ASSERT_EQ(backups.size(), 1);
        EXPECT_EQ(tablesOf(backups.first()), firstVersion);
    }
}

} // namespace
