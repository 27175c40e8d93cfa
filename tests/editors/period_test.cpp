#include "editors/period.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace korvane;

namespace {

class PeriodTest : public ::testing::Test {
protected:
    test::TempDatabase db;
    ScriptedPrompt prompt;

    bool save(QDate start, QDate end) { return period::save(db.db(), start, end, prompt); }
    QStringList calendar() {
        return db.rows("SELECT 日期, 所属日期组ID FROM 日期类型 ORDER BY rowid");
    }
};

} // namespace

TEST_F(PeriodTest, SavingAgainDropsDateGroupMemberships) {
    ASSERT_TRUE(save(QDate(2027, 1, 1), QDate(2027, 1, 3)));
    // Group 7 does not exist: nothing is lost, nothing asked.
    db.run("UPDATE 日期类型 SET 所属日期组ID = 'zz7z1z', 节假日 = 'x'");
    ASSERT_TRUE(save(QDate(2027, 1, 2), QDate(2027, 1, 4)));
    EXPECT_EQ(db.rows("SELECT * FROM 日期类型 ORDER BY rowid"),
              (QStringList{"2027-01-02||||zz1z", "2027-01-03||||zz1z", "2027-01-04||||zz1z"}));
}

TEST_F(PeriodTest, AskedBeforeDateGroupMembershipsGo) {
    ASSERT_TRUE(save(QDate(2027, 1, 1), QDate(2027, 1, 3)));
    // 周末 (2) holds two dates, 节日 (3) one, 空组 (4) none; 9 is a deleted group.
    db.run("insert into 日期组 (日期组名称, idid) values ('周末', 2), ('节日', 3), ('空组', 4);"
           "update 日期类型 set 所属日期组ID = 'zz3z2z9z1z' where 日期 = '2027-01-02';"
           "update 日期类型 set 所属日期组ID = 'zz2z1z' where 日期 = '2027-01-03'");
    const QStringList before = calendar();
    const QString question = msg::periodDropsMemberships.arg(3).arg("周末、节日");
    prompt.addAnswer(false);
    EXPECT_FALSE(save(QDate(2027, 1, 1), QDate(2027, 1, 5)));
    EXPECT_EQ(calendar(), before);
    prompt.addAnswer(true);
    EXPECT_TRUE(save(QDate(2027, 1, 1), QDate(2027, 1, 5)));
    EXPECT_EQ(calendar().size(), 5);
    EXPECT_EQ(prompt.questions(), (QStringList{question, question}));
    // Nothing left to lose: no question.
    prompt.clear();
    EXPECT_TRUE(save(QDate(2027, 2, 1), QDate(2027, 2, 2)));
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(PeriodTest, ARefusedOrFailedSaveKeepsTheOldPeriod) {
    ASSERT_TRUE(save(QDate(2027, 1, 1), QDate(2027, 1, 2)));
    const QStringList old{"2027-01-01|zz1z", "2027-01-02|zz1z"};
    EXPECT_FALSE(save(QDate(2027, 5, 2), QDate(2027, 5, 1)));
    EXPECT_EQ(prompt.shown(), QStringList{msg::endBeforeStart});
    EXPECT_EQ(calendar(), old);
    // A trigger that refuses one day in the middle of the rebuild.
    prompt.clear();
    QSqlQuery trigger(db.db()); // its body holds a ';', which run() would split
    if (db.connection->onServer())
        ASSERT_TRUE(trigger.exec("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                                 "$$ BEGIN RAISE 'refused'; END $$") &&
                    trigger.exec("CREATE TRIGGER refuse BEFORE INSERT ON 日期类型 FOR EACH ROW "
                                 "WHEN (NEW.日期 = '2027-02-03') EXECUTE FUNCTION refuse()"))
            << trigger.lastError().text().toStdString();
    else
        ASSERT_TRUE(trigger.exec("CREATE TRIGGER refuse BEFORE INSERT ON 日期类型 WHEN NEW.日期 = "
                                 "'2027-02-03' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    EXPECT_FALSE(save(QDate(2027, 2, 1), QDate(2027, 2, 5)));
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().contains("refused"));
    EXPECT_EQ(calendar(), old);
}

// The period is read from the calendar in date order: dates that join a group
// (rows written anew, which a server keeps elsewhere) leave it as it was.
TEST_F(PeriodTest, TheFirstAndLastDateStayWhenDatesJoinAGroup) {
    ASSERT_TRUE(save(QDate(2027, 1, 1), QDate(2027, 1, 3)));
    db.run("update 日期类型 set 所属日期组ID = 'zz2z1z' where 日期 <> '2027-01-02'");
    EXPECT_EQ(period::describe(period::current(db.db())),
              msg::periodStart + "2027-01-01" + msg::periodEnd + "2027-01-03");
}
