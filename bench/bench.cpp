// korvane-bench: whole generation runs on synthetic set-ups of fixed seeds,
// each against the floor: the time one statement takes to write the run's
// candidate rows into the same file.
//
//   korvane-bench                          every set-up
//   korvane-bench SETUP...                 the named set-ups (ward, hospital-year, hospital)
//   korvane-bench --write SETUP FILE       write a set-up to a database file
//   korvane-bench server                   only the cases on a server (below)
//
// Every measurement runs in a process of its own on a fresh copy of the set-up
// file, so that its peak memory is its own; the medians of three are shown.
// On the hospital year the month sheet of the generated roster is measured
// too: opened as data (the loader and the model the window's table reads),
// written as a workbook and as a PDF, and the run with limits on every person
// and 200 leave ranges is set against the plain one; the time to explain a
// failing slot is the in-memory plan (korvane-cli explain) of that set-up
// with one slot on its last day that cannot be filled. The roster is then kept
// as a saved roster with every tenth date locked (a tenth of its assignments):
// generated again around the locks, and changed by one hand edit. On the
// hospital year and the whole hospital, the warnings of one hand edit. The
// hospital year runs on a ward of a local server too, against the file; and
// the department's overview reads a month of 30 wards of 40 people there.

#include "bench/benchsupport.h"
#include "bench/scorebench.h"
#include "bench/serverbench.h"
#include "engine/roster.h"
#include "engine/rostertable.h"
#include "engine/run.h"
#include "monthsheet/monthsheet.h"
#include "monthsheet/report/sheetreport.h"
#include "monthsheet/sheetmodel.h"
#include "monthsheet/workbook.h"
#include "rosters/edits.h"
#include "rosters/locks.h"
#include "rosters/savedroster.h"
#include "rosters/warnings.h"
#include "store/connection.h"
#include "store/datafiles.h"
#include "store/membership.h"
#include "store/messages.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>

using namespace korvane;
using bench::print;

namespace {

struct ShiftPlan {
    const char* name;
    const char* start;
    const char* end;
    bool nextDay;
    double headcount;
    const char* distribution;
    QList<int> shiftGroups; // idids of the shift groups it belongs to
};

struct SetupPlan {
    QString name;
    unsigned seed;
    int staff;
    QDate first;
    int days;
    int staffGroups;
    QStringList dateGroups; // each with a rule deciding its dates, see dateInGroup
    QStringList shiftGroups;
    QList<ShiftPlan> shifts;
    int rules;
};

const QStringList kSurnames = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴",
                               "徐", "孙", "胡", "朱", "高", "林", "何", "郭", "马", "罗"};
const QStringList kGivenNames = {"芳", "静", "丽",   "敏",   "婷",   "雪",  "娜",
                                 "燕", "霞", "磊",   "洋",   "勇",   "杰",  "涛",
                                 "明", "超", "秀英", "桂兰", "晓峰", "欣怡"};

SetupPlan ward() {
    return {QStringLiteral("ward"),
            20270101,
            30,
            QDate(2027, 1, 1),
            31,
            2,
            {QStringLiteral("周末")},
            {QStringLiteral("夜间")},
            {{"白班", "08:00", "16:00", false, 4, "全部", {}},
             {"办公班", "08:00", "17:30", false, 1, "全部", {}},
             {"小夜班", "16:00", "22:00", false, 2, "全部", {2}},
             {"大夜班", "22:00", "08:00", true, 2, "全部", {2}}},
            12};
}

SetupPlan hospitalYear() {
    return {QStringLiteral("hospital-year"),
            20280101,
            200,
            QDate(2028, 1, 1),
            366,
            8,
            {QStringLiteral("周末"), QStringLiteral("节假日"), QStringLiteral("第一季度"),
             QStringLiteral("夏季"), QStringLiteral("月初")},
            {QStringLiteral("白天"), QStringLiteral("夜间"), QStringLiteral("长班")},
            {{"白班", "08:00", "16:00", false, 6, "全部", {2}},
             {"办公班", "08:00", "17:30", false, 2, "全部", {2}},
             {"周末听班", "08:00", "08:00", true, 2, "周末", {4}},
             {"门诊班", "08:30", "12:00", false, 3, "全部", {2}},
             {"小夜班", "16:00", "22:00", false, 4, "全部", {3}},
             {"大夜班", "22:00", "08:00", true, 4, "全部", {3, 4}}},
            60};
}

// A ward of the department's overview: the ward's month for 40 people.
SetupPlan overviewWard() {
    SetupPlan plan = ward();
    plan.name = QStringLiteral("overview-ward");
    plan.staff = 40;
    return plan;
}

