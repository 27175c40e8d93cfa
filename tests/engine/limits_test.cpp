// Limits, rest and leave in the run, and the explanation of a slot that
// cannot be filled. Hand-worked on small set-ups; without limits the run is
// the plain one.

#include "engine/run.h"
#include "runfixture.h"
#include "store/messages.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace korvane;
using engine::RunOutcome;
using test::RunFixture;

namespace {

QStringList explanation(const engine::RunResult& result) {
    return result.explanation.text();
}

// 甲乙丙 on one day shift of one person for six days: each would work two
// days; 甲's maximum of one leaves the slack to the others in turn.
TEST(RunLimits, AHalfTimersMaximumHoldsAndTheOthersTakeTheSlack) {
    RunFixture f(3, 6);
    f.dayShift();
    f.t.run("insert into 人员限制 (对象, 对象IDID, 最多班数) values ('人员', 1, 1)");
    ASSERT_EQ(f.generate().outcome, RunOutcome::Done);
    EXPECT_EQ(f.roster(), QStringList({"2027年3月1日|白班|  甲", "2027年3月2日|白班|  乙",
                                       "2027年3月3日|白班|  丙", "2027年3月4日|白班|  乙",
                                       "2027年3月5日|白班|  丙", "2027年3月6日|白班|  乙"}));
}

// Day 1: 甲 the morning (乙 may not), so 乙 the night (甲 would rest six
// hours). Day 2: 甲 may not take the morning, and 乙, off the night at 08:00,
// has no rest at all: the slot fails, and the explanation says why each
// person is out.
TEST(RunLimits, RestAfterANightRulesOutTheNextMorning) {
    RunFixture f(2, 2);
    f.t.run(
        "insert into banci (班次名称, idid, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, "
        "分布日期, 所属组ID, 结束秒序, 人数) values "
        "('早班', 1, '08:00', '不跨转', '16:00', '无限制', '无限制', '全部', 'zz1z', 960, 1),"
        "('夜班', 2, '22:00', '跨转至次日', '08:00', '无限制', '无限制', '全部', 'zz1z', 1920, 1);"
        "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('组', 1, 8)");
    f.rule("乙", "不排在", "2027-03-01", "早班");
    f.rule("甲", "不排在", "2027-03-02", "早班");
    const engine::RunResult result = f.generate();
    ASSERT_EQ(result.outcome, RunOutcome::PlanImpossible);
    EXPECT_EQ(explanation(result),
              QStringList({"2027年3月2日的早班需要 1 人，只有 0 人可排。",
                           "2 人中：休息不足 1 人，规则 2 排除 1 人",
                           "乙：距上一班（夜班）结束只有 0 小时，少于 8 小时（全部的限制）",
                           "甲：被约束条件排除（编号 2：甲 不排在 2027-03-02 的 早班）"}));
}

// A night on the last day before the period counts for the rest: 甲, first
// in line for the morning of 1 March, is off a night at 08:00 and 乙 works.
TEST(RunLimits, RestIsCountedAcrossTheStartOfThePeriod) {
    RunFixture f(2, 1);
    f.t.run("insert into banci (班次名称, idid, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, "
            "分布日期, 所属组ID, 结束秒序, 人数) values "
            "('早班', 1, '08:00', '不跨转', '16:00', '无限制', '无限制', '全部', 'zz1z', 960, 1);"
            "insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('组', 1, 8)");
    const qint64 lastDayBefore = QDate(2027, 2, 28).toJulianDay();
    engine::RunObserver observer;
    ASSERT_EQ(
        engine::generate(f.t.path, observer, nullptr, {{}, {{1, lastDayBefore, 1920, 2}}}).outcome,
        RunOutcome::Done);
    EXPECT_EQ(f.roster(), QStringList{"2027年3月1日|早班|  乙"});
    ASSERT_EQ(f.generate().outcome, RunOutcome::Done);
    EXPECT_EQ(f.roster(), QStringList{"2027年3月1日|早班|  甲"});
}

// Leave strikes the person's rows like a 不排在 rule; a slot that needs
// everyone else and one more fails, and says so.
TEST(RunLimits, LeaveOnASlotThatNeedsEveryoneFailsWithItsReason) {
    RunFixture f(3, 2);
    f.shift(1, "白班", "08:00", 3);
    f.t.run("insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values (3, '2027-03-02', "
            "'2027-03-09', '培训')");
    const engine::RunResult result = f.generate();
    ASSERT_EQ(result.outcome, RunOutcome::PlanImpossible);
    EXPECT_EQ(f.count("select count(*) from 值班底表 where 姓名IDID = 3 and 日期 = '2027-03-02' "
                      "and 是否值班 = '0'"),
              1);
    EXPECT_EQ(explanation(result), QStringList({"2027年3月2日的白班需要 3 人，只有 2 人可排。",
                                                "3 人中：休假 1 人，可排 2 人", "丙：休假（培训）",
                                                "甲：可排", "乙：可排"}));
}

// Planned in memory, the run goes on past a slot it cannot fill: 甲, the
// only one, may work one day in a row, so days 2 and 4 cannot be filled;
// the run itself stops at day 2.
TEST(RunLimits, PlannedInMemoryEverySlotThatCannotBeFilledIsNamed) {
    RunFixture f(1, 4);
    f.dayShift();
    f.t.run("insert into 人员限制 (对象, 对象IDID, 最多连续天数) values ('人员', 1, 1)");
    const auto days = [](const engine::RunResult& result) {
        QStringList named;
        for (const engine::SlotExplanation& slot : result.explanations)
            named << engine::longDate(slot.day);
        return named;
    };
    const engine::RunResult planned = engine::plan(f.t.path);
    ASSERT_EQ(planned.outcome, RunOutcome::PlanImpossible);
    EXPECT_EQ(days(planned), QStringList({"2027年3月2日", "2027年3月4日"}));
    const engine::RunResult run = f.generate();
    ASSERT_EQ(run.outcome, RunOutcome::PlanImpossible);
    EXPECT_EQ(days(run), QStringList({"2027年3月2日"}));
    EXPECT_EQ(planned.explanation.text(), run.explanation.text());
}

// Limits that never bind and leave outside the period change nothing: the
// sample gives the same flags, counters and roster as without them.
TEST(RunLimits, LimitsThatNeverBindLeaveThePlainRun) {
    const auto state = [](const QString& extra) {
        test::TempDatabase t;
        t.loadSample();
        t.run(extra);
        EXPECT_EQ(engine::generate(t.path).outcome, RunOutcome::Done);
        return t.rows("select idid, 是否值班 from 值班底表") + t.rows("select * from 基本信息") +
               t.rows("select * from 值班报表");
    };
    const QStringList plain = state(QString());
    EXPECT_EQ(
        state("insert into 人员限制 (对象, 对象IDID, 最多班数, 最多跨日班数, 最多周末班数, "
              "最多连续天数) values ('组', 1, 1000, 1000, 1000, 1000);"
              "insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values (1, '2026-01-01', "
              "'2026-01-31', '年假')"),
        plain);
}

} // namespace

