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

// The small tables a rule's region is read from, each read once for all the
// rules of a run. A group row holds a person, date or shift where the
// group's token has a position in its membership string (0 or NULL: not).
const QString kStaffGroups = QStringLiteral(
    "SELECT 基本信息.IDID, 基本信息.姓名, 值班人员组.值班人员组名称, "
    "instr(基本信息.所属组ID, 'z' || 值班人员组.idid || 'z') FROM 基本信息, 值班人员组");
const QString kDateGroups =
    QStringLiteral("SELECT 日期类型.日期, 日期组.日期组名称, "
                   "instr(日期类型.所属日期组ID, 'z' || 日期组.idid || 'z') FROM 日期类型, 日期组");
const QString kShiftGroups =
    QStringLiteral("SELECT banci.idid, 班次组.班次组名称, "
                   "instr(banci.所属组ID, 'z' || 班次组.idid || 'z') FROM banci, 班次组");
const QString kDates = QStringLiteral("SELECT 日期 FROM 日期类型");
const QString kShifts = QStringLiteral("SELECT idid, 班次名称 FROM banci");
const QString kDateGroupNames = QStringLiteral("SELECT 日期组名称 FROM 日期组");
const QString kShiftGroupCount = QStringLiteral("SELECT count(*) FROM 班次组");

using Condition = RuleRegion::Condition;
using Kind = Condition::Kind;

using Source = Condition::Source;

