// The in-memory slot filling against the step-by-step procedure it stands
// for: one query per slot on the database, each assignment written before the
// next query. Both must leave the same flags and counters, ties included.

#include "engine/assignment.h"
#include "engine/run.h"
#include "runfixture.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace korvane;

namespace {

class Reference {
public:
    explicit Reference(QSqlDatabase& db) : m_db(db) {}

    QString error;

    // The rows of a statement with its values bound; records the first failure.
    QList<QVariantList> select(const QString& sql, const QVariantList& values = {}) {
        QList<QVariantList> rows;
        QSqlQuery query(m_db);
        QString why;
        if (!execBound(query, sql, values, &why)) {
            if (error.isEmpty())
                error = sql + QStringLiteral(": ") + why;
            return rows;
        }
        while (query.next()) {
            rows.append(QVariantList());
            for (int i = 0; i < query.record().count(); ++i)
                rows.last() << query.value(i);
        }
        return rows;
    }

    // Capacity count, counter reset and slot filling, query by query.
    // False when a slot cannot be filled.
    bool fillSlots() {
        select("update 基本信息 set 班数空间 = (select count(*) from 值班底表 where 姓名IDID = "
               "基本信息.IDID and 是否值班 = '2')");
        select("update 基本信息 set 最近值班时间 = '1901-01-01', 最近班次ID = 0, 连续天数 = 0, "
               "距离向量 = 1e16, 值班次数 = 0, 前一班序号 = 0");
        const auto dates = select("select 日期 from 日期类型 order by 日期, rowid");
        const auto shifts =
            select("select idid, 连续次数, 人数 from banci order by 起始时间, 结束秒序, idid");
        const QString base =
            "select 值班底表.idid, 基本信息.IDID from 基本信息, 值班底表, banci where "
            "基本信息.IDID = 值班底表.姓名IDID and banci.idid = 值班底表.班次IDID and "
            "值班底表.是否值班 = '2' %1 and banci.idid = ? and 值班底表.日期 = ? order by "
            "基本信息.前一班序号, 基本信息.值班次数, 基本信息.班数空间 desc, 值班底表.idid";
        qint64 sequence = 1;
        for (const QVariantList& date : dates) {
            const QString d = date.at(0).toString();
            const QString yesterday =
                QDate::fromString(d, Qt::ISODate).addDays(-1).toString(Qt::ISODate);
            for (const QVariantList& shift : shifts) {
                const qint64 s = shift.at(0).toLongLong();
                const double headcount = shift.at(2).toDouble();
                if (select("select count(*) from 值班底表 where 班次IDID = ? and 日期 = ?", {s, d})
                        .value(0)
                        .value(0)
                        .toLongLong() == 0) {
                    ++sequence;
                    continue;
                }
                const int limit = engine::consecutiveLimit(shift.at(1).toString());
                auto rows =
                    select(base.arg("and not (基本信息.连续天数 >= ? and "
                                    "基本信息.最近班次ID = ? and 基本信息.最近值班时间 = ?)"),
                           {limit, s, yesterday, s, d});
                if (double(rows.size()) < headcount) {
                    rows = select(base.arg(QString()), {s, d});
                    if (double(rows.size()) < headcount)
                        return false;
                }
                for (int i = 1; i <= headcount && i <= rows.size(); ++i) {
                    select("update 值班底表 set 是否值班 = '1' where idid = ?",
                           {rows.at(i - 1).at(0)});
                    select("update 基本信息 set 前一班序号 = ?, 最近值班时间 = ?, 值班次数 = "
                           "值班次数 + 1, 连续天数 = case when 最近班次ID = ? then 连续天数 + 1 "
                           "else 1 end, 最近班次ID = ? where IDID = ?",
                           {sequence, d, s, s, rows.at(i - 1).at(1)});
                }
                ++sequence;
            }
        }
        return true;
    }

private:
    QSqlDatabase& m_db;
};

QStringList state(test::TempDatabase& t) {
    return t.rows("select idid, 是否值班 from 值班底表 order by idid") +
           t.rows(
               "select IDID, 班数空间, 前一班序号, 最近值班时间, 最近班次ID, 连续天数, 距离向量, "
               "值班次数 from 基本信息 order by IDID");
}

// Runs the engine on a copy of the sample changed by tweak, then replays the
// slot filling query by query on the rows the rules left, and compares.
void compareOnSample(const QString& tweak, engine::RunOutcome expected) {
    test::TempDatabase t;
    t.loadSample();
    Reference reference(t.db());
    for (const QString& statement : tweak.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        reference.select(statement);
    ASSERT_TRUE(reference.error.isEmpty()) << reference.error.toStdString();
    const engine::RunResult result = engine::generate(t.path);
    ASSERT_EQ(result.outcome, expected) << result.detail.toStdString();

    const QStringList engineState = state(t);
    // Back to the rows as the rules left them: every '1' was a '2'.
    reference.select("update 值班底表 set 是否值班 = '2' where 是否值班 = '1'");
    reference.select("update 基本信息 set 班数空间 = -1, 值班次数 = -1");
    ASSERT_TRUE(reference.error.isEmpty()) << reference.error.toStdString();
    ASSERT_TRUE(t.db().transaction());
    EXPECT_EQ(reference.fillSlots(), expected == engine::RunOutcome::Done);
    ASSERT_TRUE(t.db().commit());
    EXPECT_TRUE(reference.error.isEmpty()) << reference.error.toStdString();
    const QStringList referenceState = state(t);
    ASSERT_EQ(engineState.size(), referenceState.size());
    int differences = 0;
    for (int i = 0; i < engineState.size(); ++i)
        if (engineState.at(i) != referenceState.at(i) && ++differences <= 5)
            ADD_FAILURE() << "engine " << engineState.at(i).toStdString() << " reference "
                          << referenceState.at(i).toStdString();
    EXPECT_EQ(differences, 0);
}

} // namespace

TEST(ReferenceProcedure, SampleAsDelivered) {
    compareOnSample(QString(), engine::RunOutcome::Done);
}

TEST(ReferenceProcedure, TightLimitsAndLargerHeadcountsForceRelaxations) {
    // Every person the same address (ties by IDID), limit 1 on every shift,
    // bigger slots: most days need the relaxation.
    compareOnSample(
        "update banci set 连续次数 = '1'; update banci set 人数 = 人数 + 2 where 人数 < "
        "3; update 基本信息 set 家庭住址 = '0'",
        engine::RunOutcome::Done);
}

TEST(ReferenceProcedure, FailingSlotLeavesTheSameStateBehind) {
    // A shift late in the day that needs more people than there are.
    compareOnSample("update banci set 人数 = 40 where idid = (select idid from banci order by "
                    "起始时间 desc limit 1)",
                    engine::RunOutcome::PlanImpossible);
}
