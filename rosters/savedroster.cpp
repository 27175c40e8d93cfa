#include "rosters/savedroster.h"

#include "editors/shifteditor.h"
#include "engine/planningdata.h"
#include "rosters/statements.h"
#include "store/messages.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QAtomicInt>
#include <QCryptographicHash>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <tuple>

namespace korvane::rosters {

namespace {

using sql::fail;
using sql::inTransaction;
using sql::now;

// Every table that holds rows of a saved roster, by its 存档编号.
const QStringList kRosterTables = {QStringLiteral("存档人员"), QStringLiteral("存档班次"),
                                   QStringLiteral("存档班位"), QStringLiteral("存档值班"),
                                   QStringLiteral("存档锁定")};
// What a kept roster's content is; locks stay when it is filled anew.
const QStringList kContentTables = kRosterTables.mid(0, 4);

bool nameTaken(QSqlQuery& query, const QString& name, qint64 except, bool* taken, QString* error) {
    if (!execBound(query,
                   QStringLiteral("select count(*) from 排班存档 where 名称 = ? and 编号 <> ?"),
                   {name, except}, error))
        return false;
    if (!query.next())
        return fail(query, error);
    *taken = query.value(0).toInt() > 0;
    return true;
}

bool deleteRows(QSqlQuery& query, qint64 number, const QStringList& tables, QString* error) {
    for (const QString& table : tables)
        if (!execBound(query, QStringLiteral("delete from %1 where 存档编号 = ?").arg(table),
                       {number}, error))
            return false;
    return true;
}

bool removeRoster(QSqlQuery& query, qint64 number, QString* error) {
    return deleteRows(query, number, kRosterTables, error) &&
           execBound(query, QStringLiteral("delete from 排班存档 where 编号 = ?"), {number}, error);
}

} // namespace

QString periodName(const QDate& first, const QDate& last) {
    return engine::longDate(first.toJulianDay()) + QStringLiteral("—") +
           engine::longDate(last.toJulianDay());
}

bool keepRun(QSqlDatabase& db, qint64 target, KeptRoster* kept, QString* error) {
    return inTransaction(db, error, [&] {
        QSqlQuery query(db);
        if (!execBound(query, QStringLiteral("select min(日期), max(日期) from 日期类型"), {},
                       error) ||
            !query.next())
            return false;
        const QDate first = QDate::fromString(query.value(0).toString(), Qt::ISODate);
        const QDate last = QDate::fromString(query.value(1).toString(), Qt::ISODate);
        if (!first.isValid() || !last.isValid()) {
            if (error)
                *error = msg::noRoster;
            return false;
        }
        const QString time = now();
        if (target == 0) {
            // The unnamed roster of the period gives way; a named one never does.
            if (!execBound(
                    query,
                    QStringLiteral("select 编号 from 排班存档 where 已命名 = 0 and 开始日期 = ? "
                                   "and 结束日期 = ?"),
                    {first.toString(Qt::ISODate), last.toString(Qt::ISODate)}, error))
                return false;
            QList<qint64> replaced;
            while (query.next())
                replaced << query.value(0).toLongLong();
            for (qint64 old : replaced)
                if (!removeRoster(query, old, error))
                    return false;
            // A planner may have given another roster the period's name.
            QString name = periodName(first, last);
            bool taken = true;
            for (int copy = 2; taken; ++copy) {
                if (!nameTaken(query, name, 0, &taken, error))
                    return false;
                if (taken)
                    name = periodName(first, last) + QStringLiteral("（%1）").arg(copy);
            }
            if (!execBound(
                    query,
                    QStringLiteral("insert into 排班存档 (名称, 已命名, 开始日期, 结束日期, "
                                   "生成时间, 修改时间) values (?, 0, ?, ?, ?, ?)"),
                    {name, first.toString(Qt::ISODate), last.toString(Qt::ISODate), time, time},
                    error))
                return false;
            kept->number = lastInsertedId(query).toLongLong();
            kept->name = name;
        } else {
            kept->number = target;
            if (!execBound(query, QStringLiteral("select 名称 from 排班存档 where 编号 = ?"),
                           {target}, error))
                return false;
            if (!query.next()) {
                if (error)
                    *error = msg::savedRosterGone;
                return false;
            }
            kept->name = query.value(0).toString();
            if (!deleteRows(query, target, kContentTables, error) ||
                !execBound(
                    query,
                    QStringLiteral("update 排班存档 set 开始日期 = ?, 结束日期 = ?, 生成时间 = ?, "
                                   "修改时间 = ? where 编号 = ?"),
                    {first.toString(Qt::ISODate), last.toString(Qt::ISODate), time, time, target},
                    error))
                return false;
        }
        const QVariantList roster = {kept->number};
        return execBound(
                   query,
                   QStringLiteral("insert into 存档人员 (存档编号, 序号, 人员IDID, ID, 姓名) "
                                  "select ?, row_number() over (order by ID, IDID) - 1, IDID, "
                                  "ID, 姓名 from 基本信息"),
                   roster, error) &&
               execBound(
                   query,
                   QStringLiteral(
                       "insert into 存档班次 (存档编号, 序号, 班次IDID, 班次名称, 起始时间, 次日, "
                       "终止时间, 开始秒序, 结束秒序, 人数) select ?, row_number() over (order "
                       "by 起始时间, 结束秒序, idid) - 1, idid, 班次名称, 起始时间, 次日, "
                       "终止时间, 开始秒序, 结束秒序, 人数 from banci"),
                   roster, error) &&
               execBound(
                   query,
                   QStringLiteral("insert into 存档值班 (存档编号, 日期, 班次IDID, 人员IDID, 手改) "
                                  "select ?, 日期, 班次IDID, 姓名IDID, 0 from 值班底表 where "
                                  "是否值班 = '1' order by idid"),
                   roster, error) &&
               execBound(
                   query,
                   QStringLiteral("insert into 存档班位 (存档编号, 日期, 班次IDID) select distinct "
                                  "存档编号, 日期, 班次IDID from 存档值班 where 存档编号 = ?"),
                   roster, error);
    });
}

bool keepSheet(QSqlDatabase& db, const QString& name, const monthsheet::MonthSheet& sheet,
               KeptRoster* kept, QString* error) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || sheet.dates.isEmpty()) {
        if (error)
            *error = trimmed.isEmpty() ? msg::rosterNameEmpty : msg::noRoster;
        return false;
    }
    return inTransaction(db, error, [&] {
        QSqlQuery query(db);
        bool taken = false;
        if (!nameTaken(query, trimmed, 0, &taken, error))
            return false;
        if (taken) {
            if (error)
                *error = msg::rosterNameTaken.arg(trimmed);
            return false;
        }
        const QString time = now();
        if (!execBound(query,
                       QStringLiteral("insert into 排班存档 (名称, 已命名, 开始日期, 结束日期, "
                                      "生成时间, 修改时间) values (?, 1, ?, ?, ?, ?)"),
                       {trimmed, sheet.dates.first().toString(Qt::ISODate),
                        sheet.dates.last().toString(Qt::ISODate), time, time},
                       error))
            return false;
        const qint64 number = lastInsertedId(query).toLongLong();
        QVariantList people, shifts, duties, dutySlots;
        for (int i = 0; i < sheet.people.size(); ++i) {
            const monthsheet::SheetPerson& person = sheet.people.at(i);
            people << number << i << person.idid << person.id << person.name;
        }
        for (int i = 0; i < sheet.shifts.size(); ++i) {
            const monthsheet::SheetShift& own = sheet.shifts.at(i);
            const QTime start = QTime::fromString(own.start, QStringLiteral("HH:mm"));
            const int startMinute = start.isValid() ? start.hour() * 60 + start.minute() : 0;
            shifts << number << i << own.idid << own.name << own.start
                   << (own.overnight ? shift::crossing : shift::notCrossing) << own.end
                   << startMinute << startMinute + own.minutes << own.headcount;
        }
        for (int date = 0; date < sheet.dates.size(); ++date) {
            const QString day = sheet.dates.at(date).toString(Qt::ISODate);
            QSet<int> used;
            for (int person = 0; person < sheet.people.size(); ++person)
                for (int shift : sheet.cell(person, date)) {
                    used.insert(shift);
                    duties << number << day << sheet.shifts.at(shift).idid
                           << sheet.people.at(person).idid << 0;
                }
            for (int shift : std::as_const(used))
                dutySlots << number << day << sheet.shifts.at(shift).idid;
        }
        QSqlError fault;
        if (!insertRows(query,
                        QStringLiteral("insert into 存档人员 (存档编号, 序号, 人员IDID, ID, 姓名)"),
                        5, people, &fault) ||
            !insertRows(query,
                        QStringLiteral("insert into 存档班次 (存档编号, 序号, 班次IDID, 班次名称, "
                                       "起始时间, 次日, 终止时间, 开始秒序, 结束秒序, 人数)"),
                        10, shifts, &fault) ||
            !insertRows(
                query,
                QStringLiteral("insert into 存档值班 (存档编号, 日期, 班次IDID, 人员IDID, 手改)"),
                5, duties, &fault) ||
            !insertRows(query, QStringLiteral("insert into 存档班位 (存档编号, 日期, 班次IDID)"), 3,
                        dutySlots, &fault)) {
            if (error)
                *error = fault.text();
            return false;
        }
        kept->number = number;
        kept->name = trimmed;
        return true;
    });
}