// A whole hospital in one file: the hospital year's shifts and rules for 1,000 people.
SetupPlan hospital() {
    SetupPlan plan = hospitalYear();
    plan.name = QStringLiteral("hospital");
    plan.seed = 20280102;
    plan.staff = 1000;
    plan.staffGroups = 20;
    return plan;
}

// Which dates the date group with this name holds.
bool dateInGroup(const QString& group, const QDate& date) {
    if (group == QLatin1String("周末"))
        return date.dayOfWeek() >= 6;
    if (group == QLatin1String("节假日"))
        return (date.month() == 1 && date.day() == 1) || (date.month() == 5 && date.day() <= 3) ||
               (date.month() == 10 && date.day() <= 7);
    if (group == QLatin1String("第一季度"))
        return date.month() <= 3;
    if (group == QLatin1String("夏季"))
        return date.month() >= 6 && date.month() <= 8;
    return date.day() <= 3; // 月初
}

int minutes(const char* time) {
    const QString text = QString::fromLatin1(time);
    return text.left(2).toInt() * 60 + text.mid(3, 2).toInt();
}

class Writer {
public:
    explicit Writer(QSqlDatabase& db) : m_db(db) {}
    bool ok = true;
    QString error;

    void exec(const QString& sql, const QVariantList& values = {}) {
        if (!ok)
            return;
        QSqlQuery query(m_db);
        if (!query.prepare(sql)) {
            fail(query, sql);
            return;
        }
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        if (!query.exec())
            fail(query, sql);
    }

private:
    void fail(const QSqlQuery& query, const QString& sql) {
        ok = false;
        error = sql + QStringLiteral(": ") + query.lastError().text();
    }
    QSqlDatabase& m_db;
};

bool writeSetup(const SetupPlan& setup, const QString& path, QString* error) {
    QFile::remove(path);
    auto connection = Connection::create(path, error);
    if (!connection)
        return false;
    QSqlDatabase& db = connection->db();
    std::mt19937 random(setup.seed);
    const auto pick = [&](int count) { return int(random() % unsigned(count)); };

    db.transaction();
    Writer w(db);
    for (int g = 0; g < setup.staffGroups; ++g)
        w.exec(QStringLiteral("insert into 值班人员组 (值班人员组名称, idid) values (?, ?)"),
               {QStringLiteral("病区%1组").arg(g + 1), g + 2});
    for (int g = 0; g < setup.dateGroups.size(); ++g)
        w.exec(QStringLiteral("insert into 日期组 (日期组名称, idid) values (?, ?)"),
               {setup.dateGroups.at(g), g + 2});
    for (int g = 0; g < setup.shiftGroups.size(); ++g)
        w.exec(QStringLiteral("insert into 班次组 (班次组名称, idid) values (?, ?)"),
               {setup.shiftGroups.at(g), g + 2});

    QStringList names;
    for (int i = 0; i < setup.staff; ++i) {
        const QString name = kSurnames.at(i % kSurnames.size()) +
                             kGivenNames.at((i / kSurnames.size() + i) % kGivenNames.size()) +
                             (i >= 400 ? QString::number(i) : QString());
        names << name;
        QString groups = membership::allMembers;
        groups = membership::added(groups, 2 + pick(setup.staffGroups));
        if (pick(3) == 0)
            groups = membership::added(groups, 2 + pick(setup.staffGroups));
        w.exec(QStringLiteral("insert into 基本信息 (ID, 姓名, 性别, 家庭住址, 所属组ID) "
                              "values (?, ?, '女', '0', ?)"),
               {i + 1, name, groups});
    }

    QStringList dates;
    for (int d = 0; d < setup.days; ++d) {
        const QDate date = setup.first.addDays(d);
        dates << date.toString(Qt::ISODate);
        QString groups = membership::allMembers;
        for (int g = 0; g < setup.dateGroups.size(); ++g)
            if (dateInGroup(setup.dateGroups.at(g), date))
                groups = membership::added(groups, g + 2);
        w.exec(QStringLiteral("insert into 日期类型 (日期, 所属日期组ID) values (?, ?)"),
               {dates.last(), groups});
    }

    QStringList shiftNames;
    for (const ShiftPlan& shift : setup.shifts) {
        shiftNames << QString::fromUtf8(shift.name);
        QString groups = membership::allMembers;
        for (int g : shift.shiftGroups)
            groups = membership::added(groups, g);
        const int start = minutes(shift.start);
        const int end = minutes(shift.end) + (shift.nextDay ? 1440 : 0);
        w.exec(
            QStringLiteral("insert into banci (班次名称, 起始时间, 次日, 终止时间, 备注, 连续次数, "
                           "最小连续天数, 班次级别, 分布日期, 所属组ID, 开始秒序, 结束秒序, 人数) "
                           "values (?, ?, ?, ?, '', '3', '无限制', 0, ?, ?, ?, ?, ?)"),
            {shiftNames.last(), QString::fromLatin1(shift.start),
             shift.nextDay ? QStringLiteral("跨转至次日") : QStringLiteral("不跨转"),
             QString::fromLatin1(shift.end), QString::fromUtf8(shift.distribution), groups, start,
             end, shift.headcount});
    }

    // Rules of all eight kinds in turn: 选定日期组 x 排在 x 选定班次组. "限排在"
    // rules name single people, so no group loses everyone at once.
    for (int i = 0; i < setup.rules; ++i) {
        const int kind = i % 8;
        const bool dateIsGroup = kind < 4;
        const bool notOn = kind % 4 < 2;
        const bool shiftIsGroup = kind % 2 == 0;
        const QString person = notOn && i % 5 == 4
                                   ? QStringLiteral("病区%1组").arg(1 + pick(setup.staffGroups))
                                   : names.at(pick(int(names.size())));
        const QString date = dateIsGroup ? setup.dateGroups.at(pick(int(setup.dateGroups.size())))
                                         : dates.at(pick(int(dates.size())));
        const QString shift = shiftIsGroup
                                  ? setup.shiftGroups.at(pick(int(setup.shiftGroups.size())))
                                  : shiftNames.at(pick(int(shiftNames.size())));
        w.exec(
            QStringLiteral("insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) "
                           "values (?, ?, ?, ?, ?, ?)"),
            {person, notOn ? QStringLiteral("不排在") : QStringLiteral("限排在"), date, shift,
             int(dateIsGroup), int(shiftIsGroup)});
    }
    if (!w.ok) {
        db.rollback();
        *error = w.error;
        return false;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        return false;
    }
    return true;
}

