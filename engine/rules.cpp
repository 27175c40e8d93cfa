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

// The pieces of a rule's region. Each picks, from the small tables, the
// values of one column of 值班底表 that one half of the rule accepts; the
// halves are joined exactly as the rule's query joins them.
const QString personsMatching =
    QStringLiteral("SELECT 基本信息.IDID FROM 基本信息, 值班人员组"
                   " WHERE instr(基本信息.所属组ID, 'z' || 值班人员组.idid || 'z') > 0"
                   " AND (基本信息.姓名 = ? OR 值班人员组.值班人员组名称 = ?)");
const QString calendarDates = QStringLiteral("SELECT 日期 FROM 日期类型");
const QString everyShift = QStringLiteral("SELECT idid FROM banci");
const QString datesInGroup =
    QStringLiteral("SELECT 日期类型.日期 FROM 日期类型, 日期组 WHERE 日期组.日期组名称 = ?"
                   " AND instr(日期类型.所属日期组ID, 'z' || 日期组.idid || 'z') > 0");
const QString datesOutsideGroup =
    QStringLiteral("SELECT 日期类型.日期 FROM 日期类型, 日期组 WHERE 日期组.日期组名称 = ?"
                   " AND instr(日期类型.所属日期组ID, 'z' || 日期组.idid || 'z') = 0");
const QString shiftsInGroup =
    QStringLiteral("SELECT banci.idid FROM banci, 班次组 WHERE 班次组.班次组名称 = ?"
                   " AND instr(banci.所属组ID, 'z' || 班次组.idid || 'z') > 0");
const QString shiftsOutsideGroup =
    QStringLiteral("SELECT banci.idid FROM banci, 班次组 WHERE 班次组.班次组名称 = ?"
                   " AND instr(banci.所属组ID, 'z' || 班次组.idid || 'z') = 0");
const QString shiftsNamed = QStringLiteral("SELECT idid FROM banci WHERE 班次名称 = ?");
const QString shiftsNotNamed = QStringLiteral("SELECT idid FROM banci WHERE 班次名称 <> ?");
const QString datesEqual = QStringLiteral("SELECT 日期 FROM 日期类型 WHERE 日期 = ?");
const QString datesNotEqual = QStringLiteral("SELECT 日期 FROM 日期类型 WHERE 日期 <> ?");
// A table in the rule's FROM list that no condition of a half names still
// has to hold a row for that half to match anything.
const QString someDateGroup = QStringLiteral("SELECT 1 FROM 日期组");
const QString someShiftGroup = QStringLiteral("SELECT 1 FROM 班次组");
const QString dateGroupNamed = QStringLiteral("SELECT 1 FROM 日期组 WHERE 日期组名称 = ?");

using Condition = RuleRegion::Condition;
using Kind = Condition::Kind;

Condition leaf(Kind kind, const QString& query, const QStringList& arguments = {}) {
    Condition condition;
    condition.kind = kind;
    condition.query = query;
    condition.arguments = arguments;
    return condition;
}
Condition dateIn(const QString& query, const QStringList& arguments = {}) {
    return leaf(Kind::DateIn, query, arguments);
}
Condition shiftIn(const QString& query, const QStringList& arguments = {}) {
    return leaf(Kind::ShiftIn, query, arguments);
}
Condition exists(const QString& query, const QStringList& arguments = {}) {
    return leaf(Kind::Exists, query, arguments);
}
Condition all(const QList<Condition>& parts) {
    Condition condition;
    condition.kind = Kind::All;
    condition.parts = parts;
    return condition;
}
Condition any(const QList<Condition>& parts) {
    Condition condition;
    condition.kind = Kind::Any;
    condition.parts = parts;
    return condition;
}

// The condition on a candidate row's date and shift that goes with the
// person test (see ruleQuery): the region the rule's shape describes.
Condition regionCondition(Shape shape, const Rule& rule, const QString& date) {
    const QString shift = boundText(rule.shift);
    const QString group = boundText(rule.date);
    switch (shape) {
    case Shape::NotOnDateGroupShiftGroup:
        return all({dateIn(datesInGroup, {group}), shiftIn(shiftsInGroup, {shift})});
    case Shape::NotOnDateGroupShift:
        return all({dateIn(datesInGroup, {group}), shiftIn(shiftsNamed, {shift})});
    case Shape::OnlyOnDateGroupShiftGroup:
        // Each half carries its own group name; a half whose group is
        // missing matches nothing and the rule strikes by the other half.
        return all({dateIn(calendarDates), shiftIn(everyShift),
                    any({all({dateIn(datesOutsideGroup, {group}), exists(someShiftGroup)}),
                         all({shiftIn(shiftsOutsideGroup, {shift}), exists(someDateGroup)})})});
    case Shape::OnlyOnDateGroupShift:
        // The date group's name is a condition of the whole rule: without
        // that group nothing is struck, even by the shift half.
        return all({dateIn(calendarDates), shiftIn(everyShift), exists(dateGroupNamed, {group}),
                    any({dateIn(datesOutsideGroup, {group}), shiftIn(shiftsNotNamed, {shift})})});
    case Shape::NotOnDateShiftGroup:
        return all({dateIn(datesEqual, {date}), shiftIn(shiftsInGroup, {shift})});
    case Shape::NotOnDateShift:
        return all({dateIn(datesEqual, {date}), shiftIn(shiftsNamed, {shift})});
    case Shape::OnlyOnDateShiftGroup:
        return all({dateIn(calendarDates), shiftIn(everyShift),
                    any({all({dateIn(datesNotEqual, {date}), exists(someShiftGroup)}),
                         shiftIn(shiftsOutsideGroup, {shift})})});
    case Shape::OnlyOnDateShift:
        return all({dateIn(calendarDates), shiftIn(everyShift),
                    any({dateIn(datesNotEqual, {date}), shiftIn(shiftsNotNamed, {shift})})});
    case Shape::None:
        break;
    }
    return {};
}