QStringList summaryColumns() {
    return {QStringLiteral("名称"),     QStringLiteral("时段"), QStringLiteral("生成时间"),
            QStringLiteral("修改时间"), QStringLiteral("人数"), QStringLiteral("班次数")};
}

QStringList summaryTexts(const RosterSummary& summary) {
    return {
        summary.name,    periodName(summary.first, summary.last), summary.generated,
        summary.changed, QString::number(summary.people),         QString::number(summary.shifts)};
}

bool listRosters(QSqlDatabase& db, QList<RosterSummary>* rosters, QString* error) {
    rosters->clear();
    QSqlQuery query(db);
    bool present = false;
    if (!sql::hasRosterTables(query, &present, error))
        return false;
    if (!present)
        return true;
    if (!execBound(
            query,
            QStringLiteral(
                "select 编号, 名称, 已命名, 开始日期, 结束日期, 生成时间, 修改时间, (select "
                "count(*) from 存档人员 p where p.存档编号 = r.编号), (select count(*) from "
                "存档班次 s where s.存档编号 = r.编号) from 排班存档 r order by 开始日期 desc, "
                "结束日期 desc, 编号 desc"),
            {}, error))
        return false;
    while (query.next()) {
        RosterSummary summary;
        summary.number = query.value(0).toLongLong();
        summary.name = query.value(1).toString();
        summary.named = query.value(2).toInt() != 0;
        summary.first = QDate::fromString(query.value(3).toString(), Qt::ISODate);
        summary.last = QDate::fromString(query.value(4).toString(), Qt::ISODate);
        summary.generated = query.value(5).toString();
        summary.changed = query.value(6).toString();
        summary.people = query.value(7).toInt();
        summary.shifts = query.value(8).toInt();
        rosters->append(summary);
    }
    return true;
}

