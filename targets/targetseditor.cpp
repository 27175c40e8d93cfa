#include "targets/targetseditor.h"

#include "editors/names.h"
#include "editors/period.h"
#include "store/membership.h"
#include "store/messages.h"
#include "store/sqltext.h"
#include "targets/messages.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace korvane::targets {

namespace {

const QString kPeople = QStringLiteral("select IDID, 姓名 from 基本信息 order by ID, IDID");
const QString kGroups = QStringLiteral("select idid, 值班人员组名称 from 值班人员组 order by idid");
const QString kShifts =
    QStringLiteral("select idid, 班次名称, 人数 from banci order by 起始时间, 结束秒序, idid");
const QString kShiftGroups = QStringLiteral("select 班次组名称 from 班次组 order by idid");
const QString kPersonExists = QStringLiteral("select 1 from 基本信息 where IDID = ?");
const QString kGroupExists = QStringLiteral("select 1 from 值班人员组 where idid = ?");
const QString kShiftNamed = QStringLiteral("select 1 from banci where 班次名称 = ?");
const QString kShiftGroupNamed = QStringLiteral("select 1 from 班次组 where 班次组名称 = ?");
const QString kShiftGroupMembers =
    QStringLiteral("select banci.idid from banci, 班次组 where 班次组.班次组名称 = ? and "
                   "instr(banci.所属组ID, 'z' || 班次组.idid || 'z') > 0");
const QString kShiftsNamed = QStringLiteral("select idid from banci where 班次名称 = ?");

const QString kTargets = QStringLiteral(
    "select 编号, 对象, 对象IDID, 种类, 班次, 选定班次组, 最少, 最多, 权重 from 排班目标 "
    "order by 对象 desc, 对象IDID, 编号");
const QString kSameTarget = QStringLiteral(
    "select 1 from 排班目标 where 对象 = ? and 对象IDID = ? and 种类 = ? and 班次 is ? and "
    "coalesce(选定班次组, 0) = ? and 编号 <> ?");
const QString kInsertTarget = QStringLiteral(
    "insert into 排班目标 (对象, 对象IDID, 种类, 班次, 选定班次组, 最少, 最多, 权重) "
    "values (?, ?, ?, ?, ?, ?, ?, ?)");
const QString kUpdateTarget = QStringLiteral(
    "update 排班目标 set 对象 = ?, 对象IDID = ?, 种类 = ?, 班次 = ?, 选定班次组 = ?, "
    "最少 = ?, 最多 = ?, 权重 = ? where 编号 = ?");
const QString kDeleteTarget = QStringLiteral("delete from 排班目标 where 编号 = ?");

const QString kWishes = QStringLiteral(
    "select 编号, 人员IDID, 开始日期, 结束日期, 班次, 选定班次组, 想要, 权重, 原因 from 排班意愿 "
    "order by 开始日期, 编号");
const QString kInsertWish = QStringLiteral(
    "insert into 排班意愿 (人员IDID, 开始日期, 结束日期, 班次, 选定班次组, 想要, 权重, 原因) "
    "values (?, ?, ?, ?, ?, ?, ?, ?)");
const QString kUpdateWish = QStringLiteral(
    "update 排班意愿 set 人员IDID = ?, 开始日期 = ?, 结束日期 = ?, 班次 = ?, 选定班次组 = ?, "
    "想要 = ?, 权重 = ?, 原因 = ? where 编号 = ?");
const QString kDeleteWish = QStringLiteral("delete from 排班意愿 where 编号 = ?");

const QString kFairness = QStringLiteral("select 组IDID, 种类, 权重 from 公平权重 order by 编号");
const QString kDeleteFairness =
    QStringLiteral("delete from 公平权重 where 组IDID = ? and 种类 = ?");
const QString kInsertFairness =
    QStringLiteral("insert into 公平权重 (组IDID, 种类, 权重) values (?, ?, ?)");

const QString kIdeal =
    QStringLiteral("select 班次IDID, 理想人数, 权重 from 理想人数 order by 编号");
const QString kHeadcounts = QStringLiteral(
    "select 班次名称, 人数, (select 理想人数 from 理想人数 where 班次IDID = banci.idid order by "
    "编号 desc limit 1), (select 最多人数 from 最多人数 where 班次IDID = banci.idid order by 编号 "
    "desc limit 1) from banci where idid = ?");
const QString kDeleteIdeal = QStringLiteral("delete from 理想人数 where 班次IDID = ?");
const QString kInsertIdeal =
    QStringLiteral("insert into 理想人数 (班次IDID, 理想人数, 权重) values (?, ?, ?)");
const QString kMostHeadcounts =
    QStringLiteral("select 班次IDID, 最多人数 from 最多人数 order by 编号");
const QString kDeleteMost = QStringLiteral("delete from 最多人数 where 班次IDID = ?");
const QString kInsertMost =
    QStringLiteral("insert into 最多人数 (班次IDID, 最多人数) values (?, ?)");

const QString kSuccessions = QStringLiteral(
    "select 编号, 前班次, 前选定班次组, 后班次, 后选定班次组 from 禁止衔接 order by 编号");
const QString kSameSuccession = QStringLiteral(
    "select 1 from 禁止衔接 where 前班次 = ? and coalesce(前选定班次组, 0) = ? and 后班次 = ? "
    "and coalesce(后选定班次组, 0) = ? and 编号 <> ?");
const QString kInsertSuccession = QStringLiteral(
    "insert into 禁止衔接 (前班次, 前选定班次组, 后班次, 后选定班次组) values (?, ?, ?, ?)");
const QString kUpdateSuccession =
    QStringLiteral("update 禁止衔接 set 前班次 = ?, 前选定班次组 = ?, 后班次 = ?, 后选定班次组 = ? "
                   "where 编号 = ?");
const QString kDeleteSuccession = QStringLiteral("delete from 禁止衔接 where 编号 = ?");

const QString kLeast = QStringLiteral("最少");
const QString kMost = QStringLiteral("最多");
const QString kWanted = QStringLiteral("想");
const QString kNotWanted = QStringLiteral("不想");

// What an input method types full-width (１２．５) reads as its plain form.
QString typed(const QString& text) {
    return text.normalized(QString::NormalizationForm_KC).trimmed();
}

// A bound as typed: empty is none; a count is a whole number from 0, hours
// any number from 0. False with the problem.
bool parseBound(const QString& name, const QString& text, bool hours, std::optional<double>* bound,
                QString* problem) {
    const QString plain = typed(text);
    bound->reset();
    if (plain.isEmpty())
        return true;
    bool number = false;
    const double value = plain.toDouble(&number);
    if (!number || !std::isfinite(value) || value < 0 || value > 1e6 ||
        (!hours && value != std::floor(value))) {
        *problem = (hours ? targetmsg::hoursInvalid : targetmsg::countInvalid).arg(name, text);
        return false;
    }
    *bound = value;
    return true;
}

// A headcount as typed: a whole number from 1; none otherwise.
std::optional<double> wholeHeadcount(const QString& plain) {
    bool number = false;
    const double value = plain.toDouble(&number);
    if (!number || !std::isfinite(value) || value < 1 || value > 1e6 || value != std::floor(value))
        return std::nullopt;
    return value;
}

QVariant bound(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

QString numberText(double value) {
    return QString::number(value, 'g', 10);
}

QString iso(const QDate& date) {
    return date.toString(Qt::ISODate);
}

} // namespace

bool parseWeight(const QString& text, double* weight, QString* problem) {
    const QString plain = typed(text);
    if (plain.isEmpty()) {
        *weight = defaultWeight;
        return true;
    }
    bool number = false;
    const double value = plain.toDouble(&number);
    if (!number || !std::isfinite(value) || value < 0 || value > weightBound ||
        value != std::floor(value)) {
        *problem = targetmsg::weightInvalid.arg(text);
        return false;
    }
    *weight = value;
    return true;
}

bool TargetsEditor::fail(const QString& error) {
    m_prompt.information(msg::storeFailed.arg(error));
    return false;
}

bool TargetsEditor::refuse(const QString& row, const QString& problem) {
    m_prompt.information(targetmsg::refused.arg(row, problem));
    return false;
}

bool TargetsEditor::exists(const QString& sql, const QVariantList& values, bool* found) {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, sql, values, &error))
        return fail(error);
    *found = query.next();
    return true;
}

