#include "engine/rules.h"

#include "store/dialect.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QDate>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace korvane::engine {

namespace {

// The eight shapes of a rule: 选定日期组 x 排在 x 选定班次组.
enum class Shape {
    NotOnDateGroupShiftGroup,  // true, 不排在, true
    NotOnDateGroupShift,       // true, 不排在, false
    OnlyOnDateGroupShiftGroup, // true, 限排在, true
    OnlyOnDateGroupShift,      // true, 限排在, false
    NotOnDateShiftGroup,       // false, 不排在, true
    NotOnDateShift,            // false, 不排在, false
    OnlyOnDateShiftGroup,      // false, 限排在, true
    OnlyOnDateShift,           // false, 限排在, false
    None,                      // an unknown 排在: strikes nothing
};

Shape shapeOf(const Rule& rule) {
    const bool notOnRule = rule.placement == notOn;
    if (!notOnRule && rule.placement != onlyOn)
        return Shape::None;
    if (rule.dateIsGroup) {
        if (notOnRule)
            return rule.shiftIsGroup ? Shape::NotOnDateGroupShiftGroup : Shape::NotOnDateGroupShift;
        return rule.shiftIsGroup ? Shape::OnlyOnDateGroupShiftGroup : Shape::OnlyOnDateGroupShift;
    }
    if (notOnRule)
        return rule.shiftIsGroup ? Shape::NotOnDateShiftGroup : Shape::NotOnDateShift;
    return rule.shiftIsGroup ? Shape::OnlyOnDateShiftGroup : Shape::OnlyOnDateShift;
}

// A single date as the dialect reads a #...# literal (yyyy-M-d or yyyy/M/d),
// written the way the store keeps dates; empty when the text is not a date.
QString storedDate(const QString& text) {
    for (const QString& format : {QStringLiteral("yyyy-M-d"), QStringLiteral("yyyy/M/d")}) {
        const QDate date = QDate::fromString(text, format);
        if (date.isValid())
            return date.toString(QStringLiteral("yyyy-MM-dd"));
    }
    return {};
}

// Binding a null QString binds NULL; the rule's text compares as '' then.
QString boundText(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

// Pieces of the set-based form of a rule. Each picks the values of one
// column of 值班底表 that one half of the rule accepts; the halves are joined
// exactly as the rule's query joins them. Every subquery is uncorrelated, so
// SQLite evaluates it once instead of once per candidate row.
const QString personsMatching =
    QStringLiteral("姓名IDID IN (SELECT 基本信息.IDID FROM 基本信息, 值班人员组"
                   " WHERE instr(基本信息.所属组ID, 'z' || 值班人员组.idid || 'z') > 0"
                   " AND (基本信息.姓名 = ? OR 值班人员组.值班人员组名称 = ?))");
// A 不排在 region is usually small: walk it through the (日期, 班次IDID) index
// and test the person on each row. The unary '+' keeps SQLite from driving
// by the person index, which would read every row of a large staff group.
const QString personsMatchingInRegion = QLatin1Char('+') + personsMatching;
const QString anyCalendarDate = QStringLiteral("日期 IN (SELECT 日期 FROM 日期类型)");
const QString anyShift = QStringLiteral("班次IDID IN (SELECT idid FROM banci)");
const QString datesInGroup =
    QStringLiteral("日期 IN (SELECT 日期类型.日期 FROM 日期类型, 日期组 WHERE 日期组.日期组名称 = ?"
                   " AND instr(日期类型.所属日期组ID, 'z' || 日期组.idid || 'z') > 0)");
const QString datesOutsideGroup =
    QStringLiteral("日期 IN (SELECT 日期类型.日期 FROM 日期类型, 日期组 WHERE 日期组.日期组名称 = ?"
                   " AND instr(日期类型.所属日期组ID, 'z' || 日期组.idid || 'z') = 0)");
const QString shiftsInGroup =
    QStringLiteral("班次IDID IN (SELECT banci.idid FROM banci, 班次组 WHERE 班次组.班次组名称 = ?"
                   " AND instr(banci.所属组ID, 'z' || 班次组.idid || 'z') > 0)");
const QString shiftsOutsideGroup =
    QStringLiteral("班次IDID IN (SELECT banci.idid FROM banci, 班次组 WHERE 班次组.班次组名称 = ?"
                   " AND instr(banci.所属组ID, 'z' || 班次组.idid || 'z') = 0)");
const QString shiftsNamed =
    QStringLiteral("班次IDID IN (SELECT idid FROM banci WHERE 班次名称 = ?)");
const QString shiftsNotNamed =
    QStringLiteral("班次IDID IN (SELECT idid FROM banci WHERE 班次名称 <> ?)");
const QString datesEqual = QStringLiteral("日期 IN (SELECT 日期 FROM 日期类型 WHERE 日期 = ?)");
const QString datesNotEqual = QStringLiteral("日期 IN (SELECT 日期 FROM 日期类型 WHERE 日期 <> ?)");
// A table in the rule's FROM list that no condition of a half names still
// has to hold a row for that half to match anything.
const QString someDateGroup = QStringLiteral("EXISTS (SELECT 1 FROM 日期组)");
const QString someShiftGroup = QStringLiteral("EXISTS (SELECT 1 FROM 班次组)");
const QString dateGroupNamed = QStringLiteral("EXISTS (SELECT 1 FROM 日期组 WHERE 日期组名称 = ?)");

struct StrikeStatement {
    QString condition;     // over the columns of 值班底表, with ? placeholders
    QStringList arguments; // in placeholder order
};

// The set-based equivalent of the rule's query (see ruleQuery): a candidate
// row is struck when its person matches and its date and shift fall in the
// region the rule's shape describes.
StrikeStatement strikeStatement(Shape shape, const Rule& rule, const QString& date) {
    const QString person = boundText(rule.person);
    const QString shift = boundText(rule.shift);
    const QString group = boundText(rule.date);
    auto all = [](const QStringList& parts) { return parts.join(QStringLiteral(" AND ")); };
    switch (shape) {
    case Shape::NotOnDateGroupShiftGroup:
        return {all({personsMatchingInRegion, datesInGroup, shiftsInGroup}),
                {person, person, group, shift}};
    case Shape::NotOnDateGroupShift:
        return {all({personsMatchingInRegion, datesInGroup, shiftsNamed}),
                {person, person, group, shift}};
    case Shape::OnlyOnDateGroupShiftGroup:
        // Each half carries its own group name; a half whose group is
        // missing matches nothing and the rule strikes by the other half.
        return {
            all({personsMatching, anyCalendarDate, anyShift,
                 QStringLiteral("((%1 AND %2) OR (%3 AND %4))")
                     .arg(datesOutsideGroup, someShiftGroup, shiftsOutsideGroup, someDateGroup)}),
            {person, person, group, shift}};
    case Shape::OnlyOnDateGroupShift:
        // The date group's name is a condition of the whole rule: without
        // that group nothing is struck, even by the shift half.
        return {all({personsMatching, anyCalendarDate, anyShift, dateGroupNamed,
                     QStringLiteral("(%1 OR %2)").arg(datesOutsideGroup, shiftsNotNamed)}),
                {person, person, group, group, shift}};
    case Shape::NotOnDateShiftGroup:
        return {all({personsMatchingInRegion, datesEqual, shiftsInGroup}),
                {person, person, date, shift}};
    case Shape::NotOnDateShift:
        return {all({personsMatchingInRegion, datesEqual, shiftsNamed}),
                {person, person, date, shift}};
    case Shape::OnlyOnDateShiftGroup:
        return {all({personsMatching, anyCalendarDate, anyShift,
                     QStringLiteral("((%1 AND %2) OR %3)")
                         .arg(datesNotEqual, someShiftGroup, shiftsOutsideGroup)}),
                {person, person, date, shift}};
    case Shape::OnlyOnDateShift:
        return {all({personsMatching, anyCalendarDate, anyShift,
                     QStringLiteral("(%1 OR %2)").arg(datesNotEqual, shiftsNotNamed)}),
                {person, person, date, shift}};
    case Shape::None:
        break;
    }
    return {};
}

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

} // namespace

QList<Rule> loadRules(QSqlDatabase& db, QString* error) {
    QList<Rule> rules;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select * from 排除条件 order by 编号"))) {
        setError(error, query.lastError().text());
        return rules;
    }
    const QSqlRecord record = query.record();
    const int number = record.indexOf(QStringLiteral("编号"));
    const int person = record.indexOf(QStringLiteral("人员"));
    const int placement = record.indexOf(QStringLiteral("排在"));
    const int date = record.indexOf(QStringLiteral("日期"));
    const int shift = record.indexOf(QStringLiteral("班次"));
    const int dateIsGroup = record.indexOf(QStringLiteral("选定日期组"));
    const int shiftIsGroup = record.indexOf(QStringLiteral("选定班次组"));
    while (query.next()) {
        Rule rule;
        rule.number = query.value(number).toLongLong();
        rule.person = query.value(person).toString();
        rule.placement = query.value(placement).toString();
        rule.date = query.value(date).toString();
        rule.shift = query.value(shift).toString();
        rule.dateIsGroup = query.value(dateIsGroup).toBool();
        rule.shiftIsGroup = query.value(shiftIsGroup).toBool();
        rules << rule;
    }
    return rules;
}

