// korvane-bench inrc2: the competition's instances scored by Korvane, and
// the score's own speed on the hospital year.

#include "bench/scorebench.h"

#include "bench/benchsupport.h"

#include "bench/inrc2.h"
#include "engine/run.h"
#include "rosters/locks.h"
#include "rosters/savedroster.h"
#include "score/rosterscore.h"
#include "score/scoretext.h"
#include "search/improve.h"
#include "store/connection.h"
#include "store/sqltext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>

#include <cstdio>
#include <ctime>
#include <random>

namespace korvane::bench {

namespace {

const char* kInrc2Usage =
    "usage: korvane-bench inrc2 DIR INSTANCE [--solution SOLDIR | --seconds N [--seed S]]\n"
    "                           [--steps N]\n"
    "                           [--out SOLDIR]\n"
    "  DIR: the scenario's folder (Sc-*, H0-*, WD-* files) or the one above it\n"
    "  INSTANCE: scenario_history_weeks, such as n005w4_0_1-2-3-3\n"
    "  --seconds N: the generated roster improved by the search for N seconds\n"
    "  --steps N: or by N steps of each chain, the same roster for a seed every time\n";

void line(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int failed(const QString& error) {
    std::fprintf(stderr, "%s\n", error.toUtf8().constData());
    return 1;
}

// The roster of the competition's files, kept in the Korvane file as a
// saved roster and read back from it.
bool solutionSheet(QSqlDatabase& db, const inrc2::Problem& problem, const QString& dir,
                   monthsheet::MonthSheet* sheet, QString* error) {
    QList<inrc2::Assignment> assignments;
    monthsheet::MonthSheet read;
    rosters::KeptRoster kept;
    rosters::SavedRoster saved;
    if (!inrc2::readSolution(problem, dir, &assignments, error) ||
        !inrc2::sheetOf(db, problem, assignments, &read, error) ||
        !rosters::keepSheet(db, QStringLiteral("INRC-II 解"), read, &kept, error) ||
        !rosters::loadSavedRoster(db, kept.number, &saved, error))
        return false;
    *sheet = saved.sheet;
    return true;
}

// The plain run on the file, from the history before it.
bool generatedSheet(QSqlDatabase& db, const QString& path, monthsheet::MonthSheet* sheet,
                    QString* error) {
    engine::RunExtras extras;
    if (!rosters::earlierShifts(db, &extras.earlier, error))
        return false;
    const engine::RunResult result = engine::generate(path, {}, nullptr, extras);
    if (result.outcome != engine::RunOutcome::Done &&
        result.outcome != engine::RunOutcome::PlanImpossible) {
        *error = result.detail;
        return false;
    }
    if (result.outcome == engine::RunOutcome::PlanImpossible)
        std::fprintf(stderr, "%s\n",
                     engine::describeUnfilledSlot(result.unfilled).toUtf8().constData());
    return monthsheet::loadMonthSheet(db, sheet, error);
}

} // namespace

int inrc2Command(QStringList args) {
    QString solution, out, seconds, seed, steps;
    for (const QString& option :
         {QStringLiteral("--solution"), QStringLiteral("--out"), QStringLiteral("--seconds"),
          QStringLiteral("--seed"), QStringLiteral("--steps")}) {
        const qsizetype at = args.indexOf(option);
        if (at < 0)
            continue;
        if (at + 1 >= args.size()) {
            std::fputs(kInrc2Usage, stderr);
            return 2;
        }
        QString& value = option == QLatin1String("--out")        ? out
                         : option == QLatin1String("--solution") ? solution
                         : option == QLatin1String("--seconds")  ? seconds
                         : option == QLatin1String("--steps")    ? steps
                                                                 : seed;
        value = args.at(at + 1);
        args.remove(at, 2);
    }
    search::Options options;
    qint64 budget = 0, seedValue = 1, stepsValue = 0;
    if (args.size() != 2 || (!seconds.isEmpty() && !search::parseBudget(seconds, &budget)) ||
        (!steps.isEmpty() && !search::parseBudget(steps, &stepsValue)) ||
        (!seed.isEmpty() && !search::parseBudget(seed, &seedValue)) ||
        (!seconds.isEmpty() && !solution.isEmpty())) {
        std::fputs(kInrc2Usage, stderr);
        return 2;
    }
    options.seconds = double(budget);
    options.steps = stepsValue;
    options.seed = quint64(seedValue);
    QString error;
    inrc2::Problem problem;
    if (!inrc2::readProblem(args.at(0), args.at(1), &problem, &error))
        return failed(error);
    QTemporaryDir folder;
    const QString path = folder.filePath(args.at(1) + QStringLiteral(".mdb"));
    if (!inrc2::writeKorvaneFile(problem, path, &error))
        return failed(error);
    auto connection = Connection::open(path, &error);
    if (!connection)
        return failed(error);
    monthsheet::MonthSheet sheet;
    if (!(solution.isEmpty() ? generatedSheet(connection->db(), path, &sheet, &error)
                             : solutionSheet(connection->db(), problem, solution, &sheet, &error)))
        return failed(error);
    if (budget > 0 || stepsValue > 0) {
        score::ScoreReading reading;
        if (!score::readForScore(connection->db(), sheet.dates.first(), &reading, &error))
            return failed(error);
        const search::Improvement found =
            search::improveSheet(std::move(reading), sheet, {}, options);
        std::fprintf(stderr, "search: %lld steps in %.1f s, from %.0f\n",
                     static_cast<long long>(found.steps), found.seconds, found.scoreBefore.total());
        sheet = found.sheet;
    }
    score::RosterScore score;
    if (!score::scoreRoster(connection->db(), sheet, &score, &error))
        return failed(error);
    for (const inrc2::CompetitionTerm& term : inrc2::competitionTerms(score.breakdown))
        line(QStringLiteral("%1: %2").arg(QString::fromLatin1(term.name)).arg(term.cost));
    for (const rosters::Warning& hard : score.hard)
        std::fprintf(stderr, "%s %s\n",
                     score.sheet.dates.at(hard.date).toString(Qt::ISODate).toUtf8().constData(),
                     hard.text.toUtf8().constData());
    line(QStringLiteral("total %1 hard %2").arg(score.total()).arg(score.hard.size()));
    if (!out.isEmpty() &&
        !inrc2::writeSolution(problem, inrc2::assignmentsOf(problem, score.sheet), out, &error))
        return failed(error);
    return 0;
}

namespace {

// CPU milliseconds of the process: on a busy machine the wall clock also
// counts other programs.
double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

int searchYear(const QString& path, double seconds, qint64 steps) {
    if (engine::generate(path).outcome != engine::RunOutcome::Done)
        return failed(QStringLiteral("the plain run did not end with 完成！"));
    search::Request request;
    request.options.seconds = seconds;
    request.options.steps = steps;
    QElapsedTimer clock;
    clock.start();
    const search::Result result = search::improveRoster(path, request);
    if (result.outcome != search::Outcome::Done)
        return failed(result.detail);
    const search::Improvement& found = result.improvement;
    for (int term = 0; term < score::termCount; ++term)
        if (found.scoreBefore.terms[size_t(term)] != 0 || found.scoreAfter.terms[size_t(term)] != 0)
            line(QStringLiteral("%1: %2 -> %3")
                     .arg(score::termName(score::Term(term)))
                     .arg(found.scoreBefore.terms[size_t(term)])
                     .arg(found.scoreAfter.terms[size_t(term)]));
    line(QStringLiteral("hospital-year search %1: %2 steps, total %3 -> %4, hard %5, "
                        "%6 s in all, %7 s of CPU")
             .arg(steps > 0 ? QStringLiteral("%1 steps a chain").arg(steps)
                            : QStringLiteral("%1 s").arg(seconds))
             .arg(found.steps)
             .arg(found.scoreBefore.total())
             .arg(found.scoreAfter.total())
             .arg(found.hardAfter)
             .arg(double(clock.elapsed()) / 1000)
             .arg(cpuMilliseconds() / 1000, 0, 'f', 1));
    return found.scoreAfter.total() * 2 <= found.scoreBefore.total() ? 0 : 1;
}

namespace {

// Targets of every kind for everyone, a wish a person, an ideal headcount
// and a forbidden succession.
bool addObjectives(QSqlDatabase& db, QString* error) {
    QSqlQuery query(db);
    const QString target = QStringLiteral(
        "insert into 排班目标 (对象, 对象IDID, 种类, 班次, 选定班次组, 最少, 最多, 权重) values "
        "('组', 1, ?, ?, ?, ?, ?, ?)");
    const QList<QVariantList> targets = {
        {QStringLiteral("班数"), QString(), 0, 100, 140, 20},
        {QStringLiteral("工时"), QString(), 0, 800, 1200, 1},
        {QStringLiteral("连续上班"), QString(), 0, 2, 5, 30},
        {QStringLiteral("连续休息"), QString(), 0, 2, 4, 30},
        {QStringLiteral("连续同班"), QStringLiteral("大夜班"), 0, 1, 3, 15},
        {QStringLiteral("周末上班"), QString(), 0, QVariant(), 30, 30},
        {QStringLiteral("完整周末"), QString(), 0, QVariant(), QVariant(), 30}};
    for (const QVariantList& values : targets)
        if (!execBound(query, target, values, error))
            return false;
    std::mt19937 random(2028);
    for (int person = 1; person <= 200; ++person) {
        const QString day = QDate(2028, 1, 1).addDays(int(random() % 366)).toString(Qt::ISODate);
        if (!execBound(query,
                       QStringLiteral("insert into 排班意愿 (人员IDID, 开始日期, 结束日期, 班次, "
                                      "选定班次组, 想要, 权重) values (?, ?, ?, '全天', 0, 0, 10)"),
                       {person, day, day}, error))
            return false;
    }
    return execBound(query,
                     QStringLiteral("insert into 理想人数 (班次IDID, 理想人数, 权重) select idid, "
                                    "人数 + 2, 30 from banci where 班次名称 = '白班'"),
                     {}, error) &&
           execBound(query,
                     QStringLiteral("insert into 禁止衔接 (前班次, 前选定班次组, 后班次, "
                                    "后选定班次组) values ('大夜班', 0, '白班', 0)"),
                     {}, error);
}

} // namespace

bool measureScore(const QString& name, const QString& path) {
    QString error;
    auto connection = Connection::open(path, &error);
    monthsheet::MonthSheet sheet;
    if (!connection || !addObjectives(connection->db(), &error) ||
        !monthsheet::loadMonthSheet(connection->db(), &sheet, &error))
        return failed(error) == 0;
    QSqlDatabase& db = connection->db();

    // The whole score as the 评分 tab and korvane-cli work it out: reading
    // the set-up, objectives and earlier roster, then scoring the sheet (the
    // soft terms and the hard checks).
    QList<double> reading, scoring, scoringCpu;
    score::RosterScore result;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        score::ScoreReading read;
        if (!score::readForScore(db, sheet.dates.first(), &read, &error))
            return failed(error) == 0;
        reading << timer.nsecsElapsed() / 1e6;
        timer.restart();
        const double cpu = cpuMilliseconds();
        score::scoreSheet(std::move(read), sheet, &result);
        scoring << timer.nsecsElapsed() / 1e6;
        scoringCpu << cpuMilliseconds() - cpu;
    }