bool lastFinishedRoster(QSqlDatabase& db, RosterSummary* summary, QString* error) {
    *summary = {};
    QList<RosterSummary> rosters;
    if (!listRosters(db, &rosters, error))
        return false;
    for (const RosterSummary& roster : rosters)
        if (std::tie(roster.generated, roster.number) >
            std::tie(summary->generated, summary->number))
            *summary = roster;
    return true;
}

qint64 findRoster(QSqlDatabase& db, const QString& name, QString* error) {
    QSqlQuery query(db);
    bool present = false;
    if (!sql::hasRosterTables(query, &present, error))
        return -1;
    if (!present)
        return 0;
    if (!execBound(query, QStringLiteral("select 编号 from 排班存档 where 名称 = ?"), {name},
                   error))
        return -1;
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool renameRoster(QSqlDatabase& db, qint64 number, const QString& name, QString* error) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        if (error)
            *error = msg::rosterNameEmpty;
        return false;
    }
    return inTransaction(db, error, [&] {
        QSqlQuery query(db);
        bool taken = false;
        if (!nameTaken(query, trimmed, number, &taken, error))
            return false;
        if (taken) {
            if (error)
                *error = msg::rosterNameTaken.arg(trimmed);
            return false;
        }
        if (!execBound(
                query,
                QStringLiteral("update 排班存档 set 名称 = ?, 已命名 = 1, 修改时间 = ? where "
                               "编号 = ?"),
                {trimmed, now(), number}, error))
            return false;
        if (query.numRowsAffected() != 1) {
            if (error)
                *error = msg::savedRosterGone;
            return false;
        }
        return true;
    });
}