QString describeRule(const Rule& rule) {
    return msg::skippedRule.arg(QString::number(rule.number), rule.person, rule.placement,
                                rule.date, rule.shift);
}

QStringList danglingRules(QSqlDatabase& db, QString* error) {
    const QList<Rule> rules = loadRules(db, error);
    if (rules.isEmpty())
        return {};
    // Every name a rule may use, by the table it lives in.
    const auto names = [&](const QString& sql, QSet<QString>* into) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(sql)) {
            setError(error, query.lastError().text());
            return false;
        }
        while (query.next())
            into->insert(query.value(0).toString());
        return true;
    };
    QSet<QString> people, dateGroups, dates, shiftGroups, shifts;
    if (!names(
            QStringLiteral("select 姓名 from 基本信息 union select 值班人员组名称 from 值班人员组"),
            &people) ||
        !names(QStringLiteral("select 日期组名称 from 日期组"), &dateGroups) ||
        !names(QStringLiteral("select 日期 from 日期类型"), &dates) ||
        !names(QStringLiteral("select 班次组名称 from 班次组"), &shiftGroups) ||
        !names(QStringLiteral("select 班次名称 from banci"), &shifts))
        return {};
    QStringList dangling;
    for (const Rule& rule : rules) {
        const bool date = rule.dateIsGroup ? dateGroups.contains(rule.date)
                                           : dates.contains(storedDate(rule.date));
        const bool shift =
            rule.shiftIsGroup ? shiftGroups.contains(rule.shift) : shifts.contains(rule.shift);
        if (!people.contains(rule.person) || !date || !shift)
            dangling << describeRule(rule);
    }
    return dangling;
}

