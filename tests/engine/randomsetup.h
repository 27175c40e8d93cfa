#pragma once

// Random set-ups of staff, groups, dates, shifts and rules, drawn from small
// pools of awkward names: for the tests that compare two ways of doing one
// thing on many set-ups.

#include "engine/rules.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>

#include <array>
#include <random>

namespace korvane::test {

using engine::Rule;

// Names drawn for the set-ups: duplicates, quotes, a '#', a '&', a person named
// like a group, an empty name, 全部 as an ordinary name.
inline const QStringList personPool = {"张三", "李四",         "王五", "O'Neil", "赵 六",
                                       "内科", "x' or '1'='1", "",     "全部"};
inline const QStringList staffGroupPool = {"内科", "外科", "A'组", "内科", "全部", "夜#班组"};
inline const QStringList dateGroupPool = {"周末", "节'日", "周末", "夜#间", "全部"};
inline const QStringList shiftPool = {"白班", "夜班", "O'班", "白班", "a&b", "#1#"};
inline const QStringList shiftGroupPool = {"白天", "夜'间", "白天", "全部"};
inline const QDate periodStart(2027, 1, 30);
inline const QString outsideDate = QStringLiteral("2027-03-01");

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

inline void exec(QSqlDatabase& db, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery query(db);
    ASSERT_TRUE(query.prepare(sql)) << sql.toStdString();
    for (const QVariant& value : values)
        query.addBindValue(value);
    ASSERT_TRUE(query.exec()) << sql.toStdString() << ": "
                              << query.lastError().text().toStdString();
}

inline QList<qint64> ids(TempDatabase& t, const QString& sql) {
    QList<qint64> result;
    for (const QString& row : t.rows(sql))
        result << row.toLongLong();
    return result;
}

// A membership string of a random subset of the ids, in random order; now and
// then "zz" (member of nothing) or NULL.
inline QVariant randomMembership(Random& random, const QList<qint64>& ids) {
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

inline Ward buildSetUp(TempDatabase& t, Random& random) {
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

inline QString randomSingleDate(Random& random, const Ward& s) {
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

inline Rule randomRule(Random& random, const Ward& s) {
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

} // namespace korvane::test