Condition leaf(Kind kind, Source source, const QString& argument = {}) {
    Condition condition;
    condition.kind = kind;
    condition.source = source;
    condition.argument = argument;
    return condition;
}
Condition dateIn(Source source, const QString& argument = {}) {
    return leaf(Kind::DateIn, source, argument);
}
Condition shiftIn(Source source, const QString& argument = {}) {
    return leaf(Kind::ShiftIn, source, argument);
}
Condition exists(Source source, const QString& argument = {}) {
    return leaf(Kind::Exists, source, argument);
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
        return all({dateIn(Source::DatesInGroup, group), shiftIn(Source::ShiftsInGroup, shift)});
    case Shape::NotOnDateGroupShift:
        return all({dateIn(Source::DatesInGroup, group), shiftIn(Source::ShiftsNamed, shift)});
    case Shape::OnlyOnDateGroupShiftGroup:
        // Each half carries its own group name; a half whose group is
        // missing matches nothing and the rule strikes by the other half.
        return all(
            {dateIn(Source::CalendarDates), shiftIn(Source::EveryShift),
             any({all({dateIn(Source::DatesOutsideGroup, group), exists(Source::SomeShiftGroup)}),
                  all({shiftIn(Source::ShiftsOutsideGroup, shift),
                       exists(Source::SomeDateGroup)})})});
    case Shape::OnlyOnDateGroupShift:
        // The date group's name is a condition of the whole rule: without
        // that group nothing is struck, even by the shift half.
        return all({dateIn(Source::CalendarDates), shiftIn(Source::EveryShift),
                    exists(Source::DateGroupNamed, group),
                    any({dateIn(Source::DatesOutsideGroup, group),
                         shiftIn(Source::ShiftsNotNamed, shift)})});
    case Shape::NotOnDateShiftGroup:
        return all({dateIn(Source::DatesEqual, date), shiftIn(Source::ShiftsInGroup, shift)});
    case Shape::NotOnDateShift:
        return all({dateIn(Source::DatesEqual, date), shiftIn(Source::ShiftsNamed, shift)});
    case Shape::OnlyOnDateShiftGroup:
        return all({dateIn(Source::CalendarDates), shiftIn(Source::EveryShift),
                    any({all({dateIn(Source::DatesNotEqual, date), exists(Source::SomeShiftGroup)}),
                         shiftIn(Source::ShiftsOutsideGroup, shift)})});
    case Shape::OnlyOnDateShift:
        return all(
            {dateIn(Source::CalendarDates), shiftIn(Source::EveryShift),
             any({dateIn(Source::DatesNotEqual, date), shiftIn(Source::ShiftsNotNamed, shift)})});
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

bool RuleRegion::strikes(qint64 personIdid, const QString& date, qint64 shift) const {
    return !strikesNothing && people.contains(personIdid) && holds(condition, date, shift);
}

// A text of the small tables as SQL compares it with a bound text: NULL is
// neither equal nor unequal to anything, a BLOB never equal, a TEXT by its
// characters.
RuleRegionReader::Name RuleRegionReader::nameOf(const QVariant& value) {
    if (value.isNull())
        return {Name::Null, {}};
    if (value.typeId() == QMetaType::QString)
        return {Name::Text, value.toString()};
    return {Name::Other, {}};
}

bool RuleRegionReader::Name::equals(const QString& text) const {
    return kind == Text && this->text == text;
}

bool RuleRegionReader::Name::differs(const QString& text) const {
    return kind == Other || (kind == Text && this->text != text);
}

// A group row holds its member where the position is a number above 0; it
// is outside where the position is exactly 0 (NULL is neither).
bool RuleRegionReader::readTables(QSqlError* failure) {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const auto run = [&](const QString& sql) {
        if (execBound(query, sql))
            return true;
        *failure = query.lastError();
        return false;
    };
    const auto position = [](const QVariant& value) {
        return value.isNull() ? -1 : value.toLongLong();
    };
    if (!run(kStaffGroups))
        return false;
    while (query.next())
        m_staffGroups.append({query.value(0).toLongLong(), nameOf(query.value(1)),
                              nameOf(query.value(2)), position(query.value(3))});
    if (!run(kDateGroups))
        return false;
    while (query.next())
        m_dateGroups.append(
            {query.value(0).toString(), nameOf(query.value(1)), position(query.value(2))});
    if (!run(kShiftGroups))
        return false;
    while (query.next())
        m_shiftGroups.append(
            {query.value(0).toLongLong(), nameOf(query.value(1)), position(query.value(2))});
    if (!run(kDates))
        return false;
    while (query.next())
        if (!query.value(0).isNull())
            m_dates.append(query.value(0).toString());
    if (!run(kShifts))
        return false;
    while (query.next())
        m_shifts.append({query.value(0).toLongLong(), nameOf(query.value(1))});
    if (!run(kDateGroupNames))
        return false;
    while (query.next())
        m_dateGroupNames.append(nameOf(query.value(0)));
    if (!run(kShiftGroupCount) || !query.next())
        return false;
    m_shiftGroupCount = query.value(0).toLongLong();
    m_tablesRead = true;
    return true;
}

// The leaf's set, as the corresponding query over the small tables returns it.
void RuleRegionReader::readLeaf(Condition& leaf) const {
    // Rules share their leaves (every date, a group of dates): each set is
    // built once and shared.
    const QString key = QString::number(int(leaf.source)) + QChar(0x1f) + leaf.argument;
    if (const auto found = m_leafSets.constFind(key); found != m_leafSets.constEnd()) {
        leaf.dates = found->dates;
        leaf.shifts = found->shifts;
        leaf.exists = found->exists;
        return;
    }
    fillLeaf(leaf);
    m_leafSets.insert(key, {leaf.dates, leaf.shifts, leaf.exists});
}

void RuleRegionReader::fillLeaf(Condition& leaf) const {
    const QString& argument = leaf.argument;
    switch (leaf.source) {
    case Source::CalendarDates:
        for (const QString& date : m_dates)
            leaf.dates.insert(date);
        break;
    case Source::EveryShift:
        for (const ShiftRow& shift : m_shifts)
            leaf.shifts.insert(shift.idid);
        break;
    case Source::DatesInGroup:
    case Source::DatesOutsideGroup:
        for (const DateGroupRow& row : m_dateGroups)
            if (row.group.equals(argument) &&
                (leaf.source == Source::DatesInGroup ? row.position > 0 : row.position == 0))
                leaf.dates.insert(row.date);
        break;
    case Source::ShiftsInGroup:
    case Source::ShiftsOutsideGroup:
        for (const ShiftGroupRow& row : m_shiftGroups)
            if (row.group.equals(argument) &&
                (leaf.source == Source::ShiftsInGroup ? row.position > 0 : row.position == 0))
                leaf.shifts.insert(row.idid);
        break;
    case Source::ShiftsNamed:
    case Source::ShiftsNotNamed:
        for (const ShiftRow& shift : m_shifts)
            if (leaf.source == Source::ShiftsNamed ? shift.name.equals(argument)
                                                   : shift.name.differs(argument))
                leaf.shifts.insert(shift.idid);
        break;
    case Source::DatesEqual:
    case Source::DatesNotEqual:
        for (const QString& date : m_dates)
            if ((date == argument) == (leaf.source == Source::DatesEqual))
                leaf.dates.insert(date);
        break;
    case Source::SomeDateGroup:
        leaf.exists = !m_dateGroupNames.isEmpty();
        break;
    case Source::SomeShiftGroup:
        leaf.exists = m_shiftGroupCount > 0;
        break;
    case Source::DateGroupNamed:
        for (const Name& name : m_dateGroupNames)
            leaf.exists = leaf.exists || name.equals(argument);
        break;
    }
}

void RuleRegionReader::readCondition(Condition& condition) const {
    if (condition.kind == Kind::All || condition.kind == Kind::Any) {
        for (Condition& part : condition.parts)
            readCondition(part);
        return;
    }
    readLeaf(condition);
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
    const dialect::Translation translation =
        dialect::translate(ruleQuery(rule), dialect::flavorOf(m_db));
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
    QSqlError failure;
    if (!m_tablesRead && !readTables(&failure)) {
        setError(error, failure.text());
        if (databaseError)
            *databaseError = failure;
        return RuleApplied::Failed;
    }
    // The person or a group of that name, among the groups that hold the
    // person: someone in no group at all is named by no rule.
    const QString person = boundText(rule.person);
    for (const StaffGroupRow& row : m_staffGroups)
        if (row.position > 0 && (row.name.equals(person) || row.group.equals(person)))
            read.people.insert(row.idid);
    readCondition(read.condition);
    *region = std::move(read);
    return RuleApplied::Applied;
}

RuleApplied readRuleRegion(QSqlDatabase& db, const Rule& rule, RuleRegion* region, QString* error,
                           QSqlError* databaseError) {
    RuleRegionReader reader(db);
    return reader.read(rule, region, error, databaseError);
}

namespace {

// The condition for a calendar row and a shift, each date leaf looked up
// once per calendar row rather than once per slot.
class RowCondition {
public:
    RowCondition(const Condition& condition, const PlanningData& data) : m_data(data) {
        prepare(condition);
    }
    bool holds(const Condition& condition, int calendarRow, qint64 shift) const {
        switch (condition.kind) {
        case Kind::All:
            for (const Condition& part : condition.parts)
                if (!holds(part, calendarRow, shift))
                    return false;
            return true;
        case Kind::Any:
            for (const Condition& part : condition.parts)
                if (holds(part, calendarRow, shift))
                    return true;
            return false;
        case Kind::DateIn:
            return (*m_dateHits.constFind(&condition))[size_t(calendarRow)];
        case Kind::ShiftIn:
            return condition.shifts.contains(shift);
        case Kind::Exists:
            return condition.exists;
        }
        return false;
    }

private:
    void prepare(const Condition& condition) {
        for (const Condition& part : condition.parts)
            prepare(part);
        if (condition.kind != Kind::DateIn)
            return;
        // Every calendar date, the commonest leaf, needs no look-up.
        const bool everyDate = condition.source == Source::CalendarDates;
        std::vector<bool> hits(size_t(m_data.calendar.size()), everyDate);
        for (int row = 0; !everyDate && row < m_data.calendar.size(); ++row)
            hits[size_t(row)] = condition.dates.contains(m_data.calendar.at(row).text);
        m_dateHits.insert(&condition, std::move(hits));
    }

    const PlanningData& m_data;
    QHash<const Condition*, std::vector<bool>> m_dateHits;
};

} // namespace

void strikeRegion(const RuleRegion& region, const PlanningData& data, CandidateTable& table) {
    if (region.strikesNothing || region.people.isEmpty())
        return;
    std::vector<int> named; // places in the slot of the people the rule names
    for (int person = 0; person < data.staff.size(); ++person)
        if (region.people.contains(data.staff.at(person).idid))
            named.push_back(person);
    const RowCondition condition(region.condition, data);
    for (const CandidateSlot& slot : table.slotList) {
        if (!condition.holds(region.condition, slot.calendarRow, slot.shift))
            continue;
        for (int person : named)
            table.flags[size_t(slot.firstRow + person)] = flagStruck;
    }
}

} // namespace korvane::engine
