#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include "targets/objectives.h"

#include <array>
#include <optional>

namespace korvane::engine {

// One row of 日期类型, in processing order (ascending 日期).
struct CalendarDay {
    QString text;        // 日期 as stored, copied into 值班底表.日期
    qint64 day = 0;      // the date as a day number (Julian day)
    QString memberships; // 所属日期组ID
};

// One row of banci, in processing order (起始时间, 结束秒序, then idid).
struct Shift {
    qint64 idid = 0;
    QString name;             // 班次名称
    QString consecutiveLimit; // 连续次数, as typed
    QString distribution;     // 分布日期: a date group's name or "全部"
    double headcount = 0;     // 人数 (may hold a fraction; empty reads as 0)
    // 班次名称, 起始时间, 次日, 终止时间 as stored (nulls kept), copied into the roster.
    QVariantList rosterColumns;
    // When the shift runs on its day, in minutes after the midnight that begins
    // it (the end past 1440 when it ends on the next day).
    int startMinute = 0;
    int endMinute = 0;
    bool overnight = false; // 次日 is "跨转至次日"
};

// One row of 基本信息, in the candidate step's order (家庭住址, then IDID).
struct Person {
    qint64 idid = 0;     // IDID
    qint64 id = 0;       // ID, the number the user sees (not unique in imported files)
    QString name;        // 姓名 (empty when null)
    QString memberships; // 所属组ID
};

// How much one person may work over the period; unset: no limit. A
// person's own limits and those of every staff group of theirs combine, the
// stricter holding.
struct WorkLimits {
    std::optional<int> shifts;      // 最多班数
    std::optional<int> overnight;   // 最多跨日班数
    std::optional<int> weekend;     // 最多周末班数 (Saturdays and Sundays)
    std::optional<int> consecutive; // 最多连续天数, any shift
    std::optional<double> restHours; // 最少休息小时 between one shift's end and the next's start
    // Where each limit that holds comes from, in the order above: empty for
    // the person's own, else the name of the staff group that sets it.
    std::array<QString, 5> from;

    bool any() const { return shifts || overnight || weekend || consecutive || restHours; }
    void tighten(const WorkLimits& other);

    // One row of 人员限制 as a run reads it, from its five limit columns in
    // stored order: a count rounds down and stays at 0 or above, anything
    // that is no number is no limit.
    static WorkLimits fromStored(const QVariant& shifts, const QVariant& overnight,
                                 const QVariant& weekend, const QVariant& consecutive,
                                 const QVariant& restHours);
};

// A person's absence: every day from first to last (day numbers) is off.
struct Leave {
    qint64 first = 0;
    qint64 last = 0;
    QString reason; // 原因
};

// The master data a generation run reads, loaded once at its start.
struct PlanningData {
    QList<CalendarDay> calendar;
    QList<Shift> shifts;
    QList<Person> staff;
    // 日期组: the idids of every date group of a name (two groups may share one).
    QHash<QString, QList<qint64>> dateGroupsByName;
    // Calendar rows of each day number (one, unless the calendar repeats a date).
    QHash<qint64, QList<int>> calendarRowsByDay;
    // Per person of staff (same index): the limits and the leave that apply.
    QList<WorkLimits> limits;
    QList<QList<Leave>> leave;
    // The holidays and working weekends of the calendar, and the forbidden
    // successions (none: the plain run).
    targets::DayMarks marks;
    QList<targets::ForbiddenSuccession> successions;
    // The ideal headcounts per shift (banci.idid): a slot may hold up to its
    // ideal on purpose (the search fills it so), or up to the planner's
    // 最多人数 where that is more.
    QHash<qint64, targets::IdealHeadcount> ideal;
    QHash<qint64, double> most;
    // The most people a slot of the shift (an index of shifts) may hold on
    // purpose: its 人数, its ideal where that weighs, its 最多人数, the largest.
    int mostOnSlot(int shift) const;

    bool load(QSqlDatabase& db, QString* error);
    // Whether the day counts as a weekend for the limits (the marked calendar).
    bool isWeekendDay(qint64 day) const { return targets::isWeekendDay(day, marks); }
    bool hasLimitsOrLeave() const;

    // How many (calendar row, date group) pairs place the day in a group of
    // that name: 0 means the shift is not distributed on the day, 2 or more
    // means two equally named groups hold it.
    int distributionMatches(const CalendarDay& day, const QString& groupName) const;
    // Whether the shift exists on the day: 分布日期 is 全部 or names a date
    // group holding the day. *twice is set when two equally named groups hold it.
    bool distributed(const CalendarDay& day, const Shift& shift, bool* twice) const;

private:
    bool loadLimitsAndLeave(QSqlQuery& query, QString* error);
};

// The name that distributes a shift on every date.
inline const QString everyDate = QStringLiteral("全部");

// The long date form written into 值班报表.日期: 2027年1月5日.
QString longDate(qint64 day);
// The form dates take in SQL text and in date columns: 2027-01-05.
QString isoDate(qint64 day);

} // namespace korvane::engine
