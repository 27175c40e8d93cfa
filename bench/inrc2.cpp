#include "bench/inrc2.h"

#include "engine/planningdata.h"
#include "rosters/savedroster.h"
#include "store/connection.h"
#include "store/membership.h"
#include "store/sqltext.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace korvane::inrc2 {

namespace {

const QStringList kDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const QString kAny = QStringLiteral("Any");
const QString kNone = QStringLiteral("None");
const QString kHistoryName = QStringLiteral("INRC-II 历史");
constexpr int kOptimumWeight = 30;
constexpr int kShiftsWeight = 20;
constexpr int kStretchWeight = 30;
constexpr int kSameTypeWeight = 15;
constexpr int kWeekendWeight = 30;
constexpr int kRequestWeight = 10;
// Every row runs 08:00 to 16:00: two on one day overlap, none across days.
constexpr int kStart = 480;
constexpr int kEnd = 960;

// The words of a file, line by line, blank lines left out.
bool readLines(const QString& path, QList<QStringList>* lines, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QStringList words = line.trimmed().split(space, Qt::SkipEmptyParts);
        if (!words.isEmpty())
            lines->append(words);
    }
    return true;
}

// "(2,5)" as two numbers.
bool pairOf(const QString& text, int* first, int* second) {
    static const QRegularExpression pattern(QStringLiteral("^\\((-?\\d+),(-?\\d+)\\)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    *first = match.captured(1).toInt();
    *second = match.captured(2).toInt();
    return true;
}

// The line after the one whose first word is heading.
int sectionOf(const QList<QStringList>& lines, const QString& heading) {
    for (int i = 0; i < lines.size(); ++i)
        if (lines.at(i).first() == heading)
            return i + 1;
    return -1;
}

bool readScenario(const QString& path, Problem* problem, QString* error) {
    QList<QStringList> lines;
    if (!readLines(path, &lines, error))
        return false;
    const auto bad = [&](const QString& what) {
        *error = QStringLiteral("%1: %2").arg(path, what);
        return false;
    };
    int at = sectionOf(lines, QStringLiteral("SKILLS"));
    if (at < 0)
        return bad(QStringLiteral("no SKILLS"));
    for (int n = lines.at(at - 1).value(2).toInt(); n > 0; --n)
        problem->skills << lines.value(at++).value(0);
    at = sectionOf(lines, QStringLiteral("SHIFT_TYPES"));
    if (at < 0)
        return bad(QStringLiteral("no SHIFT_TYPES"));
    for (int n = lines.at(at - 1).value(2).toInt(); n > 0; --n, ++at) {
        Problem::ShiftType type;
        type.name = lines.value(at).value(0);
        if (!pairOf(lines.value(at).value(1), &type.least, &type.most))
            return bad(QStringLiteral("shift type %1").arg(type.name));
        problem->types << type;
    }
    at = sectionOf(lines, QStringLiteral("FORBIDDEN_SHIFT_TYPES_SUCCESSIONS"));
    for (int n = 0; at >= 0 && n < problem->types.size(); ++n, ++at) {
        const QStringList& line = lines.value(at);
        for (Problem::ShiftType& type : problem->types)
            if (type.name == line.value(0))
                type.notBefore = line.mid(2);
    }
    at = sectionOf(lines, QStringLiteral("CONTRACTS"));
    if (at < 0)
        return bad(QStringLiteral("no CONTRACTS"));
    for (int n = lines.at(at - 1).value(2).toInt(); n > 0; --n, ++at) {
        const QStringList& line = lines.value(at);
        Problem::Contract contract;
        contract.name = line.value(0);
        if (line.size() < 6 || !pairOf(line.at(1), &contract.leastShifts, &contract.mostShifts) ||
            !pairOf(line.at(2), &contract.leastWorking, &contract.mostWorking) ||
            !pairOf(line.at(3), &contract.leastOff, &contract.mostOff))
            return bad(QStringLiteral("contract %1").arg(contract.name));
        contract.mostWeekends = line.at(4).toInt();
        contract.completeWeekends = line.at(5).toInt() != 0;
        problem->contracts << contract;
    }
    at = sectionOf(lines, QStringLiteral("NURSES"));
    if (at < 0)
        return bad(QStringLiteral("no NURSES"));
    for (int n = lines.at(at - 1).value(2).toInt(); n > 0; --n, ++at) {
        const QStringList& line = lines.value(at);
        Problem::Nurse nurse;
        nurse.name = line.value(0);
        nurse.contract = -1;
        for (int c = 0; c < problem->contracts.size(); ++c)
            if (problem->contracts.at(c).name == line.value(1))
                nurse.contract = c;
        if (nurse.contract < 0)
            return bad(QStringLiteral("nurse %1").arg(nurse.name));
        nurse.skills = line.mid(3);
        problem->nurses << nurse;
    }
    return true;
}

int typeIndex(const Problem& problem, const QString& name) {
    for (int type = 0; type < problem.types.size(); ++type)
        if (problem.types.at(type).name == name)
            return type;
    return -1;
}

int nurseIndex(const Problem& problem, const QString& name) {
    for (int nurse = 0; nurse < problem.nurses.size(); ++nurse)
        if (problem.nurses.at(nurse).name == name)
            return nurse;
    return -1;
}

bool readHistory(const QString& path, Problem* problem, QString* error) {
    QList<QStringList> lines;
    if (!readLines(path, &lines, error))
        return false;
    for (int at = std::max(0, sectionOf(lines, QStringLiteral("NURSE_HISTORY"))); at < lines.size();
         ++at) {
        const QStringList& line = lines.at(at);
        const int nurse = nurseIndex(*problem, line.value(0));
        if (nurse < 0 || line.size() < 7)
            continue;
        Problem::Nurse& own = problem->nurses[nurse];
        own.shiftsBefore = line.at(1).toInt();
        own.weekendsBefore = line.at(2).toInt();
        own.lastType = line.at(3) == kNone ? -1 : typeIndex(*problem, line.at(3));
        own.lastTypeDays = line.at(4).toInt();
        own.workingDays = line.at(5).toInt();
        own.daysOff = line.at(6).toInt();
    }
    return true;
}

bool readWeek(const QString& path, int week, Problem* problem, QString* error) {
    QList<QStringList> lines;
    if (!readLines(path, &lines, error))
        return false;
    int at = sectionOf(lines, QStringLiteral("REQUIREMENTS"));
    for (; at >= 0 && at < lines.size() && lines.at(at).size() == 9; ++at) {
        const QStringList& line = lines.at(at);
        const int type = typeIndex(*problem, line.at(0));
        const int skill = int(problem->skills.indexOf(line.at(1)));
        if (type < 0 || skill < 0) {
            *error = QStringLiteral("%1: %2 %3").arg(path, line.at(0), line.at(1));
            return false;
        }
        for (int day = 0; day < 7; ++day) {
            Problem::Demand& demand = problem->demand[size_t(
                ((week * 7 + day) * problem->types.size() + type) * problem->skills.size() +
                skill)];
            if (!pairOf(line.at(2 + day), &demand.least, &demand.optimum)) {
                *error = QStringLiteral("%1: %2").arg(path, line.join(QLatin1Char(' ')));
                return false;
            }
        }
    }
    at = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (lines.at(i).first() == QLatin1String("SHIFT_OFF_REQUESTS"))
            at = i + 1;
    for (; at >= 0 && at < lines.size() && lines.at(at).size() == 3; ++at) {
        const QStringList& line = lines.at(at);
        Problem::Request request;
        request.nurse = nurseIndex(*problem, line.at(0));
        request.type = line.at(1) == kAny ? -1 : typeIndex(*problem, line.at(1));
        request.day = week * 7 + int(kDayNames.indexOf(line.at(2)));
        if (request.nurse < 0 || (request.type < 0 && line.at(1) != kAny) ||
            request.day < week * 7) {
            *error = QStringLiteral("%1: %2").arg(path, line.join(QLatin1Char(' ')));
            return false;
        }
        problem->requests << request;
    }
    return true;
}

// A folder's file, or the same in the scenario's folder below it.
QString fileIn(const QString& dir, const QString& scenario, const QString& name) {
    const QString direct = QDir(dir).filePath(name);
    return QFile::exists(direct) ? direct : QDir(dir).filePath(scenario + QLatin1Char('/') + name);
}

class Writer {
public:
    explicit Writer(QSqlDatabase& db) : m_query(db) {}
    bool exec(const QString& sql, const QVariantList& values = {}) {
        return m_error.isEmpty() && execBound(m_query, sql, values, &m_error);
    }
    qint64 lastId() const { return m_query.lastInsertId().toLongLong(); }
    const QString& error() const { return m_error; }

private:
    QSqlQuery m_query;
    QString m_error;
};

// The rows of each type and skill: one per pair (least, optimum) of the
// demand, each with the days it runs on.
struct Row {
    int type = 0;
    int skill = 0;
    Problem::Demand demand;
    QList<int> days;
    qint64 idid = 0;
    qint64 dateGroup = 0;
};

QList<Row> rowsOf(const Problem& problem) {
    QList<Row> rows;
    for (int type = 0; type < problem.types.size(); ++type)
        for (int skill = 0; skill < problem.skills.size(); ++skill) {
            QMap<std::pair<int, int>, QList<int>> byDemand;
            for (int day = 0; day < problem.days(); ++day) {
                const Problem::Demand& demand = problem.demandOf(day, type, skill);
                if (demand.least > 0 || demand.optimum > 0)
                    byDemand[{demand.least, demand.optimum}] << day;
            }
            for (auto at = byDemand.cbegin(); at != byDemand.cend(); ++at)
                rows.append({type, skill, {at.key().first, at.key().second}, at.value(), 0, 0});
        }
    return rows;
}

bool writeSetup(const Problem& problem, QSqlDatabase& db, QString* error) {
    Writer w(db);
    const QString insertGroup =
        QStringLiteral("insert into 值班人员组 (值班人员组名称, idid) values (?, ?)");
    for (int c = 0; c < problem.contracts.size(); ++c)
        w.exec(insertGroup, {problem.contracts.at(c).name, c + 2});
    for (int nurse = 0; nurse < problem.nurses.size(); ++nurse)
        w.exec(QStringLiteral("insert into 基本信息 (ID, 姓名, 家庭住址, IDID, 所属组ID) values "
                              "(?, ?, '0', ?, ?)"),
               {nurse + 1, problem.nurses.at(nurse).name, nurse + 1,
                membership::added(membership::allMembers, problem.nurses.at(nurse).contract + 2)});

    // Shift groups: one per type, then one per skill.
    const int types = int(problem.types.size());
    const QString insertShiftGroup =
        QStringLiteral("insert into 班次组 (班次组名称, idid) values (?, ?)");
    for (int type = 0; type < types; ++type)
        w.exec(insertShiftGroup, {problem.types.at(type).name, type + 2});
    for (int skill = 0; skill < problem.skills.size(); ++skill)
        w.exec(insertShiftGroup, {problem.skills.at(skill), types + skill + 2});

    QList<Row> rows = rowsOf(problem);
    QList<QString> memberships(problem.days(), membership::allMembers);
    for (int i = 0; i < rows.size(); ++i) {
        Row& row = rows[i];
        row.dateGroup = i + 2;
        w.exec(QStringLiteral("insert into 日期组 (日期组名称, idid) values (?, ?)"),
               {QStringLiteral("%1 (%2,%3)")
                    .arg(problem.rowName(row.type, row.skill))
                    .arg(row.demand.least)
                    .arg(row.demand.optimum),
                row.dateGroup});
        for (int day : std::as_const(row.days))
            memberships[day] = membership::added(memberships[day], row.dateGroup);
    }
    for (int day = 0; day < problem.days(); ++day)
        w.exec(QStringLiteral("insert into 日期类型 (日期, 所属日期组ID) values (?, ?)"),
               {firstDay().addDays(day).toString(Qt::ISODate), memberships.at(day)});
    for (Row& row : rows) {
        const QString groupName = QStringLiteral("%1 (%2,%3)")
                                      .arg(problem.rowName(row.type, row.skill))
                                      .arg(row.demand.least)
                                      .arg(row.demand.optimum);
        QString groups = membership::added(membership::allMembers, row.type + 2);
        groups = membership::added(groups, types + row.skill + 2);
        w.exec(QStringLiteral("insert into banci (班次名称, 起始时间, 次日, 终止时间, 备注, "
                              "连续次数, 最小连续天数, 班次级别, 分布日期, 所属组ID, 开始秒序, "
                              "结束秒序, 人数) values (?, '08:00', '不跨转', '16:00', '', "
                              "'无限制', '无限制', 0, ?, ?, ?, ?, ?)"),
               {problem.rowName(row.type, row.skill), groupName, groups, kStart, kEnd,
                row.demand.least});
        row.idid = w.lastId();
        w.exec(QStringLiteral("insert into 理想人数 (班次IDID, 理想人数, 权重) values (?, ?, ?)"),
               {row.idid, row.demand.optimum, kOptimumWeight});
        // The competition bounds no cover from above: any nurse may join a shift.
        w.exec(QStringLiteral("insert into 最多人数 (班次IDID, 最多人数) values (?, ?)"),
               {row.idid, qMax(int(problem.nurses.size()), row.demand.optimum)});
    }

    // A nurse without a skill never works its rows.
    for (const Problem::Nurse& nurse : problem.nurses)
        for (const QString& skill : problem.skills)
            if (!nurse.skills.contains(skill))
                w.exec(QStringLiteral("insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, "
                                      "选定班次组) values (?, '不排在', '全部', ?, 1, 1)"),
                       {nurse.name, skill});
    // One shift a day is the overlap of the rows; no rest is asked beyond it.
    w.exec(
        QStringLiteral("insert into 人员限制 (对象, 对象IDID, 最少休息小时) values ('组', 1, 0)"));

    const QString insertTarget = QStringLiteral(
        "insert into 排班目标 (对象, 对象IDID, 种类, 班次, 选定班次组, 最少, 最多, 权重) values "
        "(?, ?, ?, ?, ?, ?, ?, ?)");
    const QString group = targets::groupTarget;
    const auto kind = [](targets::TargetKind k) { return targets::targetKindText(k); };
    for (int c = 0; c < problem.contracts.size(); ++c) {
        const Problem::Contract& contract = problem.contracts.at(c);
        w.exec(insertTarget, {group, c + 2, kind(targets::TargetKind::Shifts), QString(), 0,
                              contract.leastShifts, contract.mostShifts, kShiftsWeight});
        w.exec(insertTarget,
               {group, c + 2, kind(targets::TargetKind::ConsecutiveWorkingDays), QString(), 0,
                contract.leastWorking, contract.mostWorking, kStretchWeight});
        w.exec(insertTarget, {group, c + 2, kind(targets::TargetKind::ConsecutiveDaysOff),
                              QString(), 0, contract.leastOff, contract.mostOff, kStretchWeight});
        w.exec(insertTarget, {group, c + 2, kind(targets::TargetKind::WorkingWeekends), QString(),
                              0, QVariant(), contract.mostWeekends, kWeekendWeight});
        if (contract.completeWeekends)
            w.exec(insertTarget, {group, c + 2, kind(targets::TargetKind::CompleteWeekends),
                                  QString(), 0, QVariant(), QVariant(), kWeekendWeight});
    }
    for (const Problem::ShiftType& type : problem.types)
        w.exec(insertTarget, {group, 1, kind(targets::TargetKind::ConsecutiveSameShift), type.name,
                              1, type.least, type.most, kSameTypeWeight});
    // What the history counted already comes off the nurse's own bounds.
    for (int n = 0; n < problem.nurses.size(); ++n) {
        const Problem::Nurse& nurse = problem.nurses.at(n);
        const Problem::Contract& contract = problem.contracts.at(nurse.contract);
        if (nurse.shiftsBefore > 0)
            w.exec(insertTarget,
                   {targets::personTarget, n + 1, kind(targets::TargetKind::Shifts), QString(), 0,
                    std::max(0, contract.leastShifts - nurse.shiftsBefore),
                    std::max(0, contract.mostShifts - nurse.shiftsBefore), kShiftsWeight});
        if (nurse.weekendsBefore > 0)
            w.exec(insertTarget,
                   {targets::personTarget, n + 1, kind(targets::TargetKind::WorkingWeekends),
                    QString(), 0, QVariant(),
                    std::max(0, contract.mostWeekends - nurse.weekendsBefore), kWeekendWeight});
    }

    for (const Problem::Request& request : problem.requests) {
        const QString day = firstDay().addDays(request.day).toString(Qt::ISODate);
        w.exec(QStringLiteral("insert into 排班意愿 (人员IDID, 开始日期, 结束日期, 班次, "
                              "选定班次组, 想要, 权重, 原因) values (?, ?, ?, ?, ?, 0, ?, '')"),
               {request.nurse + 1, day, day,
                request.type < 0 ? targets::anyShift : problem.types.at(request.type).name,
                request.type < 0 ? 0 : 1, kRequestWeight});
    }
    for (const QString& fairness : targets::fairnessKindTexts)
        w.exec(QStringLiteral("insert into 公平权重 (组IDID, 种类, 权重) values (1, ?, 0)"),
               {fairness});
    for (const Problem::ShiftType& type : problem.types)
        for (const QString& next : type.notBefore)
            w.exec(QStringLiteral("insert into 禁止衔接 (前班次, 前选定班次组, 后班次, "
                                  "后选定班次组) values (?, 1, ?, 1)"),
                   {type.name, next});
    if (!w.error().isEmpty()) {
        *error = w.error();
        return false;
    }
    return true;
}

// The history as a saved roster that ends the day before the period: each
// nurse's last stretch of work (the last type for as many days as the
// history says, another type before) or of days off, after a day of the
// other kind.
bool writeHistory(const Problem& problem, QSqlDatabase& db, QString* error) {
    int length = 1;
    for (const Problem::Nurse& nurse : problem.nurses)
        length = std::max(length, std::max(nurse.workingDays, nurse.daysOff) + 1);
    monthsheet::MonthSheet sheet;
    QString frameError;
    if (!monthsheet::loadMonthSheet(db, &sheet, &frameError)) {
        *error = frameError;
        return false;
    }
    sheet.dates.clear();
    for (int day = length; day > 0; --day)
        sheet.dates << firstDay().addDays(-day);
    sheet.resetCells();
    // The first row of each type stands for it.
    QList<int> rowOfType(problem.types.size(), -1);
    for (int shift = 0; shift < sheet.shifts.size(); ++shift)
        for (int type = 0; type < problem.types.size(); ++type)
            if (rowOfType[type] < 0 &&
                sheet.shifts.at(shift).name.startsWith(problem.types.at(type).name + '-'))
                rowOfType[type] = shift;
    for (int n = 0; n < problem.nurses.size(); ++n) {
        const Problem::Nurse& nurse = problem.nurses.at(n);
        const int last = nurse.lastType >= 0 ? nurse.lastType : 0;
        const int other = problem.types.size() > 1 ? (last + 1) % int(problem.types.size()) : last;
        if (nurse.workingDays > 0) {
            for (int day = 0; day < nurse.workingDays; ++day) {
                const bool lastType = day < nurse.lastTypeDays;
                sheet.add(n, length - 1 - day, rowOfType.at(lastType ? last : other));
            }
        } else if (nurse.daysOff > 0) {
            sheet.add(n, length - 1 - nurse.daysOff, rowOfType.at(other));
        }
    }
    rosters::KeptRoster kept;
    return rosters::keepSheet(db, kHistoryName, sheet, &kept, error);
}

} // namespace

QString Problem::rowName(int type, int skill) const {
    return types.at(type).name + QLatin1Char('-') + skills.at(skill);
}

QDate firstDay() {
    return QDate(2024, 1, 1);
}

bool readProblem(const QString& dir, const QString& instance, Problem* problem, QString* error) {
    *problem = {};
    const QStringList parts = instance.split(QLatin1Char('_'));
    if (parts.size() != 3) {
        *error = QStringLiteral("%1: not an instance name such as n005w4_0_1-2-3-3").arg(instance);
        return false;
    }
    problem->scenario = parts.at(0);
    problem->weekFiles = parts.at(2).split(QLatin1Char('-'));
    const QString& scenario = problem->scenario;
    if (!readScenario(fileIn(dir, scenario, QStringLiteral("Sc-%1.txt").arg(scenario)), problem,
                      error) ||
        !readHistory(
            fileIn(dir, scenario, QStringLiteral("H0-%1-%2.txt").arg(scenario, parts.at(1))),
            problem, error))
        return false;
    problem->demand.assign(size_t(problem->days() * problem->types.size() * problem->skills.size()),
                           {});
    for (int week = 0; week < problem->weekFiles.size(); ++week)
        if (!readWeek(
                fileIn(dir, scenario,
                       QStringLiteral("WD-%1-%2.txt").arg(scenario, problem->weekFiles.at(week))),
                week, problem, error))
            return false;
    return true;
}

bool writeKorvaneFile(const Problem& problem, const QString& path, QString* error) {
    QFile::remove(path);
    auto connection = Connection::create(path, error);
    if (!connection)
        return false;
    QSqlDatabase& db = connection->db();
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    if (!writeSetup(problem, db, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        return false;
    }
    return writeHistory(problem, db, error);
}

bool readSolution(const Problem& problem, const QString& dir, QList<Assignment>* assignments,
                  QString* error) {
    assignments->clear();
    for (int week = 0; week < problem.weekFiles.size(); ++week) {
        const QString path =
            QDir(dir).filePath(QStringLiteral("Sol-%1-%2-%3.txt")
                                   .arg(problem.scenario, problem.weekFiles.at(week))
                                   .arg(week));
        QList<QStringList> lines;
        if (!readLines(path, &lines, error))
            return false;
        for (int at = std::max(0, sectionOf(lines, QStringLiteral("ASSIGNMENTS")));
             at < lines.size(); ++at) {
            const QStringList& line = lines.at(at);
            if (line.size() != 4)
                continue;
            const Assignment assignment{
                nurseIndex(problem, line.at(0)), week * 7 + int(kDayNames.indexOf(line.at(1))),
                typeIndex(problem, line.at(2)), int(problem.skills.indexOf(line.at(3)))};
            if (assignment.nurse < 0 || assignment.day < week * 7 || assignment.type < 0 ||
                assignment.skill < 0) {
                *error = QStringLiteral("%1: %2").arg(path, line.join(QLatin1Char(' ')));
                return false;
            }
            assignments->append(assignment);
        }
    }
    return true;
}

bool writeSolution(const Problem& problem, const QList<Assignment>& assignments, const QString& dir,
                   QString* error) {
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("%1: cannot create the folder").arg(dir);
        return false;
    }
    for (int week = 0; week < problem.weekFiles.size(); ++week) {
        QList<Assignment> own;
        for (const Assignment& assignment : assignments)
            if (assignment.day / 7 == week)
                own << assignment;
        std::sort(own.begin(), own.end(), [](const Assignment& a, const Assignment& b) {
            return a.nurse != b.nurse ? a.nurse < b.nurse : a.day < b.day;
        });
        QString text = QStringLiteral("SOLUTION\n%1 %2\n\nASSIGNMENTS = %3\n")
                           .arg(week)
                           .arg(problem.scenario)
                           .arg(own.size());
        for (const Assignment& a : own)
            text += QStringLiteral("%1 %2 %3 %4\n")
                        .arg(problem.nurses.at(a.nurse).name, kDayNames.at(a.day % 7),
                             problem.types.at(a.type).name, problem.skills.at(a.skill));
        QFile file(QDir(dir).filePath(QStringLiteral("Sol-%1-%2-%3.txt")
                                          .arg(problem.scenario, problem.weekFiles.at(week))
                                          .arg(week)));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(text.toUtf8()) < 0) {
            *error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
    }
    return true;
}

bool sheetOf(QSqlDatabase& db, const Problem& problem, const QList<Assignment>& assignments,
             monthsheet::MonthSheet* sheet, QString* error) {
    engine::PlanningData data;
    if (!monthsheet::loadMonthSheet(db, sheet, error) || !data.load(db, error))
        return false;
    sheet->resetCells();
    QHash<QString, QList<int>> rowsNamed;
    for (int shift = 0; shift < sheet->shifts.size(); ++shift)
        rowsNamed[sheet->shifts.at(shift).name] << shift;
    QHash<qint64, int> setupShift;
    for (int i = 0; i < data.shifts.size(); ++i)
        setupShift.insert(data.shifts.at(i).idid, i);
    for (const Assignment& a : assignments) {
        const QList<int> rows = rowsNamed.value(problem.rowName(a.type, a.skill));
        if (rows.isEmpty() || a.day >= data.calendar.size()) {
            *error = QStringLiteral("%1 %2: no such shift in the file")
                         .arg(problem.nurses.at(a.nurse).name, problem.rowName(a.type, a.skill));
            return false;
        }
        int chosen = rows.first();
        for (int row : rows) {
            bool twice = false;
            if (data.distributed(data.calendar.at(a.day),
                                 data.shifts.at(setupShift.value(sheet->shifts.at(row).idid)),
                                 &twice))
                chosen = row;
        }
        sheet->add(a.nurse, a.day, chosen);
    }
    return true;
}

QList<Assignment> assignmentsOf(const Problem& problem, const monthsheet::MonthSheet& sheet) {
    QHash<QString, std::pair<int, int>> typeAndSkill;
    for (int type = 0; type < problem.types.size(); ++type)
        for (int skill = 0; skill < problem.skills.size(); ++skill)
            typeAndSkill.insert(problem.rowName(type, skill), {type, skill});
    QList<Assignment> assignments;
    for (int person = 0; person < sheet.people.size(); ++person)
        for (int date = 0; date < sheet.dates.size(); ++date)
            for (int shift : sheet.cell(person, date)) {
                const auto [type, skill] = typeAndSkill.value(sheet.shifts.at(shift).name);
                assignments.append({nurseIndex(problem, sheet.people.at(person).name),
                                    int(firstDay().daysTo(sheet.dates.at(date))), type, skill});
            }
    return assignments;
}

std::array<CompetitionTerm, 7> competitionTerms(const score::Breakdown& breakdown) {
    const auto term = [&](score::Term t) { return breakdown.terms[size_t(t)]; };
    using score::Term;
    return {{{"Total assignment constraints (S6)", term(Term::Shifts)},
             {"Consecutive constraints (S2)",
              term(Term::ConsecutiveWork) + term(Term::ConsecutiveSame)},
             {"Non working days constraints (S3)", term(Term::ConsecutiveOff)},
             {"Preferences (S4)", term(Term::Wishes)},
             {"Max working weekend (S7)", term(Term::WorkingWeekends)},
             {"Complete weekends (S5)", term(Term::CompleteWeekends)},
             {"Optimal coverage constraints (S1)", term(Term::IdealHeadcount)}}};
}

} // namespace korvane::inrc2
