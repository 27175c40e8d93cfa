#include "engine/roster.h"
#include "runfixture.h"
#include "store/dialect.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::engine;

// What the page's person and shift queries find.
TEST(RosterQueries, FiltersMatchAnywhereAndNarrowTogether) {
    test::TempDatabase t;
    t.run("insert into 值班报表 (日期, 班次, 值班人) values "
          "('2027年3月1日', '白班', '  张三  O''Neil'), ('2027年3月1日', '小夜班', '  李四'), "
          "('2027年3月2日', '大夜班', '  张三丰'), ('2027年3月2日', '零班', null)");
    // The 值班人 column of every row a query returns.
    const auto names = [&](const QString& query) {
        QStringList values;
        QSqlQuery rows(t.db());
        EXPECT_TRUE(dialect::exec(rows, query)) << query.toStdString();
        while (rows.next())
            values << rows.value(6).toString();
        return values;
    };
    EXPECT_EQ(names(personRosterQuery("张三")), QStringList({"  张三  O'Neil", "  张三丰"}));
    EXPECT_EQ(names(shiftRosterQuery("夜")), QStringList({"  李四", "  张三丰"}));
    EXPECT_EQ(names(personRosterQuery("O'Neil")), QStringList{"  张三  O'Neil"});
    EXPECT_EQ(names(personRosterQuery("o'NEIL")), QStringList{"  张三  O'Neil"});
    EXPECT_EQ(names(rosterQuery({true, "张三", true, "夜"})), QStringList{"  张三丰"});
    // An empty person filter skips the slots with nobody; a quote finds nothing.
    EXPECT_EQ(countRows(t.db(), personRosterQuery(QString())), 3);
    EXPECT_EQ(countRows(t.db(), shiftRosterQuery("'; drop")), 0);
    EXPECT_EQ(countRows(t.db(), fullRosterQuery()), 4);
    EXPECT_EQ(countRows(t.db(), rosterQuery({})), 4);
    QString error;
    EXPECT_EQ(countRows(t.db(), "select * from 没有这个表", &error), -1);
    EXPECT_FALSE(error.isEmpty());
}

// The row-height factor follows the largest headcount among assigned shifts.
TEST(RosterRowHeight, LargestHeadcountAmongAssignedShifts) {
    test::RunFixture f(6, 1);
    EXPECT_DOUBLE_EQ(rowHeightFactor(f.t.db()), 1.0); // nothing assigned yet
    f.shift(1, "白班", "08:00", 2);
    f.shift(2, "夜班", "20:00", 4);
    f.dateGroup(2, "空组");
    // A shift with a larger headcount that never gets a slot does not count.
    f.shift(3, "听班", "09:00", 6, "无限制", "空组");
    const RunResult result = f.generate();
    ASSERT_EQ(result.outcome, RunOutcome::Done);
    EXPECT_DOUBLE_EQ(result.rowHeightFactor, 4.0 / 3 + 1);
    EXPECT_DOUBLE_EQ(rowHeightFactor(f.t.db()), 4.0 / 3 + 1);
}
