#include "engine/run.h"
#include "runfixture.h"
#include "store/messages.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDate>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace korvane;
using engine::RunOutcome;
using test::RunFixture;

namespace {

// The relaxed query of shift 1 on a date, typed out as the page shows it.
QString relaxedText(const QString& date) {
    return "select * from 基本信息,值班底表,banci where 基本信息.IDID = 值班底表.姓名IDID and "
           "banci.IDID = 值班底表.班次IDID and 值班底表.是否值班 = '2' and banci.IDID = 1 and "
           "值班底表.日期 = #" +
           date + "# order by 基本信息.前一班序号,基本信息.值班次数,基本信息.班数空间 desc";
}

} // namespace

// --- Candidate rows -------------------------------------------------------

TEST(RunCandidates, OneOpenRowPerDateShiftAndPersonInTheFixedOrder) {
    RunFixture f;
    f.person("甲", "2", 1);
    f.person("乙", "1", 2);
    f.person("丙", "1", 3);
    f.shift(5, "早二", "08:00", 0.5);
    f.shift(1, "晚", "16:00", 0.5);
    f.shift(3, "早一", "08:00", 0.5);
    f.dates(1);
    const engine::RunResult result = f.generate();
    ASSERT_EQ(result.outcome, RunOutcome::Done) << result.detail.toStdString();
    EXPECT_EQ(result.candidateRows, 9);
    // Shifts by 起始时间 then idid; persons by 家庭住址 then IDID.
    EXPECT_EQ(f.t.rows("select 日期, 班次IDID, 姓名IDID, 是否值班 from 值班底表 order by idid"),
              QStringList({"2027-03-01|3|2|2", "2027-03-01|3|3|2", "2027-03-01|3|1|2",
                           "2027-03-01|5|2|2", "2027-03-01|5|3|2", "2027-03-01|5|1|2",
                           "2027-03-01|1|2|2", "2027-03-01|1|3|2", "2027-03-01|1|1|2"}));
}

TEST(RunCandidates, EqualDateGroupNamesShowTheMessageAndGoOn) {
    RunFixture f(2);
    f.dateGroup(2, "周末");
    f.dateGroup(3, "周末");
    f.date("2027-03-01", "zz3z2z1z");
    f.date("2027-03-02");
    f.dayShift();
    f.shift(2, "听班", "10:00", 1, "无限制", "周末");
    ASSERT_EQ(f.generate().outcome, RunOutcome::Done);
    // Once while the candidates are written, once while the roster is.
    EXPECT_EQ(f.messages,
              QStringList({msg::duplicateDateGroup, msg::duplicateDateGroup, msg::done}));
    EXPECT_EQ(f.count("select count(*) from 值班底表"), 6);
    EXPECT_EQ(f.roster(), QStringList({"2027年3月1日|白班|  甲", "2027年3月1日|听班|  乙",
                                       "2027年3月2日|白班|  甲"}));
}

// --- Nothing to plan --------------------------------------------------------

// No dates, no shifts, or no staff for the first shift on a date: the run ends
// before it writes anything, with the old roster gone and the counters untouched.
TEST(RunNothingToPlan, EachMissingPieceEndsTheRunEarly) {
    struct {
        int people, dates;
        bool shift;
        QString detail;
    } const cases[] = {{1, 0, true, msg::nothingNoDates},
                       {1, 1, false, msg::nothingNoShifts},
                       {0, 1, true, msg::nothingNoStaff}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.detail.toStdString());
        RunFixture f(c.people, c.dates);
        if (c.shift)
            f.dayShift();
        f.t.run("insert into 值班报表 (日期, 值班人) values ('旧', '  旧人')");
        const engine::RunResult result = f.generate();
        EXPECT_EQ(result.outcome, RunOutcome::NothingToPlan);
        EXPECT_EQ(result.detail, c.detail);
        EXPECT_TRUE(f.messages.isEmpty());
        EXPECT_EQ(f.progress, QList<double>({0, 5}));
        EXPECT_EQ(f.count("select count(*) from 值班底表"), 0);
        EXPECT_EQ(f.count("select count(*) from 值班报表"), 0);
        EXPECT_EQ(f.count("select count(*) from 基本信息 where 值班次数 <> 7"), 0);
    }
    // The staff test comes only with a shift that exists on a date.
    RunFixture f(0, 1);
    f.dateGroup(2, "空组");
    f.shift(1, "白班", "08:00", 1, "无限制", "空组");
    EXPECT_EQ(f.generate().outcome, RunOutcome::Done);
    EXPECT_EQ(f.messages, QStringList{msg::done});
    EXPECT_TRUE(f.roster().isEmpty());
}