// Limits on every person (a part-timer in four) and on one staff group, and
// leaveRanges leave ranges of 1 to 14 days, added to a written set-up. With
// failingDay, everyone but five people is on leave that day too.
bool addLimitsAndLeave(const SetupPlan& setup, const QString& path, int leaveRanges,
                       const QDate& failingDay, QString* error) {
    auto connection = Connection::open(path, error);
    if (!connection)
        return false;
    QSqlDatabase& db = connection->db();
    std::mt19937 random(setup.seed + 13);
    const auto pick = [&](int count) { return int(random() % unsigned(count)); };
    db.transaction();
    Writer w(db);
    const QString insertLimit = QStringLiteral(
        "insert into 人员限制 (对象, 对象IDID, 最多班数, 最多跨日班数, 最多周末班数, "
        "最多连续天数, 最少休息小时) values (?, ?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < setup.staff; ++i)
        w.exec(insertLimit, {QStringLiteral("人员"), i + 1, i % 4 == 0 ? 20 : 50, 14, 16, 5, 11});
    w.exec(insertLimit, {QStringLiteral("组"), 2, 45, QVariant(), QVariant(), 6, 12});
    const QStringList reasons = {QStringLiteral("年假"), QStringLiteral("病假"),
                                 QStringLiteral("培训")};
    const QString insertLeave =
        QStringLiteral("insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values (?, ?, ?, ?)");
    for (int i = 0; i < leaveRanges; ++i) {
        const QDate first = setup.first.addDays(pick(setup.days));
        w.exec(insertLeave, {1 + pick(setup.staff), first.toString(Qt::ISODate),
                             first.addDays(pick(14)).toString(Qt::ISODate), reasons.at(i % 3)});
    }
    if (failingDay.isValid())
        for (int person = 6; person <= setup.staff; ++person)
            w.exec(insertLeave, {person, failingDay.toString(Qt::ISODate),
                                 failingDay.toString(Qt::ISODate), QStringLiteral("培训")});
    if (!w.ok) {
        db.rollback();
        *error = w.error;
        return false;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        return false;
    }
    return true;
}

// CPU seconds (user + system) the process has used: on a busy machine the
// wall-clock time also counts other programs.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// The floor: one statement writes every candidate row of the run (every
// date x distributed shift x person, flag '2'), date by date, and commits.
const QString kFloorStatement = QStringLiteral(
    "insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) "
    "select d.日期, b.idid, p.IDID, '2' from 日期类型 d cross join banci b cross join 基本信息 p "
    "where b.分布日期 = '全部' or exists (select 1 from 日期组 g where g.日期组名称 = b.分布日期 "
    "and instr(d.所属日期组ID, 'z' || g.idid || 'z') > 0)");

struct Measurement {
    double seconds = -1;
    double cpu = 0;
    double peakMegabytes = 0;
    qint64 rows = 0;
    double longestPause = 0; // between two progress reports
    QString ending;
};

// The month sheet of the roster in the file at path: "sheet" loads it and
// reads every text the window's table can ask for, "workbook" and "pdf"
// write it. rows: the cells read, or the bytes written.
bool measureSheet(const QString& what, const QString& path, Measurement* m) {
    QString error;
    auto connection = Connection::open(path, &error, Connection::Access::ReadOnly);
    if (!connection) {
        print(error);
        return false;
    }
    monthsheet::MonthSheet sheet;
    if (!monthsheet::loadMonthSheet(connection->db(), &sheet, &error)) {
        print(error);
        return false;
    }
    const QString output =
        path + (what == QLatin1String("pdf") ? QStringLiteral(".pdf") : QStringLiteral(".xlsx"));
    bool done = true;
    if (what == QLatin1String("sheet")) {
        monthsheet::SheetModel model(sheet);
        for (int column = 0; column < model.columnCount(); ++column)
            model.headerData(column, Qt::Horizontal);
        for (int row = 0; row < model.rowCount(); ++row) {
            model.headerData(row, Qt::Vertical);
            for (int column = 0; column < model.columnCount(); ++column) {
                const QModelIndex index = model.index(row, column);
                index.data(Qt::BackgroundRole);
                index.data(Qt::TextAlignmentRole);
                if (!index.data(Qt::DisplayRole).toString().isEmpty())
                    ++m->rows;
            }
        }
    } else if (what == QLatin1String("workbook")) {
        engine::RosterTable roster;
        done =
            engine::loadRosterTable(connection->db(), engine::fullRosterQuery(), &roster, &error) &&
            monthsheet::writeWorkbook(output, sheet, monthsheet::sheetTotals(sheet), roster,
                                      &error);
    } else {
        done = monthsheet::report::writeSheetPdf(sheet, monthsheet::sheetTotals(sheet),
                                                 monthsheet::report::Paper::A4,
                                                 QDate::currentDate(), output, &error);
    }
    if (!done) {
        print(error);
        return false;
    }
    if (what != QLatin1String("sheet"))
        m->rows = QFileInfo(output).size();
    m->ending = QStringLiteral("-");
    return true;
}

// One hand edit on the month sheet of the roster at path: a shift moved from
// the first person on it in the middle of the period to the first person
// off that day who worked the day before (so that rest is at stake). Times
// the warnings of the rows and the column it touches (what the window shows
// after an edit), wall clock and CPU; the ending names the reading of the
// set-up, the whole sheet's check and the replacement list.
bool measureWarnings(const QString& path, Measurement* m, QElapsedTimer* timer) {
    QString error;
    auto connection = Connection::open(path, &error, Connection::Access::ReadOnly);
    monthsheet::MonthSheet sheet;
    if (!connection || !monthsheet::loadMonthSheet(connection->db(), &sheet, &error)) {
        print(error);
        return false;
    }
    QElapsedTimer step;
    step.start();
    rosters::RosterChecker checker;
    if (!checker.load(connection->db(), &error)) {
        print(error);
        return false;
    }
    const double loading = double(step.nsecsElapsed()) / 1e9;
    const int date = int(sheet.dates.size()) / 2;
    if (date < 1) {
        print(QStringLiteral("no period"));
        return false;
    }
    int from = 0, to = 0;
    while (from < sheet.people.size() && sheet.cell(from, date).isEmpty())
        ++from;
    while (to < sheet.people.size() &&
           (!sheet.cell(to, date).isEmpty() || sheet.cell(to, date - 1).isEmpty()))
        ++to;
    if (from == sheet.people.size() || to == sheet.people.size()) {
        print(QStringLiteral("no shift to move"));
        return false;
    }
    const int shift = sheet.cell(from, date).first();
    sheet.cells[from * sheet.dates.size() + date].removeOne(shift);
    sheet.add(to, date, shift);

    const double cpuBefore = cpuSeconds();
    timer->start();
    const QList<rosters::Warning> around = checker.checkAround(sheet, {from, to}, {date});
    m->seconds = double(timer->nsecsElapsed()) / 1e9;
    m->cpu = cpuSeconds() - cpuBefore;
    step.restart();
    const QList<rosters::Warning> all = checker.check(sheet);
    const double whole = double(step.nsecsElapsed()) / 1e9;
    step.restart();
    const qsizetype free = checker.replacements(sheet, date, shift, to).size();
    const double replacing = double(step.nsecsElapsed()) / 1e9;
    m->rows = around.size();
    m->ending = QStringLiteral("set-up read %1 s, whole sheet %2 s (%3 warnings), replacement "
                               "list %4 s (%5 people)")
                    .arg(loading, 0, 'f', 3)
                    .arg(whole, 0, 'f', 3)
                    .arg(all.size())
                    .arg(replacing, 0, 'f', 3)
                    .arg(free);
    return true;
}

// "regenerate": the saved roster generated again around its locks and kept;
// "edit": one hand edit applied and the roster read back, timed from the
// edit on (the page has the roster open already). rows: the locked
// assignments, or the roster's assignments.
bool measureSavedRoster(const QString& what, const QString& path, QElapsedTimer* timer,
                        Measurement* m) {
    QString error;
    auto connection = Connection::open(path, &error);
    if (!connection) {
        print(error);
        return false;
    }
    QSqlDatabase& db = connection->db();
    const qint64 number = rosters::findRoster(db, QStringLiteral("bench"), &error);
    bool done = number > 0;
    if (done && what == QLatin1String("regenerate")) {
        rosters::Regeneration regeneration;
        done = rosters::prepareRegeneration(db, number, &regeneration, &error);
        if (done) {
            const engine::RunResult result =
                engine::generate(path, {}, nullptr, regeneration.extras);
            m->rows = regeneration.extras.locked.size();
            m->ending = result.outcome == engine::RunOutcome::Done ? msg::done : result.detail;
            rosters::KeptRoster kept;
            done = rosters::keepRun(db, number, &kept, &error);
        }
    } else if (done) {
        rosters::SavedRoster roster;
        done = rosters::loadSavedRoster(db, number, &roster, &error);
        if (done) {
            const rosters::SavedSlot& slot = roster.dutySlots.at(roster.dutySlots.size() / 2);
            const QList<int> free = rosters::freePeople(roster, slot.date);
            rosters::Edit edit = rosters::replacePerson(
                roster, int(roster.dutySlots.size() / 2), 0,
                roster.sheet.people.at(free.value(0, slot.people.at(0))).idid);
            timer->start();
            done = rosters::applyEdit(db, number, &edit, &error) &&
                   rosters::loadSavedRoster(db, number, &roster, &error);
            for (const rosters::SavedSlot& each : roster.dutySlots)
                m->rows += each.people.size();
            m->ending = QStringLiteral("-");
        }
    }
    if (!done)
        print(error);
    return done;
}

bool isSheetMeasurement(const QString& what) {
    return what == QLatin1String("sheet") || what == QLatin1String("workbook") ||
           what == QLatin1String("pdf");
}

// One measurement in this process: "floor", "run" or a sheet's on the file at path.
int measure(const QString& what, const QString& path) {
    Measurement m;
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    if (what == QLatin1String("warnings")) {
        if (!measureWarnings(path, &m, &timer))
            return 1;
    } else if (isSheetMeasurement(what)) {
        timer.start();
        if (!measureSheet(what, path, &m))
            return 1;
    } else if (what == QLatin1String("plan")) {
        // What korvane-cli explain does: the run in memory, on past every
        // slot that cannot be filled, with their explanations.
        timer.start();
        const engine::RunResult result = engine::plan(path);
        m.rows = result.explanation.lines.size();
        m.ending = result.outcome == engine::RunOutcome::PlanImpossible
                       ? result.explanation.text().value(0)
                       : result.detail;
    } else if (what == QLatin1String("regenerate") || what == QLatin1String("edit")) {
        timer.start();
        if (!measureSavedRoster(what, path, &timer, &m))
            return 1;
    } else if (what == QLatin1String("floor")) {
        // Like the run, the floor opens (and checks) the file first and
        // closes it at the end.
        timer.start();
        QString error;
        auto connection = Connection::open(path, &error);
        if (!connection) {
            print(error);
            return 1;
        }
        engine::prepareForWriting(connection->db());
        QSqlQuery floor(connection->db());
        if (!connection->db().transaction() || !floor.exec(kFloorStatement) ||
            !connection->db().commit()) {
            print(floor.lastError().text());
            return 1;
        }
        m.rows = floor.numRowsAffected();
        m.ending = QStringLiteral("-");
    } else {
        engine::RunObserver observer;
        double lastReport = 0;
        observer.message = [&](const QString& text) { m.ending = text; };
        observer.progress = [&](double) {
            const double now = double(timer.nsecsElapsed()) / 1e9;
            m.longestPause = std::max(m.longestPause, now - lastReport);
            lastReport = now;
        };
        timer.start();
        const engine::RunResult result = engine::generate(path, observer);
        m.rows = result.candidateRows;
        if (result.outcome != engine::RunOutcome::Done)
            m.ending = result.detail;
    }
    if (what != QLatin1String("warnings")) {
        m.seconds = double(timer.nsecsElapsed()) / 1e9;
        m.cpu = cpuSeconds() - cpuBefore;
    }
    m.peakMegabytes = peakMegabytes();
    print(QStringLiteral("%1 %2 %3 %4 %5 %6")
              .arg(m.seconds, 0, 'f', 4)
              .arg(m.cpu, 0, 'f', 4)
              .arg(m.peakMegabytes, 0, 'f', 1)
              .arg(m.rows)
              .arg(m.longestPause, 0, 'f', 3)
              .arg(m.ending));
    return 0;
}

bool copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to);
}