namespace {

// A locked person is taken first on their slot and counts like any
// assignment: 丙 locked on day 1 of a slot of two leaves one place, which 甲
// takes (ties go by idid); on day 2, 乙 has waited longest and 甲 wins the
// tie with 丙. Unlocked, day 1 is 甲乙 and day 2 丙甲.
TEST(RunLocks, ALockedPersonIsTakenFirstAndCountsLikeAnyAssignment) {
    RunFixture f(3, 2);
    f.shift(1, "白班", "08:00", 2);
    const qint64 day1 = QDate(2027, 3, 1).toJulianDay();
    engine::RunObserver observer;
    ASSERT_EQ(engine::generate(f.t.path, observer, nullptr, {{{day1, 1, 3}}, {}}).outcome,
              RunOutcome::Done);
    EXPECT_EQ(f.roster(),
              QStringList({"2027年3月1日|白班|  甲  丙", "2027年3月2日|白班|  甲  乙"}));
    EXPECT_EQ(f.counters("丙"), QString("2|1|2027-03-01|1|1|1"));
    // A lock on a shift that is gone cannot hold.
    QString error;
    EXPECT_EQ(
        engine::locksThatCannotHold(f.t.db(), {{day1, 1, 3}, {day1, 9, 3}, {day1, 1, 99}}, &error),
        QList<int>({1, 2}));
}

} // namespace

// 夜班 is never followed by 早班 the next day. Day 1: 甲 the morning (乙 may
// not), 乙 the night; day 2 甲 may not take the morning, and 乙, off a night, is passed
// over as for a limit: the slot fails and says why. Without the succession
// 乙 takes it. A night before the period counts too: 甲, first in line for
// the morning of 1 March, worked the night of 28 February, so 乙 works.
TEST(RunLimits, AForbiddenSuccessionPassesOverThePersonAsALimitDoes) {
    RunFixture f(2, 2);
    f.shift(1, "早班", "08:00", 1);
    f.shift(2, "夜班", "22:00", 1);
    f.rule("乙", "不排在", "2027-03-01", "早班");
    f.rule("甲", "不排在", "2027-03-02", "早班");
    ASSERT_EQ(f.generate().outcome, RunOutcome::Done);
    EXPECT_EQ(f.roster(), QStringList({"2027年3月1日|早班|  甲", "2027年3月1日|夜班|  乙",
                                       "2027年3月2日|早班|  乙", "2027年3月2日|夜班|  甲"}));

    f.t.run("insert into 禁止衔接 (前班次, 前选定班次组, 后班次, 后选定班次组) values "
            "('夜班', 0, '早班', 0)");
    const engine::RunResult result = f.generate();
    ASSERT_EQ(result.outcome, RunOutcome::PlanImpossible);
    EXPECT_EQ(explanation(result),
              QStringList({"2027年3月2日的早班需要 1 人，只有 0 人可排。",
                           "2 人中：禁止衔接 1 人，规则 2 排除 1 人",
                           "乙：禁止衔接：夜班 后次日不上 早班",
                           "甲：被约束条件排除（编号 2：甲 不排在 2027-03-02 的 早班）"}));

    f.t.run("delete from 排除条件");
    engine::RunObserver observer;
    ASSERT_EQ(engine::generate(f.t.path, observer, nullptr,
                               {{}, {{1, QDate(2027, 2, 28).toJulianDay(), 1380, 2}}})
                  .outcome,
              RunOutcome::Done);
    EXPECT_EQ(f.roster().first(), "2027年3月1日|早班|  乙");
}
