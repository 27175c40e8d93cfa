#include "editors/staff.h"

#include "editors/dependents.h"
#include "editors/names.h"
#include "store/membership.h"
#include "store/messages.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace korvane::staff {

namespace {

const QString kLastPerson =
    QStringLiteral("SELECT IDID, ID, 姓名 FROM 基本信息 ORDER BY ID DESC, IDID DESC LIMIT 1");
const QString kFillEmptyName = QStringLiteral("UPDATE 基本信息 SET 姓名 = ? WHERE IDID = ?");
const QString kCountName = QStringLiteral("SELECT COUNT(*) FROM 基本信息 WHERE 姓名 = ?");
const QString kCountOtherName =
    QStringLiteral("SELECT COUNT(*) FROM 基本信息 WHERE 姓名 = ? AND IDID <> ?");
const QString kInsertPerson =
    QStringLiteral("INSERT INTO 基本信息 (ID, 姓名, 所属组ID, 家庭住址) VALUES (?, ?, ?, ?)");
const QString kCountPeople = QStringLiteral("SELECT COUNT(*) FROM 基本信息");
const QString kDeletePerson = QStringLiteral("DELETE FROM 基本信息 WHERE IDID = ?");
const QString kNumberTaken =
    QStringLiteral("SELECT COUNT(*) FROM 基本信息 WHERE ID = ? AND IDID <> ?");
const QString kAllPeople = QStringLiteral("SELECT * FROM 基本信息 ORDER BY ID, IDID");
const QString kOnePerson = QStringLiteral("SELECT * FROM 基本信息 WHERE IDID = ?");
const QString kStaffNumberOf = QStringLiteral("SELECT 工号 FROM 人员工号 WHERE 人员IDID = ?");
const QString kAllStaffNumbers = QStringLiteral("SELECT 人员IDID, 工号 FROM 人员工号");
const QString kStaffNumberHolder =
    QStringLiteral("SELECT 基本信息.姓名 FROM 人员工号 JOIN 基本信息 ON 基本信息.IDID = "
                   "人员工号.人员IDID WHERE 人员工号.工号 = ? AND 人员工号.人员IDID <> ?");
const QString kChangeStaffNumber =
    QStringLiteral("UPDATE 人员工号 SET 工号 = ? WHERE 人员IDID = ?");
const QString kAddStaffNumber =
    QStringLiteral("INSERT INTO 人员工号 (人员IDID, 工号) VALUES (?, ?)");
const QString kRemoveStaffNumber = QStringLiteral("DELETE FROM 人员工号 WHERE 人员IDID = ?");
// A new person's address: the number 0 in a text column.
const QString kNewAddress = QStringLiteral("0");

bool sameColumn(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Quoted as an SQL identifier; the name comes from the table itself.
QString identifier(const QString& column) {
    QString quoted = column;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A typed value against the stored one: null and empty are the same blank
// cell, and a number cell holds its number whatever way it is written.
bool sameValue(const QVariant& stored, const QVariant& typed) {
    const QString storedText = stored.toString();
    const QString typedText = typed.toString();
    if (storedText == typedText)
        return true;
    bool storedNumber = false, typedNumber = false;
    const double a = storedText.toDouble(&storedNumber);
    const double b = typedText.toDouble(&typedNumber);
    return storedNumber && typedNumber && stored.typeId() != QMetaType::QString && a == b;
}

// An age typed into the grid: a whole number of years, stored as the text
// column holds it ("30", whatever way it was typed); a cleared cell holds no
// age. Nothing for what is not an age.
std::optional<QVariant> ageValue(const QVariant& typed) {
    const QString text = typed.toString().trimmed();
    if (text.isEmpty())
        return QVariant();
    bool ok = false;
    const int age = text.toInt(&ok);
    if (!ok || age < minimumAge || age > maximumAge)
        return std::nullopt;
    return QVariant(QString::number(age));
}

} // namespace

bool staffNumbers(QSqlDatabase& db, QHash<qint64, QString>* numbers, QString* error) {
    numbers->clear();
    int version = 0;
    if (!schema::storedVersion(db, &version, error))
        return false;
    if (version < schema::findTable(QStringLiteral("人员工号"))->since)
        return true; // read before the upgrade that brings the table
    QSqlQuery query(db);
    if (!execBound(query, kAllStaffNumbers, {}, error))
        return false;
    while (query.next())
        numbers->insert(query.value(0).toLongLong(), query.value(1).toString());
    return true;
}

bool editableColumn(const QString& column) {
    for (const char* name : {"ID", "姓名", "年龄", "性别", "籍贯", "政治面貌", "职称"})
        if (sameColumn(column, QString::fromUtf8(name)))
            return true;
    return false;
}

bool StaffEditor::fail(const QString& error) {
    m_prompt.information(msg::storeFailed.arg(error));
    return false;
}

bool StaffEditor::shiftLimitSet() {
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT 1 FROM 班数限制 LIMIT 1")))
        return fail(query.lastError().text());
    return query.next();
}

std::optional<qint64> StaffEditor::nextNumber() {
    QSqlQuery query(m_db);
    if (!query.exec(kLastPerson)) {
        fail(query.lastError().text());
        return std::nullopt;
    }
    if (!query.next())
        return 1;
    bool ok = false;
    const qint64 last = query.value(1).toLongLong(&ok);
    return ok ? last + 1 : 1;
}

std::optional<qint64> StaffEditor::addPerson(const QString& name) {
    // The last row never keeps a null name.
    QSqlQuery last(m_db);
    if (!last.exec(kLastPerson)) {
        fail(last.lastError().text());
        return std::nullopt;
    }
    if (last.next() && last.value(2).isNull()) {
        QSqlQuery fill(m_db);
        fill.prepare(kFillEmptyName);
        fill.addBindValue(msg::enterCharacters);
        fill.addBindValue(last.value(0));
        if (!fill.exec()) {
            fail(fill.lastError().text());
            return std::nullopt;
        }
    }
    last.finish();

    const std::optional<qint64> number = nextNumber();
    if (!number)
        return std::nullopt;

    if (isBlankName(name)) {
        m_prompt.information(msg::nameEmpty);
        return std::nullopt;
    }

    // Exact comparison: case, width and trailing blanks count; null names never match.
    QSqlQuery same(m_db);
    same.prepare(kCountName);
    same.addBindValue(name);
    if (!same.exec() || !same.next()) {
        fail(same.lastError().text());
        return std::nullopt;
    }
    if (same.value(0).toLongLong() > 0) {
        m_prompt.information(msg::duplicateName);
        return std::nullopt;
    }

    QSqlQuery insert(m_db);
    insert.prepare(kInsertPerson);
    insert.addBindValue(*number);
    insert.addBindValue(name);
    insert.addBindValue(membership::allMembers);
    insert.addBindValue(kNewAddress);
    if (!insert.exec()) {
        fail(insert.lastError().text());
        return std::nullopt;
    }
    return lastInsertedId(insert).toLongLong();
}

bool StaffEditor::deletePerson(qint64 idid) {
    QSqlQuery count(m_db);
    if (!count.exec(kCountPeople) || !count.next())
        return fail(count.lastError().text());
    const qint64 people = count.value(0).toLongLong();
    if (people == 1) {
        m_prompt.information(msg::keepOnePerson);
        return false;
    }
    if (people == 0)
        return false;
    QSqlQuery person(m_db);
    QString error;
    if (!execBound(person, kOnePerson, {idid}, &error))
        return fail(error);
    if (!person.next())
        return false; // gone already
    const QString name = person.value(nameColumn).toString();
    const QString number = person.value(numberColumn).toString();
    person.finish();
    // Ask first, naming what goes with the person and the rules that name them.
    dependents::Dependents found;
    if (!dependents::ofPerson(m_db, idid, name, &found, &error))
        return fail(error);
    bool rulesToo = false;
    if (!dependents::confirm(m_prompt, msg::personToDelete.arg(name, number), found, &rulesToo))
        return false;
    int deleted = 0;
    if (!dependents::deleteWith(m_db, found, rulesToo, {kDeletePerson, {idid}}, &deleted, &error))
        return fail(error);
    return deleted > 0;
}

bool StaffEditor::editCell(qint64 idid, const QString& column, const QVariant& value) {
    if (!editableColumn(column))
        return false;
    // Through the dialect: a ward's server spells the quoted names in lower case.
    QSqlQuery current(m_db);
    QString error;
    if (!execBound(current,
                   QStringLiteral("SELECT %1 FROM 基本信息 WHERE IDID = ?").arg(identifier(column)),
                   {idid}, &error))
        return fail(error);
    if (!current.next())
        return false; // the person is gone
    // Opening a cell and leaving it is no edit.
    if (sameValue(current.value(0), value))
        return true;
    current.finish();

    QVariant stored = value;
    if (sameColumn(column, numberColumn)) {
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        if (!ok || number < 1) {
            m_prompt.information(msg::personNumberInvalid);
            return false;
        }
        QSqlQuery taken(m_db);
        if (!execBound(taken, kNumberTaken, {number, idid}, &error) || !taken.next())
            return fail(error.isEmpty() ? taken.lastError().text() : error);
        if (taken.value(0).toLongLong() > 0) {
            m_prompt.information(msg::personNumberTaken);
            return false;
        }
        stored = number;
    } else if (sameColumn(column, ageColumn)) {
        const std::optional<QVariant> age = ageValue(value);
        if (!age) {
            m_prompt.information(msg::ageInvalid);
            return false;
        }
        stored = *age;
    } else if (isBlankName(value.toString())) {
        stored = msg::enterCharacters;
    } else if (sameColumn(column, nameColumn)) {
        // A renamed person must stay as distinct as an added one.
        QSqlQuery same(m_db);
        if (!execBound(same, kCountOtherName, {value.toString(), idid}, &error) || !same.next())
            return fail(error.isEmpty() ? same.lastError().text() : error);
        if (same.value(0).toLongLong() > 0) {
            m_prompt.information(msg::duplicateName);
            return false;
        }
    }

    QSqlQuery update(m_db);
    if (!execBound(
            update,
            QStringLiteral("UPDATE 基本信息 SET %1 = ? WHERE IDID = ?").arg(identifier(column)),
            {stored, idid}, &error))
        return fail(error);
    return true;
}

std::optional<QString> StaffEditor::staffNumber(qint64 idid) {
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kStaffNumberOf, {idid}, &error)) {
        fail(error);
        return std::nullopt;
    }
    return query.next() ? query.value(0).toString() : QString();
}