bool holds(const Condition& condition, const QString& date, qint64 shift) {
    switch (condition.kind) {
    case Kind::All:
        for (const Condition& part : condition.parts)
            if (!holds(part, date, shift))
                return false;
        return true;
    case Kind::Any:
        for (const Condition& part : condition.parts)
            if (holds(part, date, shift))
                return true;
        return false;
    case Kind::DateIn:
        return condition.dates.contains(date);
    case Kind::ShiftIn:
        return condition.shifts.contains(shift);
    case Kind::Exists:
        return condition.exists;
    }
    return false;
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

bool RuleRegion::covers(const QString& date, qint64 shift) const {
    return !strikesNothing && holds(condition, date, shift);
}

bool RuleRegionReader::select(const QString& sql, const QStringList& arguments,
                              const QVariantList** values, QSqlError* failure) {
    // *values stays valid until the next call.
    const QString key = sql + QChar(0x1F) + arguments.join(QChar(0x1F));
    auto found = m_results.constFind(key);
    if (found == m_results.constEnd()) {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        bool done = query.prepare(sql);
        if (done) {
            for (const QString& argument : arguments)
                query.addBindValue(argument);
            done = query.exec();
        }
        if (!done) {
            *failure = query.lastError();
            return false;
        }
        QVariantList rows;
        while (query.next())
            rows << query.value(0);
        found = m_results.insert(key, rows);
    }
    *values = &*found;
    return true;
}

bool RuleRegionReader::readCondition(Condition& condition, QSqlError* failure) {
    if (condition.kind == Kind::All || condition.kind == Kind::Any) {
        for (Condition& part : condition.parts)
            if (!readCondition(part, failure))
                return false;
        return true;
    }
    const QVariantList* values = nullptr;
    if (!select(condition.query, condition.arguments, &values, failure))
        return false;
    for (const QVariant& value : *values) {
        if (condition.kind == Kind::DateIn) {
            // 值班底表.日期 is TEXT: the values compare as text.
            if (!value.isNull())
                condition.dates.insert(value.toString());
        } else if (condition.kind == Kind::ShiftIn) {
            bool number = false;
            const qint64 idid = value.toLongLong(&number);
            if (number)
                condition.shifts.insert(idid);
        }
    }
    condition.exists = !values->isEmpty();
    return true;
}

RuleApplied RuleRegionReader::read(const Rule& rule, RuleRegion* region, QString* error,
                                   QSqlError* databaseError) {
    *region = RuleRegion();
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
    // with every group row; its region is read from the small tables instead.
    // The texts are fixed and every value bound, so a failure is the database's.
    RuleRegion read;
    read.strikesNothing = false;
    read.condition = regionCondition(shape, rule, date);
    const QString person = boundText(rule.person);
    QSqlError failure;
    const QVariantList* people = nullptr;
    bool done = select(personsMatching, {person, person}, &people, &failure);
    if (done) // before the next query: its result may move the stored ones
        for (const QVariant& idid : *people)
            read.people.insert(idid.toLongLong());
    if (!done || !readCondition(read.condition, &failure)) {
        setError(error, failure.text());
        if (databaseError)
            *databaseError = failure;
        return RuleApplied::Failed;
    }
    *region = std::move(read);
    return RuleApplied::Applied;
}

RuleApplied readRuleRegion(QSqlDatabase& db, const Rule& rule, RuleRegion* region, QString* error,
                           QSqlError* databaseError) {
    RuleRegionReader reader(db);
    return reader.read(rule, region, error, databaseError);
}

void strikeRegion(const RuleRegion& region, const PlanningData& data, CandidateTable& table) {
    if (region.strikesNothing || region.people.isEmpty())
        return;
    std::vector<int> named; // places in the slot of the people the rule names
    for (int person = 0; person < data.staff.size(); ++person)
        if (region.people.contains(data.staff.at(person).idid))
            named.push_back(person);
    for (const CandidateSlot& slot : table.slotList) {
        if (!region.covers(data.calendar.at(slot.calendarRow).text, slot.shift))
            continue;
        for (int person : named)
            table.flags[size_t(slot.firstRow + person)] = flagStruck;
    }
}

} // namespace korvane::engine
