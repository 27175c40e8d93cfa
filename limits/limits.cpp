#include "limits/limits.h"

#include "editors/names.h"
#include "editors/period.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace korvane::limits {

namespace {

const QString kPersonTarget = QStringLiteral("人员");
const QString kGroupTarget = QStringLiteral("组");

const QString kPeople = QStringLiteral("select IDID, 姓名 from 基本信息 order by ID, IDID");
const QString kGroups = QStringLiteral("select idid, 值班人员组名称 from 值班人员组 order by idid");
const QString kLimitsOf =
    QStringLiteral("select 对象IDID, 最多班数, 最多跨日班数, 最多周末班数, 最多连续天数, "
                   "最少休息小时 from 人员限制 where 对象 = ? order by 编号");
const QString kDeleteLimits =
    QStringLiteral("delete from 人员限制 where 对象 = ? and 对象IDID = ?");
const QString kInsertLimits =
    QStringLiteral("insert into 人员限制 (对象, 对象IDID, 最多班数, 最多跨日班数, 最多周末班数, "
                   "最多连续天数, 最少休息小时) values (?, ?, ?, ?, ?, ?, ?)");
const QString kLeave = QStringLiteral(
    "select 编号, 人员IDID, 开始日期, 结束日期, 原因 from 休假 order by 开始日期, 编号");
const QString kReasons =
    QStringLiteral("select 原因 from 休假 where 原因 is not null group by 原因 order by min(编号)");
const QString kPersonExists = QStringLiteral("select count(*) from 基本信息 where IDID = ?");
const QString kInsertLeave =
    QStringLiteral("insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values (?, ?, ?, ?)");
const QString kSameLeave = QStringLiteral(
    "select 编号 from 休假 where 人员IDID = ? and 开始日期 = ? and 结束日期 = ? and 原因 = ? "
    "and 编号 <> ? order by 编号 limit 1");
const QString kUpdateLeave = QStringLiteral(
    "update 休假 set 人员IDID = ?, 开始日期 = ?, 结束日期 = ?, 原因 = ? where 编号 = ?");
const QString kDeleteLeave = QStringLiteral("delete from 休假 where 编号 = ?");

const QString& targetText(Target target) {
    return target == Target::Person ? kPersonTarget : kGroupTarget;
}

QVariant bound(const std::optional<int>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<int>());
}

QVariant bound(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

QString iso(const QDate& date) {
    return date.toString(Qt::ISODate);
}

} // namespace

bool parseLimit(int column, const QString& text, engine::WorkLimits* limits, QString* message) {
    // What an input method types full-width (１２．５) reads as its plain form.
    const QString typed = text.normalized(QString::NormalizationForm_KC).trimmed();
    const QString name = columnNames.value(column);
    if (column == RestHours) {
        bool number = false;
        const double hours = typed.toDouble(&number);
        if (typed.isEmpty()) {
            limits->restHours.reset();
            return true;
        }
        if (!number || !std::isfinite(hours) || hours < 0 || hours >= restHoursBound) {
            *message = msg::restNotHours.arg(name, text);
            return false;
        }
        limits->restHours = hours;
        return true;
    }
    std::optional<int>* slot = column == Shifts        ? &limits->shifts
                               : column == Overnight   ? &limits->overnight
                               : column == Weekend     ? &limits->weekend
                               : column == Consecutive ? &limits->consecutive
                                                       : nullptr;
    if (!slot)
        return false;
    if (typed.isEmpty()) {
        slot->reset();
        return true;
    }
    bool whole = false;
    const int count = typed.toInt(&whole);
    if (!whole || count < 0) {
        *message = msg::limitNotCount.arg(name, text);
        return false;
    }
    *slot = count;
    return true;
}

QString limitText(const engine::WorkLimits& limits, int column) {
    const auto count = [](const std::optional<int>& value) {
        return value ? QString::number(*value) : QString();
    };
    switch (column) {
    case Shifts:
        return count(limits.shifts);
    case Overnight:
        return count(limits.overnight);
    case Weekend:
        return count(limits.weekend);
    case Consecutive:
        return count(limits.consecutive);
    case RestHours:
        return limits.restHours ? QString::number(*limits.restHours, 'g', 6) : QString();
    default:
        return {};
    }
}