bool StaffEditor::setStaffNumber(qint64 idid, const QString& text) {
    const QString number = text.trimmed();
    const std::optional<QString> stored = staffNumber(idid);
    if (!stored)
        return false;
    if (*stored == number)
        return true;
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query, kOnePerson, {idid}, &error))
        return fail(error);
    if (!query.next())
        return false; // the person is gone
    if (number.isEmpty()) {
        if (!execBound(query, kRemoveStaffNumber, {idid}, &error))
            return fail(error);
        return true;
    }
    if (!execBound(query, kStaffNumberHolder, {number, idid}, &error))
        return fail(error);
    if (query.next()) {
        m_prompt.information(msg::staffNumberTaken.arg(number, query.value(0).toString()));
        return false;
    }
    if (!execBound(query, stored->isEmpty() ? kAddStaffNumber : kChangeStaffNumber,
                   stored->isEmpty() ? QVariantList{idid, number} : QVariantList{number, idid},
                   &error))
        return fail(error);
    return true;
}

StaffTableModel::StaffTableModel(StaffEditor& editor, QSqlDatabase db, QObject* parent)
    : QAbstractTableModel(parent), m_editor(editor), m_db(std::move(db)) {}

bool StaffTableModel::reload() {
    QSqlQuery query(m_db);
    if (!query.exec(kAllPeople))
        return false;
    beginResetModel();
    m_columns.clear();
    m_rows.clear();
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        m_columns << schema::columnSpelling(QStringLiteral("基本信息"), record.fieldName(i));
    m_keyColumn = columnOf(keyColumn);
    while (query.next()) {
        QList<QVariant> values;
        for (int i = 0; i < m_columns.size(); ++i)
            values << query.value(i);
        m_rows << values;
    }
    endResetModel();
    return true;
}