// Runs a measurement in a child process on a fresh copy of the set-up file.
Measurement measureApart(const QString& what, const QString& setupFile, const QString& folder) {
    Measurement m;
    const QString copy = QDir(folder).filePath(QStringLiteral("measure.mdb"));
    for (const char* suffix : {"-wal", "-shm"})
        QFile::remove(copy + QLatin1String(suffix));
    if (!copyFile(setupFile, copy))
        return m;
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), what, copy});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        m.ending = QString::fromUtf8(child.readAll()).trimmed();
        return m;
    }
    const QStringList fields =
        QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
    if (fields.size() < 6)
        return m;
    m.seconds = fields[0].toDouble();
    m.cpu = fields[1].toDouble();
    m.peakMegabytes = fields[2].toDouble();
    m.rows = fields[3].toLongLong();
    m.longestPause = fields[4].toDouble();
    m.ending = fields.mid(5).join(QLatin1Char(' '));
    return m;
}

Measurement median(QList<Measurement> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Measurement& a, const Measurement& b) { return a.seconds < b.seconds; });
    return runs.at(runs.size() / 2);
}

// The whole korvane-cli generate process on a fresh copy, in milliseconds.
double cliMilliseconds(const QString& setupFile, const QString& folder) {
    const QString cli =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("korvane-cli"));
    const QString copy = QDir(folder).filePath(QStringLiteral("cli.mdb"));
    QList<double> times;
    for (int i = 0; i < 5; ++i) {
        for (const char* suffix : {"-wal", "-shm"})
            QFile::remove(copy + QLatin1String(suffix));
        if (!copyFile(setupFile, copy))
            return -1;
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(cli, {QStringLiteral("--db"), copy, QStringLiteral("generate")});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            return -1;
        times << double(timer.nsecsElapsed()) / 1e6;
    }
    return bench::medianOf(times);
}

