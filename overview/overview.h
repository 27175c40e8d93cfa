#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

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

struct Overview {
    QDate month;            // its first day
    QList<WardNote> wards;  // every ward of the server, by name
    QList<ShiftDay> duties; // by ward, day, then the order of a day
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

} // namespace korvane::overview
