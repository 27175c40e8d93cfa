#include "engine/ruleentry.h"

#include "store/dialect.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace korvane::engine {

namespace {

const QString kInsertRule = QStringLiteral("insert into 排除条件 (人员, 排在, 日期, 班次, "
                                           "选定日期组, 选定班次组) values (?, ?, ?, ?, ?, ?)");
const QString kSameRule = QStringLiteral(
    "select 编号 from 排除条件 where 人员 = ? and 排在 = ? and 日期 = ? and 班次 = ? and "
    "(case when coalesce(选定日期组, 0) <> 0 then 1 else 0 end) = ? and "
    "(case when coalesce(选定班次组, 0) <> 0 then 1 else 0 end) = ? "
    "order by 编号 limit 1");
const QString kDeleteRule = QStringLiteral("delete from 排除条件 where 编号 = ?");
// Appends the named column of every row of "select * from table" to entries.
bool readColumn(QSqlDatabase& db, const QString& table, const QString& column, QStringList* entries,
                QString* error) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!dialect::exec(query, QStringLiteral("select * from ") + table, error))
        return false;
    const int index = query.record().indexOf(column);
    if (index < 0) {
        if (error)
            *error = QStringLiteral("%1 has no column %2").arg(table, column);
        return false;
    }
    while (query.next())
        entries->append(query.value(index).toString());
    return true;
}

// Group names first (the first of them becomes the box's text), then the entries.
bool readPickList(QSqlDatabase& db, const QString& groupTable, const QString& groupColumn,
                  const QString& entryTable, const QString& entryColumn, PickList* list,
                  QString* error) {
    *list = PickList();
    if (!readColumn(db, groupTable, groupColumn, &list->entries, error))
        return false;
    list->groupCount = int(list->entries.size());
    if (list->groupCount > 0)
        list->initialText = list->entries.first();
    return readColumn(db, entryTable, entryColumn, &list->entries, error);
}

} // namespace

bool loadRulePickLists(QSqlDatabase& db, RulePickLists* lists, QString* error) {
    return readPickList(db, QStringLiteral("值班人员组"), QStringLiteral("值班人员组名称"),
                        QStringLiteral("基本信息"), QStringLiteral("姓名"), &lists->people,
                        error) &&
           readPickList(db, QStringLiteral("日期组"), QStringLiteral("日期组名称"),
                        QStringLiteral("日期类型"), QStringLiteral("日期"), &lists->dates, error) &&
           readPickList(db, QStringLiteral("班次组"), QStringLiteral("班次组名称"),
                        QStringLiteral("banci"), QStringLiteral("班次名称"), &lists->shifts, error);
}

int pickPosition(const QStringList& entries, const QString& text, int currentIndex) {
    if (currentIndex >= 0 && currentIndex < entries.size() && entries.at(currentIndex) == text)
        return currentIndex + 1;
    return int(entries.indexOf(text)) + 1;
}

Rule ruleFromFrame(const QString& person, const QString& placement, const QString& date,
                   int datePosition, int dateGroupCount, const QString& shift, int shiftPosition,
                   int shiftGroupCount) {
    Rule rule;
    rule.person = person;
    rule.placement = placement;
    rule.date = date;
    rule.shift = shift;
    rule.dateIsGroup = datePosition <= dateGroupCount;
    rule.shiftIsGroup = shiftPosition <= shiftGroupCount;
    return rule;
}

bool addRule(QSqlDatabase& db, const Rule& rule, qint64* number, QString* error) {
    const QVariantList values = {rule.person, rule.placement,           rule.date,
                                 rule.shift,  rule.dateIsGroup ? 1 : 0, rule.shiftIsGroup ? 1 : 0};
    QSqlQuery same(db);
    if (!execBound(same, kSameRule, values, error))
        return false;
    if (same.next()) {
        Rule existing = rule;
        existing.number = same.value(0).toLongLong();
        if (error)
            *error = msg::duplicateRule.arg(describeRule(existing));
        return false;
    }
    QSqlQuery query(db);
    if (!execBound(query, kInsertRule, values, error))
        return false;
    if (number)
        *number = lastInsertedId(query).toLongLong();
    return true;
}

bool deleteRule(QSqlDatabase& db, qint64 number, QString* error) {
    QSqlQuery query(db);
    query.prepare(kDeleteRule);
    query.addBindValue(number);
    if (!query.exec()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    return true;
}

} // namespace korvane::engine