// The month sheet of the set-up's roster: opened, as a workbook, as a PDF,
// and the warnings of a hand edit on it; on the whole hospital only the last.
bool measureMonthSheet(const SetupPlan& setup, const QString& setupFile, const QString& folder) {
    const QString roster = QDir(folder).filePath(QStringLiteral("roster.mdb"));
    if (!copyFile(setupFile, roster) ||
        engine::generate(roster).outcome != engine::RunOutcome::Done) {
        print(QStringLiteral("%1: no roster for the month sheet").arg(setup.name));
        return false;
    }
    struct Figure {
        const char* what;
        const char* caption;
        double most; // seconds
    };
    QList<Figure> figures = {{"sheet", "month sheet opened as data", 1},
                             {"workbook", "workbook written", 3},
                             {"pdf", "PDF written", 5},
                             {"regenerate", "saved roster generated again, a tenth locked", 3},
                             {"edit", "hand edit applied and read back", 0.1},
                             {"warnings", "warnings of a hand edit", 0.1}};
    if (setup.name == QLatin1String("hospital"))
        figures = figures.mid(5);
    // Kept as the saved roster "bench", every tenth date locked.
    else {
        QString error;
        auto connection = Connection::open(roster, &error);
        rosters::KeptRoster kept;
        bool done =
            connection && rosters::keepRun(connection->db(), 0, &kept, &error) &&
            rosters::renameRoster(connection->db(), kept.number, QStringLiteral("bench"), &error);
        for (int day = 0; done && day < setup.days; day += 10)
            done = rosters::setLocked(connection->db(), kept.number,
                                      {0, rosters::LockKind::Date, setup.first.addDays(day), 0},
                                      true, &error);
        if (!done) {
            print(QStringLiteral("%1: no saved roster: %2").arg(setup.name, error));
            return false;
        }
    }
    QStringList parts;
    bool allWithin = true;
    for (const Figure& figure : std::as_const(figures)) {
        QList<Measurement> runs;
        for (int i = 0; i < 3; ++i)
            runs << measureApart(QString::fromLatin1(figure.what), roster, folder);
        const Measurement m = median(runs);
        if (m.seconds < 0) {
            print(QStringLiteral("%1: %2 failed: %3").arg(setup.name, figure.caption, m.ending));
            return false;
        }
        const bool within = m.seconds < figure.most;
        allWithin = allWithin && within;
        parts << QStringLiteral("%1 in %2 s (cpu %3 s, %4 MB, limit %5 s%6)")
                     .arg(QString::fromLatin1(figure.caption))
                     .arg(m.seconds, 0, 'f', 4)
                     .arg(m.cpu, 0, 'f', 4)
                     .arg(m.peakMegabytes, 0, 'f', 1)
                     .arg(figure.most)
                     .arg(within ? QString() : QStringLiteral(", OVER"));
        if (qstrcmp(figure.what, "warnings") == 0)
            parts.last() += QStringLiteral(": %1 warnings on its rows and column; %2")
                                .arg(m.rows)
                                .arg(m.ending);
    }
    print(setup.name + QStringLiteral(": ") + parts.join(QStringLiteral("; ")));
    return allWithin;
}