bool deleteRoster(QSqlDatabase& db, qint64 number, QString* error) {
    return inTransaction(db, error, [&] {
        QSqlQuery query(db);
        return removeRoster(query, number, error);
    });
}

QString rosterStamp(QSqlDatabase& db, qint64 number) {
    QSqlQuery query(db);
    if (!execBound(query,
                   QStringLiteral("select 生成时间, 修改时间, 名称 from 排班存档 where 编号 = ?"),
                   {number}, nullptr) ||
        !query.next())
        return {};
    const QString times = query.value(0).toString() + QLatin1Char('|') + query.value(1).toString();
    // Its times are to the second: what it holds tells two changes of one second apart.
    QCryptographicHash content(QCryptographicHash::Sha1);
    content.addData(query.value(2).toString().toUtf8());
    for (const QString& rows :
         {QStringLiteral("select 编号, 日期, 班次IDID, 人员IDID, 手改 from 存档值班 where 存档编号 "
                         "= ? order by 编号"),
          QStringLiteral("select 编号, 对象, 日期, 人员IDID from 存档锁定 where 存档编号 = ? "
                         "order by 编号")}) {
        if (!execBound(query, rows, {number}, nullptr))
            return {};
        content.addData("\n");
        const int columns = query.record().count();
        while (query.next())
            for (int i = 0; i < columns; ++i) {
                content.addData(query.value(i).toString().toUtf8());
                content.addData(i + 1 < columns ? "|" : ";");
            }
    }
    return times + QLatin1Char('|') + QString::fromLatin1(content.result().toHex());
}

int SavedRoster::slotOf(int date, int shift) const {
    const auto found = std::lower_bound(
        dutySlots.begin(), dutySlots.end(), std::pair(date, shift),
        [](const SavedSlot& slot, auto key) { return std::pair(slot.date, slot.shift) < key; });
    if (found == dutySlots.end() || found->date != date || found->shift != shift)
        return -1;
    return int(found - dutySlots.begin());
}

