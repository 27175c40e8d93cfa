#pragma once

// What makes a roster good, as the planner set it in the tables of file
// version 3 (排班目标, 排班意愿, 公平权重, 理想人数, 禁止衔接) and in the
// calendar's 节假日 column: read once into memory for the score, the search
// and the run (forbidden successions). With every table empty and no date
// marked, nothing here changes a run; the score then measures fairness only,
// with the default weights below.

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace korvane::targets {

// What a target counts over the period (排班目标.种类, stored as the text in
// the comment).
enum class TargetKind {
    Shifts,                 // 班数: shifts worked
    Hours,                  // 工时: hours worked
    ConsecutiveWorkingDays, // 连续上班: days worked in a row, any shift
    ConsecutiveDaysOff,     // 连续休息: days off in a row
    ConsecutiveSameShift,   // 连续同班: days in a row on the same shift (or shift group)
    WorkingWeekends,        // 周末上班: weekends with any day worked
    CompleteWeekends,       // 完整周末: a weekend half worked costs the weight; no bounds
};

// One target as it holds for one person: a person's own target replaces
// their groups' of the same kind (and shift), of two groups' the stricter
// holds (the higher least, the lower most, the larger weight).
struct Target {
    TargetKind kind = TargetKind::Shifts;
    std::optional<double> least;
    std::optional<double> most;
    double weight = 0;               // per unit below least or above most
    QSet<qint64> shifts;             // ConsecutiveSameShift: the banci idids counted as one shift
    QString shiftName;               // the shift or shift group as the planner named it
    std::optional<qint64> fromGroup; // the staff group's idid it comes from; none: the person's own
};

// A person's wish for each day from first to last (day numbers): to work
// (wanted) or not to work a shift of shifts (empty: any shift, 全天).
struct Wish {
    qint64 person = 0; // 基本信息.IDID
    qint64 first = 0;
    qint64 last = 0;
    bool wanted = false;
    QSet<qint64> shifts; // banci idids; empty means any shift
    QString shiftName;   // as stored (全天 for any shift)
    double weight = 0;   // per day against the wish
    QString reason;
};

// What a staff group's members should share evenly (公平权重.种类).
enum class FairnessKind {
    Hours,     // 工时
    Overnight, // 夜班: shifts that run into the next day
    Weekend,   // 周末班: shifts on weekend days of the marked calendar
    Holiday,   // 节假日班: shifts on dates marked 节假日
};

struct Fairness {
    qint64 group = 0; // 值班人员组.idid (1 is 全部, everyone)
    FairnessKind kind = FairnessKind::Hours;
    double weight = 0;
    QList<qint64> members; // 基本信息.IDID of the group's members
};

// The weight of a kind of fairness for the group 全部 when 公平权重 has no
// row for it: the measure a ward that sets nothing still gets. Other groups
// are measured only where a row names them.
double defaultFairnessWeight(FairnessKind kind);

// Each person missing below ideal on a slot of the shift costs weight.
struct IdealHeadcount {
    double ideal = 0;
    double weight = 0;
};

// A shift of before on one day is never followed by a shift of after on
// the next (banci idids; a shift group stands for its members).
struct ForbiddenSuccession {
    QSet<qint64> before;
    QSet<qint64> after;
    QString beforeName;
    QString afterName;
};

// A date's mark in 日期类型.节假日.
enum class DayMark {
    None,           // as the weekday says
    Holiday,        // 节假日: a day off like a Sunday
    WorkingWeekend, // 调休上班: a Saturday or Sunday that is a working day
};

struct Objectives {
    QHash<qint64, QList<Target>> targets; // per person (基本信息.IDID), resolved
    QList<Wish> wishes;
    QList<Fairness> fairness;
    QHash<qint64, IdealHeadcount> ideal; // per shift (banci.idid)
    QList<ForbiddenSuccession> successions;
    QHash<qint64, DayMark> marks; // per day number; unmarked days are absent

    // Whether the day is a weekend day of the marked calendar: a Saturday or
    // Sunday not marked 调休上班, or a day marked 节假日.
    bool isWeekendDay(qint64 day) const;
    // Whether nothing is set that a run reads (forbidden successions, marks).
    bool affectsRun() const { return !successions.isEmpty() || !marks.isEmpty(); }
};

// Reads the tables of the open database (a file without them, of an older
// version, gives empty objectives). False with the database's reason.
bool load(QSqlDatabase& db, Objectives* objectives, QString* error);

} // namespace korvane::targets
