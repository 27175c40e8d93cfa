#include "bench/inrc2.h"
#include "rosters/savedroster.h"
#include "score/rosterscore.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

const QString kScenarios = QStringLiteral(KORVANE_SOURCE_DIR "/bench/inrc2");
const QString kInstance = QStringLiteral("n005w4_0_1-2-3-3");
const QString kSolution = kScenarios + QStringLiteral("/n005w4/Solution_H_0-WD_1-2-3-3");

bool sameAssignments(QList<inrc2::Assignment> a, QList<inrc2::Assignment> b) {
    const auto order = [](const inrc2::Assignment& x, const inrc2::Assignment& y) {
        return std::tie(x.nurse, x.day, x.type, x.skill) <
               std::tie(y.nurse, y.day, y.type, y.skill);
    };
    std::sort(a.begin(), a.end(), order);
    std::sort(b.begin(), b.end(), order);
    return a == b;
}

// The competition's roster of n005w4_0_1-2-3-3, imported into a Korvane file
// and kept there as a saved roster, scores as the competition's validator
// reported it, term by term; written out again it is the same roster.
TEST(Inrc2, ReproducesTheValidatorsReportAndRoundTrips) {
    inrc2::Problem problem;
    QString error;
    ASSERT_TRUE(inrc2::readProblem(kScenarios, kInstance, &problem, &error)) << error.toStdString();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("n005w4.mdb"));
    ASSERT_TRUE(inrc2::writeKorvaneFile(problem, path, &error)) << error.toStdString();
    auto connection = Connection::open(path, &error);
    ASSERT_TRUE(connection) << error.toStdString();
    QSqlDatabase& db = connection->db();

    QList<inrc2::Assignment> read;
    monthsheet::MonthSheet sheet;
    rosters::KeptRoster kept;
    rosters::SavedRoster saved;
    ASSERT_TRUE(inrc2::readSolution(problem, kSolution, &read, &error) &&
                inrc2::sheetOf(db, problem, read, &sheet, &error) &&
                rosters::keepSheet(db, QStringLiteral("解"), sheet, &kept, &error) &&
                rosters::loadSavedRoster(db, kept.number, &saved, &error))
        << error.toStdString();
    score::RosterScore score;
    ASSERT_TRUE(score::scoreRoster(db, saved.sheet, &score, &error)) << error.toStdString();

    // "Preferences: 70" and the like, under "Cost per constraint type".
    const QString report = QString::fromUtf8(test::fileBytes(kSolution + "/validator.txt"));
    double reported = 0;
    for (const inrc2::CompetitionTerm& term : inrc2::competitionTerms(score.breakdown)) {
        const QString name = QString::fromLatin1(term.name).section(QStringLiteral(" ("), 0, 0);
        const QRegularExpressionMatch match =
            QRegularExpression(QRegularExpression::escape(name) + QStringLiteral(": (\\d+)"))
                .match(report);
        ASSERT_TRUE(match.hasMatch()) << term.name;
        EXPECT_EQ(term.cost, match.captured(1).toDouble()) << term.name;
        reported += match.captured(1).toDouble();
    }
    EXPECT_EQ(score.total(), reported);
    EXPECT_TRUE(score.hard.isEmpty());

    // Back to the competition's files: the same assignments.
    EXPECT_TRUE(sameAssignments(inrc2::assignmentsOf(problem, saved.sheet), read));
    const QString out = folder.filePath(QStringLiteral("out"));
    QList<inrc2::Assignment> again;
    ASSERT_TRUE(
        inrc2::writeSolution(problem, inrc2::assignmentsOf(problem, saved.sheet), out, &error) &&
        inrc2::readSolution(problem, out, &again, &error))
        << error.toStdString();
    EXPECT_TRUE(sameAssignments(again, read));
}

} // namespace
