#include "store/connection.h"
#include "store/schema.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QFile>
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

TEST(Schema, NewDatabaseHoldsOnlyTheThreeAllRows) {
    test::TempDatabase t;
    for (const char* table : {"值班人员组", "日期组", "班次组"})
        EXPECT_EQ(t.rows(QStringLiteral("select * from %1").arg(QString::fromUtf8(table))),
                  QStringList{QStringLiteral("全部|1")});
    for (const char* table :
         {"基本信息", "banci", "日期类型", "排除条件", "值班底表", "值班报表", "班数限制"})
        EXPECT_EQ(t.scalar(QStringLiteral("select count(*) from %1").arg(QString::fromUtf8(table)))
                      .toInt(),
                  0);
    EXPECT_EQ(t.scalar(QStringLiteral("PRAGMA application_id")).toInt(), schema::applicationId);
    EXPECT_EQ(t.scalar(QStringLiteral("PRAGMA user_version")).toInt(), schema::userVersion);
}

TEST(Schema, AutonumbersAreNeverReused) {
    test::TempDatabase t;
    t.run(QStringLiteral("insert into 日期组 (日期组名称) values ('a');"
                         "insert into 日期组 (日期组名称) values ('b')"));
    const int highest = t.scalar(QStringLiteral("select max(idid) from 日期组")).toInt();
    t.run(QStringLiteral("delete from 日期组 where idid = %1;"
                         "insert into 日期组 (日期组名称) values ('c')")
              .arg(highest));
    EXPECT_EQ(t.scalar(QStringLiteral("select idid from 日期组 where 日期组名称 = 'c'")).toInt(),
              highest + 1);
}

TEST(Schema, ColumnNamesIgnoreCase) {
    test::TempDatabase t;
    t.run(QStringLiteral("insert into banci (班次名称) values ('白班')"));
    EXPECT_EQ(t.scalar(QStringLiteral("select IDID from banci")),
              t.scalar(QStringLiteral("select idid from banci")));
}

namespace {
QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& content) {
    const QString path = dir.filePath(QString::fromUtf8(name));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}
QByteArray readAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}
} // namespace

TEST(FileCheck, RefusesFilesThatAreNotOursWithoutWritingThem) {
    QTemporaryDir dir;
    const QString text = writeFile(dir, "text.mdb", "名单\n张三\n");
    const QString empty = writeFile(dir, "empty.mdb", "");
    QByteArray damaged;
    {
        test::TempDatabase t;
        t.run(QStringLiteral("insert into 基本信息 (ID, 姓名) values (1, '张三')"));
        t.connection.reset();
        damaged = readAll(t.path);
    }
    damaged.replace(100, 2000, QByteArray(2000, '\x5a'));
    const QString broken = writeFile(dir, "broken.mdb", damaged);

    const QString foreign = dir.filePath(QStringLiteral("foreign.mdb"));
    {
        auto c = Connection::create(foreign, nullptr);
        QSqlQuery(c->db()).exec(QStringLiteral("PRAGMA application_id = 42"));
    }
    const QString withTrigger = dir.filePath(QStringLiteral("trigger.mdb"));
    {
        auto c = Connection::create(withTrigger, nullptr);
        QSqlQuery(c->db()).exec(
            QStringLiteral("CREATE TRIGGER t AFTER INSERT ON banci BEGIN DELETE FROM banci; END"));
    }
    for (const QString& path : {text, empty, broken, foreign, withTrigger}) {
        const QByteArray before = readAll(path);
        QString error;
        EXPECT_EQ(Connection::open(path, &error), nullptr) << path.toStdString();
        EXPECT_FALSE(error.isEmpty()) << path.toStdString();
        EXPECT_EQ(readAll(path), before) << path.toStdString();
    }
    EXPECT_FALSE(checkDatabaseFile(dir.filePath(QStringLiteral("missing.mdb"))).isEmpty());
}

TEST(FileCheck, RefusesADatabaseWithOtherColumns) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.mdb"));
    {
        auto c = Connection::create(path, nullptr);
        QSqlQuery(c->db()).exec(QStringLiteral("ALTER TABLE banci ADD COLUMN 额外 TEXT"));
    }
    EXPECT_FALSE(checkDatabaseFile(path).isEmpty());
}

TEST(FileCheck, AcceptsOurOwnAndAnUnstampedCopy) {
    test::TempDatabase t;
    t.run(QStringLiteral("PRAGMA application_id = 0"));
    t.connection.reset();
    EXPECT_EQ(checkDatabaseFile(t.path), QString());
    QString error;
    auto reopened = Connection::open(t.path, &error);
    ASSERT_NE(reopened, nullptr) << error.toStdString();
    QSqlQuery query(reopened->db());
    query.exec(QStringLiteral("PRAGMA application_id"));
    query.next();
    EXPECT_EQ(query.value(0).toInt(), schema::applicationId);
}
