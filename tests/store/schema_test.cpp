#include "store/connection.h"
#include "store/datafiles.h"
#include "store/schema.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSqlQuery>

using namespace korvane;

TEST(Schema, EveryTableHasItsColumnsInStoredOrder) {
    test::TempDatabase t;
    for (const schema::Table& table : schema::tables()) {
        QStringList expected;
        for (const schema::Column& column : table.columns)
            expected << column.name;
        QStringList found;
        QSqlQuery info(t.db());
        ASSERT_TRUE(info.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table.name)));
        while (info.next())
            found << info.value(1).toString();
        EXPECT_EQ(found, expected) << table.name.toStdString();
    }
    EXPECT_EQ(t.rows(QStringLiteral("PRAGMA table_info(基本信息)")).size(), 17);
    EXPECT_EQ(t.rows(QStringLiteral("PRAGMA table_info(banci)")).size(), 14);
}

// A new database and the delivered template alike.
TEST(Schema, NewDatabaseAndTemplateHoldOnlyTheThreeAllRows) {
    test::TempDatabase fresh;
    auto delivered =
        Connection::open(QDir(test::outputDirectory()).filePath(files::templateFileName), nullptr,
                         Connection::Access::ReadOnly);
    ASSERT_TRUE(delivered) << "the delivered template does not open";
    for (QSqlDatabase* db : {&fresh.db(), &delivered->db()}) {
        SCOPED_TRACE(db->databaseName().toStdString());
        const auto rows = [db](const QString& sql) {
            QSqlQuery query(*db);
            EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
            QStringList result;
            while (query.next())
                result << query.value(0).toString() + QStringLiteral("|") +
                              query.value(1).toString();
            return result;
        };
        for (const char* table : {"值班人员组", "日期组", "班次组"})
            EXPECT_EQ(rows(QStringLiteral("select * from %1").arg(QString::fromUtf8(table))),
                      QStringList{QStringLiteral("全部|1")});
        for (const char* table :
             {"基本信息", "banci", "日期类型", "排除条件", "值班底表", "值班报表", "班数限制"})
            EXPECT_EQ(
                rows(QStringLiteral("select count(*), 0 from %1").arg(QString::fromUtf8(table))),
                QStringList{QStringLiteral("0|0")});
        EXPECT_EQ(rows(QStringLiteral("select * from pragma_application_id, pragma_user_version")),
                  QStringList{
                      QStringLiteral("%1|%2").arg(schema::applicationId).arg(schema::userVersion)});
    }
}

TEST(Schema, AutonumbersAreNeverReusedAndColumnNamesIgnoreCase) {
    test::TempDatabase t;
    t.run(QStringLiteral("insert into 日期组 (日期组名称) values ('a');"
                         "insert into 日期组 (日期组名称) values ('b')"));
    const int highest = t.scalar(QStringLiteral("select max(idid) from 日期组")).toInt();
    t.run(QStringLiteral("delete from 日期组 where idid = %1;"
                         "insert into 日期组 (日期组名称) values ('c')")
              .arg(highest));
    EXPECT_EQ(t.scalar(QStringLiteral("select idid from 日期组 where 日期组名称 = 'c'")).toInt(),
              highest + 1);
    EXPECT_EQ(t.scalar(QStringLiteral("select IDID from 日期组 where 日期组名称 = 'c'")).toInt(),
              highest + 1);
}
