#pragma once

#include "engine/planningdata.h"
#include "store/prompt.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

// What the planner sets beside the rules: the limits of each person and
// each staff group (人员限制) and the leave list (休假). Messages go through
// the prompt; every user text is bound, never written into SQL.
namespace korvane::limits {

enum class Target { Person, Group }; // 人员限制.对象 '人员' or '组'

// The five limits in the order of the grids and of 人员限制's columns.
enum Column { Shifts, Overnight, Weekend, Consecutive, RestHours, ColumnCount };
inline const QStringList columnNames = {
    QStringLiteral("最多班数"), QStringLiteral("最多跨日班数"), QStringLiteral("最多周末班数"),
    QStringLiteral("最多连续天数"), QStringLiteral("最少休息小时")};
// The rest in hours must stay below this (30 days).
constexpr double restHoursBound = 720;

// A value typed for one limit: empty is no limit; a count is a whole number
// from 0 (never) up; the rest is a number of hours from 0 to below 720.
// Full-width digits count as digits. False with the message on refusal.
bool parseLimit(int column, const QString& text, engine::WorkLimits* limits, QString* message);
// The value as a grid shows it ("" for no limit).
QString limitText(const engine::WorkLimits& limits, int column);

// One row of a limits grid: a person of the staff (in ID order) or a staff
// group (全部 first, then stored order); then any row whose person or group
// no longer exists, marked as deleted.
struct LimitRow {
    qint64 idid = 0; // 对象IDID
    QString name;    // 姓名 or the group's name; the deleted note when gone
    bool deleted = false;
    engine::WorkLimits limits;
};

struct LeaveEntry {
    qint64 person = 0; // 人员IDID
    QDate first;
    QDate last;
    QString reason;
};

struct LeaveRow {
    qint64 number = 0; // 编号
    LeaveEntry entry;
    QString name; // the person's 姓名, the deleted note when gone
    bool deleted = false;
    QString firstText; // the dates as stored
    QString lastText;
};

struct PersonChoice {
    qint64 idid = 0;
    QString name;
};

// Reasons offered for leave before any is typed.
inline const QStringList commonReasons = {
    QStringLiteral("年假"), QStringLiteral("病假"), QStringLiteral("事假"), QStringLiteral("产假"),
    QStringLiteral("婚假"), QStringLiteral("培训"), QStringLiteral("进修"), QStringLiteral("调休")};

class LimitsEditor {
public:
    LimitsEditor(QSqlDatabase db, Prompt& prompt) : m_db(std::move(db)), m_prompt(prompt) {}

    // The grid's rows. Several stored rows for one target show as one, the
    // stricter value holding, as in a run.
    std::optional<QList<LimitRow>> rows(Target target);
    // A value typed into a row's limit cell: refused with its message, or
    // stored (the row of the target replaced; none when every limit is empty).
    bool setLimit(Target target, LimitRow& row, int column, const QString& text);
    // Stores the limits of one target as its only row (none when all are empty).
    bool store(Target target, qint64 idid, const engine::WorkLimits& limits);

    // The staff in ID order, for choosing whose leave it is.
    std::optional<QList<PersonChoice>> people();
    // Leave by start date; reasons already used, for the pick list.
    std::optional<QList<LeaveRow>> leave();
    QStringList reasons();

    // Checks an entry: a person that exists, a reason, an end not before the
    // start, and refuses the very leave already listed (same person, dates
    // and reason). A range wholly outside the planning period is taken with a
    // warning that it changes nothing. Returns the new 编号.
    std::optional<qint64> addLeave(const LeaveEntry& entry);
    bool changeLeave(qint64 number, const LeaveEntry& entry);
    bool deleteLeave(qint64 number);

private:
    // Also refuses an entry equal to a stored one other than number.
    bool checkLeave(const LeaveEntry& entry, qint64 number = 0);
    void warnOutsidePeriod(const LeaveEntry& entry);
    bool fail(const QString& error);

    QSqlDatabase m_db;
    Prompt& m_prompt;
};

// A limits grid: the name, then the five limits, edited in place through
// LimitsEditor::setLimit. A deleted person's or group's row can only be cleared.
class LimitsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    LimitsTableModel(LimitsEditor& editor, Target target, QObject* parent = nullptr);

    bool reload();
    const LimitRow& rowAt(int row) const { return m_rows.at(row); }
    // Clears every limit of the row; a deleted person's or group's row goes.
    bool clearRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    LimitsEditor& m_editor;
    Target m_target;
    QList<LimitRow> m_rows;
};

} // namespace korvane::limits