TEST(RunFailure, CalendarValueThatIsNotADateFailsTheRun) {
    RunFixture f(1, 1);
    f.dayShift();
    f.date("下周一");
    const engine::RunResult result = f.generate();
    EXPECT_EQ(result.outcome, RunOutcome::Failed);
    EXPECT_TRUE(result.detail.contains("下周一")) << result.detail.toStdString();
    EXPECT_FALSE(f.messages.contains(msg::done));
    EXPECT_EQ(f.count("select count(*) from 值班底表"), 0);
}

// Every write of a run is checked: a person deleted by another program after
// the candidates were written ends the run as failed, never "完成！".
TEST(RunFailure, APersonDeletedDuringTheRunFailsIt) {
    RunFixture f(2, 2);
    f.dayShift();
    QString error;
    auto other = Connection::open(f.t.path, &error);
    ASSERT_TRUE(other) << error.toStdString();
    engine::RunObserver observer;
    observer.progress = [&](double value) {
        if (value == 10) // candidates written
            QSqlQuery(other->db()).exec("delete from 基本信息 where 姓名 = '乙'");
    };
    observer.message = [&](const QString& text) { f.messages << text; };
    const engine::RunResult result = engine::generate(f.t.path, observer);
    EXPECT_EQ(result.outcome, RunOutcome::Failed);
    EXPECT_TRUE(result.detail.contains(msg::rowChangedDuringRun)) << result.detail.toStdString();
    EXPECT_FALSE(f.messages.contains(msg::done));
}

// --- Slot filling ------------------------------------------------------------

// A slot takes the whole part of its headcount, but needs its full headcount
// of candidates; below one it takes nobody and names nobody.
TEST(RunAssignment, FractionalHeadcounts) {
    RunFixture f(3, 1);
    f.shift(1, "白班", "08:00", 2.5);
    f.shift(2, "零班", "09:00", 0.5);
    ASSERT_EQ(f.generate().outcome, RunOutcome::Done);
    EXPECT_EQ(f.roster(), QStringList({"2027年3月1日|白班|  甲  乙", "2027年3月1日|零班|"}));
    EXPECT_EQ(f.count("select count(*) from 值班报表 where 值班人 is null"), 1);

    RunFixture two(2, 1);
    two.shift(1, "白班", "08:00", 2.5);
    EXPECT_EQ(two.generate().outcome, RunOutcome::PlanImpossible);
    EXPECT_EQ(two.relaxed, QStringList{relaxedText("2027-03-01")});
}

TEST(RunAssignment, PeopleSharingAnIdKeepTheirOwnCounters) {
    RunFixture f;
    f.person("甲", "1", 1);
    f.person("乙", "2", 1);
    f.dates(2);
    f.dayShift();
    ASSERT_EQ(f.generate().outcome, RunOutcome::Done);
    EXPECT_EQ(f.roster(), QStringList({"2027年3月1日|白班|  甲", "2027年3月2日|白班|  乙"}));
    EXPECT_EQ(f.counters("甲"), "2|1|2027-03-01|1|1|1");
    EXPECT_EQ(f.counters("乙"), "2|2|2027-03-02|1|1|1");
}