// The run with limits and leave against the plain run (plainSeconds), and
// the plan that explains a failing slot.
bool measureLimits(const SetupPlan& setup, const QString& setupFile, double plainSeconds,
                   const QString& folder) {
    const QString limited = QDir(folder).filePath(QStringLiteral("limits.mdb"));
    const QString failing = QDir(folder).filePath(QStringLiteral("failing.mdb"));
    const QDate lastDay = setup.first.addDays(setup.days - 1);
    QString error;
    if (!copyFile(setupFile, limited) || !copyFile(setupFile, failing) ||
        !addLimitsAndLeave(setup, limited, 200, {}, &error) ||
        !addLimitsAndLeave(setup, failing, 200, lastDay, &error)) {
        print(QStringLiteral("%1: cannot add limits and leave: %2").arg(setup.name, error));
        return false;
    }
    QList<Measurement> runs;
    QList<Measurement> plans;
    for (int i = 0; i < 3; ++i) {
        runs << measureApart(QStringLiteral("run"), limited, folder);
        plans << measureApart(QStringLiteral("plan"), failing, folder);
    }
    const Measurement run = median(runs);
    const Measurement plan = median(plans);
    const double ratio = plainSeconds > 0 ? run.seconds / plainSeconds : 0;
    print(QStringLiteral("%1 with limits on every person and 200 leave ranges: run %2 s (cpu %3 "
                         "s), plain run %4 s, ratio %5 (limit 1.20%6), ended with \"%7\"")
              .arg(setup.name)
              .arg(run.seconds, 0, 'f', 3)
              .arg(run.cpu, 0, 'f', 3)
              .arg(plainSeconds, 0, 'f', 3)
              .arg(ratio, 0, 'f', 2)
              .arg(ratio > 1.2 ? QStringLiteral(", OVER") : QString())
              .arg(run.ending));
    print(QStringLiteral("%1: explaining the failing slot \"%2\" (%3 people), the run planned "
                         "in memory on past it: %4 ms (cpu %5 ms, limit 100 ms%6)")
              .arg(setup.name, plan.ending)
              .arg(plan.rows)
              .arg(plan.seconds * 1000, 0, 'f', 1)
              .arg(plan.cpu * 1000, 0, 'f', 1)
              .arg(plan.seconds > 0.1 ? QStringLiteral(", OVER") : QString()));
    return run.seconds >= 0 && run.ending == msg::done && plan.seconds >= 0 &&
           plan.rows == setup.staff;
}

