// korvane-bench inrc2: the competition's instances scored by Korvane, and
// the score's own speed on the hospital year.

#include "bench/scorebench.h"

#include "bench/inrc2.h"
#include "engine/run.h"
#include "rosters/locks.h"
#include "rosters/savedroster.h"
#include "score/rosterscore.h"
#include "store/connection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace korvane::bench {

namespace {

const char* kInrc2Usage = "usage: korvane-bench inrc2 DIR INSTANCE [--solution SOLDIR] [--out SOLDIR]\n"
                          "  DIR: the scenario's folder (Sc-*, H0-*, WD-* files) or the one above it\n"
                          "  INSTANCE: scenario_history_weeks, such as n005w4_0_1-2-3-3\n";

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
    const engine::RunResult result = engine::generate(path, {}, engine::RunLock::TakeOwn, extras);
    if (result.outcome != engine::RunOutcome::Done &&
        result.outcome != engine::RunOutcome::PlanImpossible) {
        *error = result.detail;
        return false;
    }
    if (result.outcome == engine::RunOutcome::PlanImpossible)
        std::fprintf(stderr, "%s\n", engine::describeUnfilledSlot(result.unfilled).toUtf8().constData());
    return monthsheet::loadMonthSheet(db, sheet, error);
}

} // namespace

int inrc2Command(QStringList args) {
    QString solution, out;
    for (const QString& option : {QStringLiteral("--solution"), QStringLiteral("--out")}) {
        const qsizetype at = args.indexOf(option);
        if (at < 0)
            continue;
        if (at + 1 >= args.size()) {
            std::fputs(kInrc2Usage, stderr);
            return 2;
        }
        (option == QLatin1String("--out") ? out : solution) = args.at(at + 1);
        args.remove(at, 2);
    }
    if (args.size() != 2) {
        std::fputs(kInrc2Usage, stderr);
        return 2;
    }
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
    score::RosterScore score;
    if (!score::scoreRoster(connection->db(), sheet, &score, &error))
        return failed(error);
    for (const inrc2::CompetitionTerm& term : inrc2::competitionTerms(score.breakdown))
        line(QStringLiteral("%1: %2").arg(QString::fromLatin1(term.name)).arg(term.cost));
    for (const rosters::Warning& hard : score.hard)
        std::fprintf(stderr, "%s %s\n", score.sheet.dates.at(hard.date).toString(Qt::ISODate).toUtf8().constData(),
                     hard.text.toUtf8().constData());
    line(QStringLiteral("total %1 hard %2").arg(score.total()).arg(score.hard.size()));
    if (!out.isEmpty() &&
        !inrc2::writeSolution(problem, inrc2::assignmentsOf(problem, score.sheet), out, &error))
        return failed(error);
    return 0;
}

} // namespace korvane::bench
