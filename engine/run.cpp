#include "engine/run.h"

#include "engine/assignment.h"
#include "engine/planningdata.h"
#include "engine/roster.h"
#include "engine/rules.h"
#include "store/connection.h"
#include "store/databaselock.h"
#include "store/messages.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace korvane::engine {

namespace {

// One statement writes a slot's candidates for every person, in the
// candidate step's person order; their idids follow that order.
const QString kInsertSlotCandidates =
    QStringLiteral("insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) "
                   "select ?, ?, IDID, '2' from 基本信息 order by 家庭住址, IDID");
const QString kFlagsChangedByRules =
    QStringLiteral("select idid, 是否值班 from 值班底表 where 是否值班 is null or 是否值班 <> '2'");
const QString kMarkAssigned = QStringLiteral("update 值班底表 set 是否值班 = '1' where idid = ?");
const QString kWriteCounters =
    QStringLiteral("update 基本信息 set 班数空间 = ?, 前一班序号 = ?, 最近值班时间 = ?, "
                   "最近班次ID = ?, 连续天数 = ?, 距离向量 = ?, 值班次数 = ? where IDID = ?");
const QString kInsertRosterRow =
    QStringLiteral("insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, 结束时间, 值班人) "
                   "values (?, ?, ?, ?, ?, ?)");
const QString kNameSeparator = QStringLiteral("  ");

// The progress the run has reached when its steps end.
constexpr double kResetDone = 5;
constexpr double kCandidatesDone = 10;
constexpr double kRulesDone = 15;
constexpr double kSlotsSpan = 70;
constexpr double kReportStart = 85;
constexpr double kReportDone = 100;

// Thrown inside the run to end it with an outcome; caught in generate().
struct RunEnd {
    RunOutcome outcome;
    QString detail;
};

class GenerationRun {
public:
    explicit GenerationRun(const RunObserver& observer) : m_observer(observer) {}

    RunResult execute(const QString& path, RunLock lock);

private:
    void resetWorkTables();
    void buildCandidates();
    void applyRules();
    void fillSlots();
    void writeAssignments(const SlotFiller& filler);
    void writeRoster();

    void progress(double value);
    void message(const QString& text);
    bool distributedOn(const CalendarDay& day, const Shift& shift);
    void checkCancelled();
    void begin();
    void commit();
    [[noreturn]] void fail(const QString& what, const QSqlError& error);
    [[noreturn]] void fail(const QString& what, const QString& reason);
    void exec(QSqlQuery& query, const QString& what);
    // Runs a statement that must change exactly one row.
    void execOneRow(QSqlQuery& query, const QString& what);
    void reportSkippedRules();