// The cases on a server: the run of each set-up given on a ward against the
// file, the overview for the overview's ward.
// Writes the set-up into bench.mdb of dir; false (said) when it cannot.
bool writeSetupIn(const SetupPlan& setup, const QTemporaryDir& dir, QString* path) {
    *path = QDir(dir.path()).filePath(QStringLiteral("bench.mdb"));
    QString error;
    if (writeSetup(setup, *path, &error))
        return true;
    print(QStringLiteral("%1: cannot write the set-up: %2").arg(setup.name, error));
    return false;
}

bool measureOnServer(const QList<SetupPlan>& setups) {
    bool done = true;
    for (const SetupPlan& setup : setups) {
        QTemporaryDir dir;
        QString path;
        if (!writeSetupIn(setup, dir, &path))
            return false;
        done = (setup.name == QLatin1String("overview-ward")
                    ? bench::measureOverview(path)
                    : bench::measureServer(setup.name, path)) &&
               done;
    }
    return done;
}

bool runSetup(const SetupPlan& setup) {
    QTemporaryDir dir;
    QString path;
    if (!writeSetupIn(setup, dir, &path))
        return false;
    QList<Measurement> floors;
    QList<Measurement> runs;
    for (int i = 0; i < 3; ++i) {
        floors << measureApart(QStringLiteral("floor"), path, dir.path());
        runs << measureApart(QStringLiteral("run"), path, dir.path());
    }
    const Measurement floor = median(floors);
    const Measurement run = median(runs);
    print(QStringLiteral("%1: run %2 s (cpu %3 s), floor %4 s (cpu %5 s), run / floor %6; "
                         "candidate rows %7 (floor %8), peak memory %9 MB, longest pause in "
                         "progress %10 s, ended with \"%11\"")
              .arg(setup.name)
              .arg(run.seconds, 0, 'f', 3)
              .arg(run.cpu, 0, 'f', 3)
              .arg(floor.seconds, 0, 'f', 3)
              .arg(floor.cpu, 0, 'f', 3)
              .arg(floor.seconds > 0 ? run.seconds / floor.seconds : 0, 0, 'f', 2)
              .arg(run.rows)
              .arg(floor.rows)
              .arg(run.peakMegabytes, 0, 'f', 1)
              .arg(run.longestPause, 0, 'f', 3)
              .arg(run.ending));
    if (setup.name == QLatin1String("ward"))
        print(QStringLiteral("%1: korvane-cli generate, whole process %2 ms")
                  .arg(setup.name)
                  .arg(cliMilliseconds(path, dir.path()), 0, 'f', 1));
    bool yearDone = setup.name == QLatin1String("ward")
                        ? measureOnServer({overviewWard()})
                        : measureMonthSheet(setup, path, dir.path());
    if (setup.name == QLatin1String("hospital-year")) {
        yearDone = measureLimits(setup, path, run.seconds, dir.path()) && yearDone;
        yearDone = bench::measureScore(setup.name,
                                       QDir(dir.path()).filePath(QStringLiteral("roster.mdb"))) &&
                   yearDone;
        yearDone = bench::measureServer(setup.name, path) && yearDone;
    }
    return run.seconds >= 0 && floor.seconds >= 0 && run.ending == msg::done &&
           run.rows == floor.rows && yearDone;
}