    // One cell changed at a time, as the search moves: a shift taken from
    // someone on a date and given to someone free that day.
    std::mt19937 random(366);
    score::ScoreState& state = *result.state;
    const int people = int(sheet.people.size()), dates = int(sheet.dates.size());
    constexpr int kMoves = 20000;
    QElapsedTimer timer;
    timer.start();
    int moves = 0;
    for (int i = 0; i < kMoves; ++i) {
        const int date = int(random() % unsigned(dates));
        const int from = int(random() % unsigned(people));
        const int to = int(random() % unsigned(people));
        if (state.cell(from, date).isEmpty() || !state.cell(to, date).isEmpty())
            continue;
        const score::Cell taken = state.cell(from, date);
        state.set(from, date, {});
        state.set(to, date, taken);
        moves += 2;
    }
    const double cellMicros = timer.nsecsElapsed() / 1e3 / std::max(1, moves);
    QString why;
    state.verify(&why);
    if (!why.isEmpty())
        return failed(QStringLiteral("%1: the incremental score went astray: %2").arg(name, why)) ==
               0;
    state.resync();

    // A hand edit on the 评分 tab: the same move on the sheet, the score's
    // update of the people and the date it touched, then the warnings of
    // those rows and that column (the saved roster's page checks them anew
    // after each edit and hands them to the score).
    QList<double> edits, editsCpu, rechecks;
    for (int i = 0; i < 5; ++i) {
        monthsheet::MonthSheet edited = result.sheet;
        int date = 0, from = -1, to = -1;
        while (from < 0 || to < 0) {
            date = int(random() % unsigned(dates));
            from = to = -1;
            for (int person = 0; person < people; ++person) {
                if (from < 0 && !edited.cell(person, date).isEmpty())
                    from = person;
                if (to < 0 && edited.cell(person, date).isEmpty())
                    to = person;
            }
        }
        const QList<int> moved = edited.cell(from, date);
        edited.cells[qsizetype(from) * dates + date].clear();
        edited.cells[qsizetype(to) * dates + date] = moved;
        timer.restart();
        const double cpu = cpuMilliseconds();
        result.update(edited, {from, to}, {date});
        edits << timer.nsecsElapsed() / 1e6;
        editsCpu << cpuMilliseconds() - cpu;
        timer.restart();
        result.setWarnings(result.checker->recheck(result.warnings, edited, {from, to}, {date}));
        rechecks << timer.nsecsElapsed() / 1e6;
    }
    // The limits hold for the CPU time: the machine may be shared.
    const double scoringMs = medianOf(scoringCpu), editMs = medianOf(editsCpu);
    line(QStringLiteral("%1: score of the roster %2 ms, cpu %9 ms (limit 50), after reading the "
                        "set-up, objectives and earlier roster in %3 ms; total %4 with %5 hard; "
                        "one changed cell of the incremental score %6 µs; a hand edit's update "
                        "of the 评分 tab %7 ms, cpu %10 ms (limit 1), and the warnings of the "
                        "rows and the column it touched %8 ms")
             .arg(name)
             .arg(medianOf(scoring), 0, 'f', 1)
             .arg(medianOf(reading), 0, 'f', 1)
             .arg(score::numberText(result.total()))
             .arg(result.hard.size())
             .arg(cellMicros, 0, 'f', 2)
             .arg(medianOf(edits), 0, 'f', 2)
             .arg(medianOf(rechecks), 0, 'f', 1)
             .arg(scoringMs, 0, 'f', 1)
             .arg(editMs, 0, 'f', 2));
    return scoringMs < 50 && editMs < 1;
}

} // namespace korvane::bench
