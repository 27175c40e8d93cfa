#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

namespace korvane::engine {

// One row of 排除条件.
struct Rule {
    qint64 number = 0;         // 编号
    QString person;            // 人员: a person's 姓名 or a staff group's name
    QString placement;         // 排在: "不排在" or "限排在"
    QString date;              // 日期: a date group's name or one date
    QString shift;             // 班次: a shift group's name or a shift's name
    bool dateIsGroup = false;  // 选定日期组
    bool shiftIsGroup = false; // 选定班次组
};

inline const QString notOn = QStringLiteral("不排在");
inline const QString onlyOn = QStringLiteral("限排在");

// Every rule, in stored order.
QList<Rule> loadRules(QSqlDatabase& db, QString* error = nullptr);

// How a rule is named to the user: "编号 3：张三 限排在 2027-13-45 的 夜班".
QString describeRule(const Rule& rule);

// The rules, named as describeRule does, whose person or staff group, date
// or date group, or shift or shift group does not exist (a rename or a
// deletion left them behind). They still take part in a run as they stand.
// Empty with the reason when the tables cannot be read.
QStringList danglingRules(QSqlDatabase& db, QString* error = nullptr);

// The rule's query in the application's SQL dialect: the reference for which
// candidate rows (first column: 值班底表.idid) the rule strikes out. Empty
// when the rule strikes nothing (an unknown 排在).
QString ruleQuery(const Rule& rule);

enum class RuleApplied {
    Applied,
    Unevaluable, // the rule's own content cannot be read (a date that is no date): left out
    Failed,      // the database refused (a lock, a full disk...): the run cannot go on
};

// Sets 是否值班 = '0' on every row of 值班底表 that the rule's query matches.
// Anything but Applied comes with the reason, and nothing changed then; a
// failure also with the database's error.
RuleApplied applyRule(QSqlDatabase& db, const Rule& rule, QString* error = nullptr,
                      QSqlError* databaseError = nullptr);

} // namespace korvane::engine