// The rows of a query of idid and name.
std::optional<QList<Choice>> TargetsEditor::choices(const QString& sql) {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, sql, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    QList<Choice> rows;
    while (query.next())
        rows.append({query.value(0).toLongLong(), query.value(1).toString()});
    return rows;
}

std::optional<QList<Choice>> TargetsEditor::people() {
    return choices(kPeople);
}

std::optional<QList<Choice>> TargetsEditor::staffGroups() {
    return choices(kGroups);
}

std::optional<QList<ShiftChoice>> TargetsEditor::shiftChoices() {
    QSqlQuery query(m_db);
    QString error;
    QList<ShiftChoice> choices;
    if (!execBound(query, kShifts, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    while (query.next())
        if (const QString name = query.value(1).toString();
            !choices.contains(ShiftChoice{name, false}))
            choices.append({name, false});
    if (!execBound(query, kShiftGroups, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    while (query.next())
        if (const QString name = query.value(0).toString();
            !choices.contains(ShiftChoice{name, true}))
            choices.append({name, true});
    return choices;
}

QString TargetsEditor::describe(const TargetEntry& entry) {
    QString name = QString::number(entry.idid);
    const auto chosen = entry.group ? staffGroups() : people();
    if (chosen)
        for (const Choice& choice : *chosen)
            if (choice.idid == entry.idid)
                name = choice.name;
    QString kind = targetKindText(entry.kind);
    if (entry.kind == TargetKind::ConsecutiveSameShift && !entry.shift.isEmpty())
        kind += QLatin1Char(' ') + entry.shift;
    return targetmsg::targetRow.arg(name, kind);
}

QString TargetsEditor::describe(const WishEntry& entry) {
    QString name = QString::number(entry.person);
    if (const auto staff = people())
        for (const Choice& choice : *staff)
            if (choice.idid == entry.person)
                name = choice.name;
    return targetmsg::wishRow.arg(name, iso(entry.first), iso(entry.last),
                                  entry.wanted ? kWanted : kNotWanted, entry.shift);
}

std::optional<QString> TargetsEditor::targetProblem(const TargetEntry& entry, qint64 number,
                                                    std::optional<double>* least,
                                                    std::optional<double>* most, double* weight) {
    bool found = false;
    if (!exists(entry.group ? kGroupExists : kPersonExists, {entry.idid}, &found))
        return std::nullopt;
    if (!found)
        return entry.group ? targetmsg::noSuchGroup : targetmsg::noSuchPerson;
    const bool sameShift = entry.kind == TargetKind::ConsecutiveSameShift;
    if (sameShift && !entry.shift.isEmpty()) {
        if (!exists(entry.shiftGroup ? kShiftGroupNamed : kShiftNamed, {entry.shift}, &found))
            return std::nullopt;
        if (!found)
            return (entry.shiftGroup ? targetmsg::noSuchShiftOrGroup : targetmsg::noSuchShift)
                .arg(entry.shift);
    }
    QString problem;
    const bool hours = entry.kind == TargetKind::Hours;
    if (!parseBound(kLeast, entry.least, hours, least, &problem) ||
        !parseBound(kMost, entry.most, hours, most, &problem))
        return problem;
    if (entry.kind == TargetKind::CompleteWeekends) {
        if (*least || *most)
            return targetmsg::noBoundsForCompleteWeekends;
    } else if (!*least && !*most) {
        return targetmsg::noBound;
    }
    if (*least && *most && **least > **most)
        return targetmsg::leastAboveMost.arg(numberText(**least), numberText(**most));
    if (!parseWeight(entry.weight, weight, &problem))
        return problem;
    if (!exists(kSameTarget,
                {entry.group ? groupTarget : personTarget, entry.idid, targetKindText(entry.kind),
                 storedShift(entry), int(sameShift && entry.shiftGroup), number},
                &found))
        return std::nullopt;
    return found ? targetmsg::sameTargetExists : QString();
}

// The 班次 of a target: the shift of a ConsecutiveSameShift target, else none.
QVariant TargetsEditor::storedShift(const TargetEntry& entry) {
    return entry.kind == TargetKind::ConsecutiveSameShift && !entry.shift.isEmpty()
               ? QVariant(entry.shift)
               : QVariant(QMetaType::fromType<QString>());
}

std::optional<qint64> TargetsEditor::storeTarget(qint64 number, const TargetEntry& entry) {
    std::optional<double> least, most;
    double weight = 0;
    const std::optional<QString> problem = targetProblem(entry, number, &least, &most, &weight);
    if (!problem)
        return std::nullopt;
    if (!problem->isEmpty()) {
        refuse(describe(entry), *problem);
        return std::nullopt;
    }
    const bool sameShift = entry.kind == TargetKind::ConsecutiveSameShift;
    QVariantList values = {entry.group ? groupTarget : personTarget,
                           entry.idid,
                           targetKindText(entry.kind),
                           storedShift(entry),
                           int(sameShift && entry.shiftGroup),
                           bound(least),
                           bound(most),
                           weight};
    return write(kInsertTarget, kUpdateTarget, values, number);
}

// Inserts the values (number 0) or updates the row of that number: the
// row's number, none when the database failed (and said so).
std::optional<qint64> TargetsEditor::write(const QString& insert, const QString& update,
                                           QVariantList values, qint64 number) {
    if (number != 0)
        values << number;
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, number == 0 ? insert : update, values, &error)) {
        fail(error);
        return std::nullopt;
    }
    return number == 0 ? lastInsertedId(query).toLongLong() : number;
}

std::optional<QList<TargetRow>> TargetsEditor::targets() {
    const auto staff = people();
    const auto groups = staffGroups();
    if (!staff || !groups)
        return std::nullopt;
    QHash<qint64, QString> personName, groupName;
    for (const Choice& choice : *staff)
        personName.insert(choice.idid, choice.name);
    for (const Choice& choice : *groups)
        groupName.insert(choice.idid, choice.name);
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kTargets, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    QList<TargetRow> rows;
    while (query.next()) {
        const std::optional<TargetKind> kind = targetKindOf(query.value(3).toString());
        if (!kind)
            continue;
        TargetRow row;
        row.number = query.value(0).toLongLong();
        TargetEntry& entry = row.entry;
        entry.group = query.value(1).toString() == groupTarget;
        entry.idid = query.value(2).toLongLong();
        entry.kind = *kind;
        entry.shift = query.value(4).toString();
        entry.shiftGroup = query.value(5).toInt() != 0;
        const auto text = [](const QVariant& value) {
            return value.isNull() ? QString() : numberText(value.toDouble());
        };
        entry.least = text(query.value(6));
        entry.most = text(query.value(7));
        entry.weight = text(query.value(8));
        const QHash<qint64, QString>& names = entry.group ? groupName : personName;
        row.deleted = !names.contains(entry.idid);
        row.name = row.deleted
                       ? (entry.group ? msg::deletedGroup : msg::deletedPerson).arg(entry.idid)
                       : names.value(entry.idid);
        rows.append(row);
    }
    return rows;
}

std::optional<qint64> TargetsEditor::addTarget(const TargetEntry& entry) {
    return storeTarget(0, entry);
}

bool TargetsEditor::changeTarget(qint64 number, const TargetEntry& entry) {
    return number != 0 && storeTarget(number, entry).has_value();
}

bool TargetsEditor::deleteTarget(qint64 number) {
    return replace(kDeleteTarget, {number}, {}, {});
}

std::optional<QString> TargetsEditor::wishProblem(const WishEntry& entry, double* weight) {
    bool found = false;
    if (!exists(kPersonExists, {entry.person}, &found))
        return std::nullopt;
    if (!found)
        return targetmsg::noSuchPerson;
    if (!entry.first.isValid() || !entry.last.isValid() || entry.last < entry.first)
        return msg::endBeforeStart;
    bool ok = true;
    QString error;
    const std::optional<period::Range> range = period::current(m_db, &ok, &error);
    if (!ok) {
        fail(error);
        return std::nullopt;
    }
    if (!range)
        return msg::noPeriod;
    if (iso(entry.first) < range->first || iso(entry.last) > range->last)
        return targetmsg::outsidePeriod.arg(iso(entry.first), iso(entry.last), range->first,
                                            range->last);
    if (entry.shift != anyShift) {
        if (!exists(entry.shiftGroup ? kShiftGroupNamed : kShiftNamed, {entry.shift}, &found))
            return std::nullopt;
        if (!found)
            return (entry.shiftGroup ? targetmsg::noSuchShiftOrGroup : targetmsg::noSuchShift)
                .arg(entry.shift);
    }
    QString problem;
    if (!parseWeight(entry.weight, weight, &problem))
        return problem;
    return QString();
}

QVariantList TargetsEditor::wishValues(const WishEntry& entry, double weight) {
    return {entry.person,
            iso(entry.first),
            iso(entry.last),
            entry.shift,
            int(entry.shift != anyShift && entry.shiftGroup),
            int(entry.wanted),
            weight,
            isBlankName(entry.reason) ? QVariant(QMetaType::fromType<QString>())
                                      : QVariant(entry.reason.trimmed())};
}

std::optional<qint64> TargetsEditor::storeWish(qint64 number, const WishEntry& entry) {
    double weight = 0;
    const std::optional<QString> problem = wishProblem(entry, &weight);
    if (!problem)
        return std::nullopt;
    if (!problem->isEmpty()) {
        refuse(describe(entry), *problem);
        return std::nullopt;
    }
    return write(kInsertWish, kUpdateWish, wishValues(entry, weight), number);
}

std::optional<QList<WishRow>> TargetsEditor::wishes() {
    const auto staff = people();
    if (!staff)
        return std::nullopt;
    QHash<qint64, QString> personName;
    for (const Choice& choice : *staff)
        personName.insert(choice.idid, choice.name);
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kWishes, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    QList<WishRow> rows;
    while (query.next()) {
        WishRow row;
        row.number = query.value(0).toLongLong();
        WishEntry& entry = row.entry;
        entry.person = query.value(1).toLongLong();
        entry.first = QDate::fromString(query.value(2).toString(), Qt::ISODate);
        entry.last = QDate::fromString(query.value(3).toString(), Qt::ISODate);
        entry.shift = query.value(4).toString();
        entry.shiftGroup = query.value(5).toInt() != 0;
        entry.wanted = query.value(6).toInt() != 0;
        entry.weight = query.value(7).isNull() ? QString() : numberText(query.value(7).toDouble());
        entry.reason = query.value(8).toString();
        row.deleted = !personName.contains(entry.person);
        row.name =
            row.deleted ? msg::deletedPerson.arg(entry.person) : personName.value(entry.person);
        rows.append(row);
    }
    return rows;
}

std::optional<qint64> TargetsEditor::addWish(const WishEntry& entry) {
    return storeWish(0, entry);
}

bool TargetsEditor::changeWish(qint64 number, const WishEntry& entry) {
    return number != 0 && storeWish(number, entry).has_value();
}

bool TargetsEditor::deleteWish(qint64 number) {
    return replace(kDeleteWish, {number}, {}, {});
}

bool TargetsEditor::addWishes(const QList<WishEntry>& entries) {
    QList<QVariantList> values;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        double weight = 0;
        const std::optional<QString> problem = wishProblem(entries.at(i), &weight);
        if (!problem)
            return false;
        if (!problem->isEmpty())
            return refuse(describe(entries.at(i)), *problem);
        values << wishValues(entries.at(i), weight);
    }
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QSqlQuery query(m_db);
    QString error;
    for (const QVariantList& row : values) {
        if (!execBound(query, kInsertWish, row, &error)) {
            m_db.rollback();
            return fail(error);
        }
    }
    if (!m_db.commit()) {
        error = m_db.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    return true;
}

std::optional<QList<FairnessRow>> TargetsEditor::fairness() {
    const auto groups = staffGroups();
    if (!groups)
        return std::nullopt;
    QList<FairnessRow> rows;
    QHash<qint64, int> rowOf;
    for (const Choice& group : *groups) {
        rowOf.insert(group.idid, int(rows.size()));
        rows.append(
            {group.idid, group.name, QList<std::optional<double>>(fairnessKindTexts.size())});
    }
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kFairness, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    while (query.next()) {
        const auto row = rowOf.constFind(query.value(0).toLongLong());
        const std::optional<FairnessKind> kind = fairnessKindOf(query.value(1).toString());
        if (row != rowOf.constEnd() && kind)
            rows[*row].weights[int(*kind)] = query.value(2).toDouble();
    }
    return rows;
}

// Replaces the rows of what the statement deletes by the insert (none when
// insert is empty), in one transaction.
bool TargetsEditor::replace(const QString& remove, const QVariantList& key, const QString& insert,
                            const QVariantList& values) {
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QSqlQuery query(m_db);
    QString error;
    bool done = execBound(query, remove, key, &error);
    if (done && !insert.isEmpty())
        done = execBound(query, insert, values, &error);
    if (!done || !m_db.commit()) {
        if (done)
            error = m_db.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    return true;
}

bool TargetsEditor::setFairness(qint64 group, FairnessKind kind, const QString& weight) {
    const QString kindText = fairnessKindText(kind);
    if (typed(weight).isEmpty())
        return replace(kDeleteFairness, {group, kindText}, {}, {});
    double value = 0;
    QString problem;
    bool found = false;
    if (!exists(kGroupExists, {group}, &found))
        return false;
    QString name = QString::number(group);
    if (const auto groups = staffGroups())
        for (const Choice& choice : *groups)
            if (choice.idid == group)
                name = choice.name;
    const QString row = targetmsg::fairnessRow.arg(name, kindText);
    if (!found)
        return refuse(row, targetmsg::noSuchGroup);
    if (!parseWeight(weight, &value, &problem))
        return refuse(row, problem);
    return replace(kDeleteFairness, {group, kindText}, kInsertFairness, {group, kindText, value});
}

std::optional<QList<IdealRow>> TargetsEditor::ideal() {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kShifts, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    QList<IdealRow> rows;
    QHash<qint64, int> rowOf;
    while (query.next()) {
        rowOf.insert(query.value(0).toLongLong(), int(rows.size()));
        IdealRow row;
        row.shift = query.value(0).toLongLong();
        row.name = query.value(1).toString();
        row.headcount = query.value(2).toDouble();
        rows.append(row);
    }
    if (!execBound(query, kIdeal, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    while (query.next()) {
        const auto row = rowOf.constFind(query.value(0).toLongLong());
        if (row == rowOf.constEnd() || query.value(1).isNull())
            continue;
        rows[*row].ideal = query.value(1).toDouble();
        rows[*row].weight = query.value(2).toDouble();
    }
    if (!execBound(query, kMostHeadcounts, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    while (query.next()) {
        const auto row = rowOf.constFind(query.value(0).toLongLong());
        if (row != rowOf.constEnd() && !query.value(1).isNull())
            rows[*row].most = query.value(1).toDouble();
    }
    return rows;
}

bool TargetsEditor::headcountsOf(qint64 shift, std::optional<IdealRow>* found) {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kHeadcounts, {shift}, &error))
        return fail(error);
    found->reset();
    if (!query.next())
        return true;
    IdealRow row;
    row.shift = shift;
    row.name = query.value(0).toString();
    row.headcount = query.value(1).toDouble();
    if (!query.value(2).isNull())
        row.ideal = query.value(2).toDouble();
    if (!query.value(3).isNull())
        row.most = query.value(3).toDouble();
    *found = row;
    return true;
}

bool TargetsEditor::setIdeal(qint64 shift, const QString& ideal, const QString& weight) {
    std::optional<IdealRow> known;
    if (!headcountsOf(shift, &known))
        return false;
    if (!known)
        return refuse(targetmsg::idealRow.arg(shift), targetmsg::noSuchShift.arg(shift));
    const QString row = targetmsg::idealRow.arg(known->name);
    const QString plain = typed(ideal);
    if (plain.isEmpty())
        return replace(kDeleteIdeal, {shift}, {}, {});
    const std::optional<double> value = wholeHeadcount(plain);
    if (!value)
        return refuse(row, targetmsg::idealInvalid.arg(ideal));
    if (*value < known->headcount)
        return refuse(row, targetmsg::idealBelowHeadcount.arg(numberText(*value),
                                                              numberText(known->headcount)));
    if (known->most && *value > *known->most)
        return refuse(row,
                      targetmsg::idealAboveMost.arg(numberText(*value), numberText(*known->most)));
    double cost = 0;
    QString problem;
    if (!parseWeight(weight, &cost, &problem))
        return refuse(row, problem);
    return replace(kDeleteIdeal, {shift}, kInsertIdeal, {shift, *value, cost});
}

bool TargetsEditor::setMost(qint64 shift, const QString& most) {
    std::optional<IdealRow> known;
    if (!headcountsOf(shift, &known))
        return false;
    if (!known)
        return refuse(targetmsg::mostRow.arg(shift), targetmsg::noSuchShift.arg(shift));
    const QString row = targetmsg::mostRow.arg(known->name);
    const QString plain = typed(most);
    if (plain.isEmpty())
        return replace(kDeleteMost, {shift}, {}, {});
    const std::optional<double> value = wholeHeadcount(plain);
    if (!value)
        return refuse(row, targetmsg::mostInvalid.arg(most));
    if (*value < known->headcount)
        return refuse(row, targetmsg::mostBelowHeadcount.arg(numberText(*value),
                                                             numberText(known->headcount)));
    if (known->ideal && *value < *known->ideal)
        return refuse(row,
                      targetmsg::mostBelowIdeal.arg(numberText(*value), numberText(*known->ideal)));
    return replace(kDeleteMost, {shift}, kInsertMost, {shift, *value});
}

// The shifts a name stands for: a shift's rows of that name, or a shift
// group's members.
bool TargetsEditor::shiftsOf(const QString& name, bool group, QSet<qint64>* shifts) {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, group ? kShiftGroupMembers : kShiftsNamed, {name}, &error))
        return fail(error);
    while (query.next())
        shifts->insert(query.value(0).toLongLong());
    return true;
}

std::optional<QString> TargetsEditor::successionProblem(const SuccessionEntry& entry,
                                                        qint64 number) {
    bool found = false;
    for (const auto& [name, group] :
         {std::pair{entry.before, entry.beforeGroup}, std::pair{entry.after, entry.afterGroup}}) {
        if (!exists(group ? kShiftGroupNamed : kShiftNamed, {name}, &found))
            return std::nullopt;
        if (!found)
            return (group ? targetmsg::noSuchShiftOrGroup : targetmsg::noSuchShift).arg(name);
    }
    // A shift onto itself, also through a group that holds it.
    QSet<qint64> before, after;
    if (!shiftsOf(entry.before, entry.beforeGroup, &before) ||
        !shiftsOf(entry.after, entry.afterGroup, &after))
        return std::nullopt;
    if ((entry.before == entry.after && entry.beforeGroup == entry.afterGroup) ||
        before.intersects(after)) {
        QString shared = entry.before;
        if (const auto shifts = ideal())
            for (const IdealRow& shift : *shifts)
                if (before.contains(shift.shift) && after.contains(shift.shift))
                    shared = shift.name;
        return targetmsg::ontoItself.arg(shared);
    }
    if (!exists(kSameSuccession,
                {entry.before, int(entry.beforeGroup), entry.after, int(entry.afterGroup), number},
                &found))
        return std::nullopt;
    return found ? targetmsg::sameSuccessionExists : QString();
}

std::optional<qint64> TargetsEditor::storeSuccession(qint64 number, const SuccessionEntry& entry) {
    const std::optional<QString> problem = successionProblem(entry, number);
    if (!problem)
        return std::nullopt;
    if (!problem->isEmpty()) {
        refuse(targetmsg::successionRow.arg(entry.before, entry.after), *problem);
        return std::nullopt;
    }
    return write(kInsertSuccession, kUpdateSuccession,
                 {entry.before, int(entry.beforeGroup), entry.after, int(entry.afterGroup)},
                 number);
}

std::optional<QList<SuccessionRow>> TargetsEditor::successions() {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kSuccessions, {}, &error)) {
        fail(error);
        return std::nullopt;
    }
    QList<SuccessionRow> rows;
    while (query.next()) {
        SuccessionRow row;
        row.number = query.value(0).toLongLong();
        row.entry = {query.value(1).toString(), query.value(2).toInt() != 0,
                     query.value(3).toString(), query.value(4).toInt() != 0};
        row.name = targetmsg::successionRow.arg(row.entry.before, row.entry.after);
        rows.append(row);
    }
    return rows;
}

std::optional<qint64> TargetsEditor::addSuccession(const SuccessionEntry& entry) {
    return storeSuccession(0, entry);
}

bool TargetsEditor::changeSuccession(qint64 number, const SuccessionEntry& entry) {
    return number != 0 && storeSuccession(number, entry).has_value();
}

bool TargetsEditor::deleteSuccession(qint64 number) {
    return replace(kDeleteSuccession, {number}, {}, {});
}

} // namespace korvane::targets