bool StaffTableModel::readRow(qint64 idid, QList<QVariant>* values) const {
    QSqlQuery query(m_db);
    query.prepare(kOnePerson);
    query.addBindValue(idid);
    if (!query.exec() || !query.next())
        return false;
    values->clear();
    for (int i = 0; i < m_columns.size(); ++i)
        *values << query.value(i);
    return true;
}

qint64 StaffTableModel::ididAt(int row) const {
    if (row < 0 || row >= m_rows.size() || m_keyColumn < 0)
        return -1;
    return m_rows.at(row).at(m_keyColumn).toLongLong();
}

int StaffTableModel::rowOfIdid(qint64 idid) const {
    for (int row = 0; row < m_rows.size(); ++row)
        if (ididAt(row) == idid)
            return row;
    return -1;
}

int StaffTableModel::columnOf(const QString& name) const {
    for (int i = 0; i < m_columns.size(); ++i)
        if (sameColumn(m_columns.at(i), name))
            return i;
    return -1;
}

int StaffTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int StaffTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant StaffTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_rows.at(index.row()).at(index.column());
}

QVariant StaffTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? QVariant(m_columns.at(section))
                                                          : QVariant();
    return section + 1;
}

Qt::ItemFlags StaffTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (editableColumn(m_columns.at(index.column())))
        result |= Qt::ItemIsEditable;
    return result;
}

bool StaffTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !editableColumn(m_columns.at(index.column())))
        return false;
    const qint64 idid = ididAt(index.row());
    const bool stored = m_editor.editCell(idid, m_columns.at(index.column()), value);
    // Show what the database now holds, refused or not.
    QList<QVariant> values;
    if (readRow(idid, &values)) {
        m_rows[index.row()] = values;
        emit dataChanged(this->index(index.row(), 0),
                         this->index(index.row(), int(m_columns.size()) - 1));
    }
    return stored;
}

} // namespace korvane::staff
