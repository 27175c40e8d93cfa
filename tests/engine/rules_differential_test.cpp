// The run's rule step against the rule's own query: on many random set-ups,
// every rule must strike exactly the candidate rows of the run's table that
// the rule's query (run through the dialect) returns from 值班底表.

#include "engine/rules.h"
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

namespace {

// Names drawn for the set-ups: duplicates, quotes, a '#', a '&', a person named
// like a group, an empty name, 全部 as an ordinary name.
const QStringList personPool = {"张三", "李四",         "王五", "O'Neil", "赵 六",
                                "内科", "x' or '1'='1", "",     "全部"};
const QStringList staffGroupPool = {"内科", "外科", "A'组", "内科", "全部", "夜#班组"};
const QStringList dateGroupPool = {"周末", "节'日", "周末", "夜#间", "全部"};
const QStringList shiftPool = {"白班", "夜班", "O'班", "白班", "a&b", "#1#"};
const QStringList shiftGroupPool = {"白天", "夜'间", "白天", "全部"};
const QDate periodStart(2027, 1, 30);
const QString outsideDate = QStringLiteral("2027-03-01");

class Random {
public:
    explicit Random(unsigned seed) : engine(seed) {}
    int below(int n) { return int(engine() % unsigned(n)); }
    bool chance(int percent) { return below(100) < percent; }
    const QString& pick(const QStringList& list) { return list[below(int(list.size()))]; }

private:
    std::mt19937 engine;
};

struct Ward {
    QStringList persons, staffGroups, dates, dateGroups, shifts, shiftGroups;
};

void exec(QSqlDatabase& db, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery query(db);
    ASSERT_TRUE(query.prepare(sql)) << sql.toStdString();
    for (const QVariant& value : values)
        query.addBindValue(value);
    ASSERT_TRUE(query.exec()) << sql.toStdString() << ": "
                              << query.lastError().text().toStdString();
}

QList<qint64> ids(test::TempDatabase& t, const QString& sql) {
    QList<qint64> result;
    for (const QString& row : t.rows(sql))
        result << row.toLongLong();
    return result;
}

// A membership string of a random subset of the ids, in random order; now and
// then "zz" (member of nothing) or NULL.
QVariant randomMembership(Random& random, const QList<qint64>& ids) {
    if (random.chance(5))
        return QVariant(QMetaType::fromType<QString>());
    if (random.chance(10))
        return QStringLiteral("zz");
    QString membership = QStringLiteral("zz");
    for (qint64 id : ids)
        if (random.chance(id == 1 ? 85 : 45))
            membership.insert(2, QString::number(id) + QLatin1Char('z'));
    return membership;
}

Ward buildSetUp(test::TempDatabase& t, Random& random) {
    Ward s;
    t.run("delete from 基本信息; delete from banci; delete from 日期类型; delete from 值班底表; "
          "delete from 值班人员组; delete from 日期组; delete from 班次组; delete from 排除条件; "
          "insert into 值班人员组 values ('全部', 1); insert into 日期组 values ('全部', 1); "
          "insert into 班次组 values ('全部', 1)");
    struct GroupTable {
        const char* table;
        const QStringList& pool;
        QStringList& names;
        QList<qint64> ids;
    };
    std::array<GroupTable, 3> groups{{{"值班人员组", staffGroupPool, s.staffGroups, {}},
                                      {"日期组", dateGroupPool, s.dateGroups, {}},
                                      {"班次组", shiftGroupPool, s.shiftGroups, {}}}};
    for (GroupTable& group : groups) {
        const QString table = QString::fromUtf8(group.table);
        group.names << QStringLiteral("全部");
        for (int i = 0, count = random.below(4); i < count; ++i) {
            group.names << random.pick(group.pool);
            exec(t.db(), QStringLiteral("insert into %1 (%1名称) values (?)").arg(table),
                 {group.names.last()});
        }
        group.ids = ids(t, "select idid from " + table);
    }

    for (int i = 0, count = 2 + random.below(5); i < count; ++i) {
        s.persons << random.pick(personPool);
        exec(t.db(), "insert into 基本信息 (ID, 姓名, 所属组ID, 家庭住址) values (?, ?, ?, '0')",
             {i + 1, s.persons.last(), randomMembership(random, groups[0].ids)});
    }
    for (int i = 0, count = 2 + random.below(4); i < count; ++i) {
        s.dates << periodStart.addDays(i).toString(QStringLiteral("yyyy-MM-dd"));
        exec(t.db(), "insert into 日期类型 (日期, 所属日期组ID) values (?, ?)",
             {s.dates.last(), randomMembership(random, groups[1].ids)});
    }
    for (int i = 0, count = 1 + random.below(4); i < count; ++i) {
        s.shifts << random.pick(shiftPool);
        exec(t.db(),
             "insert into banci (班次名称, 起始时间, 结束秒序, 分布日期, 所属组ID, 人数) values "
             "(?, '08:00', 960, '全部', ?, 1)",
             {s.shifts.last(), randomMembership(random, groups[2].ids)});
    }
    // Every date x shift x person, then rows the joins cannot reach: a date
    // outside the period, a deleted shift and a deleted person.
    const QString insert = "insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) ";
    t.run(insert +
          "select 日期类型.日期, banci.idid, 基本信息.IDID, '2' from 日期类型, banci, "
          "基本信息;" +
          insert + "select '" + outsideDate +
          "', min(banci.idid), min(基本信息.IDID), '2' from banci, 基本信息;" + insert +
          "select min(日期), 999, min(基本信息.IDID), '2' from 日期类型, 基本信息;" + insert +
          "select min(日期), min(banci.idid), 999, '2' from 日期类型, banci");
    // Now and then a group table without any row at all.
    if (random.chance(5))
        t.run("delete from 日期组");
    if (random.chance(5))
        t.run("delete from 班次组");
    if (random.chance(3))
        t.run("delete from 值班人员组");
    return s;
}

QString randomSingleDate(Random& random, const Ward& s) {
    const int kind = random.below(100);
    if (kind < 55)
        return random.pick(s.dates);
    const QDate date = QDate::fromString(random.pick(s.dates), QStringLiteral("yyyy-MM-dd"));
    if (kind < 65)
        return date.toString(QStringLiteral("yyyy-M-d"));
    if (kind < 70)
        return date.toString(QStringLiteral("yyyy/M/d"));
    if (kind < 82)
        return outsideDate;
    static const QStringList bad = {"周末", "2027-02-30", "", "2027-01-31#or#2027-02-01"};
    return random.pick(bad);
}

Rule randomRule(Random& random, const Ward& s) {
    Rule rule;
    const int who = random.below(100);
    rule.person = who < 50   ? random.pick(s.persons)
                  : who < 75 ? random.pick(s.staffGroups)
                             : random.pick(personPool);
    const int placement = random.below(100);
    static const QStringList otherPlacements = {"", "排在", "不排在 "};
    rule.placement = placement < 45   ? engine::notOn
                     : placement < 92 ? engine::onlyOn
                                      : random.pick(otherPlacements);
    rule.dateIsGroup = random.chance(50);
    if (rule.dateIsGroup)
        rule.date = random.chance(75)   ? random.pick(s.dateGroups)
                    : random.chance(50) ? random.pick(dateGroupPool)
                                        : QStringLiteral("无此组");
    else
        rule.date = randomSingleDate(random, s);
    rule.shiftIsGroup = random.chance(50);
    const QStringList& names = rule.shiftIsGroup ? s.shiftGroups : s.shifts;
    const QStringList& pool = rule.shiftIsGroup ? shiftGroupPool : shiftPool;
    rule.shift = random.chance(75)   ? random.pick(names)
                 : random.chance(50) ? random.pick(pool)
                                     : QStringLiteral("无此班");
    // A rule read from a row with NULL in a column carries a null text.
    for (QString* text : {&rule.person, &rule.date, &rule.shift})
        if (random.chance(3))
            *text = QString();
    return rule;
}

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
