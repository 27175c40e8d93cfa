#include "overview/overview.h"

#include "rosters/savedroster.h"
#include "store/connection.h"
#include "store/server.h"

#include <QtMath>

namespace korvane::overview {

namespace {

// The latest of the rosters whose period meets the month: last changed, then
// last generated.
const rosters::RosterSummary* latestOf(const QList<rosters::RosterSummary>& all, const QDate& first,
                                       const QDate& last) {
    const rosters::RosterSummary* latest = nullptr;
    for (const rosters::RosterSummary& roster : all) {
        if (roster.last < first || roster.first > last)
            continue;
        if (!latest || std::make_pair(roster.changed, roster.generated) >
                           std::make_pair(latest->changed, latest->generated))
            latest = &roster;
    }
    return latest;
}

// One connection reads every ward it may: a new connection costs the server a
// process and cold caches.
void readWard(const QString& url, const QString& ward, const QDate& first,
              std::unique_ptr<Connection>& connection, Overview* overview) {
    const QDate last = first.addMonths(1).addDays(-1);
    WardNote note{ward, {}, false};
    FileCheck problem;
    bool entered = false;
    if (!connection) {
        connection = Connection::openChecked(server::location(url, ward), &problem,
                                             Connection::Access::ReadOnly);
        entered = bool(connection);
    } else {
        entered = connection->moveToWard(ward, &problem);
    }
    QList<rosters::RosterSummary> all;
    QString error;
    rosters::SavedRoster roster;
    const rosters::RosterSummary* latest = nullptr;
    if (!entered) {
        note.text = problem.reason;
    } else if (!rosters::listRosters(connection->db(), &all, &error)) {
        note.text = error;
    } else if (!(latest = latestOf(all, first, last))) {
        note.text = QStringLiteral("本月没有排班存档");
    } else if (!rosters::loadSavedRoster(connection->db(), latest->number, &roster, &error)) {
        note.text = error;
    } else {
        note.text = roster.summary.name;
        note.shown = true;
        for (const rosters::SavedSlot& slot : roster.dutySlots) {
            const QDate day = roster.sheet.dates.at(slot.date);
            if (day < first || day > last)
                continue;
            const monthsheet::SheetShift& shift = roster.sheet.shifts.at(slot.shift);
            ShiftDay duty{ward, day, shift.name, {}, int(qCeil(shift.headcount))};
            for (int person : slot.people)
                duty.people << roster.sheet.people.at(person).name;
            overview->duties << duty;
        }
    }
    overview->wards << note;
}

} // namespace

QDate parseMonth(const QString& text) {
    const QDate day = QDate::fromString(text + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    return text.size() == 7 ? day : QDate();
}

bool read(const QString& url, const QDate& month, Overview* overview, QString* error) {
    *overview = Overview();
    overview->month = month;
    QStringList wards;
    if (!server::listWards(url, &wards, error))
        return false;
    std::unique_ptr<Connection> connection;
    for (const QString& ward : wards)
        readWard(url, ward, month, connection, overview);
    return true;
}

QStringList columns() {
    return {QStringLiteral("病区"), QStringLiteral("日期"), QStringLiteral("班次"),
            QStringLiteral("需要"), QStringLiteral("缺"),   QStringLiteral("值班人")};
}

QList<QStringList> rows(const Overview& overview) {
    QList<QStringList> all;
    for (const ShiftDay& duty : overview.duties)
        all << QStringList{duty.ward,
                           duty.day.toString(QStringLiteral("yyyy-MM-dd")),
                           duty.shift,
                           QString::number(duty.needed),
                           duty.missing() > 0 ? QString::number(duty.missing()) : QString(),
                           duty.people.join(QStringLiteral("、"))};
    return all;
}

} // namespace korvane::overview
