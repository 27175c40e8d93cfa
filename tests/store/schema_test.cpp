// What every new database holds, and the membership strings.

#include "store/connection.h"
#include "store/datafiles.h"
#include "store/membership.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace korvane;

// A new database and the delivered template alike: the three 全部 rows, no
// other row (the program's own tables empty too), and our application id
// (KRVN) with version 4.
TEST(Schema, NewDatabaseAndTemplateHoldOnlyTheThreeAllRows) {
    test::TempDatabase fresh;
    auto delivered = Connection::open(files::templatePath(), nullptr, Connection::Access::ReadOnly);
    ASSERT_TRUE(delivered) << "the delivered template does not open";
    for (QSqlDatabase* db : {&fresh.db(), &delivered->db()}) {
        QSqlQuery query(*db);
        ASSERT_TRUE(query.exec(
            "select (select group_concat(值班人员组名称 || idid) from 值班人员组) || "
            "(select group_concat(日期组名称 || idid) from 日期组) || "
            "(select group_concat(班次组名称 || idid) from 班次组), (select count(*) from "
            "基本信息) "
            "+ (select count(*) from banci) + (select count(*) from 日期类型) + (select count(*) "
            "from 排除条件) + (select count(*) from 值班底表) + (select count(*) from 值班报表) + "
            "(select count(*) from 班数限制) + (select count(*) from 人员限制) + (select count(*) "
            "from 休假) + (select count(*) from 排班目标) + (select count(*) from 排班意愿) + "
            "(select count(*) from 公平权重) + (select count(*) from 理想人数) + (select count(*) "
            "from 禁止衔接) + (select count(*) from 人员工号), * from pragma_application_id, "
            "pragma_user_version"));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(QStringList({query.value(0).toString(), query.value(1).toString(),
                               query.value(2).toString(), query.value(3).toString()}),
                  QStringList({"全部1全部1全部1", "0", "1263687246", "4"}))
            << db->databaseName().toStdString();
    }
}

// A deleted row's number is never handed out again, in every table that numbers its rows.
TEST(Schema, AutonumbersAreNeverReused) {
    test::TempDatabase t;
    t.run("PRAGMA synchronous = OFF");
    for (const char* table : {"值班人员组", "日期组", "班次组", "基本信息", "banci", "排除条件",
                              "值班底表", "值班报表"}) {
        const QString insert = QString("insert into %1 default values;").arg(table);
        t.run(insert + insert +
              QString("delete from %1 where rowid = (select max(rowid) from %1);").arg(table) +
              insert);
        EXPECT_EQ(t.scalar(QString("select max(rowid) - count(*) from %1").arg(table)).toInt(), 1)
            << table;
    }
}

TEST(Membership, TokensAreExactAndRemovingRestores) {
    EXPECT_TRUE(membership::contains("zz12z1z", 12));
    EXPECT_TRUE(membership::contains("zz12z1z", 1));
    EXPECT_FALSE(membership::contains("zz12z1z", 2));
    EXPECT_FALSE(membership::contains("zz12z1z", 121));
    EXPECT_EQ(membership::added("zz12z1z", 3), "zz3z12z1z");
    EXPECT_EQ(membership::removed("zz5z12z1z", 1), "zz5z12z");
    EXPECT_EQ(membership::removed(membership::added("zz7z1z", 12), 12), "zz7z1z");
    EXPECT_EQ(membership::added(QString(), 4), QString()); // no leading zz: no token
}
