#include "editors/period.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace korvane;
using korvane::test::TempDatabase;

namespace {

class PeriodTest : public ::testing::Test {
protected:
    TempDatabase db;
    ScriptedPrompt prompt;

    QStringList calendar() {
        return db.rows(QStringLiteral("SELECT 日期, 所属日期组ID FROM 日期类型 ORDER BY rowid"));
    }
};

} // namespace

TEST_F(PeriodTest, EmptyCalendarHasNoPeriod) {
    bool ok = false;
    EXPECT_FALSE(period::current(db.db(), &ok).has_value());
    EXPECT_TRUE(ok);
    EXPECT_EQ(period::describe(period::current(db.db())), QStringLiteral("目前没定义日期范围。"));
}

TEST_F(PeriodTest, OneDay) {
    const QDate day(2027, 3, 9);
    ASSERT_TRUE(period::save(db.db(), day, day, prompt));
    EXPECT_EQ(calendar(), QStringList{QStringLiteral("2027-03-09|zz1z")});
    EXPECT_EQ(period::describe(period::current(db.db())),
              QStringLiteral("起始日期：2027-03-09        终止日期：2027-03-09"));
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(PeriodTest, AcrossAYearAndALeapDay) {
    ASSERT_TRUE(period::save(db.db(), QDate(2027, 12, 30), QDate(2028, 3, 1), prompt));
    const QStringList rows = calendar();
    ASSERT_EQ(rows.size(), 2 + 31 + 29 + 1);
    EXPECT_EQ(rows.first(), QStringLiteral("2027-12-30|zz1z"));
    EXPECT_EQ(rows.at(2), QStringLiteral("2028-01-01|zz1z"));
    EXPECT_TRUE(rows.contains(QStringLiteral("2028-02-29|zz1z")));
    EXPECT_EQ(rows.last(), QStringLiteral("2028-03-01|zz1z"));
    // One row per day, no gap, in ascending order.
    for (int i = 1; i < rows.size(); ++i)
        EXPECT_EQ(QDate::fromString(rows.at(i).left(10), Qt::ISODate),
                  QDate::fromString(rows.at(i - 1).left(10), Qt::ISODate).addDays(1));
    const auto range = period::current(db.db());
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->first, QStringLiteral("2027-12-30"));
    EXPECT_EQ(range->last, QStringLiteral("2028-03-01"));
}

TEST_F(PeriodTest, SavingAgainDropsDateGroupMemberships) {
    ASSERT_TRUE(period::save(db.db(), QDate(2027, 1, 1), QDate(2027, 1, 3), prompt));
    db.run(QStringLiteral("UPDATE 日期类型 SET 所属日期组ID = 'zz7z1z', 节假日 = 'x'"));
    ASSERT_TRUE(period::save(db.db(), QDate(2027, 1, 2), QDate(2027, 1, 4), prompt));
    EXPECT_EQ(
        db.rows(QStringLiteral("SELECT * FROM 日期类型 ORDER BY rowid")),
        (QStringList{QStringLiteral("2027-01-02||||zz1z"), QStringLiteral("2027-01-03||||zz1z"),
                     QStringLiteral("2027-01-04||||zz1z")}));
}

TEST_F(PeriodTest, EndBeforeStartWritesNothing) {
    ASSERT_TRUE(period::save(db.db(), QDate(2027, 1, 1), QDate(2027, 1, 2), prompt));
    EXPECT_FALSE(period::save(db.db(), QDate(2027, 5, 2), QDate(2027, 5, 1), prompt));
    EXPECT_EQ(prompt.shown(), QStringList{msg::endBeforeStart});
    EXPECT_EQ(calendar(),
              (QStringList{QStringLiteral("2027-01-01|zz1z"), QStringLiteral("2027-01-02|zz1z")}));
}

TEST_F(PeriodTest, AFailedSaveKeepsTheOldPeriod) {
    ASSERT_TRUE(period::save(db.db(), QDate(2027, 1, 1), QDate(2027, 1, 2), prompt));
    // A trigger that refuses one day in the middle of the rebuild.
    QSqlQuery trigger(db.db());
    ASSERT_TRUE(trigger.exec(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON 日期类型 WHEN NEW.日期 = '2027-02-03' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    EXPECT_FALSE(period::save(db.db(), QDate(2027, 2, 1), QDate(2027, 2, 5), prompt));
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().contains(QStringLiteral("refused")));
    EXPECT_EQ(calendar(),
              (QStringList{QStringLiteral("2027-01-01|zz1z"), QStringLiteral("2027-01-02|zz1z")}));
}
