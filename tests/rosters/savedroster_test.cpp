// Saved rosters: a run's roster kept with its own copy of what it shows,
// listed, renamed, deleted, and generated again around its locks.

#include "engine/roster.h"
#include "engine/rostertable.h"
#include "engine/runfixture.h"
#include "monthsheet/monthsheet.h"
#include "monthsheet/sheettext.h"
#include "rosters/locks.h"
#include "rosters/savedroster.h"
#include "rosters/warnings.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

rosters::KeptRoster keep(QSqlDatabase& db, qint64 target = 0) {
    rosters::KeptRoster kept;
    QString error;
    EXPECT_TRUE(rosters::keepRun(db, target, &kept, &error)) << error.toStdString();
    return kept;
}

rosters::SavedRoster load(QSqlDatabase& db, qint64 number) {
    rosters::SavedRoster roster;
    QString error;
    EXPECT_TRUE(rosters::loadSavedRoster(db, number, &roster, &error)) << error.toStdString();
    return roster;
}

// What a run leaves: every flag, every counter, the roster rows (the
// autonumbers of the work tables count on from run to run).
QStringList runState(test::TempDatabase& t) {
    return t.rows("select 日期, 班次IDID, 姓名IDID, 是否值班 from 值班底表 order by idid") +
           t.rows("select * from 基本信息") +
           t.rows("select 日期, 班次, 开始时间, 是否跨转次日, 结束时间, 值班人 from 值班报表 "
                  "order by IDID");
}

// The kept roster of the sample reads back as the run's own report rows and
// month sheet, and stays so when the set-up changes under it.
TEST(SavedRoster, KeepsTheSamplesRunAndOutlivesChangesToTheSetUp) {
    test::TempDatabase t;
    t.loadSample();
    ASSERT_EQ(engine::generate(t.path).outcome, engine::RunOutcome::Done);
    const rosters::KeptRoster kept = keep(t.db());
    engine::RosterTable report;
    QString error;
    ASSERT_TRUE(engine::loadRosterTable(t.db(),
                                        "select 日期, 班次, 开始时间, 是否跨转次日, "
                                        "结束时间, 值班人 from 值班报表 order by IDID",
                                        &report, &error));
    monthsheet::MonthSheet sheet;
    ASSERT_TRUE(monthsheet::loadMonthSheet(t.db(), &sheet, &error));
    const auto sheetText = [](const monthsheet::MonthSheet& s) {
        return monthsheet::formatSheet(s, monthsheet::sheetTotals(s));
    };

    t.run("delete from 基本信息 where IDID = 1; update banci set 班次名称 = '改名' where idid = "
          "(select min(idid) from banci); delete from 值班底表; delete from 值班报表");
    const rosters::SavedRoster saved = load(t.db(), kept.number);
    EXPECT_EQ(rosters::reportRows(saved), report.rows);
    EXPECT_EQ(sheetText(saved.sheet), sheetText(sheet));
    EXPECT_EQ(saved.gonePeople.size(), 1);
    EXPECT_EQ(kept.name, rosters::periodName(sheet.dates.first(), sheet.dates.last()));

    // Its own 值班报表 answers the page's queries as the run's did.
    rosters::RosterTables tables(saved);
    ASSERT_TRUE(tables.ok()) << tables.error().toStdString();
    QSqlDatabase rosterDb = tables.db();
    engine::RosterTable all;
    ASSERT_TRUE(engine::loadRosterTable(rosterDb, engine::fullRosterQuery(), &all, &error));
    EXPECT_EQ(all.rows.size(), report.rows.size());
}

