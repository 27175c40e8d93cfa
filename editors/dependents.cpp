#include "editors/dependents.h"

#include "store/messages.h"
#include "store/sqltext.h"

#include <QSqlQuery>

namespace korvane::dependents {

namespace {

const QString kRulesOfPerson = QStringLiteral(
    "select 编号, 人员, 排在, 日期, 班次 from 排除条件 where 人员 = ? order by 编号");
const QString kRulesOfShift =
    QStringLiteral("select 编号, 人员, 排在, 日期, 班次 from 排除条件 where 班次 = ? and "
                   "coalesce(选定班次组, 0) = 0 order by 编号");
// A staff group is named by 人员 alone; a date or shift group only where the
// rule marks it as one.
const QString kRulesOfGroup[] = {
    kRulesOfPerson,
    QStringLiteral("select 编号, 人员, 排在, 日期, 班次 from 排除条件 where 日期 = ? and "
                   "coalesce(选定日期组, 0) <> 0 order by 编号"),
    QStringLiteral("select 编号, 人员, 排在, 日期, 班次 from 排除条件 where 班次 = ? and "
                   "coalesce(选定班次组, 0) <> 0 order by 编号")};
const QString kDeleteRule = QStringLiteral("delete from 排除条件 where 编号 = ?");
const QString kSuccessionsOfShift =
    QStringLiteral("select 编号, 前班次, 后班次 from 禁止衔接 where (前班次 = ? and "
                   "coalesce(前选定班次组, 0) = 0) "
                   "or (后班次 = ? and coalesce(后选定班次组, 0) = 0) order by 编号");
const QString kDeleteSuccession = QStringLiteral("delete from 禁止衔接 where 编号 = ?");
const QString kOtherShiftsNamed =
    QStringLiteral("select count(*) from banci where 班次名称 = ? and idid <> ?");
const QString kLockedRosters =
    QStringLiteral("select 排班存档.名称, count(*) from 存档锁定 join 排班存档 on 排班存档.编号 = "
                   "存档锁定.存档编号 "
                   "where 存档锁定.人员IDID = ? group by 排班存档.编号 order by 排班存档.编号");

// An entry kept by the key of what is deleted: how to count it and delete it.
struct KeyedTable {
    QString caption; // the line of the question, %1 the count
    QString where;   // 'table where ...' with one ? for the key
};

const KeyedTable kPersonTables[] = {
    {msg::goesLeave, QStringLiteral("休假 where 人员IDID = ?")},
    {msg::goesLimits, QStringLiteral("人员限制 where 对象 = '人员' and 对象IDID = ?")},
    {msg::goesTargets, QStringLiteral("排班目标 where 对象 = '人员' and 对象IDID = ?")},
    {msg::goesWishes, QStringLiteral("排班意愿 where 人员IDID = ?")},
    {msg::goesStaffNumber, QStringLiteral("人员工号 where 人员IDID = ?")},
};
const KeyedTable kShiftTables[] = {
    {msg::goesIdealHeadcounts, QStringLiteral("理想人数 where 班次IDID = ?")},
    {msg::goesMostHeadcounts, QStringLiteral("最多人数 where 班次IDID = ?")},
};
const KeyedTable kStaffGroupTables[] = {
    {msg::goesLimits, QStringLiteral("人员限制 where 对象 = '组' and 对象IDID = ?")},
    {msg::goesTargets, QStringLiteral("排班目标 where 对象 = '组' and 对象IDID = ?")},
    {msg::goesFairness, QStringLiteral("公平权重 where 组IDID = ?")},
};

bool addKeyed(QSqlDatabase& db, const KeyedTable* tables, int count, qint64 key, Dependents* found,
              QString* error) {
    for (int i = 0; i < count; ++i) {
        QSqlQuery query(db);
        if (!execBound(query, QStringLiteral("select count(*) from ") + tables[i].where, {key},
                       error) ||
            !query.next())
            return false;
        const int rows = query.value(0).toInt();
        if (rows == 0)
            continue;
        found->goesWith << tables[i].caption.arg(rows);
        found->deleteWith << Statement{QStringLiteral("delete from ") + tables[i].where, {key}};
    }
    return true;
}

bool addRules(QSqlDatabase& db, const QString& select, const QString& name, Dependents* found,
              QString* error) {
    QSqlQuery query(db);
    if (!execBound(query, select, {name}, error))
        return false;
    while (query.next()) {
        found->naming << msg::ruleDescription.arg(
            query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
            query.value(3).toString(), query.value(4).toString());
        found->deleteNaming << Statement{kDeleteRule, {query.value(0)}};
    }
    return true;
}

} // namespace

bool ofPerson(QSqlDatabase& db, qint64 idid, const QString& name, Dependents* found,
              QString* error) {
    *found = {};
    if (!name.isEmpty() && !addRules(db, kRulesOfPerson, name, found, error))
        return false;
    if (!addKeyed(db, kPersonTables, int(std::size(kPersonTables)), idid, found, error))
        return false;
    QSqlQuery locks(db);
    if (!execBound(locks, kLockedRosters, {idid}, error))
        return false;
    while (locks.next())
        found->kept << msg::keptLocks.arg(locks.value(0).toString()).arg(locks.value(1).toInt());
    return true;
}

bool ofShift(QSqlDatabase& db, qint64 idid, const QString& name, Dependents* found,
             QString* error) {
    *found = {};
    if (!addKeyed(db, kShiftTables, int(std::size(kShiftTables)), idid, found, error))
        return false;
    // Another row of the same name (another date group's) still answers to it.
    QSqlQuery others(db);
    if (!execBound(others, kOtherShiftsNamed, {name, idid}, error) || !others.next())
        return false;
    if (others.value(0).toInt() > 0 || name.isEmpty())
        return true;
    if (!addRules(db, kRulesOfShift, name, found, error))
        return false;
    QSqlQuery successions(db);
    if (!execBound(successions, kSuccessionsOfShift, {name, name}, error))
        return false;
    while (successions.next()) {
        found->naming << msg::successionDescription.arg(successions.value(0).toString(),
                                                        successions.value(1).toString(),
                                                        successions.value(2).toString());
        found->deleteNaming << Statement{kDeleteSuccession, {successions.value(0)}};
    }
    return true;
}

bool ofGroup(QSqlDatabase& db, int kind, qint64 idid, const QString& name, Dependents* found,
             QString* error) {
    *found = {};
    if (kind < 1 || kind > 3)
        return true;
    if (!addRules(db, kRulesOfGroup[kind - 1], name, found, error))
        return false;
    return kind != 1 ||
           addKeyed(db, kStaffGroupTables, int(std::size(kStaffGroupTables)), idid, found, error);
}

bool confirm(Prompt& prompt, const QString& what, const Dependents& found, bool* deleteNaming) {
    *deleteNaming = false;
    QStringList parts = {msg::confirmDeleteOf.arg(what)};
    if (!found.naming.isEmpty())
        parts << msg::namedByRules + QLatin1Char('\n') + found.naming.join(QLatin1Char('\n'));
    if (!found.goesWith.isEmpty())
        parts << msg::goesWithIt + QLatin1Char('\n') + found.goesWith.join(QLatin1Char('\n'));
    if (!found.kept.isEmpty())
        parts << found.kept.join(QLatin1Char('\n'));
    if (!prompt.question(parts.join(QStringLiteral("\n\n"))))
        return false;
    if (!found.naming.isEmpty())
        *deleteNaming = prompt.question(msg::deleteNamingToo.arg(found.naming.size()));
    return true;
}

bool deleteWith(QSqlDatabase& db, const Dependents& found, bool deleteNaming,
                const Statement& deleteRow, int* rowsDeleted, QString* error) {
    QList<Statement> statements = found.deleteWith;
    if (deleteNaming)
        statements += found.deleteNaming;
    QString reason;
    const bool done = inTransaction(db, &reason, [&] {
        QSqlQuery query(db);
        for (const Statement& statement : statements)
            if (!execBound(query, statement.sql, statement.values, &reason))
                return false;
        if (!execBound(query, deleteRow.sql, deleteRow.values, &reason))
            return false;
        if (rowsDeleted)
            *rowsDeleted = query.numRowsAffected();
        return true;
    });
    if (!done && error)
        *error = reason;
    return done;
}

} // namespace korvane::dependents
