// What every new database holds, and the membership strings.

#include "store/connection.h"
#include "store/datafiles.h"
#include "store/membership.h"
#include "store/schema.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace korvane;

// A new database (on the server store: a new ward) and the delivered template
// alike: the three 全部 rows, no other row (the program's own tables empty
// too), and our application id (KRVN) with version 5.
TEST(Schema, NewDatabaseAndTemplateHoldOnlyTheThreeAllRows) {
    test::TempDatabase fresh;
    auto delivered = Connection::open(files::templatePath(), nullptr, Connection::Access::ReadOnly);
    ASSERT_TRUE(delivered) << "the delivered template does not open";
    for (Connection* connection : {fresh.connection.get(), delivered.get()}) {
        QSqlDatabase& db = connection->db();
        QStringList rows;
        for (const char* table : {"值班人员组", "日期组", "班次组"})
            rows << test::rowsOf(db, QString("select %1名称 || idid from %1").arg(table));
        QStringList counts;
        for (const schema::Table& table : schema::tables() + schema::ownTables())
            counts << QString("(select count(*) from %1)").arg(table.name);
        rows << test::rowsOf(db, "select " + counts.join(" + "));
        rows << test::rowsOf(db, connection->onServer()
                                     ? "select application_id, user_version from korvane_version"
                                     : "select * from pragma_application_id, pragma_user_version");
        EXPECT_EQ(rows, QStringList({"全部1", "全部1", "全部1", "3", "1263687246|5"}))
            << db.databaseName().toStdString();
    }
}

// A deleted row's number is never handed out again, in every table that numbers its rows.
TEST(Schema, AutonumbersAreNeverReused) {
    test::TempDatabase t;
    if (!test::onServerStore())
        t.run("PRAGMA synchronous = OFF");
    for (const schema::Table& table : schema::tables() + schema::ownTables())
        for (const schema::Column& column : table.columns) {
            if (column.type != QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT"))
                continue;
            const QString insert = QString("insert into %1 default values;").arg(table.name);
            t.run(insert + insert +
                  QString("delete from %1 where %2 = (select max(%2) from %1);")
                      .arg(table.name, column.name) +
                  insert);
            EXPECT_EQ(
                t.rows(QString("select max(%2) - count(*) from %1").arg(table.name, column.name)),
                QStringList{"1"})
                << table.name.toStdString();
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