// A second run of the period replaces the unnamed roster, never a named one;
// names are unique, may hold quotes and emoji, and a deleted roster is gone.
TEST(SavedRoster, ANamedRosterStaysWhenTheSamePeriodRunsAgain) {
    test::RunFixture f(2, 2);
    f.dayShift();
    QSqlDatabase& db = f.t.db();
    const auto runAndKeep = [&] {
        EXPECT_EQ(f.generate().outcome, engine::RunOutcome::Done);
        return keep(db);
    };
    const QString period = "2027年3月1日—2027年3月2日";
    const rosters::KeptRoster first = runAndKeep();
    EXPECT_EQ(first.name, period);
    const rosters::KeptRoster second = runAndKeep();
    EXPECT_EQ(f.count("select count(*) from 排班存档"), 1);
    EXPECT_EQ(rosters::findRoster(db, period, nullptr), second.number);

    QString error;
    const QString named = "三月 'A' \"B\" 🏥";
    ASSERT_TRUE(rosters::renameRoster(db, second.number, named, &error)) << error.toStdString();
    EXPECT_FALSE(rosters::renameRoster(db, second.number, "  ", &error));
    EXPECT_EQ(error, msg::rosterNameEmpty);
    const rosters::KeptRoster third = runAndKeep();
    EXPECT_EQ(third.name, period);
    EXPECT_FALSE(rosters::renameRoster(db, third.number, named, &error));
    EXPECT_EQ(error, msg::rosterNameTaken.arg(named));
    QList<rosters::RosterSummary> list;
    ASSERT_TRUE(rosters::listRosters(db, &list, &error));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(rosters::findRoster(db, named, nullptr), second.number);

    ASSERT_TRUE(rosters::deleteRoster(db, second.number, &error));
    EXPECT_EQ(rosters::findRoster(db, named, nullptr), 0);
    EXPECT_EQ(
        f.count("select count(*) from 存档值班 where 存档编号 = " + QString::number(second.number)),
        0);
}

// Generated again with nothing locked, the sample gives exactly the plain run.
TEST(SavedRoster, ARegenerationWithNothingLockedIsThePlainRun) {
    test::TempDatabase t;
    t.loadSample();
    ASSERT_EQ(engine::generate(t.path).outcome, engine::RunOutcome::Done);
    const QStringList plain = runState(t);
    const rosters::KeptRoster kept = keep(t.db());

    rosters::Regeneration regeneration;
    QString error;
    ASSERT_TRUE(rosters::prepareRegeneration(t.db(), kept.number, &regeneration, &error));
    EXPECT_TRUE(regeneration.problem.isEmpty());
    EXPECT_TRUE(regeneration.extras.locked.isEmpty());
    ASSERT_EQ(engine::generate(t.path, {}, nullptr, regeneration.extras).outcome,
              engine::RunOutcome::Done);
    EXPECT_EQ(runState(t), plain);
}