bool LimitsEditor::fail(const QString& error) {
    m_prompt.information(msg::storeFailed.arg(error));
    return false;
}

std::optional<QList<LimitRow>> LimitsEditor::rows(Target target) {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(target == Target::Person ? kPeople : kGroups)) {
        fail(query.lastError().text());
        return std::nullopt;
    }
    QList<LimitRow> rows;
    QHash<qint64, int> rowOf;
    while (query.next()) {
        rowOf.insert(query.value(0).toLongLong(), int(rows.size()));
        rows.append({query.value(0).toLongLong(), query.value(1).toString(), false, {}});
    }
    QString error;
    if (!execBound(query, kLimitsOf, {targetText(target)}, &error)) {
        fail(error);
        return std::nullopt;
    }
    while (query.next()) {
        const qint64 idid = query.value(0).toLongLong();
        auto found = rowOf.constFind(idid);
        if (found == rowOf.cend()) {
            const QString& note = target == Target::Person ? msg::deletedPerson : msg::deletedGroup;
            found = rowOf.insert(idid, int(rows.size()));
            rows.append({idid, note.arg(idid), true, {}});
        }
        rows[*found].limits.tighten(engine::WorkLimits::fromStored(
            query.value(1), query.value(2), query.value(3), query.value(4), query.value(5)));
    }
    return rows;
}

bool LimitsEditor::setLimit(Target target, LimitRow& row, int column, const QString& text) {
    engine::WorkLimits changed = row.limits;
    QString message;
    if (!parseLimit(column, text, &changed, &message)) {
        m_prompt.information(message);
        return false;
    }
    if (!store(target, row.idid, changed))
        return false;
    row.limits = changed;
    return true;
}

bool LimitsEditor::store(Target target, qint64 idid, const engine::WorkLimits& limits) {
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QSqlQuery query(m_db);
    QString error;
    bool done = execBound(query, kDeleteLimits, {targetText(target), idid}, &error);
    if (done && limits.any())
        done =
            execBound(query, kInsertLimits,
                      {targetText(target), idid, bound(limits.shifts), bound(limits.overnight),
                       bound(limits.weekend), bound(limits.consecutive), bound(limits.restHours)},
                      &error);
    if (!done || !m_db.commit()) {
        if (done)
            error = m_db.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    return true;
}

std::optional<QList<PersonChoice>> LimitsEditor::people() {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(kPeople)) {
        fail(query.lastError().text());
        return std::nullopt;
    }
    QList<PersonChoice> people;
    while (query.next())
        people.append({query.value(0).toLongLong(), query.value(1).toString()});
    return people;
}

std::optional<QList<LeaveRow>> LimitsEditor::leave() {
    const std::optional<QList<PersonChoice>> staff = people();
    if (!staff)
        return std::nullopt;
    QHash<qint64, QString> nameOf;
    for (const PersonChoice& person : *staff)
        nameOf.insert(person.idid, person.name);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(kLeave)) {
        fail(query.lastError().text());
        return std::nullopt;
    }
    QList<LeaveRow> rows;
    while (query.next()) {
        LeaveRow row;
        row.number = query.value(0).toLongLong();
        row.entry.person = query.value(1).toLongLong();
        row.firstText = query.value(2).toString();
        row.lastText = query.value(3).toString();
        row.entry.first = QDate::fromString(row.firstText, Qt::ISODate);
        row.entry.last = QDate::fromString(row.lastText, Qt::ISODate);
        row.entry.reason = query.value(4).toString();
        row.deleted = !nameOf.contains(row.entry.person);
        row.name =
            row.deleted ? msg::deletedPerson.arg(row.entry.person) : nameOf.value(row.entry.person);
        rows.append(row);
    }
    return rows;
}

QStringList LimitsEditor::reasons() {
    QStringList reasons = commonReasons;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (query.exec(kReasons))
        while (query.next())
            if (const QString reason = query.value(0).toString();
                !isBlankName(reason) && !reasons.contains(reason))
                reasons << reason;
    return reasons;
}