namespace {

// The roster's row of 排班存档 into its summary; a missing row is gone.
bool readSummary(QSqlQuery& query, qint64 number, RosterSummary* summary, QString* error) {
    if (!execBound(
            query,
            QStringLiteral("select 编号, 名称, 已命名, 开始日期, 结束日期, 生成时间, 修改时间 from "
                           "排班存档 where 编号 = ?"),
            {number}, error))
        return false;
    if (!query.next()) {
        if (error)
            *error = msg::savedRosterGone;
        return false;
    }
    summary->number = number;
    summary->name = query.value(1).toString();
    summary->named = query.value(2).toInt() != 0;
    summary->first = QDate::fromString(query.value(3).toString(), Qt::ISODate);
    summary->last = QDate::fromString(query.value(4).toString(), Qt::ISODate);
    summary->generated = query.value(5).toString();
    summary->changed = query.value(6).toString();

    return true;
}

// The first column of every row of a statement without parameters.
bool readIds(QSqlQuery& query, const QString& statement, QSet<qint64>* ids, QString* error) {
    if (!execBound(query, statement, {}, error))
        return false;
    while (query.next())
        ids->insert(query.value(0).toLongLong());
    return true;
}

// The people and the shifts kept with the roster, in their kept order, and
// where each of them is in the sheet.
bool readPeopleAndShifts(QSqlQuery& query, qint64 number, monthsheet::MonthSheet& sheet,
                         QHash<qint64, int>& personRow, QHash<qint64, int>& shiftIndex,
                         QString* error) {
    if (!execBound(
            query,
            QStringLiteral("select 人员IDID, ID, 姓名 from 存档人员 where 存档编号 = ? order by "
                           "序号"),
            {number}, error))
        return false;
    while (query.next()) {
        const monthsheet::SheetPerson person{
            query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toString()};
        personRow.insert(person.idid, int(sheet.people.size()));
        sheet.people << person;
    }

    if (!execBound(query,
                   QStringLiteral("select 班次IDID, 班次名称, 起始时间, 终止时间, 次日, 开始秒序, "
                                  "结束秒序, 人数 from 存档班次 where 存档编号 = ? order by 序号"),
                   {number}, error))
        return false;
    while (query.next()) {
        const monthsheet::SheetShift shift = monthsheet::shiftFromRow(query);
        shiftIndex.insert(shift.idid, int(sheet.shifts.size()));
        sheet.shifts << shift;
    }

    return true;
}

// The slots and the duties kept with the roster, onto the sheet; a duty of a
// date, shift or person the roster does not hold is left out.
bool readDuties(QSqlQuery& query, qint64 number, const QHash<QString, int>& dateColumn,
                const QHash<qint64, int>& personRow, const QHash<qint64, int>& shiftIndex,
                monthsheet::MonthSheet& sheet, QList<SavedSlot>* kept, QString* error) {
    QMap<std::pair<int, int>, SavedSlot> dutySlots;
    if (!execBound(query, QStringLiteral("select 日期, 班次IDID from 存档班位 where 存档编号 = ?"),
                   {number}, error))
        return false;
    while (query.next()) {
        const auto date = dateColumn.constFind(query.value(0).toString());
        const auto shift = shiftIndex.constFind(query.value(1).toLongLong());
        if (date != dateColumn.constEnd() && shift != shiftIndex.constEnd())
            dutySlots.insert({*date, *shift}, SavedSlot{*date, *shift, {}, {}, {}});
    }
    sheet.resetCells();
    if (!execBound(query,
                   QStringLiteral("select 日期, 班次IDID, 人员IDID, 手改, 编号 from 存档值班 where "
                                  "存档编号 = ? order by 编号"),
                   {number}, error))
        return false;
    while (query.next()) {
        const auto date = dateColumn.constFind(query.value(0).toString());
        const auto shift = shiftIndex.constFind(query.value(1).toLongLong());
        const auto person = personRow.constFind(query.value(2).toLongLong());
        if (date == dateColumn.constEnd() || shift == shiftIndex.constEnd() ||
            person == personRow.constEnd())
            continue;
        SavedSlot& slot = dutySlots[{*date, *shift}];
        slot.date = *date;
        slot.shift = *shift;
        slot.people << *person;
        slot.byHand << (query.value(3).toInt() != 0);
        slot.rows << query.value(4).toLongLong();
        sheet.add(*person, *date, *shift);
    }
    *kept = dutySlots.values();
    return true;
}

} // namespace

