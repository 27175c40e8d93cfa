// The delivered hospital sample as the build writes it beside the programs:
// a full, consistent set-up that a planner can generate from at once (the
// run on it is checked in the engine's tests).

#include "store/connection.h"
#include "store/datafiles.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>

using namespace korvane;

namespace {

QString firstValue(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
    return query.next() ? query.value(0).toString() : QString();
}

// The idid of a date group, as text for instr().
QString dateGroup(const char* name) {
    return QStringLiteral("'z' || (select idid from 日期组 where 日期组名称 = '%1') || 'z'")
        .arg(QString::fromUtf8(name));
}

} // namespace

TEST(DeliveredSample, IsAFullConsistentSetUp) {
    QString error;
    auto connection = Connection::open(files::samplePath(), &error, Connection::Access::ReadOnly);
    ASSERT_TRUE(connection) << error.toStdString();
    QSqlDatabase& db = connection->db();

    // Each query counts what is wrong.
    const QString minutes = "(substr(%1, 1, 2) * 60 + substr(%1, 4, 2))";
    const QString weekend = "(strftime('%w', 日期) in ('0', '6'))";
    const struct {
        const char* what;
        QString sql;
    } checks[] = {
        {"empty working tables", "select (select count(*) from 值班底表) + (select count(*) from "
                                 "值班报表) + (select count(*) from 班数限制)"},
        {"people numbered 1..n, named once, described, as the staff editor adds them",
         "select count(*) from 基本信息 a where ID <> (select count(*) from 基本信息 b where b.ID "
         "<= a.ID) or trim(coalesce(姓名, '')) = '' or coalesce(年龄, '') = '' or coalesce(性别, "
         "'') = '' or coalesce(职称, '') = '' or 家庭住址 is not '0' or instr(所属组ID, 'z1z') = 0 "
         "or 姓名 in (select 姓名 from 基本信息 group by 姓名 having count(*) > 1)"},
        {"staff groups without members", "select count(*) from 值班人员组 g where not exists "
                                         "(select * from 基本信息 where instr(所属组ID, 'z' || "
                                         "g.idid || 'z') > 0)"},
        {"dates not one a day in stored order",
         "select count(*) from 日期类型 a where 日期 is not date((select min(日期) from 日期类型), "
         "'+' || (select count(*) from 日期类型 b where b.rowid < a.rowid) || ' days')"},
        {"dates in the wrong weekday group",
         "select (select count(*) from 日期组 where 日期组名称 in ('周末', '工作日')) <> 2 or "
         "(select count(*) from 日期类型 where " +
             weekend + " <> (instr(所属日期组ID, " + dateGroup("周末") + ") > 0) or " + weekend +
             " = (instr(所属日期组ID, " + dateGroup("工作日") +
             ") > 0) or instr(所属日期组ID, 'z1z') = 0)"},
        {"shifts whose minutes, limits or headcounts are wrong",
         "select count(*) from banci where time(起始时间) is null or time(终止时间) is null or "
         "开始秒序 is not " +
             minutes.arg("起始时间") + " or 结束秒序 is not " + minutes.arg("终止时间") +
             " + case 次日 when '跨转至次日' then 1440 when '不跨转' then 0 end or 结束秒序 <= "
             "开始秒序 or 连续次数 is not (select 连续次数 from banci limit 1) or 连续次数 glob "
             "'*[^0-9]*' or 连续次数 < 1 or 最小连续天数 is not '无限制' or 班次级别 <> 0 or 人数 "
             "< 1 or 人数 <> cast(人数 as integer) or not exists (select * from 日期类型 d where "
             "banci.分布日期 = '全部' or instr(d.所属日期组ID, 'z' || (select idid from 日期组 "
             "where 日期组名称 = banci.分布日期) || 'z') > 0)"},
        {"rules naming what does not exist or with the wrong flags",
         "select count(*) from 排除条件 where 排在 not in ('不排在', '限排在') or (人员 not in "
         "(select 姓名 from 基本信息) and 人员 not in (select 值班人员组名称 from 值班人员组)) or "
         "选定日期组 <> (日期 in (select 日期组名称 from 日期组)) or (选定日期组 = 0 and 日期 not "
         "in (select 日期 from 日期类型)) or 选定班次组 <> (班次 in (select 班次组名称 from "
         "班次组)) "
         "or (选定班次组 = 0 and 班次 not in (select 班次名称 from banci))"},
        {"wishes or targets of no one, or wishes outside the period",
         "select (select count(*) from 排班意愿 where 人员IDID not in (select IDID from 基本信息) "
         "or 开始日期 < (select min(日期) from 日期类型) or 结束日期 > (select max(日期) from "
         "日期类型) or 结束日期 < 开始日期) + (select count(*) from 排班目标 where 对象IDID not in "
         "(select case 对象 when '组' then idid end from 值班人员组 union select case 对象 when "
         "'人员' then IDID end from 基本信息)) + (select count(*) = 0 from 排班意愿)"},
        {"a kind of setting the sample does not show",
         "select not (exists (select * from banci where 次日 = '跨转至次日') and exists (select * "
         "from banci where 人数 > 1) and exists (select * from banci where 分布日期 <> '全部') and "
         "(select count(distinct 排在) from 排除条件) = 2 and (select count(distinct 选定日期组) "
         "from 排除条件) = 2 and (select count(distinct 选定班次组) from 排除条件) = 2 and exists "
         "(select * from 排除条件 where 人员 in (select 姓名 from 基本信息)) and exists (select * "
         "from 排除条件 where 人员 in (select 值班人员组名称 from 值班人员组)))"},
    };
    for (const auto& check : checks)
        EXPECT_EQ(firstValue(db, check.sql), "0") << check.what;

    // Membership strings: zz<id>z<id>z..., each id once, each of a group.
    static const QRegularExpression form("^zz([1-9][0-9]*z)*$");
    for (const auto& [members, groups] : {std::pair{"select 所属组ID from 基本信息", "值班人员组"},
                                          {"select 所属日期组ID from 日期类型", "日期组"},
                                          {"select 所属组ID from banci", "班次组"}}) {
        const QStringList ids =
            firstValue(db, QString("select group_concat(idid) from ") + groups).split(',');
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(members));
        while (query.next()) {
            const QString memberships = query.value(0).toString();
            const QStringList tokens = memberships.mid(2).split('z', Qt::SkipEmptyParts);
            EXPECT_TRUE(form.match(memberships).hasMatch() &&
                        QSet<QString>(tokens.begin(), tokens.end()).size() == tokens.size() &&
                        std::all_of(tokens.begin(), tokens.end(),
                                    [&](const QString& id) { return ids.contains(id); }))
                << groups << ": " << memberships.toStdString();
        }
    }
}
