#include "engine/roster.h"
#include "runfixture.h"
#include "store/dialect.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace korvane;

namespace {

class RosterQueries : public ::testing::Test {
protected:
    void SetUp() override {
        t.run(QStringLiteral(
            "insert into 值班报表 (日期, 班次, 值班人) values "
            "('2027年3月1日', '白班', '  张三  O''Neil'), ('2027年3月1日', '小夜班', '  李四'), "
            "('2027年3月2日', '大夜班', '  张三丰'), ('2027年3月2日', '零班', null)"));
    }
    // The 值班人 (or 班次) column of every row a query returns.
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
    EXPECT_EQ(engine::fullRosterQuery(), QStringLiteral("select * from 值班报表 "));
    EXPECT_EQ(engine::personRosterQuery(QStringLiteral("张")),
              QStringLiteral("select * from 值班报表 where 值班报表.值班人 like '%张%'"));
    EXPECT_EQ(engine::shiftRosterQuery(QStringLiteral("夜")),
              QStringLiteral("select * from 值班报表 where 值班报表.班次 like '%夜%'"));
}

TEST_F(RosterQueries, PersonQueryMatchesAnywhereInTheNames) {
    EXPECT_EQ(column(engine::personRosterQuery(QStringLiteral("张三")), 6),
              QStringList({QStringLiteral("  张三  O'Neil"), QStringLiteral("  张三丰")}));
    EXPECT_EQ(column(engine::personRosterQuery(QStringLiteral("李")), 6),
              QStringList{QStringLiteral("  李四")});
}

TEST_F(RosterQueries, QuoteInTheTextFindsWhatItNames) {
    EXPECT_EQ(column(engine::personRosterQuery(QStringLiteral("O'Neil")), 6),
              QStringList{QStringLiteral("  张三  O'Neil")});
    EXPECT_EQ(engine::countRows(t.db(), engine::shiftRosterQuery(QStringLiteral("'; drop"))), 0);
    EXPECT_EQ(t.scalar(QStringLiteral("select count(*) from 值班报表")).toInt(), 4);
}

TEST_F(RosterQueries, EmptyPersonQuerySkipsSlotsWithNobody) {
    EXPECT_EQ(engine::countRows(t.db(), engine::personRosterQuery(QString())), 3);
    EXPECT_EQ(engine::countRows(t.db(), engine::fullRosterQuery()), 4);
}

TEST_F(RosterQueries, ShiftQueryMatchesAnywhereAndBothFiltersNarrow) {
    EXPECT_EQ(column(engine::shiftRosterQuery(QStringLiteral("夜")), 2),
              QStringList({QStringLiteral("小夜班"), QStringLiteral("大夜班")}));
    engine::RosterFilter both;
    both.byPerson = true;
    both.person = QStringLiteral("张三");
    both.byShift = true;
    both.shift = QStringLiteral("夜");
    EXPECT_EQ(column(engine::rosterQuery(both), 6), QStringList{QStringLiteral("  张三丰")});
    EXPECT_EQ(engine::rosterQuery({}), engine::fullRosterQuery());
}

TEST_F(RosterQueries, CountOfAFailingQueryIsAnError) {
    QString error;
    EXPECT_EQ(engine::countRows(t.db(), QStringLiteral("select * from 没有这个表"), &error), -1);
    EXPECT_FALSE(error.isEmpty());
}

TEST(RosterRowHeight, LargestHeadcountAmongAssignedShifts) {
    test::RunFixture f;
    EXPECT_DOUBLE_EQ(engine::rowHeightFactor(f.t.db()), 1.0); // nothing assigned yet
    for (int i = 1; i <= 6; ++i)
        f.person(QStringLiteral("人%1").arg(i), QString::number(i), i);
    f.date(QStringLiteral("2027-03-01"));
    f.shift(1, QStringLiteral("白班"), QStringLiteral("08:00"), 2);
    f.shift(2, QStringLiteral("夜班"), QStringLiteral("20:00"), 4);
    f.dateGroup(2, QStringLiteral("空组"));
    // A shift with a larger headcount that never gets a slot does not count.
    f.shift(3, QStringLiteral("听班"), QStringLiteral("09:00"), 6, QStringLiteral("无限制"),
            QStringLiteral("空组"));
    const engine::RunResult result = f.generate();
    ASSERT_EQ(result.outcome, engine::RunOutcome::Done);
    EXPECT_DOUBLE_EQ(result.rowHeightFactor, 4.0 / 3 + 1);
    EXPECT_DOUBLE_EQ(engine::rowHeightFactor(f.t.db()), 4.0 / 3 + 1);
}