TEST(RunRoster, ShiftColumnsAreCopiedAsStored) {
    RunFixture f(1);
    f.date("2027-12-31");
    f.dayShift();
    f.shift(2, "夜班", "20:00", 1);
    f.t.run("update banci set 次日 = '跨转至次日', 终止时间 = '08:00' where idid = 2; "
            "update banci set 次日 = null where idid = 1");
    ASSERT_EQ(f.generate().outcome, RunOutcome::Done);
    EXPECT_EQ(f.t.rows("select 日期, 班次, 开始时间, coalesce(是否跨转次日, 'null'), 结束时间, "
                       "值班人 from 值班报表 order by IDID"),
              QStringList({"2027年12月31日|白班|08:00|null|23:00|  甲",
                           "2027年12月31日|夜班|20:00|跨转至次日|08:00|  甲"}));
}

// --- Rules, progress, cancellation, foreign files --------------------------

TEST(RunRules, UnevaluableRuleIsSkippedAndNamedBeforeDone) {
    RunFixture f(1, 1);
    f.dayShift();
    f.rule("甲", "限排在", "2027-13-45", "白班");
    const engine::RunResult result = f.generate();
    ASSERT_EQ(result.outcome, RunOutcome::Done);
    const QString skipped = "编号 1：甲 限排在 2027-13-45 的 白班";
    EXPECT_EQ(result.skippedRules, QStringList{skipped});
    EXPECT_EQ(f.messages, QStringList({msg::skippedRules + '\n' + skipped, msg::done}));
    EXPECT_EQ(f.roster(), QStringList{"2027年3月1日|白班|  甲"});
}

// The bar only moves forward, from 0 to 100, a step for every date.
TEST(RunProgress, MovesForwardFromStartToEndWithAStepPerDate) {
    RunFixture f(1, 3);
    f.dayShift();
    const auto steps = [&] {
        f.progress.clear();
        EXPECT_EQ(f.generate().outcome, RunOutcome::Done);
        EXPECT_EQ(f.progress.value(0, -1), 0);
        EXPECT_EQ(f.progress.value(f.progress.size() - 1), 100);
        EXPECT_TRUE(std::is_sorted(f.progress.begin(), f.progress.end()));
        return f.progress.size();
    };
    const qsizetype threeDates = steps();
    f.date("2027-03-04");
    f.date("2027-03-05");
    EXPECT_EQ(steps(), threeDates + 2);
}

TEST(RunCancel, EarlyCancelLeavesNoCandidatesAndCountersUntouched) {
    RunFixture f(1, 2);
    f.dayShift();
    int polls = 0;
    EXPECT_EQ(f.generate([&] { return ++polls >= 2; }).outcome, RunOutcome::Cancelled);
    EXPECT_EQ(f.count("select count(*) from 值班底表"), 0);
    EXPECT_EQ(f.count("select 值班次数 from 基本信息"), 7);
    EXPECT_FALSE(f.messages.contains(msg::done));

    // Cancelled while the roster is written: no roster row.
    const auto writingRoster = [&] { return !f.progress.isEmpty() && f.progress.last() >= 85; };
    EXPECT_EQ(f.generate(writingRoster).outcome, RunOutcome::Cancelled);
    EXPECT_EQ(f.count("select count(*) from 值班报表"), 0);
    EXPECT_FALSE(f.messages.contains(msg::done));
}

// Another program's SQLite file, even one with a table of the same name, is
// neither run nor written; a missing one is not created.
TEST(RunForeignFile, RefusedAndLeftUnchanged) {
    KORVANE_FILES_ONLY("a foreign SQLite file");
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("other.mdb");
    test::runProgram("sqlite3", {path, "create table 值班底表 (x text); insert into 值班底表 "
                                       "values ('keep')"});
    const QByteArray before = test::fileBytes(path);
    ASSERT_FALSE(before.isEmpty());
    const engine::RunResult result = engine::generate(path);
    EXPECT_EQ(result.outcome, RunOutcome::NotOurFile);
    EXPECT_FALSE(result.detail.isEmpty());
    EXPECT_EQ(test::fileBytes(path), before);
    const QString missing = QDir(dir.path()).filePath("missing.mdb");
    EXPECT_EQ(engine::generate(missing).outcome, RunOutcome::NotOurFile);
    EXPECT_FALSE(QFile::exists(missing));
}

// --- The delivered sample ----------------------------------------------------