bool loadSavedRoster(QSqlDatabase& db, qint64 number, SavedRoster* roster, QString* error) {
    *roster = {};
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!readSummary(query, number, &roster->summary, error))
        return false;
    RosterSummary& summary = roster->summary;

    monthsheet::MonthSheet& sheet = roster->sheet;
    QHash<QString, int> dateColumn;
    for (QDate date = summary.first; date.isValid() && date <= summary.last;
         date = date.addDays(1)) {
        dateColumn.insert(date.toString(Qt::ISODate), int(sheet.dates.size()));
        sheet.dates << date;
    }
    // The marks of the calendar as it is now: a roster of the current period
    // shows its holidays, one of another period plain weekends.
    if (!targets::loadDayMarks(db, &sheet.marks, error))
        return false;

    QSet<qint64> staff, shiftsNow;
    if (!readIds(query, QStringLiteral("select IDID from 基本信息"), &staff, error) ||
        !readIds(query, QStringLiteral("select idid from banci"), &shiftsNow, error))
        return false;

    QHash<qint64, int> personRow, shiftIndex;
    if (!readPeopleAndShifts(query, number, sheet, personRow, shiftIndex, error) ||
        !readDuties(query, number, dateColumn, personRow, shiftIndex, sheet, &roster->dutySlots,
                    error))
        return false;

    summary.people = int(sheet.people.size());
    summary.shifts = int(sheet.shifts.size());
    for (const monthsheet::SheetPerson& person : sheet.people)
        if (!staff.contains(person.idid))
            roster->gonePeople << person.name;
    for (const monthsheet::SheetShift& shift : sheet.shifts)
        if (!shiftsNow.contains(shift.idid))
            roster->goneShifts << shift.name;
    return true;
}

QList<QStringList> reportRows(const SavedRoster& roster) {
    QList<QStringList> rows;
    const monthsheet::MonthSheet& sheet = roster.sheet;
    for (const SavedSlot& slot : roster.dutySlots) {
        const monthsheet::SheetShift& shift = sheet.shifts.at(slot.shift);
        QString persons;
        for (int person : slot.people)
            persons += QStringLiteral("  ") + sheet.people.at(person).name;
        rows << QStringList{
            engine::longDate(sheet.dates.at(slot.date).toJulianDay()), shift.name, shift.start,
            shift.overnight ? shift::crossing : shift::notCrossing,    shift.end,  persons};
    }
    return rows;
}

double rowHeightFactor(const SavedRoster& roster) {
    double most = 0;
    for (const SavedSlot& slot : roster.dutySlots)
        if (!slot.people.isEmpty())
            most = std::max(most, roster.sheet.shifts.at(slot.shift).headcount);
    return most / 3 + 1;
}

QString goneText(const SavedRoster& roster) {
    QString text;
    if (!roster.gonePeople.isEmpty())
        text += msg::gonePeople.arg(roster.gonePeople.join(QStringLiteral("、")));
    if (!roster.goneShifts.isEmpty())
        text += msg::goneShifts.arg(roster.goneShifts.join(QStringLiteral("、")));
    return text;
}

RosterTables::RosterTables(const SavedRoster& roster) {
    static QAtomicInt counter;
    m_name = QStringLiteral("saved roster %1").arg(counter.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open()) {
        m_error = db.lastError().text();
        return;
    }
    const schema::Table* table = schema::findTable(QStringLiteral("值班报表"));
    QSqlQuery query(db);
    if (!query.exec(schema::createStatement(*table)) || !db.transaction() ||
        !query.prepare(QStringLiteral("insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, "
                                      "结束时间, 值班人) values (?, ?, ?, ?, ?, ?)"))) {
        m_error = query.lastError().text();
        return;
    }
    for (const QStringList& row : reportRows(roster)) {
        for (int column = 0; column < row.size(); ++column)
            query.bindValue(column, row.at(column));
        if (!query.exec()) {
            m_error = query.lastError().text();
            db.rollback();
            return;
        }
    }
    if (!db.commit())
        m_error = db.lastError().text();
}

RosterTables::~RosterTables() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase RosterTables::db() const {
    return QSqlDatabase::database(m_name, false);
}

} // namespace korvane::rosters