const SetupPlan* findSetup(const QList<SetupPlan>& setups, const QString& name) {
    for (const SetupPlan& setup : setups)
        if (setup.name == name)
            return &setup;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    // Writing a PDF needs a GUI application object, never a display.
    const bool pdf =
        argc == 4 && QByteArray(argv[1]) == "--measure" && QByteArray(argv[2]) == "pdf";
    if (pdf) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        files::provideRuntimeDirectory();
    }
    std::unique_ptr<QCoreApplication> app = pdf ? std::make_unique<QGuiApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    const QList<SetupPlan> setups = {ward(), hospitalYear(), hospital()};
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args.first() == QLatin1String("--measure") &&
        args.at(1) == QLatin1String("score"))
        return bench::measureScore(args.at(2), args.at(2)) ? 0 : 1;
    if (args.size() == 3 && args.first() == QLatin1String("--measure"))
        return measure(args.at(1), args.at(2));
    if (!args.isEmpty() && args.first() == QLatin1String("inrc2"))
        return bench::inrc2Command(args.mid(1));
    // The search on the hospital year: its score before and after, and the peak memory.
    const bool bySteps = args.size() == 3 && args.at(1) == QLatin1String("--steps");
    if ((args.size() == 2 || bySteps) && args.first() == QLatin1String("search")) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("year.mdb"));
        QString error;
        if (!writeSetup(hospitalYear(), path, &error)) {
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return 1;
        }
        const int code = bySteps ? bench::searchYear(path, 0, args.at(2).toLongLong())
                                 : bench::searchYear(path, args.at(1).toDouble());
        std::printf("hospital-year search: peak memory %.1f MB\n", peakMegabytes());
        return code;
    }

    if (args == QStringList{QStringLiteral("server")})
        return measureOnServer({hospitalYear(), overviewWard()}) ? 0 : 1;

    if (!args.isEmpty() && args.first() == QLatin1String("--write")) {
        const SetupPlan* setup = args.size() == 3 ? findSetup(setups, args.at(1)) : nullptr;
        if (!setup) {
            std::fputs("usage: korvane-bench --write ward|hospital-year|hospital FILE\n", stderr);
            return 2;
        }
        QString error;
        if (!writeSetup(*setup, QDir(args.at(2)).absolutePath(), &error)) {
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return 1;
        }
        return 0;
    }

    QList<const SetupPlan*> chosen;
    for (const QString& name : args) {
        const SetupPlan* setup = findSetup(setups, name);
        if (!setup) {
            std::fputs("usage: korvane-bench [ward] [hospital-year] [hospital] | "
                       "--write SETUP FILE | search SECONDS | search --steps N\n",
                       stderr);
            return 2;
        }
        chosen << setup;
    }
    if (chosen.isEmpty())
        for (const SetupPlan& setup : setups)
            chosen << &setup;
    bool allDone = true;
    for (const SetupPlan* setup : chosen)
        allDone = runSetup(*setup) && allDone;
    return allDone ? 0 : 1;
}
