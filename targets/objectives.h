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
#include <QStringList>
#include <QVariant>

#include <optional>

namespace korvane::targets {

// Texts stored in the tables: the side a target is set for (排班目标.对象),
// the shift of a wish for any shift (排班意愿.班次), and the marks of
// 日期类型.节假日.
inline const QString personTarget = QStringLiteral("人员");
inline const QString groupTarget = QStringLiteral("组");
inline const QString anyShift = QStringLiteral("全天");
inline const QString holidayMark = QStringLiteral("节假日");
inline const QString workingWeekendMark = QStringLiteral("调休上班");

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
// The stored texts of the kinds, in the enum's order.
inline const QStringList targetKindTexts = {QStringLiteral("班数"),     QStringLiteral("工时"),
                                            QStringLiteral("连续上班"), QStringLiteral("连续休息"),
                                            QStringLiteral("连续同班"), QStringLiteral("周末上班"),
                                            QStringLiteral("完整周末")};
// The kind of a stored text; none for a text that is no kind.
std::optional<TargetKind> targetKindOf(const QString& text);
inline QString targetKindText(TargetKind kind) {
    return targetKindTexts.at(int(kind));
}

// One target as it holds for one person: a person's own target replaces
// their groups' of the same kind (and, for ConsecutiveSameShift, the same
// shift or shift group), of two groups' the stricter holds (the higher
// least, the lower most, the larger weight; each bound on its own).
// Counts are whole numbers, hours may hold a fraction. The consecutive kinds
// bound each run: a run shorter than least or longer than most costs the
// weight for each day it lacks or has too many.
struct Target {
    TargetKind kind = TargetKind::Shifts;
    std::optional<double> least;
    std::optional<double> most;
    double weight = 0; // per unit below least or above most
    // ConsecutiveSameShift: the banci idids counted as one shift (a shift
    // group's members run on as one); empty: each shift on its own, a run
    // being days in a row on one and the same shift.
    QSet<qint64> shifts;
    QString shiftName;               // the shift or shift group as the planner named it
    std::optional<qint64> fromGroup; // the staff group's idid it comes from; none: the person's own
};

// A person's wish for each day from first to last (day numbers): to work
// (wanted) or not to work a shift of shifts (empty: any shift, 全天).
struct Wish {
    qint64 number = 0; // 排班意愿.编号
    qint64 person = 0; // 基本信息.IDID
    qint64 first = 0;
    qint64 last = 0;
    bool wanted = false;
    QSet<qint64> shifts; // banci idids; empty means any shift
    QString shiftName;   // as stored (全天 for any shift)
    double weight = 0;   // per day against the wish
    QString reason;
};

// What a staff group's members should share evenly (公平权重.种类). Each
// member costs the weight for each unit (an hour of 工时, a shift of the
// others) by which their count lies from the mean count of the group's
// members: the sum of absolute deviations from the mean, times the weight.
enum class FairnessKind {
    Hours,     // 工时
    Overnight, // 夜班: shifts that run into the next day
    Weekend,   // 周末班: shifts on weekend days of the marked calendar
    Holiday,   // 节假日班: shifts on dates marked 节假日
};
// The stored texts of the kinds, in the enum's order.
inline const QStringList fairnessKindTexts = {QStringLiteral("工时"), QStringLiteral("夜班"),
                                              QStringLiteral("周末班"), QStringLiteral("节假日班")};
std::optional<FairnessKind> fairnessKindOf(const QString& text);
inline QString fairnessKindText(FairnessKind kind) {
    return fairnessKindTexts.at(int(kind));
}

struct Fairness {
    qint64 group = 0; // 值班人员组.idid (1 is 全部, everyone)
    FairnessKind kind = FairnessKind::Hours;
    double weight = 0;
    QList<qint64> members; // 基本信息.IDID of the group's members, ascending
};

// The weight of a kind of fairness for the group 全部 when 公平权重 has no
// row for it: the measure a ward that sets nothing still gets. Other groups
// are measured only where a row names them; a row of weight 0 switches a
// kind off (for 全部, its default too).
//
// One hour of imbalance costs 1, and one overnight, weekend or holiday
// shift of imbalance costs 8, as much as the hours of a day shift: these
// shifts are the ones people compare, and a person who takes them over the
// mean should weigh about as much as one who works a whole extra day. A
// ward where one person works 256 hours and 16 nights against a mean of 180
// hours and 6 nights then sees the two faults with comparable costs (76 and
// 80), and a planner's own weights of 10 to 30 per wish or target unit
// (the usual range) still outweigh one shift of imbalance.
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

// The succession that working shift on a day breaks, given the shifts the
// person works the day before and the day after: the forbidden pair, and
// whether the shift is its second (true) or its first. The one check of the
// rule, for the run, its explanation, the hand-edit warnings and the score.
struct BrokenSuccession {
    const ForbiddenSuccession* succession = nullptr;
    bool shiftIsAfter = false;
};
std::optional<BrokenSuccession> brokenSuccession(const QList<ForbiddenSuccession>& successions,
                                                 qint64 shift, const QList<qint64>& dayBefore,
                                                 const QList<qint64>& dayAfter);

// A date's mark in 日期类型.节假日.
enum class DayMark {
    None,           // as the weekday says
    Holiday,        // 节假日: a day off like a Sunday
    WorkingWeekend, // 调休上班: a Saturday or Sunday that is a working day
};
// The mark of a stored text: anything but the two marks is none.
DayMark dayMarkOf(const QVariant& stored);
using DayMarks = QHash<qint64, DayMark>; // per day number; unmarked days are absent

// The one definition of a weekend day, for every count that speaks of
// weekends (limits, targets, fairness, the month sheet): a Saturday or Sunday
// not marked 调休上班, or a day marked 节假日. Unmarked, it is the weekday's.
bool isWeekendDay(qint64 day, const DayMarks& marks);

// Days first to last (day numbers), both included.
struct DayRange {
    qint64 first = 0;
    qint64 last = 0;
    bool operator==(const DayRange&) const = default;
};

// The weekends between first and last: each a maximal run of consecutive
// weekend days, so a holiday joined to a Sunday makes one longer weekend and
// a 调休上班 Saturday leaves the Sunday a weekend of one day. A weekend cut by
// first or last counts with its days inside only. A weekend is worked when
// any of its days is, complete when all its days are worked or none.
QList<DayRange> weekendsBetween(qint64 first, qint64 last, const DayMarks& marks);

// The marks of the calendar (日期类型.节假日) of the open database. False
// with the database's reason.
bool loadDayMarks(QSqlDatabase& db, DayMarks* marks, QString* error);

struct Objectives {
    QHash<qint64, QList<Target>> targets; // per person (基本信息.IDID), resolved
    QList<Wish> wishes;
    QList<Fairness> fairness;
    QHash<qint64, IdealHeadcount> ideal; // per shift (banci.idid)
    // Per shift (banci.idid): the most people the search may put on one of
    // its slots (最多人数, version 5); a shift without one takes its 人数
    // and ideal headcount as the most.
    QHash<qint64, double> most;
    QList<ForbiddenSuccession> successions;
    DayMarks marks;

    // Whether the day is a weekend day of the marked calendar (see the free
    // function above).
    bool isWeekendDay(qint64 day) const { return targets::isWeekendDay(day, marks); }
    // Whether nothing is set that a run reads (forbidden successions, marks).
    bool affectsRun() const { return !successions.isEmpty() || !marks.isEmpty(); }
};

// Reads the tables of the open database (a file without them, of an older
// version, gives the marks and the default fairness only; one of version 4
// no 最多人数). What names a person, group or shift
// that no longer exists is left out, as is a row the editors would refuse
// to store (no kind, no bound, a range the wrong way). fairness holds the
// rows as set and 全部's defaults for the kinds it has no row for; a kind of
// weight 0 is left out. False with the database's reason.
bool load(QSqlDatabase& db, Objectives* objectives, QString* error);

} // namespace korvane::targets
