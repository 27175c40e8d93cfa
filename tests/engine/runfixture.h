#pragma once

#include "engine/run.h"
#include "store/datafiles.h"
#include "store/sqltext.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace korvane::test {

// A small set-up for whole generation runs, typed as rows, and what the run
// leaves behind, read back as text.
struct RunFixture {
    TempDatabase t;
    QStringList messages;
    QStringList relaxed;
    QList<double> progress;

    // peopleCount people (see people()) and dateCount dates (see dates()).
    explicit RunFixture(int peopleCount = 0, int dateCount = 0) {
        people(peopleCount);
        dates(dateCount);
    }

    // A person with the given 家庭住址 (the candidate order) and ID.
    void person(const QString& name, const QString& address, qint64 id) {
        t.run(QStringLiteral("insert into 基本信息 (ID, 姓名, 家庭住址, 所属组ID, 值班次数, "
                             "前一班序号) values (%1, %2, %3, 'zz1z', 7, 7)")
                  .arg(id)
                  .arg(sqlQuote(name), sqlQuote(address)));
    }
    // 甲, 乙, 丙, ... with 家庭住址 and ID 1, 2, 3, ...
    void people(int count) {
        for (int i = 1; i <= count; ++i)
            person(QString(QStringLiteral("甲乙丙丁戊己").at(i - 1)), QString::number(i), i);
    }
    // A shift with its own idid (ordering: 起始时间, then 结束秒序).
    void shift(qint64 idid, const QString& name, const QString& start, double headcount,
               const QString& limit = QStringLiteral("无限制"),
               const QString& distribution = QStringLiteral("全部")) {
        t.run(QStringLiteral("insert into banci (班次名称, idid, 起始时间, 次日, 终止时间, "
                             "连续次数, 最小连续天数, 分布日期, 所属组ID, 结束秒序, 人数) values "
                             "(%1, %2, %3, '不跨转', '23:00', %4, '无限制', %5, 'zz1z', 1380, %6)")
                  .arg(sqlQuote(name))
                  .arg(idid)
                  .arg(sqlQuote(start), sqlQuote(limit), sqlQuote(distribution))
                  .arg(headcount));
    }
    // 白班 (idid 1) at 08:00 for one person.
    void dayShift() { shift(1, QStringLiteral("白班"), QStringLiteral("08:00"), 1); }
    void date(const QString& day, const QString& memberships = QStringLiteral("zz1z")) {
        t.run(QStringLiteral("insert into 日期类型 (日期, 所属日期组ID) values (%1, %2)")
                  .arg(sqlQuote(day), sqlQuote(memberships)));
    }
    // 2027-03-01, 2027-03-02, ... in group 全部.
    void dates(int count) {
        for (int i = 1; i <= count; ++i)
            date(QStringLiteral("2027-03-0%1").arg(i));
    }
    void dateGroup(qint64 idid, const QString& name) {
        t.run(QStringLiteral("insert into 日期组 (日期组名称, idid) values (%1, %2)")
                  .arg(sqlQuote(name))
                  .arg(idid));
    }
    void rule(const QString& person, const QString& placement, const QString& date,
              const QString& shift) {
        t.run(
            QStringLiteral("insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) "
                           "values (%1, %2, %3, %4, 0, 0)")
                .arg(sqlQuote(person), sqlQuote(placement), sqlQuote(date), sqlQuote(shift)));
    }

    engine::RunResult generate(std::function<bool()> cancelled = {}) {
        engine::RunObserver observer;
        observer.progress = [this](double value) { progress << value; };
        observer.message = [this](const QString& text) { messages << text; };
        observer.relaxedQuery = [this](const QString& text) { relaxed << text; };
        observer.cancelled = std::move(cancelled);
        return engine::generate(t.path, observer);
    }

    // The roster as "日期|班次|值班人" lines, in stored order.
    QStringList roster() {
        return t.rows(QStringLiteral("select 日期, 班次, 值班人 from 值班报表 order by IDID"));
    }
    // One person's run counters: 班数空间|前一班序号|最近值班时间|最近班次ID|连续天数|值班次数.
    QString counters(const QString& name) {
        const QStringList found = t.rows(
            QStringLiteral("select 班数空间, 前一班序号, 最近值班时间, 最近班次ID, 连续天数, "
                           "值班次数 from 基本信息 where 姓名 = %1")
                .arg(sqlQuote(name)));
        return found.value(0);
    }
    qint64 count(const QString& sql) { return t.scalar(sql).toLongLong(); }
};

} // namespace korvane::test