QString ruleQuery(const Rule& rule) {
    // Names go in as quoted literals with their quotes doubled; a single
    // date goes between # marks as it stands.
    const QString p = sqlQuote(rule.person);
    const QString d = sqlQuote(rule.date);
    const QString b = sqlQuote(rule.shift);
    const QString& rawDate = rule.date;
    switch (shapeOf(rule)) {
    case Shape::NotOnDateGroupShiftGroup:
        return QStringLiteral(
                   "select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci,班次组 where "
                   "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                   "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                   "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') > 0 and  "
                   "日期组.日期组名称 = ") +
               d +
               QStringLiteral(") and instr(banci.所属组ID, 'z' & 班次组.idid & 'z') > 0 and "
                              "班次组.班次组名称 = ") +
               b + QStringLiteral("and 值班底表.班次IDID = banci.idid   and (基本信息.姓名 = ") +
               p + QStringLiteral(" or 值班人员组.值班人员组名称 = ") + p + QStringLiteral(" ) ");
    case Shape::NotOnDateGroupShift:
        return QStringLiteral(
                   "select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci where "
                   "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                   "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                   "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') > 0 and  "
                   "日期组.日期组名称 = ") +
               d + QStringLiteral(") and  banci.班次名称 = ") + b +
               QStringLiteral("and 值班底表.班次IDID = banci.idid   and (基本信息.姓名 = ") + p +
               QStringLiteral(" or 值班人员组.值班人员组名称 = ") + p + QStringLiteral(" ) ");
    case Shape::OnlyOnDateGroupShiftGroup:
        return QStringLiteral(
                   "select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci,班次组 where "
                   "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                   "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                   "(((instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') = 0 )and "
                   "(日期组.日期组名称 = ") +
               d +
               QStringLiteral(")) or ( (instr(banci.所属组ID, 'z' & 班次组.idid & 'z') = 0)  and  "
                              "(班次组.班次组名称 = ") +
               b + QStringLiteral(")) )and 值班底表.班次IDID = banci.idid and (基本信息.姓名 = ") +
               p + QStringLiteral(" or 值班人员组.值班人员组名称 = ") + p + QStringLiteral(")");
    case Shape::OnlyOnDateGroupShift:
        return QStringLiteral(
                   "select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci where "
                   "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                   "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                   "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') = 0 or "
                   "banci.班次名称 <>") +
               b + QStringLiteral(") and 值班底表.班次IDID = banci.idid and (基本信息.姓名 = ") +
               p + QStringLiteral(" or 值班人员组.值班人员组名称 = ") + p +
               QStringLiteral(" ) and  日期组.日期组名称 = ") + d;
    case Shape::NotOnDateShiftGroup:
        return QStringLiteral(
                   "select * from 值班底表,基本信息,值班人员组,日期类型,banci,班次组 where "
                   "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                   "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and  "
                   "值班底表.班次IDID = banci.idid and instr(banci.所属组ID, 'z' & 班次组.idid & "
                   "'z') > 0 and  (基本信息.姓名 = ") +
               p + QStringLiteral(" or 值班人员组.值班人员组名称 = ") + p +
               QStringLiteral(" ) and  日期类型.日期 = #") + rawDate +
               QStringLiteral("#and   班次组.班次组名称 = ") + b;
    case Shape::NotOnDateShift:
        return QStringLiteral(
                   "select * from 值班底表,基本信息,值班人员组,日期类型,banci where "
                   "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                   "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and  "
                   "值班底表.班次IDID = banci.idid and  (基本信息.姓名 = ") +
               p + QStringLiteral(" or 值班人员组.值班人员组名称 = ") + p +
               QStringLiteral(" ) and  日期类型.日期 = #") + rawDate +
               QStringLiteral("#and   banci.班次名称 = ") + b;
    case Shape::OnlyOnDateShiftGroup:
        return QStringLiteral(
                   "select * from 值班底表,基本信息,值班人员组,日期类型,banci,班次组 where "
                   "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                   "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                   "值班底表.班次IDID = banci.idid and  (基本信息.姓名 = ") +
               p + QStringLiteral(" or 值班人员组.值班人员组名称 = ") + p +
               QStringLiteral(" ) and (日期类型.日期 <> #") + rawDate +
               QStringLiteral("#  or ( instr(banci.所属组ID, 'z' & 班次组.idid & 'z') = 0  and  "
                              "班次组.班次组名称 = ") +
               b + QStringLiteral("))");
    case Shape::OnlyOnDateShift:
        return QStringLiteral(
                   "select * from 值班底表,基本信息,值班人员组,日期类型,banci where "
                   "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                   "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                   "值班底表.班次IDID = banci.idid and  (基本信息.姓名 = ") +
               p + QStringLiteral("or 值班人员组.值班人员组名称 = ") + p +
               QStringLiteral(") and (日期类型.日期 <> #") + rawDate +
               QStringLiteral("# or banci.班次名称 <> ") + b + QStringLiteral(")");
    case Shape::None:
        break;
    }
    return {};
}

