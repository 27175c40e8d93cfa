#include "overview/overview.h"

#include "editors/staff.h"
#include "engine/explanation.h"
#include "rosters/savedroster.h"
#include "store/connection.h"
#include "store/messages.h"
#include "store/server.h"

#include <QMap>
#include <QTime>
#include <QtMath>

#include <algorithm>

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

// The 工号 of a ward's people, and the ward's rest for each (its 最少休息小时
// as a run of the ward reads it). A ward whose set-up cannot be read gives
// them no rest.
struct WardStaff {
    QHash<qint64, QString> numbers;
    QHash<qint64, std::optional<double>> rest;
};

WardStaff wardStaff(QSqlDatabase& db) {
    WardStaff staff;
    QString error;
    if (!staff::staffNumbers(db, &staff.numbers, &error) || staff.numbers.isEmpty())
        return staff;
    engine::PlanningData setup;
    if (setup.load(db, &error))
        for (int i = 0; i < setup.staff.size(); ++i)
            staff.rest.insert(setup.staff.at(i).idid, setup.limits.at(i).restHours);
    return staff;
}

// The shifts from first to last of the roster's people who have a 工号.
void addStaffDuties(const WardStaff& staff, const QString& ward, const rosters::SavedRoster& roster,
                    const QDate& first, const QDate& last, Overview* overview) {
    const monthsheet::MonthSheet& sheet = roster.sheet;
    for (const rosters::SavedSlot& slot : roster.dutySlots) {
        const QDate day = sheet.dates.at(slot.date);
        if (day < first || day > last)
            continue;
        const monthsheet::SheetShift& shift = sheet.shifts.at(slot.shift);
        const QTime start = QTime::fromString(shift.start, QStringLiteral("HH:mm"));
        const int startMinute = start.isValid() ? start.hour() * 60 + start.minute() : 0;
        for (int person : slot.people) {
            const monthsheet::SheetPerson& who = sheet.people.at(person);
            const QString number = staff.numbers.value(who.idid);
            if (number.isEmpty())
                continue;
            overview->staffDuties << StaffDuty{number,
                                               who.name,
                                               ward,
                                               day,
                                               shift.name,
                                               startMinute,
                                               startMinute + std::max(0, shift.minutes),
                                               shift.overnight,
                                               staff.rest.value(who.idid)};
        }
    }
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
    // The shifts of the people with a 工号: the month's from the roster
    // shown, the day before the month and the day after each from the latest
    // roster that covers it (a night on the last day of one month meets a
    // morning on the first of the next).
    const WardStaff staff =
        connection && !all.isEmpty() ? wardStaff(connection->db()) : WardStaff();
    if (!staff.numbers.isEmpty()) {
        if (note.shown)
            addStaffDuties(staff, ward, roster, first, last, overview);
        for (const QDate& edge : {first.addDays(-1), last.addDays(1)}) {
            const rosters::RosterSummary* covering = latestOf(all, edge, edge);
            rosters::SavedRoster other;
            if (covering && note.shown && covering->number == latest->number)
                addStaffDuties(staff, ward, roster, edge, edge, overview);
            else if (covering &&
                     rosters::loadSavedRoster(connection->db(), covering->number, &other, &error))
                addStaffDuties(staff, ward, other, edge, edge, overview);
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
    // Flags between two shifts outside the month belong to another month.
    const QDate last = month.addMonths(1).addDays(-1);
    const auto inMonth = [&](const StaffDuty& duty) {
        return duty.day >= month && duty.day <= last;
    };
    for (const CrossWardFlag& flag : crossWardFlags(overview->staffDuties))
        if (inMonth(flag.earlier) || inMonth(flag.later))
            overview->flags << flag;
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

QList<CrossWardFlag> crossWardFlags(const QList<StaffDuty>& duties) {
    QMap<QString, QList<int>> byNumber;
    for (int i = 0; i < duties.size(); ++i)
        byNumber[duties.at(i).staffNumber] << i;
    const auto startOf = [&](int i) {
        return duties.at(i).day.toJulianDay() * engine::kMinutesPerDay + duties.at(i).startMinute;
    };
    static const QList<qint64> noNeighbours;
    QList<CrossWardFlag> flags;
    for (QList<int>& own : byNumber) {
        std::stable_sort(own.begin(), own.end(), [&](int a, int b) {
            return std::make_pair(startOf(a), duties.at(a).endMinute) <
                   std::make_pair(startOf(b), duties.at(b).endMinute);
        });
        // What the person worked before each shift, in every ward; the
        // shift's index stands for its idid, naming the one that ends last.
        engine::WorkDone work;
        for (int i : own) {
            const StaffDuty& later = duties.at(i);
            const qint64 day = later.day.toJulianDay();
            const engine::Duty duty{day, later.startMinute, later.endMinute, later.overnight, false,
                                    i};
            const StaffDuty* earlier = work.hasWorked() ? &duties.at(int(work.lastShift)) : nullptr;
            if (earlier && earlier->ward != later.ward) {
                engine::WorkLimits limits;
                limits.restHours =
                    std::max(earlier->restHours.value_or(0), later.restHours.value_or(0));
                for (const engine::Breach& breach :
                     engine::breaches(limits, work, duty, {}, {noNeighbours, noNeighbours})) {
                    const QString before =
                        earlier->ward + QLatin1Char(' ') +
                        msg::monthDay.arg(earlier->day.month()).arg(earlier->day.day());
                    const QString text =
                        breach.kind == engine::PassOver::Overlap
                            ? msg::warnOverlap.arg(before, earlier->shift)
                            : msg::warnRest.arg(before, earlier->shift,
                                                engine::hoursText(double(breach.restMinutes) / 60),
                                                later.ward + QLatin1Char(' ') + later.shift,
                                                engine::hoursText(breach.restHours));
                    flags << CrossWardFlag{*earlier, later, breach.kind, text};
                }
            }
            work.add(day, later.startMinute, later.endMinute, later.overnight, false, i);
        }
    }
    return flags;
}

QStringList flagColumns() {
    return {QStringLiteral("工号"), QStringLiteral("姓名"), QStringLiteral("病区"),
            QStringLiteral("日期"), QStringLiteral("班次"), QStringLiteral("另一病区"),
            QStringLiteral("日期"), QStringLiteral("班次"), QStringLiteral("问题")};
}

QList<QStringList> flagRows(const Overview& overview) {
    const QString dateForm = QStringLiteral("yyyy-MM-dd");
    QList<QStringList> all;
    for (const CrossWardFlag& flag : overview.flags)
        all << QStringList{flag.later.staffNumber,
                           flag.later.name,
                           flag.earlier.ward,
                           flag.earlier.day.toString(dateForm),
                           flag.earlier.shift,
                           flag.later.ward,
                           flag.later.day.toString(dateForm),
                           flag.later.shift,
                           flag.text};
    return all;
}

} // namespace korvane::overview
