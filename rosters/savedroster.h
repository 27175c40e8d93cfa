#pragma once

#include "monthsheet/monthsheet.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Saved rosters: a generated roster kept with its own copy of the people,
// shifts and dates it shows, so that later changes to the set-up never
// change it. It is listed, renamed, deleted, and read back into the month
// sheet and the rows of the roster report.
namespace korvane::rosters {

struct RosterSummary {
    qint64 number = 0; // 排班存档.编号
    QString name;
    bool named = false; // false: named after its period, replaced by the next run of it
    QDate first;
    QDate last;
    QString generated; // yyyy-MM-dd HH:mm:ss
    QString changed;
    int people = 0;
    int shifts = 0; // kinds of shift
};

// "2027年2月1日—2027年2月28日"
QString periodName(const QDate& first, const QDate& last);

// Keeps the roster the last run left in the work tables (a run that ended
// with "完成！"), in one transaction. target 0: a new saved roster named
// after its period, in place of the unnamed one of that period (a named one
// is never replaced); else the roster target is filled anew, keeping its
// name and locks. *kept: the roster's number and name.
struct KeptRoster {
    qint64 number = 0;
    QString name;
};
bool keepRun(QSqlDatabase& db, qint64 target, KeptRoster* kept, QString* error);

// Keeps a roster made elsewhere (a search, an imported roster) as a saved
// roster of that name, with the sheet's own copy of its people and shifts,
// in one transaction. False with the reason: an empty name, a name another
// roster has.
bool keepSheet(QSqlDatabase& db, const QString& name, const monthsheet::MonthSheet& sheet,
               KeptRoster* kept, QString* error);

// The columns of the list of saved rosters, and one roster's texts in them.
QStringList summaryColumns();
QStringList summaryTexts(const RosterSummary& summary);

// Every saved roster, the latest period first (none in a file of the first
// version, read before it gets the tables).
bool listRosters(QSqlDatabase& db, QList<RosterSummary>* rosters, QString* error);
// The roster the last finished run kept: the latest generated (the number
// breaks a tie). *summary stays empty (number 0) when none is kept.
bool lastFinishedRoster(QSqlDatabase& db, RosterSummary* summary, QString* error);
// The roster of that name (0 when there is none; -1 on error).
qint64 findRoster(QSqlDatabase& db, const QString& name, QString* error);
// False with the reason: an empty name, a name another roster has.
bool renameRoster(QSqlDatabase& db, qint64 number, const QString& name, QString* error);
bool deleteRoster(QSqlDatabase& db, qint64 number, QString* error);

// A shift on a date and who works it, in the order of 值班人.
struct SavedSlot {
    int date = 0;  // index into MonthSheet::dates
    int shift = 0; // index into MonthSheet::shifts
    QList<int> people;
    QList<bool> byHand; // placed by a hand edit, per person
    QList<qint64> rows; // 存档值班.编号, per person
};

struct SavedRoster {
    RosterSummary summary;
    monthsheet::MonthSheet sheet;
    QList<SavedSlot> dutySlots; // by date, then in the order of a day
    // What it names that the set-up no longer holds.
    QStringList gonePeople;
    QStringList goneShifts;

    // The slot of a shift on a date (-1: none).
    int slotOf(int date, int shift) const;
};

bool loadSavedRoster(QSqlDatabase& db, qint64 number, SavedRoster* roster, QString* error);
// When the roster was last generated and changed and a digest of its
// assignments and locks ("生成时间|修改时间|digest"; empty when it is gone),
// to see whether another page or program changed it, also twice in a second.
QString rosterStamp(QSqlDatabase& db, qint64 number);

// The roster as rows of 值班报表 (日期 in the long form ... 值班人), one per slot.
QList<QStringList> reportRows(const SavedRoster& roster);
// F = M / 3 + 1, M the largest 人数 among the shifts it assigns.
double rowHeightFactor(const SavedRoster& roster);
// "已不存在的人员：甲、乙。已不存在的班次：夜班。" (empty when nothing is gone).
QString goneText(const SavedRoster& roster);

// A database in memory holding the roster as 值班报表, so that the roster
// queries, the printed report and the workbook read a saved roster exactly
// as they read the last run's.
class RosterTables {
public:
    explicit RosterTables(const SavedRoster& roster);
    ~RosterTables();
    RosterTables(const RosterTables&) = delete;
    RosterTables& operator=(const RosterTables&) = delete;

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    QSqlDatabase db() const;

private:
    QString m_name;
    QString m_error;
};

} // namespace korvane::rosters
