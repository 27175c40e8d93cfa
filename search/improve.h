#pragma once

#include "monthsheet/monthsheet.h"
#include "rosters/savedroster.h"
#include "score/rosterscore.h"
#include "search/search.h"
#include "store/databaselock.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <vector>

// 优化值班表 on a database: the roster of the last run or a saved roster
// searched for a lower score, and the best found kept as a saved roster
// "…（优化）" in one transaction, so that a search killed half-way leaves
// the file as it was.
namespace korvane::search {

// A search of one sheet against what the score read.
struct Improvement {
    monthsheet::MonthSheet before;
    monthsheet::MonthSheet sheet; // the best found
    score::Breakdown scoreBefore;
    score::Breakdown scoreAfter;
    int hardBefore = 0; // the hard findings (score::hardFindings) of each
    int hardAfter = 0;
    // Every slot still below its 人数, each followed by everyone's reason.
    QStringList shortSlots;
    int shortCount = 0;
    qint64 steps = 0;
    double seconds = 0;
    bool cancelled = false;
};

// Searches the sheet; locked: person x date cells it may not change (empty:
// none). The result never has more hard findings than the start: were the
// search's own counts ever to disagree with the set-up's checks, the start
// is returned.
Improvement improveSheet(score::ScoreReading reading, const monthsheet::MonthSheet& sheet,
                         std::vector<char> locked, const Options& options,
                         const Observer& observer = {});

// The score before and after: a line per term that costs in either, the
// total, and the hard findings.
QStringList comparisonLines(const Improvement& improvement);

// The score of a saved roster the search kept against the saved roster it
// started from (the one its name names: "甲（优化）" of 甲; a search of the
// last run's roster started from the roster that run kept), term by term
// and person by person, as comparisonLines. Empty when the roster is not a
// search's, or its start is gone, was changed since, or holds other people,
// shifts or dates.
bool keptComparison(QSqlDatabase& db, qint64 number, QStringList* lines, QString* error);

// The budget as typed: a whole number of seconds or steps above 0.
bool parseBudget(const QString& text, qint64* value);

// A fingerprint of the set-up (every table a run or the score reads): a
// search that finds it changed at its end keeps nothing.
QByteArray setupFingerprint(QSqlDatabase& db);

enum class Outcome {
    Done,        // kept
    Short,       // kept, with slots still below 人数
    NoRoster,    // nothing to start from
    Refused,     // a saved roster whose people or shifts are gone, a set-up changed meanwhile
    Unavailable, // another run or search has the file, or it cannot be written
    Failed,
};

struct Request {
    QString saved; // the saved roster to start from; empty: the last run's roster
    Options options;
};

struct Result {
    Outcome outcome = Outcome::Failed;
    QString detail;
    Improvement improvement;
    rosters::KeptRoster kept;
};

// The whole search on the file at path: takes the run's lock (or holds the
// caller's), reads the roster, its locks and the set-up, searches, and
// keeps the best found.
Result improveRoster(const QString& databasePath, const Request& request,
                     const Observer& observer = {}, const files::DatabaseLock* heldLock = nullptr);

} // namespace korvane::search
