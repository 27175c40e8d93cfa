// korvane-bench: whole generation runs on synthetic set-ups of fixed seeds.
//
//   korvane-bench                          run every set-up, print time, rows, memory
//   korvane-bench SETUP...                 run the named set-ups (ward, hospital-year)
//   korvane-bench --write SETUP FILE       write a set-up to a database file

#include "engine/run.h"
#include "store/connection.h"
#include "store/membership.h"
#include "store/messages.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <sys/resource.h>

#include <cstdio>
#include <random>

using namespace korvane;

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

void print(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
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

bool runSetup(const SetupPlan& setup) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("bench.mdb"));
    QString error;
    if (!writeSetup(setup, path, &error)) {
        print(QStringLiteral("%1: cannot write the set-up: %2").arg(setup.name, error));
        return false;
    }
    QString last;
    engine::RunObserver observer;
    observer.message = [&](const QString& text) { last = text; };
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    // Where the time goes: the moments the run reaches its steps.
    QStringList steps;
    observer.progress = [&](double value) {
        if (value == 5 || value == 10 || value == 15 || value == 85 || value == 100)
            steps << QStringLiteral("%1%@%2 (cpu %3)")
                         .arg(value)
                         .arg(double(timer.nsecsElapsed()) / 1e9, 0, 'f', 2)
                         .arg(cpuSeconds() - cpuBefore, 0, 'f', 2);
    };
    timer.start();
    const engine::RunResult result = engine::generate(path, observer);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    print(QStringLiteral("%1: %2 s (cpu %3 s), candidate rows %4, peak memory %5 MB, "
                         "skipped rules %6, ended with \"%7\"")
              .arg(setup.name)
              .arg(seconds, 0, 'f', 3)
              .arg(cpu, 0, 'f', 3)
              .arg(result.candidateRows)
              .arg(peakMegabytes(), 0, 'f', 1)
              .arg(result.skippedRules.size())
              .arg(result.outcome == engine::RunOutcome::Done ? last : result.detail));
    print(QStringLiteral("  steps: ") + steps.join(QStringLiteral(", ")));
    return result.outcome == engine::RunOutcome::Done && last == msg::done;
}

const SetupPlan* findSetup(const QList<SetupPlan>& setups, const QString& name) {
    for (const SetupPlan& setup : setups)
        if (setup.name == name)
            return &setup;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QList<SetupPlan> setups = {ward(), hospitalYear()};
    QStringList args = QCoreApplication::arguments().mid(1);

    if (!args.isEmpty() && args.first() == QLatin1String("--write")) {
        const SetupPlan* setup = args.size() == 3 ? findSetup(setups, args.at(1)) : nullptr;
        if (!setup) {
            std::fputs("usage: korvane-bench --write ward|hospital-year FILE\n", stderr);
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
            std::fputs("usage: korvane-bench [ward] [hospital-year] | --write SETUP FILE\n",
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