RuleApplied applyRule(QSqlDatabase& db, const Rule& rule, QString* error,
                      QSqlError* databaseError) {
    const Shape shape = shapeOf(rule);
    if (shape == Shape::None)
        return RuleApplied::Applied;
    // A rule the system cannot read is left out whole rather than guessed at.
    QString date;
    if (!rule.dateIsGroup) {
        date = storedDate(rule.date);
        if (date.isEmpty()) {
            setError(error, msg::ruleDateNotADate.arg(rule.date));
            return RuleApplied::Unevaluable;
        }
    }
    const dialect::Translation translation = dialect::translate(ruleQuery(rule));
    if (!translation.ok()) {
        setError(error, translation.error);
        return RuleApplied::Unevaluable;
    }
    // The rule's query run as it stands makes SQLite pair every candidate row
    // with every group row; the same set is struck here with one UPDATE. Its
    // text is fixed and every value bound, so a failure is the database's.
    const StrikeStatement strike = strikeStatement(shape, rule, date);
    QSqlQuery query(db);
    bool done = query.prepare(
        QStringLiteral("UPDATE 值班底表 SET 是否值班 = '0' WHERE 是否值班 IS NOT '0' AND ") +
        strike.condition);
    if (done) {
        for (const QString& argument : strike.arguments)
            query.addBindValue(argument);
        done = query.exec();
    }
    if (!done) {
        setError(error, query.lastError().text());
        if (databaseError)
            *databaseError = query.lastError();
        return RuleApplied::Failed;
    }
    return RuleApplied::Applied;
}

} // namespace korvane::engine
