// A file of the first version (the ten tables only) is read as it is, and gets
// the program's own tables when it is first opened for writing, after a
// backup copy.

#include "store/connection.h"
#include "store/messages.h"
#include "store/schema.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSqlQuery>

using namespace korvane;

namespace {

QStringList tablesOf(const QString& path) {
    auto connection = Connection::open(path, nullptr, Connection::Access::ReadOnly);
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

TEST(Upgrade, AFirstVersionFileGetsTheNewTablesAfterABackup) {
    KORVANE_FILES_ONLY("a file's user_version and its backup before an upgrade");
    test::TempDatabase t;
    QString drops;
    for (const schema::Table& table : schema::ownTables())
        drops += QStringLiteral("drop table %1;").arg(table.name);
    t.run("insert into 基本信息 (ID, 姓名) values (1, '张三');" + drops +
          "PRAGMA user_version = 1");
    t.connection.reset();
    const QStringList firstVersion = {"version 1"};
    ASSERT_EQ(tablesOf(t.path), firstVersion); // read-only: left as it is

    QString error;
    ASSERT_TRUE(Connection::open(t.path, &error)) << error.toStdString();
    // Saved rosters, limits and leave (version 2); what the score reads (3).
    QStringList upgraded = {"version 3", "人员限制", "休假",     "存档人员", "存档值班",
                            "存档班位",  "存档班次", "存档锁定", "排班存档", "公平权重",
                            "排班意愿",  "排班目标", "理想人数", "禁止衔接"};
    upgraded.sort();
    EXPECT_EQ(tablesOf(t.path), upgraded);
    const QStringList backups =
        QDir(t.dir.path()).entryList({"员工数据库-备份-*.mdb"}, QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    const QString backup = QDir(t.dir.path()).filePath(backups.first());
    EXPECT_EQ(tablesOf(backup), firstVersion);
    EXPECT_EQ(checkDatabaseFile(backup), QString());

    // A newer version than this program's is still refused.
    t.connection = Connection::open(t.path, &error);
    t.run(QStringLiteral("PRAGMA user_version = %1").arg(schema::userVersion + 1));
    t.connection.reset();
    EXPECT_EQ(Connection::open(t.path, &error), nullptr);
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

} // namespace
