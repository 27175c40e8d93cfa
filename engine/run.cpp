#include "engine/run.h"

#include "engine/assignment.h"
#include "engine/planningdata.h"
#include "engine/roster.h"
#include "engine/rules.h"
#include "store/connection.h"
#include "store/databaselock.h"
#include "store/dialect.h"
#include "store/messages.h"
#include "store/schema.h"
#include "store/server.h"
#include "store/servercopy.h"
#include "store/sqltext.h"

#include <QDir>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>

#include <sqlite3.h>

namespace korvane::engine {

namespace {

// In a file the rows of 值班底表 are written from two small tables of the run's own
// connection: the people in the candidate step's order, numbered from 1, and
// the slots in write order with their final flags, one byte per person (a
// blob, so that picking a person's flag is one step, not a walk through text).
const QStringList kCreateRowTables = {
    QStringLiteral("create temp table if not exists run_people (pos integer primary key, "
                   "IDID integer)"),
    QStringLiteral("create temp table if not exists run_slots (seq integer primary key, "
                   "日期 text, 班次IDID integer, flags blob)"),
    QStringLiteral("delete from temp.run_people"), QStringLiteral("delete from temp.run_slots")};
// The people's counters, on either store (see writeCounters).
const QStringList kCreateCounterTable = {
    QStringLiteral("create temp table if not exists run_counters (IDID integer primary key, "
                   "班数空间 bigint, 前一班序号 bigint, 最近值班时间 text, 最近班次ID bigint, "
                   "连续天数 bigint, 距离向量 double precision, 值班次数 bigint)"),
    QStringLiteral("delete from temp.run_counters")};
const QString kInsertSlots =
    QStringLiteral("insert into temp.run_slots (seq, 日期, 班次IDID, flags)");
// One statement writes the rows of a run of slots, slot by slot and person
// by person (so their idids follow that order), each with its final flag.
// Both tables are read in key order: nothing is sorted.
const QString kWriteRows =
    QStringLiteral("insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) "
                   "select s.日期, s.班次IDID, p.IDID, %1 "
                   "from temp.run_slots s, temp.run_people p where s.seq between ? and ? "
                   "order by s.seq, p.pos");
const QString kFlagBySql = QStringLiteral("cast(substr(s.flags, p.pos, 1) as text)");
const QString kFlagByFunction = QStringLiteral("run_flag(s.flags, p.pos)");
// A ward takes the rows themselves by COPY, numbered here from the next
// number of the column's sequence on (the server's own join of the two
// tables wrote them a third slower).
const QString kCopyRowsOnServer =
    QStringLiteral("值班底表 (idid, 日期, 班次idid, 姓名idid, 是否值班)");
const QString kIdidSequence = QStringLiteral("pg_get_serial_sequence('值班底表', 'idid')");

// run_flag(flags, pos): the flag at pos (from 1) as a one-character text, what
// cast(substr(flags, pos, 1) as text) gives, without the two copies SQL
// makes of it for each of the run's rows.
void flagAt(sqlite3_context* context, int, sqlite3_value** arguments) {
    static const std::array<char, 256> characters = [] {
        std::array<char, 256> all{};
        for (int i = 0; i < 256; ++i)
            all[size_t(i)] = char(i);
        return all;
    }();
    const auto* flags = static_cast<const unsigned char*>(sqlite3_value_blob(arguments[0]));
    const int size = sqlite3_value_bytes(arguments[0]);
    const sqlite3_int64 position = sqlite3_value_int64(arguments[1]);
    if (!flags || position < 1 || position > size) {
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
        return;
    }
    sqlite3_result_text(context, &characters[flags[position - 1]], 1, SQLITE_STATIC);
}

std::atomic<bool> nativeFlagFunction{true};

// Gives the connection run_flag; false leaves the rows to the SQL form. The
// function is registered through SQLite's own interface on the handle of
// Qt's driver, which is sound only when the driver runs on the library
// linked here: the build checks that the driver plugin links the same shared
// libsqlite3 (KORVANE_SHARED_SQLITE), and here the library the connection
// answers with must be ours and the function must answer through it.
bool addFlagFunction(QSqlDatabase& db) {
    if (!KORVANE_SHARED_SQLITE || !nativeFlagFunction.load())
        return false;
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("select sqlite_version()")) || !probe.next() ||
        probe.value(0).toString() != QLatin1String(sqlite3_libversion()))
        return false;
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* connection = *static_cast<sqlite3* const*>(handle.data());
    if (!connection ||
        sqlite3_create_function_v2(connection, "run_flag", 2,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr,
                                   flagAt, nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    return probe.exec(QStringLiteral("select run_flag(x'3132', 2)")) && probe.next() &&
           probe.value(0).toString() == QLatin1String("2");
}
// The step named when writing the candidate rows fails.
const QString kWritingRows = QStringLiteral("写入候选行");
// Rows written by one statement: fewer statements, fewer copies of the pages
// they touch kept for a statement's rollback.
constexpr qint64 kRowsPerStatement = 131072;
// The people's counters go to run_counters in bulk, then into 基本信息 by one
// statement.
const QString kInsertCounters =
    QStringLiteral("insert into temp.run_counters (IDID, 班数空间, 前一班序号, 最近值班时间, "
                   "最近班次ID, 连续天数, 距离向量, 值班次数)");
const QString kWriteCounters = QStringLiteral(
    "update 基本信息 set 班数空间 = c.班数空间, 前一班序号 = c.前一班序号, 最近值班时间 = "
    "c.最近值班时间, 最近班次ID = c.最近班次ID, 连续天数 = c.连续天数, 距离向量 = c.距离向量, "
    "值班次数 = c.值班次数 from temp.run_counters c where 基本信息.IDID = c.IDID");
const QString kInsertRosterRows =
    QStringLiteral("insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, 结束时间, 值班人)");
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
    GenerationRun(const RunObserver& observer, bool dryRun, const RunExtras& extras = {})
        : m_observer(observer), m_dryRun(dryRun), m_extras(extras) {}

    RunResult execute(const QString& path, const files::DatabaseLock* heldLock);

private:
    void resetWorkTables();
    void buildCandidates();
    void applyRules();
    void fillSlots();
    void startWriting();
    void writeSlotsUpTo(size_t end, bool now);
    void stageRowsOnServer(const CandidateSlot& slot);
    void writeRowsOnServer(qint64 waiting);
    void writeAllSlots();
    void setAsideRowKey();
    void restoreRowKey();
    void writeCounters(const SlotFiller& filler);
    void writeRoster();

    void progress(double value);
    void message(const QString& text);
    bool distributedOn(const CalendarDay& day, const Shift& shift);
    void checkCancelled();
    void checkLock();
    void settleLogOfMovedFile();
    void begin();
    void commit();
    [[noreturn]] void fail(const QString& what, const QSqlError& error);
    [[noreturn]] void fail(const QString& what, const QString& reason);
    void endIfConnectionLost(const QString& reason);
    void exec(QSqlQuery& query, const QString& what);
    void reportSkippedRules();

    const RunObserver& m_observer;
    const bool m_dryRun; // plans in memory, writes nothing
    const RunExtras m_extras;
    const files::DatabaseLock* m_lock = nullptr;
    std::unique_ptr<Connection> m_connection;
    QSqlDatabase m_db;
    bool m_inTransaction = false;
    int m_depth = 0; // begin() calls not yet committed
    double m_progress = 0;
    PlanningData m_data;
    CandidateTable m_table;
    QList<AppliedRule> m_appliedRules;
    QSqlQuery m_insertSlots;
    QSqlQuery m_writeRows;
    QVariantList m_slotValues; // staged slots not yet in run_slots, 4 values each
    size_t m_slotsStaged = 0;  // slots staged
    size_t m_slotsWritten = 0; // slots whose rows are in 值班底表
    qint64 m_nextIdid = -1;    // the idid the next written row is expected to get
    QByteArray m_serverRows;   // staged rows in COPY's text form (a ward)
    QString m_rowKey;          // the primary key of 值班底表 set aside meanwhile (a ward)
    RunResult m_result;
};

void GenerationRun::progress(double value) {
    m_progress = value;
    if (m_observer.progress)
        m_observer.progress(value);
}

// Whether the shift exists on the day; two equally named groups holding it
// are reported and taken as one.
bool GenerationRun::distributedOn(const CalendarDay& day, const Shift& shift) {
    bool twice = false;
    const bool distributed = m_data.distributed(day, shift, &twice);
    if (twice)
        message(msg::duplicateDateGroup);
    return distributed;
}

void GenerationRun::message(const QString& text) {
    if (m_observer.message)
        m_observer.message(text);
}

void GenerationRun::checkCancelled() {
    if (m_observer.cancelled && m_observer.cancelled())
        throw RunEnd{RunOutcome::Cancelled, msg::runCancelled};
}

// A file renamed over the locked one (by hand, by a cleaning or syncing
// tool) is not protected by the lock: the run stops before it writes there.
void GenerationRun::checkLock() {
    if (m_lock && !m_lock->stillAtPath())
        throw RunEnd{RunOutcome::Unavailable, m_lock->replacedMessage()};
}

// Transactions nest: only the outermost begins and commits.
void GenerationRun::begin() {
    checkLock();
    if (m_depth++ > 0)
        return;
    if (!m_db.transaction())
        fail(QStringLiteral("开始事务"), m_db.lastError());
    m_inTransaction = true;
}

void GenerationRun::commit() {
    checkLock();
    if (--m_depth > 0)
        return;
    if (!m_db.commit())
        fail(QStringLiteral("提交"), m_db.lastError());
    m_inTransaction = false;
}

// A lock held elsewhere, a read-only file or a full disk is the file's
// state, not the set-up's: the run ends as Unavailable.
void GenerationRun::fail(const QString& what, const QSqlError& error) {
    endIfConnectionLost(error.text());
    const RunOutcome outcome =
        isFileFault(storeFault(error)) ? RunOutcome::Unavailable : RunOutcome::Failed;
    throw RunEnd{outcome, msg::runFailed.arg(what, error.text())};
}

void GenerationRun::fail(const QString& what, const QString& reason) {
    endIfConnectionLost(reason);
    throw RunEnd{RunOutcome::Failed, msg::runFailed.arg(what, reason)};
}

// A server that no longer answers has rolled the run's transaction back.
void GenerationRun::endIfConnectionLost(const QString& reason) {
    if (!m_connection || !m_connection->onServer())
        return;
    QSqlQuery ping(m_db);
    if (!ping.exec(QStringLiteral("SELECT 1")))
        throw RunEnd{RunOutcome::Unavailable, msg::connectionLost.arg(reason.trimmed())};
}

void GenerationRun::exec(QSqlQuery& query, const QString& what) {
    if (!query.exec())
        fail(what, query.lastError());
}

RunResult GenerationRun::execute(const QString& path, const files::DatabaseLock* heldLock) {
    std::unique_ptr<files::DatabaseLock> ownLock;
    if (!m_dryRun && !heldLock && !(ownLock = takeRunLock(path, &m_result)))
        return m_result;
    m_lock = heldLock ? heldLock : ownLock.get();
    if (m_lock && !m_lock->stillAtPath()) {
        m_result.outcome = RunOutcome::Unavailable;
        m_result.detail = m_lock->replacedMessage();
        return m_result;
    }
    FileCheck problem;
    m_connection = Connection::openChecked(
        path, &problem, m_dryRun ? Connection::Access::ReadOnly : Connection::Access::ReadWrite);
    if (!m_connection) {
        m_result.outcome =
            problem.temporarilyUnavailable() ? RunOutcome::Unavailable : RunOutcome::NotOurFile;
        m_result.detail = QDir::toNativeSeparators(path) + QStringLiteral("：") + problem.reason;
        return m_result;
    }
    m_db = m_connection->db();
    if (!m_dryRun)
        prepareForWriting(m_db);
    try {
        progress(0);
        if (!m_dryRun)
            resetWorkTables();
        progress(kResetDone);
        if (m_observer.notice)
            m_observer.notice(true);
        buildCandidates();
        progress(kCandidatesDone);
        applyRules();
        fillSlots();
        if (!m_dryRun)
            writeRoster();
        if (m_depth > 0)
            commit();
        reportSkippedRules();
        message(msg::done);
        m_result.outcome = RunOutcome::Done;
    } catch (const RunEnd& end) {
        // What a plan that cannot be carried out wrote (its rows and counters)
        // stays, as on a file; anything else is undone.
        if (m_inTransaction && end.outcome == RunOutcome::PlanImpossible && m_depth == 1 &&
            m_db.commit())
            m_inTransaction = false;
        if (m_inTransaction)
            m_db.rollback();
        m_result.outcome = end.outcome;
        m_result.detail = end.detail;
        if (m_lock && !m_lock->stillAtPath())
            settleLogOfMovedFile();
    }
    return m_result;
}

// The log beside a file is found by its name. SQLite keeps the log of a file
// that was renamed over or moved away (it cannot know whose it is now), and
// the file now at the path would take its committed pages as its own: they
// are written into the run's own file and the log is emptied.
void GenerationRun::settleLogOfMovedFile() {
    QSqlQuery checkpoint(m_db);
    checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

// Both work tables emptied, committed on their own; an older file's indexes
// are brought up to date while 值班底表 is empty.
void GenerationRun::resetWorkTables() {
    begin();
    QSqlError error;
    if (!engine::resetWorkTables(m_db, nullptr, &error))
        fail(QStringLiteral("清空工作表"), error);
    QString indexError;
    if (!schema::updateIndexes(m_db, &indexError))
        fail(QStringLiteral("清空工作表"), indexError);
    commit();
}

// 值班底表 in memory: one open row per date, shift distributed on it, and
// person. The rows are written once their flags are final, slot by slot in
// this order, which gives them their idids. The run ends quietly when there
// is nothing to plan.
void GenerationRun::buildCandidates() {
    QString error;
    if (!m_data.load(m_db, &error))
        fail(QStringLiteral("读取基础数据"), error);
    if (m_data.calendar.isEmpty())
        throw RunEnd{RunOutcome::NothingToPlan, msg::nothingNoDates};
    if (m_data.shifts.isEmpty())
        throw RunEnd{RunOutcome::NothingToPlan, msg::nothingNoShifts};
    if (!buildCandidateTable(m_data, &m_table, [this] { message(msg::duplicateDateGroup); }))
        throw RunEnd{RunOutcome::NothingToPlan, msg::nothingNoStaff};
    m_result.candidateRows = qint64(m_table.flags.size());
}

// Each rule strikes its rows out ('0'); a rule that cannot be evaluated is
// left out and named at the end of the run.
void GenerationRun::applyRules() {
    QString error;
    const QList<Rule> rules = loadRules(m_db, &error);
    if (!error.isEmpty())
        fail(QStringLiteral("读取约束条件"), error);
    // Leave strikes a person's rows like a 不排在 rule.
    strikeLeave(m_data, m_table);
    if (rules.isEmpty())
        return;
    RuleRegionReader reader(m_db);
    for (const Rule& rule : rules) {
        checkCancelled();
        RuleRegion region;
        QSqlError refusal;
        switch (reader.read(rule, &region, nullptr, &refusal)) {
        case RuleApplied::Applied:
            strikeRegion(region, m_data, m_table);
            m_appliedRules.append({rule, std::move(region)});
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
    progress(kRulesDone);
}

// Calendar order, shift order; the sequence number advances for every shift
// of every date. Each date's rows are written once its slots are filled (a
// repeated calendar date fills its slots again), and the counters at the end,
// also when a slot cannot be filled.
void GenerationRun::fillSlots() {
    SlotFiller filler(m_data, m_table);
    // A lock the set-up no longer holds (its person gone) is left out.
    QHash<qint64, int> personOfIdid;
    for (int i = 0; i < m_data.staff.size(); ++i)
        personOfIdid.insert(m_data.staff.at(i).idid, i);
    for (const LockedAssignment& locked : m_extras.locked)
        if (personOfIdid.contains(locked.person))
            filler.lock(locked.day, locked.shift, personOfIdid.value(locked.person));
    for (const EarlierShift& earlier : m_extras.earlier)
        if (personOfIdid.contains(earlier.person))
            filler.workedBefore(personOfIdid.value(earlier.person), earlier.day, earlier.endMinute,
                                earlier.shift);
    startWriting();
    const double step = kSlotsSpan / double(m_data.calendar.size());
    qint64 sequence = 1;
    for (int row = 0; row < m_data.calendar.size(); ++row) {
        const CalendarDay& day = m_data.calendar.at(row);
        checkCancelled();
        for (const Shift& shift : m_data.shifts) {
            bool relaxed = false;
            const SlotFiller::Result result = filler.fill(day, shift, sequence, &relaxed);
            if (relaxed && m_observer.relaxedQuery)
                m_observer.relaxedQuery(relaxedQueryText(shift.idid, day.day));
            if (result == SlotFiller::Result::Impossible) {
                m_result.explanations
                    << explainSlot(m_data, m_table, filler, m_appliedRules, row, shift);
                if (m_result.explanations.size() == 1)
                    m_result.unfilled = {day.day, shift.name, shift.headcount,
                                         filler.openCandidates()};
                m_result.explanation = m_result.explanations.first();
                if (m_dryRun) {
                    // Planned on, so that every slot that cannot be filled is named.
                    filler.fillShort(day, shift, sequence);
                    ++sequence;
                    continue;
                }
                writeAllSlots();
                writeCounters(filler);
                reportSkippedRules();
                message(msg::planImpossible);
                throw RunEnd{RunOutcome::PlanImpossible, msg::planImpossible};
            }
            ++sequence;
        }
        const bool dateDone =
            row + 1 == m_data.calendar.size() || m_data.calendar.at(row + 1).day != day.day;
        if (dateDone) {
            size_t end = m_slotsWritten;
            while (end < m_table.slotList.size() && m_table.slotList[end].calendarRow <= row)
                ++end;
            writeSlotsUpTo(end, false);
        }
        progress(m_progress + step);
    }
    checkCancelled();
    writeAllSlots();
    writeCounters(filler);
    if (!m_result.explanations.isEmpty()) {
        reportSkippedRules();
        message(msg::planImpossible);
        throw RunEnd{RunOutcome::PlanImpossible, msg::planImpossible};
    }
}

// The temporary tables belong to the run's connection alone: filling them
// takes no lock on the file.
// On a ward the rows, the counters and the roster are one transaction: a
// connection cut during the run leaves the ward as the reset left it.
void GenerationRun::startWriting() {
    if (m_dryRun)
        return;
    if (m_connection->onServer()) {
        begin();
        setAsideRowKey();
    }
    const dialect::Flavor flavor = dialect::flavorOf(m_db);
    const auto prepare = [&](QSqlQuery& query, const QString& statement) {
        if (!query.prepare(dialect::translate(statement, flavor).sql))
            fail(kWritingRows, query.lastError());
    };
    QSqlQuery people(m_db);
    QStringList workTables = kCreateCounterTable;
    if (flavor != dialect::Flavor::Server)
        workTables += kCreateRowTables;
    for (const QString& statement : workTables) {
        QString error;
        if (!dialect::exec(people, statement, &error))
            fail(kWritingRows, people.lastError());
    }
    if (flavor == dialect::Flavor::Server) {
        QSqlQuery sequence(m_db);
        if (!sequence.exec(QStringLiteral("select nextval(%1)").arg(kIdidSequence)) ||
            !sequence.next())
            fail(kWritingRows, sequence.lastError());
        m_nextIdid = sequence.value(0).toLongLong();
        return;
    }
    // All the people in one statement.
    QStringList rows;
    QVariantList values;
    for (int i = 0; i < m_data.staff.size(); ++i) {
        rows << QStringLiteral("(?, ?)");
        values << i + 1 << m_data.staff.at(i).idid;
    }
    if (!rows.isEmpty()) {
        prepare(people, QStringLiteral("insert into temp.run_people values ") +
                            rows.join(QLatin1Char(',')));
        for (const QVariant& value : values)
            people.addBindValue(value);
        exec(people, kWritingRows);
    }
    m_insertSlots = QSqlQuery(m_db);
    m_writeRows = QSqlQuery(m_db);
    prepare(m_writeRows, kWriteRows.arg(addFlagFunction(m_db) ? kFlagByFunction : kFlagBySql));
}

// The slots up to end have their final flags: they are staged (their flags
// copied as they are now), and sent to run_slots in bulk and their rows
// written once enough of them wait (or now); a ward takes the rows as staged.
void GenerationRun::writeSlotsUpTo(size_t end, bool now) {
    if (m_dryRun)
        return;
    const qint64 people = m_table.people();
    const bool onServer = m_connection->onServer();
    for (; m_slotsStaged < end; ++m_slotsStaged) {
        const CandidateSlot& slot = m_table.slotList[m_slotsStaged];
        if (onServer) {
            stageRowsOnServer(slot);
            continue;
        }
        m_slotValues << qint64(m_slotsStaged) + 1 << m_data.calendar.at(slot.calendarRow).text
                     << slot.shift
                     << QByteArray(m_table.flags.data() + slot.firstRow, qsizetype(people));
    }
    const qint64 waiting = qint64(m_slotsStaged - m_slotsWritten) * people;
    if (waiting == 0 || (!now && waiting < kRowsPerStatement))
        return;
    if (onServer) {
        writeRowsOnServer(waiting);
        return;
    }
    QSqlError fault;
    if (!insertRows(m_insertSlots, kInsertSlots, 4, m_slotValues, &fault))
        fail(kWritingRows, fault);
    m_slotValues.clear();
    m_writeRows.bindValue(0, qint64(m_slotsWritten) + 1);
    m_writeRows.bindValue(1, qint64(m_slotsStaged));
    checkLock();
    exec(m_writeRows, kWritingRows);
    const qint64 last = lastInsertedId(m_writeRows).toLongLong();
    const qint64 first = last - waiting + 1;
    if (m_writeRows.numRowsAffected() != waiting || (m_nextIdid >= 0 && first != m_nextIdid))
        fail(kWritingRows, msg::staffChangedDuringRun);
    m_nextIdid = last + 1;
    m_slotsWritten = m_slotsStaged;
}

void GenerationRun::writeAllSlots() {
    writeSlotsUpTo(m_table.slotList.size(), true);
    restoreRowKey();
}

// Where the run's role owns the ward's tables, the primary key of 值班底表
// is set aside while the run writes its rows and built again over all of
// them at once: keeping it up row by row took half the rows' time. Inside
// the run's transaction, so a run that does not end leaves it as it was.
void GenerationRun::setAsideRowKey() {
    QSqlQuery key(m_db);
    if (!key.exec(QStringLiteral(
            "select c.conname from pg_constraint c join pg_class t on t.oid = c.conrelid where "
            "c.conrelid = to_regclass('值班底表') and c.contype = 'p' and "
            "pg_has_role(t.relowner, 'USAGE')")))
        fail(kWritingRows, key.lastError());
    if (!key.next())
        return;
    const QString name = key.value(0).toString();
    if (!key.exec(
            QStringLiteral("alter table 值班底表 drop constraint %1").arg(server::quoteName(name))))
        fail(kWritingRows, key.lastError());
    m_rowKey = name;
}

void GenerationRun::restoreRowKey() {
    if (m_rowKey.isEmpty())
        return;
    QSqlQuery key(m_db);
    if (!key.exec(QStringLiteral("alter table 值班底表 add constraint %1 primary key (idid)")
                      .arg(server::quoteName(m_rowKey))))
        fail(kWritingRows, key.lastError());
    m_rowKey.clear();
}

// The slot's rows as COPY's text, numbered on from the rows staged before:
// its flags as they are now.
void GenerationRun::stageRowsOnServer(const CandidateSlot& slot) {
    const auto appendNumber = [this](qint64 number) {
        std::array<char, 24> digits;
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
        m_serverRows.append(digits.data(), end - digits.data());
    };
    QByteArray middle(1, '\t');
    server::appendCopyField(&middle, m_data.calendar.at(slot.calendarRow).text);
    middle += '\t' + QByteArray::number(slot.shift) + '\t';
    const qint64 people = m_table.people();
    qint64 idid = m_nextIdid + qint64(m_slotsStaged - m_slotsWritten) * people;
    for (qint64 person = 0; person < people; ++person) {
        appendNumber(idid++);
        m_serverRows.append(middle);
        appendNumber(m_data.staff.at(person).idid);
        m_serverRows.append('\t');
        m_serverRows.append(m_table.flags[size_t(slot.firstRow + person)]);
        m_serverRows.append('\n');
    }
}

// The staged rows go to the ward; the sequence then stands at the last of them.
void GenerationRun::writeRowsOnServer(qint64 waiting) {
    checkLock();
    QSqlError fault;
    if (!server::copyIn(m_db.driver(), kCopyRowsOnServer, m_serverRows, &fault))
        fail(kWritingRows, fault);
    m_serverRows.clear();
    m_nextIdid += waiting;
    QSqlQuery sequence(m_db);
    if (!sequence.exec(
            QStringLiteral("select setval(%1, %2)").arg(kIdidSequence).arg(m_nextIdid - 1)))
        fail(kWritingRows, sequence.lastError());
    m_slotsWritten = m_slotsStaged;
}

void GenerationRun::writeCounters(const SlotFiller& filler) {
    for (int i = 0; i < m_data.staff.size(); ++i)
        m_result.work.push_back({m_data.staff.at(i).name, m_data.limits.at(i), filler.workDone(i)});
    if (m_dryRun)
        return;
    const QString what = QStringLiteral("写入人员计数");
    QVariantList values;
    for (int i = 0; i < m_data.staff.size(); ++i) {
        const PersonCounters& c = filler.counters()[size_t(i)];
        values << m_data.staff.at(i).idid << c.capacity << c.previousSlot << isoDate(c.lastDay)
               << c.lastShift << c.consecutive << c.distance << c.dutyCount;
    }
    begin();
    QSqlQuery counters(m_db);
    QSqlError fault;
    if (!insertRows(counters, kInsertCounters, 8, values, &fault))
        fail(what, fault);
    QString error;
    if (!dialect::exec(counters, kWriteCounters, &error))
        fail(what, counters.lastError());
    // Every person's row, each once: a person gone during the run is a change.
    if (counters.numRowsAffected() != m_data.staff.size())
        fail(what, msg::rowChangedDuringRun);
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
    for (const CandidateSlot& slot : m_table.slotList) {
        const auto first = m_table.flags.begin() + slot.firstRow;
        if (std::find(first, first + m_table.people(), flagAssigned) != first + m_table.people())
            largest = std::max(largest, headcountOf.value(slot.shift));
    }
    m_result.rowHeightFactor = largest / 3 + 1;

    QVariantList values;
    for (const CalendarDay& day : m_data.calendar) {
        checkCancelled();
        const QString date = longDate(day.day);
        for (const Shift& shift : m_data.shifts) {
            if (!distributedOn(day, shift))
                continue;
            QString names;
            bool anyone = false;
            for (int index : m_table.slotsOf(day.day, shift.idid)) {
                const int first = m_table.slotList[size_t(index)].firstRow;
                for (int person = 0; person < m_table.people(); ++person) {
                    if (m_table.flags[size_t(first + person)] != flagAssigned)
                        continue;
                    names += kNameSeparator + m_data.staff.at(person).name;
                    anyone = true;
                }
            }
            values << date;
            for (int column = 0; column < 4; ++column)
                values << shift.rosterColumns.value(column);
            // A slot that took nobody (a headcount below 1) keeps 值班人 unset.
            values << (anyone ? QVariant(names) : QVariant(QMetaType::fromType<QString>()));
        }
    }
    begin();
    QSqlQuery insert(m_db);
    QSqlError fault;
    if (!insertRows(insert, kInsertRosterRows, 6, values, &fault))
        fail(QStringLiteral("写入值班报表"), fault);
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

void setNativeFlagFunction(bool allowed) {
    nativeFlagFunction.store(allowed);
}

QString describeUnfilledSlot(const UnfilledSlot& slot) {
    return msg::unfilledSlot.arg(longDate(slot.day), slot.shift, QString::number(slot.needed),
                                 QString::number(slot.found));
}

std::unique_ptr<files::DatabaseLock> takeRunLock(const QString& databasePath, RunResult* refused) {
    FileCheck problem;
    auto lock =
        files::DatabaseLock::acquire(databasePath, files::DatabaseLock::Mode::Run, 0, &problem);
    if (!lock) {
        refused->outcome =
            problem.temporarilyUnavailable() ? RunOutcome::Unavailable : RunOutcome::NotOurFile;
        refused->detail = problem.reason;
    }
    return lock;
}

void prepareForWriting(QSqlDatabase& db) {
    // A page cache that holds the pages the run writes spares writing them
    // out and reading them back before the commit. Without it the run is
    // slower, not wrong, so a refusal is not an error. A ward has no such
    // settings of its own.
    if (dialect::flavorOf(db) == dialect::Flavor::Server)
        return;
    QSqlQuery pragma(db);
    for (const char* statement :
         {"PRAGMA cache_size = -2000", "PRAGMA temp_store = MEMORY", "PRAGMA synchronous = NORMAL"})
        if (!pragma.exec(QLatin1String(statement)))
            break;
}

RunResult generate(const QString& databasePath, const RunObserver& observer,
                   const files::DatabaseLock* heldLock, const RunExtras& extras) {
    GenerationRun run(observer, false, extras);
    return run.execute(databasePath, heldLock);
}

QList<int> locksThatCannotHold(QSqlDatabase& db, const QList<LockedAssignment>& locks,
                               QString* error) {
    QList<int> cannot;
    PlanningData data;
    if (!data.load(db, error))
        return cannot;
    CandidateTable table;
    buildCandidateTable(data, &table);
    QSet<qint64> people;
    for (const Person& person : data.staff)
        people.insert(person.idid);
    for (int i = 0; i < locks.size(); ++i)
        if (!people.contains(locks.at(i).person) ||
            table.slotsOf(locks.at(i).day, locks.at(i).shift).empty())
            cannot << i;
    return cannot;
}

RunResult plan(const QString& databasePath, const RunExtras& extras) {
    const RunObserver quiet;
    GenerationRun run(quiet, true, extras);
    return run.execute(databasePath, nullptr);
}

} // namespace korvane::engine