// 甲乙丙 on a slot of two over two days; the plain run gives 甲乙 and 丙甲.
// By hand 丙 takes 乙's place on day 1 and the cell is locked: generated again,
// 丙 is placed first on day 1 and 甲 fills the other place (ties go by idid);
// on day 2 乙 has waited longest and 甲 wins the tie with 丙. The lock of a
// person deleted meanwhile is named and left out.
TEST(SavedRoster, ALockedPersonOnASlotOfTwoStaysAndTheRunFillsTheRest) {
    test::RunFixture f(4, 2);
    f.shift(1, "白班", "08:00", 2);
    f.t.run("update 基本信息 set 家庭住址 = '0' where 姓名 = '丁'");
    f.rule("丁", "不排在", "2027-03-01", "白班");
    f.rule("丁", "不排在", "2027-03-02", "白班");
    QSqlDatabase& db = f.t.db();
    ASSERT_EQ(f.generate().outcome, engine::RunOutcome::Done);
    ASSERT_EQ(f.roster(),
              QStringList({"2027年3月1日|白班|  甲  乙", "2027年3月2日|白班|  甲  丙"}));
    const rosters::KeptRoster kept = keep(db);
    f.t.run("update 存档值班 set 人员IDID = 3, 手改 = 1 where 日期 = '2027-03-01' and "
            "人员IDID = 2");
    QString error;
    rosters::Lock lock{0, rosters::LockKind::Cell, QDate(2027, 3, 1), 3};
    ASSERT_TRUE(rosters::setLocked(db, kept.number, lock, true, &error)) << error.toStdString();
    // A lock on 丁's row holds nothing of this roster; one on a person since
    // deleted is named before the run.
    f.t.run("insert into 存档值班 (存档编号, 日期, 班次IDID, 人员IDID, 手改) values (" +
            QString::number(kept.number) + ", '2027-03-02', 1, 4, 1)");
    ASSERT_TRUE(
        rosters::setLocked(db, kept.number, {0, rosters::LockKind::Person, {}, 4}, true, &error));
    f.t.run("delete from 基本信息 where 姓名 = '丁'");

    rosters::Regeneration regeneration;
    ASSERT_TRUE(rosters::prepareRegeneration(db, kept.number, &regeneration, &error));
    EXPECT_EQ(regeneration.leftOut, QStringList({"2027年3月2日 丁 的白班"}));
    ASSERT_EQ(regeneration.extras.locked.size(), 1);
    ASSERT_EQ(engine::generate(f.t.path, {}, nullptr, regeneration.extras).outcome,
              engine::RunOutcome::Done);
    EXPECT_EQ(f.roster(),
              QStringList({"2027年3月1日|白班|  甲  丙", "2027年3月2日|白班|  甲  乙"}));
    EXPECT_EQ(f.counters("丙"), QString("2|1|2027-03-01|1|1|1"));
    EXPECT_EQ(keep(db, kept.number).number, kept.number);
    const rosters::SavedRoster saved = load(db, kept.number);
    EXPECT_EQ(rosters::reportRows(saved).at(0).at(5), "  甲  丙");
    QList<rosters::Lock> locks;
    ASSERT_TRUE(rosters::loadLocks(db, kept.number, &locks, &error));
    EXPECT_EQ(locks.size(), 2); // kept with the roster
}