bool LimitsEditor::checkLeave(const LeaveEntry& entry, qint64 number) {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kPersonExists, {entry.person}, &error) || !query.next())
        return fail(error.isEmpty() ? query.lastError().text() : error);
    if (query.value(0).toLongLong() == 0) {
        m_prompt.information(msg::leaveNoPerson);
        return false;
    }
    if (isBlankName(entry.reason)) {
        m_prompt.information(msg::leaveNoReason);
        return false;
    }
    if (!entry.first.isValid() || !entry.last.isValid() || entry.last < entry.first) {
        m_prompt.information(msg::endBeforeStart);
        return false;
    }
    // Reasons are compared exactly, as typed: 病假 and 病假 are the same leave.
    QSqlQuery same(m_db);
    if (!execBound(same, kSameLeave,
                   {entry.person, iso(entry.first), iso(entry.last), entry.reason, number}, &error))
        return fail(error);
    if (same.next()) {
        m_prompt.information(msg::duplicateLeave.arg(same.value(0).toLongLong()));
        return false;
    }
    return true;
}

// Leave the run never meets is kept (the period may move), with a word
// that it changes nothing for now.
void LimitsEditor::warnOutsidePeriod(const LeaveEntry& entry) {
    const std::optional<period::Range> range = period::current(m_db);
    if (!range)
        return;
    const QDate first = QDate::fromString(range->first, Qt::ISODate);
    const QDate last = QDate::fromString(range->last, Qt::ISODate);
    if (entry.last < first || entry.first > last)
        m_prompt.information(msg::leaveOutsidePeriod.arg(iso(entry.first), iso(entry.last),
                                                         range->first, range->last));
}

std::optional<qint64> LimitsEditor::addLeave(const LeaveEntry& entry) {
    if (!checkLeave(entry))
        return std::nullopt;
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kInsertLeave,
                   {entry.person, iso(entry.first), iso(entry.last), entry.reason}, &error)) {
        fail(error);
        return std::nullopt;
    }
    warnOutsidePeriod(entry);
    return lastInsertedId(query).toLongLong();
}

bool LimitsEditor::changeLeave(qint64 number, const LeaveEntry& entry) {
    if (!checkLeave(entry, number))
        return false;
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kUpdateLeave,
                   {entry.person, iso(entry.first), iso(entry.last), entry.reason, number}, &error))
        return fail(error);
    warnOutsidePeriod(entry);
    return true;
}

bool LimitsEditor::deleteLeave(qint64 number) {
    QSqlQuery query(m_db);
    QString error;
    return execBound(query, kDeleteLeave, {number}, &error) || fail(error);
}

LimitsTableModel::LimitsTableModel(LimitsEditor& editor, Target target, QObject* parent)
    : QAbstractTableModel(parent), m_editor(editor), m_target(target) {}

bool LimitsTableModel::reload() {
    std::optional<QList<LimitRow>> rows = m_editor.rows(m_target);
    if (!rows)
        return false;
    beginResetModel();
    m_rows = std::move(*rows);
    endResetModel();
    return true;
}

bool LimitsTableModel::clearRow(int row) {
    if (row < 0 || row >= m_rows.size())
        return false;
    if (!m_editor.store(m_target, m_rows.at(row).idid, {}))
        return false;
    if (m_rows.at(row).deleted) {
        beginRemoveRows({}, row, row);
        m_rows.removeAt(row);
        endRemoveRows();
    } else {
        m_rows[row].limits = {};
        emit dataChanged(index(row, 1), index(row, ColumnCount));
    }
    return true;
}

int LimitsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LimitsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount + 1;
}

QVariant LimitsTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const LimitRow& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return index.column() == 0 ? row.name : limitText(row.limits, index.column() - 1);
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant LimitsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == 0)
        return m_target == Target::Person ? QStringLiteral("姓名") : QStringLiteral("组名");
    return columnNames.value(section - 1);
}

Qt::ItemFlags LimitsTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    // A deleted person's or group's limits can only be cleared.
    if (index.column() > 0 && !m_rows.at(index.row()).deleted)
        result |= Qt::ItemIsEditable;
    return result;
}

bool LimitsTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    LimitRow& row = m_rows[index.row()];
    if (value.toString() == limitText(row.limits, index.column() - 1))
        return true;
    if (!m_editor.setLimit(m_target, row, index.column() - 1, value.toString()))
        return false;
    emit dataChanged(index, index);
    return true;
}

} // namespace korvane::limits
