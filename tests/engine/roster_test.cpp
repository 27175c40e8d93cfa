#include "engine/roster.h"
#include "runfixture.h"
#include "store/dialect.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::engine;

namespace {

class RosterQueries : public ::testing::Test {
protected:
    void SetUp() override {
        t.run("insert into 值班报表 (日期, 班次, 值班人) values "
              "('2027年3月1日', '白班', '  张三  O''Neil'), ('2027年3月1日', '小夜班', '  李四'), "
              "('2027年3月2日', '大夜班', '  张三丰'), ('2027年3月2日', '零班', null)");
    }
    // The 班次 (position 2) or 值班人 (6) column of every row a query returns.
    QStringList column(const QString& query, int position) {
        QStringList values;
        QSqlQuery rows(t.db());
        QString error;
        EXPECT_TRUE(dialect::exec(rows, query, &error)) << error.toStdString();
        while (rows.next())
            values << rows.value(position).toString();
        return values;
    }
    test::TempDatabase t;
};

} // namespace

TEST_F(RosterQueries, PageQueryTexts) {
    EXPECT_EQ(fullRosterQuery(), "select * from 值班报表 ");
    EXPECT_EQ(personRosterQuery("张"), "select * from 值班报表 where 值班报表.值班人 like '%张%'");
    EXPECT_EQ(shiftRosterQuery("夜"), "select * from 值班报表 where 值班报表.班次 like '%夜%'");
}

TEST_F(RosterQueries, FiltersMatchAnywhereAndNarrowTogether) {
    EXPECT_EQ(column(personRosterQuery("张三"), 6), QStringList({"  张三  O'Neil", "  张三丰"}));
    EXPECT_EQ(column(personRosterQuery("李"), 6), QStringList{"  李四"});
    EXPECT_EQ(column(shiftRosterQuery("夜"), 2), QStringList({"小夜班", "大夜班"}));
    RosterFilter both;
    both.byPerson = true;
    both.person = "张三";
    both.byShift = true;
    both.shift = "夜";
    EXPECT_EQ(column(rosterQuery(both), 6), QStringList{"  张三丰"});
    EXPECT_EQ(rosterQuery({}), fullRosterQuery());
    // An empty person filter skips the slots with nobody.
    EXPECT_EQ(countRows(t.db(), personRosterQuery(QString())), 3);
    EXPECT_EQ(countRows(t.db(), fullRosterQuery()), 4);
}

TEST_F(RosterQueries, QuoteInTheTextFindsWhatItNames) {
    EXPECT_EQ(column(personRosterQuery("O'Neil"), 6), QStringList{"  张三  O'Neil"});
    EXPECT_EQ(countRows(t.db(), shiftRosterQuery("'; drop")), 0);
    EXPECT_EQ(t.scalar("select count(*) from 值班报表").toInt(), 4);
}

TEST_F(RosterQueries, CountOfAFailingQueryIsAnError) {
    QString error;
    EXPECT_EQ(countRows(t.db(), "select * from 没有这个表", &error), -1);
    EXPECT_FALSE(error.isEmpty());
}

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