// 甲乙丙 on three days of a day shift for one, every date locked. Then 甲
// falls ill on day 1, a rule keeps 乙 off day 2 and 丙 may work no shift:
// each lock is named with what it breaks. Kept, the run places them and the
// roster's warnings show them; dropped, the run plans around the set-up and
// 甲's hand-placed shift, no longer kept, is counted as lost. The command line
// names them too, and keeps or drops them as it is told.
TEST(SavedRoster, LocksThatBreakLeaveARuleOrALimitAreNamedAndKeptOrDropped) {
    test::RunFixture f(3, 3);
    f.dayShift();
    QSqlDatabase& db = f.t.db();
    ASSERT_EQ(f.generate().outcome, engine::RunOutcome::Done);
    const QStringList plain = f.roster();
    ASSERT_EQ(plain, QStringList({"2027年3月1日|白班|  甲", "2027年3月2日|白班|  乙",
                                  "2027年3月3日|白班|  丙"}));
    const rosters::KeptRoster kept = keep(db);
    QString error;
    for (int day = 1; day <= 3; ++day)
        ASSERT_TRUE(rosters::setLocked(
            db, kept.number, {0, rosters::LockKind::Date, QDate(2027, 3, day), 0}, true, &error));
    f.t.run("update 存档值班 set 手改 = 1 where 人员IDID = 1;"
            "insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values "
            "(1, '2027-03-01', '2027-03-01', '病假');"
            "insert into 人员限制 (对象, 对象IDID, 最多班数) values ('人员', 3, 0)");
    f.rule("乙", "不排在", "2027-03-02", "白班");

    rosters::Regeneration regeneration;
    ASSERT_TRUE(rosters::prepareRegeneration(db, kept.number, &regeneration, &error));
    ASSERT_EQ(regeneration.conflicts.size(), 3);
    EXPECT_EQ(regeneration.conflicting, QList<int>({0, 1, 2}));
    const QStringList broken = {"甲 的白班：休假", "乙 的白班：被约束条件排除",
                                "丙 的白班：超出班数上限"};
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(regeneration.conflicts.at(i).contains(broken.at(i)))
            << regeneration.conflicts.at(i).toStdString();
    EXPECT_EQ(rosters::lostHandEdits(regeneration), 0);

    // Kept: the roster stays as locked, and its warnings name what it breaks.
    ASSERT_EQ(engine::generate(f.t.path, {}, nullptr, regeneration.extras).outcome,
              engine::RunOutcome::Done);
    EXPECT_EQ(f.roster(), plain);
    keep(db, kept.number);
    rosters::RosterChecker checker;
    ASSERT_TRUE(checker.load(db, &error));
    QList<rosters::WarningKind> kinds;
    for (const rosters::Warning& warning : checker.check(load(db, kept.number).sheet))
        kinds << warning.kind;
    EXPECT_EQ(kinds,
              QList<rosters::WarningKind>({rosters::WarningKind::Leave, rosters::WarningKind::Rule,
                                           rosters::WarningKind::Shifts}));

    // Dropped: nothing is held, 甲's hand edit goes, and no one breaks the set-up.
    rosters::dropConflictingLocks(&regeneration);
    EXPECT_TRUE(regeneration.extras.locked.isEmpty());
    EXPECT_EQ(rosters::lostHandEdits(regeneration), 1);
    ASSERT_EQ(engine::generate(f.t.path, {}, nullptr, regeneration.extras).outcome,
              engine::RunOutcome::Done);
    EXPECT_EQ(f.roster(), QStringList({"2027年3月1日|白班|  乙", "2027年3月2日|白班|  甲",
                                       "2027年3月3日|白班|  乙"}));

    // The command line, on the roster as kept: named and kept by default,
    // left out when asked.
    const auto cli = [&](const QStringList& options) {
        return test::runProgram(test::cliProgram(),
                                test::databaseArguments(f.t.path) +
                                    QStringList{"generate", "--keep-locks", kept.name} + options);
    };
    for (bool drop : {false, true}) {
        const test::ProcessResult run =
            cli(drop ? QStringList{"--drop-conflicting-locks"} : QStringList{});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        for (const QString& line : broken)
            EXPECT_TRUE(run.err.contains(line)) << run.err.toStdString();
        EXPECT_EQ(f.roster().at(0), drop ? "2027年3月1日|白班|  乙" : "2027年3月1日|白班|  甲");
    }
}

} // namespace

namespace {

// The saved roster that ends the day before the period counts for rest: 甲
// worked a night into 1 March 08:00 and needs 8 hours, so the 08:00 day shift
// of 1 March goes to 乙 (without it, 甲 would win the tie by idid).
TEST(SavedRoster, TheRosterBeforeThePeriodCountsForRestAcrossTheBoundary) {
    test::RunFixture f(2, 1);
    f.dayShift();
    f.t.run("insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('人员', 1, 8);"
            "insert into 排班存档 (编号, 名称, 已命名, 开始日期, 结束日期, 生成时间, 修改时间) "
            "values (7, '二月', 1, '2027-02-01', '2027-02-28', '', '');"
            "insert into 存档班次 (存档编号, 序号, 班次IDID, 班次名称, 起始时间, 次日, 终止时间, "
            "开始秒序, 结束秒序, 人数) values (7, 0, 9, '夜班', '22:00', '跨转至次日', "
            "'08:00', 1320, 1920, 1);"
            "insert into 存档值班 (存档编号, 日期, 班次IDID, 人员IDID, 手改) values "
            "(7, '2027-02-28', 9, 1, 0)");
    engine::RunExtras extras;
    QString error;
    ASSERT_TRUE(rosters::earlierShifts(f.t.db(), &extras.earlier, &error)) << error.toStdString();
    ASSERT_EQ(extras.earlier.size(), 1);
    ASSERT_EQ(engine::generate(f.t.path, {}, nullptr, extras).outcome, engine::RunOutcome::Done);
    EXPECT_EQ(f.roster(), QStringList({"2027年3月1日|白班|  乙"}));
}

} // namespace
