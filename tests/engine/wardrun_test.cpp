// A run on a ward of a server gives the same flags, counters and roster as
// the same set-up in a file: on the sample and on random variations of it.

#include "engine/run.h"
#include "randomsetup.h"
#include "store/datafiles.h"
#include "store/messages.h"
#include "store/server.h"
#include "support/servercluster.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>

#include <random>

using namespace korvane;

namespace {

// What a run leaves: every candidate row with its flag, each person's
// counters, the roster.
const QStringList kResults = {
    QStringLiteral("select idid, 日期, 班次IDID, 姓名IDID, 是否值班 from 值班底表 order by idid"),
    QStringLiteral("select IDID, 班数空间, 前一班序号, 最近值班时间, 最近班次ID, 连续天数, "
                   "距离向量, 值班次数 from 基本信息 order by IDID"),
    QStringLiteral("select 日期, 班次, 开始时间, 是否跨转次日, 结束时间, 值班人 from 值班报表 "
                   "order by IDID"),
};

QStringList resultsOf(const QString& database) {
    FileCheck problem;
    auto connection = Connection::openChecked(database, &problem, Connection::Access::ReadOnly);
    EXPECT_TRUE(connection) << problem.reason.toStdString();
    QStringList all;
    for (const QString& sql : kResults)
        if (connection)
            all << test::rowsOf(connection->db(), sql);
    return all;
}

// A variation of the sample: people leave, headcounts and limits change,
// people are barred from dates.
void vary(test::TempDatabase& t, unsigned seed) {
    std::mt19937 random(seed);
    const QStringList people = t.rows(QStringLiteral("select IDID from 基本信息"));
    for (const QString& person : people)
        if (random() % 6 == 0)
            t.run(QStringLiteral("delete from 基本信息 where IDID = %1").arg(person));
    const QStringList shifts = t.rows(QStringLiteral("select idid from banci"));
    for (const QString& shift : shifts)
        t.run(QStringLiteral("update banci set 人数 = %1 where idid = %2")
                  .arg(1 + random() % 3)
                  .arg(shift));
    const QStringList names = t.rows(QStringLiteral("select 姓名 from 基本信息"));
    const QStringList dates = t.rows(QStringLiteral("select 日期 from 日期类型"));
    for (int i = 0; i < 4 && !names.isEmpty() && !dates.isEmpty(); ++i)
        t.run(
            QStringLiteral("insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) "
                           "values ('%1', '不排在', '%2', '全部', 0, 1)")
                .arg(names.at(int(random() % names.size())),
                     dates.at(int(random() % dates.size()))));
}

TEST(WardRun, GivesWhatTheFileGives) {
    KORVANE_NEED_SERVER(cluster);
    for (unsigned seed = 0; seed < 4; ++seed) {
        SCOPED_TRACE(seed);
        test::TempDatabase t;
        t.loadSample();
        if (seed > 0)
            vary(t, seed);
        t.connection.reset();
        const QString ward = server::location(cluster->url(), QStringLiteral("对照 病区"));
        const files::CommandResult filled = server::fillWard(ward, t.path, true);
        ASSERT_TRUE(filled.ok) << filled.message.toStdString();
        const engine::RunResult inFile = engine::generate(t.path);
        const engine::RunResult onServer = engine::generate(ward);
        EXPECT_EQ(onServer.outcome, inFile.outcome) << onServer.detail.toStdString();
        EXPECT_EQ(onServer.detail, inFile.detail);
        const QStringList expected = resultsOf(t.path);
        EXPECT_GT(expected.size(), 100);
        EXPECT_EQ(resultsOf(ward), expected);
        // The rows' key, set aside while they were written, is back.
        EXPECT_TRUE(cluster->execute({QStringLiteral(
            "DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_constraint WHERE conrelid = "
            "to_regclass('\"对照 病区\".值班底表') AND contype = 'p') THEN RAISE 'no key'; "
            "END IF; END $$")}));
    }
}

// What a run says and leaves, on a file or a ward.
QStringList runOn(const QString& database) {
    QStringList said;
    engine::RunObserver observer;
    observer.message = [&](const QString& text) { said << text; };
    const engine::RunResult result = engine::generate(database, observer);
    said << QString::number(int(result.outcome)) << result.detail;
    return said + resultsOf(database);
}

} // namespace

// Random set-ups with awkward names and rules (see randomsetup.h), slots of
// one or two: the same messages, flags, counters and roster on a ward.
TEST(WardRun, RandomSetUpsGiveWhatTheFileGives) {
    KORVANE_NEED_SERVER(cluster);
    int done = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        test::TempDatabase t;
        test::Random random(seed);
        ASSERT_TRUE(t.db().transaction());
        const test::Ward setUp = test::buildSetUp(t, random);
        for (int i = 0; i < 6; ++i) {
            const engine::Rule rule = test::randomRule(random, setUp);
            test::exec(t.db(),
                       "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) "
                       "values (?, ?, ?, ?, ?, ?)",
                       {rule.person, rule.placement, rule.date, rule.shift, int(rule.dateIsGroup),
                        int(rule.shiftIsGroup)});
        }
        for (const QString& shift : t.rows("select idid from banci"))
            t.run(QStringLiteral("update banci set 人数 = %1 where idid = %2")
                      .arg(1 + random.below(2))
                      .arg(shift));
        ASSERT_TRUE(t.db().commit());
        t.connection.reset();
        const QString ward = server::location(cluster->url(), QStringLiteral("随机 %1").arg(seed));
        const files::CommandResult filled = server::fillWard(ward, t.path, true);
        ASSERT_TRUE(filled.ok) << filled.message.toStdString();
        const QStringList inFile = runOn(t.path);
        EXPECT_EQ(runOn(ward), inFile);
        done += inFile.contains(msg::done);
    }
    // Some set-ups are carried out, others end before.
    EXPECT_GT(done, 2);
    EXPECT_LT(done, 12);
}

// The server's connection is cut while the candidate rows stream in, and once
// the rows are written, before the roster: the run says so, and its rows and
// counters are not kept.
TEST(WardRun, ACutConnectionRollsTheRunBack) {
    KORVANE_NEED_SERVER(cluster);
    const QString ward = server::location(cluster->url(), QStringLiteral("断线病区"));
    ASSERT_TRUE(server::fillWard(ward, files::samplePath(), true).ok);
    const QStringList before = resultsOf(ward);
    for (const double cutAt : {5.0, 85.0}) {
        engine::RunObserver observer;
        bool cut = false;
        observer.progress = [&](double value) {
            if (value >= cutAt && !cut)
                cut = cluster->execute(
                    {QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                                    "datname = 'korvane' AND pid <> pg_backend_pid()")});
        };
        const engine::RunResult result = engine::generate(ward, observer);
        ASSERT_TRUE(cut) << cutAt;
        EXPECT_EQ(result.outcome, engine::RunOutcome::Unavailable) << cutAt;
        EXPECT_TRUE(
            result.detail.startsWith(msg::connectionLost.section(QStringLiteral("（"), 0, 0)))
            << cutAt << result.detail.toStdString();
        EXPECT_EQ(resultsOf(ward), before) << cutAt;
    }
}
