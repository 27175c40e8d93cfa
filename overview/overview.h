#pragma once

#include "engine/dutychecks.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The nursing department's view of a month (全院总表): every ward of a
// server with its latest saved roster of the month, per day and shift the
// people on duty and how many are missing. Reads only.
namespace korvane::overview {

struct ShiftDay {
    QString ward;
    QDate day;
    QString shift;
    QStringList people; // in the order of the roster
    int needed = 0;     // 人数, rounded up
    int missing() const { return qMax(0, needed - int(people.size())); }
};

struct WardNote {
    QString ward;
    QString text; // the roster shown (its name), or why there is none
    bool shown = false;
};

// A shift of a person with a 工号 on a ward's shown roster.
struct StaffDuty {
    QString staffNumber; // 工号
    QString name;
    QString ward;
    QDate day;
    QString shift;
    int startMinute = 0; // after the day's midnight
    int endMinute = 0;   // past 1440 when it ends on the next day
    bool overnight = false;
    std::optional<double> restHours; // the ward's 最少休息小时 for the person
};

// One person (one 工号) on shifts of two wards that overlap, or with less
// rest between them than the person's rest: the earlier shift, the later
// one, and what it breaks.
struct CrossWardFlag {
    StaffDuty earlier;
    StaffDuty later;
    engine::PassOver kind = engine::PassOver::None; // Rest or Overlap
    QString text;
};

struct Overview {
    QDate month;                  // its first day
    QList<WardNote> wards;        // every ward of the server, by name
    QList<ShiftDay> duties;       // by ward, day, then the order of a day
    QList<StaffDuty> staffDuties; // of the people with a 工号, by ward; the days either side too
    QList<CrossWardFlag> flags;   // by 工号, then time; each with a shift of the month
};

// The month "yyyy-MM" (its first day; invalid when it is not one).
QDate parseMonth(const QString& text);

// The overview of the month over the wards of the server at url. A ward the
// connection's role may not read, or one without a roster of the month, is
// noted and left out. False (with a message) only when the server cannot be
// read at all.
bool read(const QString& url, const QDate& month, Overview* overview, QString* error);

// The columns of the overview, and its rows as text.
QStringList columns();
QList<QStringList> rows(const Overview& overview);

// Where a 工号's shifts in different wards overlap or break the rest, each
// shift checked against the one that ends last before it, as a ward's own
// roster is checked (engine/dutychecks.h). The rest is the larger of the two
// wards' 最少休息小时 for the person; where neither ward sets one, only
// overlapping shifts are flagged, as a ward without the limit does.
QList<CrossWardFlag> crossWardFlags(const QList<StaffDuty>& duties);

// The flags as rows of text, under their columns.
QStringList flagColumns();
QList<QStringList> flagRows(const Overview& overview);

} // namespace korvane::overview