TEST(RunSample, FullRunKeepsEveryInvariant) {
    test::TempDatabase t;
    t.loadSample();
    // A file written before keeps indexes over every candidate row; the run
    // replaces them with the one over assigned rows.
    const bool file = !test::onServerStore();
    if (file)
        t.run("drop index 值班底表_值班; create index 值班底表_人员 on 值班底表(姓名IDID)");
    const engine::RunResult result = engine::generate(t.path);
    ASSERT_EQ(result.outcome, RunOutcome::Done) << result.detail.toStdString();
    const auto scalar = [&](const QString& sql) { return t.scalar(sql).toLongLong(); };
    if (file) {
        EXPECT_EQ(t.rows("select name from sqlite_master where tbl_name = '值班底表' and type = "
                         "'index'"),
                  QStringList{"值班底表_值班"});
    }
    EXPECT_EQ(scalar("select count(*) from 值班底表"), result.candidateRows);
    // Every slot holds exactly its headcount.
    EXPECT_EQ(scalar("select count(*) from (select 日期, 班次IDID, sum(case when 是否值班 = '1' "
                     "then 1 else 0 end) taken from 值班底表 group by 日期, 班次IDID) s join "
                     "banci on banci.idid = s.班次IDID where s.taken <> cast(banci.人数 as "
                     "integer)"),
              0);
    // The rules struck rows out; open capacity counts every row not struck.
    EXPECT_GT(scalar("select count(*) from 值班底表 where 是否值班 = '0'"), 0);
    EXPECT_EQ(scalar("select count(*) from 基本信息 where 班数空间 <> (select count(*) from "
                     "值班底表 where 姓名IDID = 基本信息.IDID and 是否值班 <> '0') or 值班次数 <> "
                     "(select count(*) from 值班底表 where 姓名IDID = 基本信息.IDID and "
                     "是否值班 = '1')"),
              0);
    // One roster row a slot, naming exactly the people flagged for it.
    const QStringList written = t.rows("select 日期, 班次, 值班人 from 值班报表 order by 1, 2, 3");
    EXPECT_EQ(written.size(),
              scalar("select count(*) from (select distinct 日期, 班次IDID from 值班底表) s"));
    QMap<QString, QString> bySlot; // 日期|班次 -> the names in candidate order
    for (const QString& row :
         t.rows("select 值班底表.日期, banci.idid, banci.班次名称, 基本信息.姓名 from 值班底表 "
                "join banci on banci.idid = 值班底表.班次IDID join 基本信息 on 基本信息.IDID = "
                "值班底表.姓名IDID where 是否值班 = '1' order by 值班底表.idid")) {
        const QStringList v = row.split('|');
        const QString day =
            QDate::fromString(v[0], Qt::ISODate).toString(QStringLiteral("yyyy年M月d日"));
        bySlot[day + '|' + v[1] + '|' + v[2]] += "  " + v[3];
    }
    QStringList expected;
    for (auto slot = bySlot.cbegin(); slot != bySlot.cend(); ++slot)
        expected << slot.key().section('|', 0, 0) + '|' + slot.key().section('|', 2) + '|' +
                        slot.value();
    std::sort(expected.begin(), expected.end());
    QStringList sortedWritten = written;
    std::sort(sortedWritten.begin(), sortedWritten.end());
    EXPECT_EQ(sortedWritten, expected);
}

// The run writes 值班底表 through a native function where it is sound; the
// SQL form it falls back to elsewhere writes the same rows.
TEST(RunSample, TheSqlFormOfTheFlagsWritesTheSameRows) {
    KORVANE_FILES_ONLY("SQLite's own flag function against its SQL form");
    const auto rows = [](bool native) {
        engine::setNativeFlagFunction(native);
        test::TempDatabase t;
        t.loadSample();
        EXPECT_EQ(engine::generate(t.path).outcome, RunOutcome::Done);
        return t.rows("select * from 值班底表 order by idid");
    };
    const QStringList sqlForm = rows(false);
    const QStringList native = rows(true);
    EXPECT_FALSE(native.isEmpty());
    EXPECT_EQ(sqlForm, native);
}