    const RunObserver& m_observer;
    std::unique_ptr<Connection> m_connection;
    QSqlDatabase m_db;
    bool m_inTransaction = false;
    double m_progress = 0;
    PlanningData m_data;
    CandidateTable m_table;
    RunResult m_result;
};

void GenerationRun::progress(double value) {
    m_progress = value;
    if (m_observer.progress)
        m_observer.progress(value);
}

// Whether the shift exists on the day: 分布日期 is 全部 or names a date group
// holding the day. Two equally named groups holding it are reported and
// taken as one.
bool GenerationRun::distributedOn(const CalendarDay& day, const Shift& shift) {
    if (shift.distribution == everyDate)
        return true;
    const int matches = m_data.distributionMatches(day, shift.distribution);
    if (matches > 1)
        message(msg::duplicateDateGroup);
    return matches > 0;
}

void GenerationRun::message(const QString& text) {
    if (m_observer.message)
        m_observer.message(text);
}

void GenerationRun::checkCancelled() {
    if (m_observer.cancelled && m_observer.cancelled())
        throw RunEnd{RunOutcome::Cancelled, msg::runCancelled};
}

void GenerationRun::begin() {
    if (!m_db.transaction())
        fail(QStringLiteral("开始事务"), m_db.lastError());
    m_inTransaction = true;
}

void GenerationRun::commit() {
    if (!m_db.commit())
        fail(QStringLiteral("提交"), m_db.lastError());
    m_inTransaction = false;
}

// A lock held elsewhere, a read-only file or a full disk is the file's
// state, not the set-up's: the run ends as Unavailable.
void GenerationRun::fail(const QString& what, const QSqlError& error) {
    const RunOutcome outcome =
        isFileFault(storeFault(error)) ? RunOutcome::Unavailable : RunOutcome::Failed;
    throw RunEnd{outcome, msg::runFailed.arg(what, error.text())};
}

void GenerationRun::fail(const QString& what, const QString& reason) {
    throw RunEnd{RunOutcome::Failed, msg::runFailed.arg(what, reason)};
}

void GenerationRun::exec(QSqlQuery& query, const QString& what) {
    if (!query.exec())
        fail(what, query.lastError());
}

void GenerationRun::execOneRow(QSqlQuery& query, const QString& what) {
    exec(query, what);
    if (query.numRowsAffected() != 1)
        fail(what, msg::rowChangedDuringRun);
}

RunResult GenerationRun::execute(const QString& path, RunLock lock) {
    std::unique_ptr<files::DatabaseLock> runLock;
    if (lock == RunLock::TakeOwn) {
        QString busy;
        runLock = files::DatabaseLock::acquire(path, files::DatabaseLock::Mode::Run, 0, &busy);
        if (!runLock) {
            m_result.outcome = RunOutcome::Unavailable;
            m_result.detail = busy;
            return m_result;
        }
    }
    FileCheck problem;
    m_connection = Connection::openChecked(path, &problem);
    if (!m_connection) {
        m_result.outcome =
            problem.temporarilyUnavailable() ? RunOutcome::Unavailable : RunOutcome::NotOurFile;
        m_result.detail = QDir::toNativeSeparators(path) + QStringLiteral("：") + problem.reason;
        return m_result;
    }
    m_db = m_connection->db();
    {
        // The run touches the whole of 值班底表 and its indexes several times:
        // a page cache that holds them spares re-reading the file. Without
        // it the run is slower, not wrong, so a refusal is not an error.
        QSqlQuery pragma(m_db);
        for (const char* statement : {"PRAGMA cache_size = -131072", "PRAGMA temp_store = MEMORY"})
            if (!pragma.exec(QLatin1String(statement)))
                break;
    }
    try {
        progress(0);
        resetWorkTables();
        progress(kResetDone);
        if (m_observer.notice)
            m_observer.notice(true);
        buildCandidates();
        progress(kCandidatesDone);
        applyRules();
        fillSlots();
        writeRoster();
        reportSkippedRules();
        message(msg::done);
        m_result.outcome = RunOutcome::Done;
    } catch (const RunEnd& end) {
        if (m_inTransaction)
            m_db.rollback();
        m_result.outcome = end.outcome;
        m_result.detail = end.detail;
    }
    return m_result;
}

// Both work tables emptied, committed on their own.
void GenerationRun::resetWorkTables() {
    begin();
    QSqlError error;
    if (!engine::resetWorkTables(m_db, nullptr, &error))
        fail(QStringLiteral("清空工作表"), error);
    commit();
}

// 值班底表: one open row per date, shift distributed on it, and person. The
// run ends quietly (keeping what was written) when there is nothing to plan.
void GenerationRun::buildCandidates() {
    begin();
    QString error;
    if (!m_data.load(m_db, &error))
        fail(QStringLiteral("读取基础数据"), error);
    if (m_data.calendar.isEmpty()) {
        commit();
        throw RunEnd{RunOutcome::NothingToPlan, msg::nothingNoDates};
    }
    QSqlQuery insert(m_db);
    if (!insert.prepare(kInsertSlotCandidates))
        fail(QStringLiteral("写入候选行"), insert.lastError());
    const qint64 staffCount = m_data.staff.size();
    qint64 nextIdid = -1; // the idid the next written row is expected to get
    m_table.rows.reserve(size_t(m_data.calendar.size()) * size_t(m_data.shifts.size()) *
                         size_t(staffCount));
    for (const CalendarDay& day : m_data.calendar) {
        checkCancelled();
        if (m_data.shifts.isEmpty()) {
            commit();
            throw RunEnd{RunOutcome::NothingToPlan, msg::nothingNoShifts};
        }
        for (const Shift& shift : m_data.shifts) {
            if (!distributedOn(day, shift))
                continue;
            if (staffCount == 0) {
                commit();
                throw RunEnd{RunOutcome::NothingToPlan, msg::nothingNoStaff};
            }
            insert.bindValue(0, day.text);
            insert.bindValue(1, shift.idid);
            exec(insert, QStringLiteral("写入候选行"));
            const qint64 last = insert.lastInsertId().toLongLong();
            const qint64 first = last - staffCount + 1;
            if (insert.numRowsAffected() != staffCount || (nextIdid >= 0 && first != nextIdid))
                fail(QStringLiteral("写入候选行"), msg::staffChangedDuringRun);
            for (qint64 i = 0; i < staffCount; ++i)
                m_table.append({first + i, day.day, shift.idid, int(i), flagOpen});
            nextIdid = last + 1;
        }
    }
    commit();
    m_result.candidateRows = qint64(m_table.rows.size());
}

// Each rule strikes its rows out ('0'); a rule that cannot be evaluated is
// left out and named at the end of the run.
void GenerationRun::applyRules() {
    QString error;
    const QList<Rule> rules = loadRules(m_db, &error);
    if (!error.isEmpty())
        fail(QStringLiteral("读取约束条件"), error);
    if (rules.isEmpty())
        return;
    begin();
    for (const Rule& rule : rules) {
        checkCancelled();
        QSqlError refusal;
        switch (applyRule(m_db, rule, nullptr, &refusal)) {
        case RuleApplied::Applied:
            break;
        case RuleApplied::Unevaluable:
            m_result.skippedRules << describeRule(rule);
            break;
        case RuleApplied::Failed:
            // The database refused: going on without the rule would be a
            // roster that ignores it, reported as done.
            fail(describeRule(rule), refusal);
        }
    }
    // The rules only ever turn open rows into struck ones; read those back.
    QSqlQuery changed(m_db);
    changed.setForwardOnly(true);
    if (!changed.exec(kFlagsChangedByRules))
        fail(QStringLiteral("读取候选行"), changed.lastError());
    while (changed.next()) {
        const int row = m_table.rowOfIdid(changed.value(0).toLongLong());
        const QString flag = changed.value(1).toString();
        if (row >= 0)
            m_table.rows[size_t(row)].flag = flag.size() == 1 ? flag.at(0).toLatin1() : '\0';
    }
    commit();
    progress(kRulesDone);
}

// Calendar order, shift order; the sequence number advances for every shift
// of every date. Assignments and counters are written back in one go, also
// when a slot cannot be filled.
void GenerationRun::fillSlots() {
    SlotFiller filler(m_data, m_table);
    const double step = kSlotsSpan / double(m_data.calendar.size());
    qint64 sequence = 1;
    for (const CalendarDay& day : m_data.calendar) {
        checkCancelled();
        for (const Shift& shift : m_data.shifts) {
            bool relaxed = false;
            const SlotFiller::Result result = filler.fill(day, shift, sequence, &relaxed);
            if (relaxed && m_observer.relaxedQuery)
                m_observer.relaxedQuery(relaxedQueryText(shift.idid, day.day));
            if (result == SlotFiller::Result::Impossible) {
                m_result.unfilled = {day.day, shift.name, shift.headcount, filler.openCandidates()};
                writeAssignments(filler);
                reportSkippedRules();
                message(msg::planImpossible);
                throw RunEnd{RunOutcome::PlanImpossible, msg::planImpossible};
            }
            ++sequence;
        }
        progress(m_progress + step);
    }
    checkCancelled();
    writeAssignments(filler);
}

void GenerationRun::writeAssignments(const SlotFiller& filler) {
    begin();
    QSqlQuery mark(m_db);
    if (!mark.prepare(kMarkAssigned))
        fail(QStringLiteral("写入值班安排"), mark.lastError());
    for (int row : filler.assignedRows()) {
        mark.bindValue(0, m_table.rows[size_t(row)].idid);
        execOneRow(mark, QStringLiteral("写入值班安排"));
    }
    QSqlQuery counters(m_db);
    if (!counters.prepare(kWriteCounters))
        fail(QStringLiteral("写入人员计数"), counters.lastError());
    for (int i = 0; i < m_data.staff.size(); ++i) {
        const PersonCounters& c = filler.counters()[size_t(i)];
        counters.bindValue(0, c.capacity);
        counters.bindValue(1, c.previousSlot);
        counters.bindValue(2, isoDate(c.lastDay));
        counters.bindValue(3, c.lastShift);
        counters.bindValue(4, c.consecutive);
        counters.bindValue(5, c.distance);
        counters.bindValue(6, c.dutyCount);
        counters.bindValue(7, m_data.staff.at(i).idid);
        execOneRow(counters, QStringLiteral("写入人员计数"));
    }
    commit();
}

// 值班报表: one row per date and distributed shift with the names of the
// people on duty, each after two blanks, in ascending 值班底表.idid.
void GenerationRun::writeRoster() {
    progress(kReportStart);
    // M: the largest headcount among the shifts that received assignments.
    QHash<qint64, double> headcountOf;
    for (const Shift& shift : m_data.shifts)
        headcountOf.insert(shift.idid, shift.headcount);
    double largest = 0;
    for (const CandidateRow& row : m_table.rows)
        if (row.flag == flagAssigned)
            largest = std::max(largest, headcountOf.value(row.shift));
    m_result.rowHeightFactor = largest / 3 + 1;

    begin();
    QSqlQuery insert(m_db);
    if (!insert.prepare(kInsertRosterRow))
        fail(QStringLiteral("写入值班报表"), insert.lastError());
    for (const CalendarDay& day : m_data.calendar) {
        checkCancelled();
        for (const Shift& shift : m_data.shifts) {
            if (!distributedOn(day, shift))
                continue;
            QString names;
            bool anyone = false;
            for (int row : m_table.slotRows(day.day, shift.idid)) {
                const CandidateRow& candidate = m_table.rows[size_t(row)];
                if (candidate.flag != flagAssigned)
                    continue;
                names += kNameSeparator + m_data.staff.at(candidate.person).name;
                anyone = true;
            }
            insert.bindValue(0, longDate(day.day));
            for (int column = 0; column < 4; ++column)
                insert.bindValue(1 + column, shift.rosterColumns.value(column));
            // A slot that took nobody (a headcount below 1) keeps 值班人 unset.
            insert.bindValue(5,
                             anyone ? QVariant(names) : QVariant(QMetaType::fromType<QString>()));
            execOneRow(insert, QStringLiteral("写入值班报表"));
        }
    }
    commit();
    progress(kReportDone);
    if (m_observer.notice)
        m_observer.notice(false);
}

void GenerationRun::reportSkippedRules() {
    if (m_result.skippedRules.isEmpty())
        return;
    message(msg::skippedRules + QLatin1Char('\n') + m_result.skippedRules.join(QLatin1Char('\n')));
}

} // namespace

QString describeUnfilledSlot(const UnfilledSlot& slot) {
    return msg::unfilledSlot.arg(longDate(slot.day), slot.shift, QString::number(slot.needed),
                                 QString::number(slot.found));
}

RunResult generate(const QString& databasePath, const RunObserver& observer, RunLock lock) {
    GenerationRun run(observer);
    return run.execute(databasePath, lock);
}

} // namespace korvane::engine
