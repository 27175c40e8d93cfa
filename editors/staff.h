#pragma once

#include "store/prompt.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <optional>

// The staff editor's operations on 基本信息: add a person by name, delete a
// person, edit a cell. Messages go through the prompt.
namespace korvane::staff {

inline const QString tableName = QStringLiteral("基本信息");
inline const QString keyColumn = QStringLiteral("IDID");  // the join key, never edited
inline const QString numberColumn = QStringLiteral("ID"); // the person number users see
inline const QString nameColumn = QStringLiteral("姓名");
inline const QString ageColumn = QStringLiteral("年龄");
// The ages the grid takes, in whole years.
inline constexpr int minimumAge = 1;
inline constexpr int maximumAge = 120;

// 工号 (人员工号): a person's hospital staff number, optional, which finds the
// same nurse in other wards' rosters. Every 工号 of the database by person
// IDID; a database of a version before 工号 holds none.
bool staffNumbers(QSqlDatabase& db, QHash<qint64, QString>* numbers, QString* error);

// The columns the grid edits: the number, the name and the descriptive
// details. The others are shown only: 所属组ID changes through the
// membership editor, 家庭住址 orders the run, the counters belong to the run.
bool editableColumn(const QString& column);

class StaffEditor {
public:
    StaffEditor(QSqlDatabase db, Prompt& prompt) : m_db(std::move(db)), m_prompt(prompt) {}

    // True when the settings table 班数限制 holds a row.
    bool shiftLimitSet();

    // The number a new person gets: the last person number plus one, 1 for
    // an empty table. Numbers go on past 999.
    std::optional<qint64> nextNumber();

    // 确定: adds a person with the typed name (exactly as typed). Refuses an
    // empty name and a name that is already there. Returns the new IDID.
    std::optional<qint64> addPerson(const QString& name);

    // 删除选定员工: deletes person idid after asking, the question naming
    // what goes with the person (leave, limits, targets, wishes, 工号), the locks
    // of saved rosters that can no longer hold, and the rules that name the
    // person, which a second question offers to delete. The last person stays.
    bool deletePerson(qint64 idid);

    // A value typed into the grid for column of person idid. A value equal to
    // the stored one is not written. A cleared cell becomes "请输入字符！",
    // except 年龄, which holds a whole number of years or nothing (a cleared
    // age is blank, anything else refused), stored as text like the column; a
    // name another person has is refused; the person number stays a unique
    // whole number; only the editable columns take a value. True when the
    // cell holds the value (stored or unchanged).
    bool editCell(qint64 idid, const QString& column, const QVariant& value);

    // The 工号 of person idid ("" for none); nothing on a failure (told).
    std::optional<QString> staffNumber(qint64 idid);
    // Stores the typed 工号 of person idid, trimmed; a blank one removes it.
    // A 工号 another person of this database has is refused. True when the
    // person holds the number (stored or unchanged).
    bool setStaffNumber(qint64 idid, const QString& text);

private:
    bool fail(const QString& error);

    QSqlDatabase m_db;
    Prompt& m_prompt;
};

// DataGrid1's rows: every column of 基本信息, rows by person number. Edits
// go through StaffEditor::editCell and reach the database at once.
class StaffTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    StaffTableModel(StaffEditor& editor, QSqlDatabase db, QObject* parent = nullptr);

    // Reads the table again ("select * from 基本信息 order by ID").
    bool reload();
    qint64 ididAt(int row) const;
    int rowOfIdid(qint64 idid) const;
    int columnOf(const QString& name) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    bool readRow(qint64 idid, QList<QVariant>* values) const;

    StaffEditor& m_editor;
    QSqlDatabase m_db;
    QStringList m_columns;
    QList<QList<QVariant>> m_rows;
    int m_keyColumn = -1;
};

} // namespace korvane::staff
