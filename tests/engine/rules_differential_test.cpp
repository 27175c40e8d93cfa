// The run's rule step against the rule's own query: on many random set-ups,
// every rule must strike exactly the candidate rows of the run's table that
// the rule's query (run through the dialect) returns from 值班底表.

#include "engine/rules.h"
#include "randomsetup.h"
#include "store/dialect.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>

#include <array>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <tuple>

using namespace korvane;
using engine::Rule;
using namespace korvane::test;

namespace {

// A candidate row as the rule's query sees it: 日期, 班次IDID, 姓名IDID.
using RowKey = std::tuple<QString, qint64, qint64>;

TEST(RuleDifferential, RegionStrikeEqualsTheRuleQuery) {
    test::TempDatabase t;
    if (!test::onServerStore())
        t.run("PRAGMA synchronous = OFF"); // a scratch file: no need to wait for the disk
    // The rules' queries take the server far longer than SQLite: fewer set-ups there.
    const int setUps = test::onServerStore() ? 15 : 150;
    constexpr int rulesPerSetUp = 16;
    int compared = 0, refused = 0, nonEmpty = 0, wholePerson = 0;
    std::array<int, 8> nonEmptyByShape{};
    for (int seed = 1; seed <= setUps; ++seed) {
        Random random{unsigned(seed)};
        // One transaction per set-up keeps the many small writes together.
        ASSERT_TRUE(t.db().transaction());
        const Ward s = buildSetUp(t, random);
        if (HasFatalFailure())
            return;
        // The run's table, and the key of every row of 值班底表 (including
        // rows the run never writes: a date, shift or person that is gone).
        engine::PlanningData data;
        QString error;
        ASSERT_TRUE(data.load(t.db(), &error)) << error.toStdString();
        engine::CandidateTable table;
        ASSERT_TRUE(engine::buildCandidateTable(data, &table));
        std::vector<RowKey> tableKeys(table.flags.size());
        for (const engine::CandidateSlot& slot : table.slotList)
            for (int p = 0; p < table.people(); ++p)
                tableKeys[size_t(slot.firstRow + p)] = {data.calendar[slot.calendarRow].text,
                                                        slot.shift, data.staff[p].idid};
        const std::set<RowKey> universe(tableKeys.begin(), tableKeys.end());
        std::map<qint64, RowKey> keyOfIdid;
        for (const QString& row : t.rows("select idid, 日期, 班次IDID, 姓名IDID from 值班底表")) {
            const QStringList v = row.split('|');
            keyOfIdid[v[0].toLongLong()] = {v[1], v[2].toLongLong(), v[3].toLongLong()};
        }
        for (int i = 0; i < rulesPerSetUp; ++i) {
            const Rule rule = randomRule(random, s);
            SCOPED_TRACE(QStringLiteral("seed %1 rule [%2|%3|%4|%5|dateGroup=%6|shiftGroup=%7]")
                             .arg(seed)
                             .arg(rule.person, rule.placement, rule.date, rule.shift)
                             .arg(rule.dateIsGroup)
                             .arg(rule.shiftIsGroup)
                             .toStdString());
            std::fill(table.flags.begin(), table.flags.end(), engine::flagOpen);

            std::set<RowKey> expected;
            const QString literal = engine::ruleQuery(rule);
            bool evaluable = true;
            if (!literal.isEmpty()) {
                // A server gives up the whole transaction at a failed
                // statement: only the query's own part goes.
                QSqlQuery query(t.db());
                ASSERT_TRUE(query.exec("savepoint rule_query"));
                evaluable = dialect::exec(query, literal);
                while (evaluable && query.next()) {
                    const RowKey key = keyOfIdid.at(query.value(0).toLongLong());
                    if (universe.count(key))
                        expected.insert(key);
                }
                ASSERT_TRUE(
                    query.exec(evaluable ? "release rule_query" : "rollback to rule_query"));
            }
            // A single date with '#' in it would rewrite the rule's query; the
            // rule step refuses such a date instead of running what it makes.
            const bool injected =
                !literal.isEmpty() && !rule.dateIsGroup && rule.date.contains(QLatin1Char('#'));

            engine::RuleRegion region;
            const engine::RuleApplied applied =
                engine::readRuleRegion(t.db(), rule, &region, &error);
            engine::strikeRegion(region, data, table);
            std::set<RowKey> struck;
            for (size_t row = 0; row < table.flags.size(); ++row)
                if (table.flags[row] == engine::flagStruck)
                    struck.insert(tableKeys[row]);
            if (!evaluable || injected) {
                EXPECT_EQ(applied, engine::RuleApplied::Unevaluable)
                    << "the rule's query cannot be evaluated";
                EXPECT_FALSE(error.isEmpty());
                EXPECT_TRUE(struck.empty()) << "a refused rule changes nothing";
                ++refused;
                continue;
            }
            ASSERT_EQ(applied, engine::RuleApplied::Applied) << error.toStdString();
            EXPECT_EQ(struck, expected);
            ++compared;
            if (!expected.empty()) {
                ++nonEmpty;
                ++nonEmptyByShape[(rule.dateIsGroup ? 0 : 4) +
                                  (rule.placement == engine::onlyOn ? 2 : 0) +
                                  (rule.shiftIsGroup ? 0 : 1)];
            }
            if (expected.size() > 4)
                ++wholePerson;
        }
        ASSERT_TRUE(t.db().commit());
    }
    // The random set-ups must actually exercise every shape and the refusals.
    EXPECT_GT(refused, setUps / 3);
    EXPECT_GT(nonEmpty, compared / 4);
    EXPECT_GT(wholePerson, setUps / 3);
    for (int shape = 0; shape < 8; ++shape)
        EXPECT_GT(nonEmptyByShape[shape], setUps / 15) << "shape " << shape;
    std::cout << "compared " << compared << " rules on " << setUps << " set-ups (" << nonEmpty
              << " of them striking rows), " << refused << " refused\n";
}

} // namespace
