#pragma once

#include "monthsheet/monthsheet.h"
#include "rosters/warnings.h"
#include "score/score.h"
#include "score/state.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <vector>

// The score of a roster as the pages, korvane-cli and the bench show it: the
// soft terms of the planner's objectives, and the hard rules it breaks,
// judged against the current set-up of the database.
namespace korvane::score {

struct RosterScore {
    monthsheet::MonthSheet sheet;
    std::unique_ptr<ScoreSetup> setup;
    std::unique_ptr<ScoreState> state;
    QList<Item> items; // every penalised item, people first, then slots and groups
    Breakdown breakdown;
    // The hard rules it breaks (see hardFindings).
    QList<rosters::Warning> hard;
    std::vector<PersonLine> lines;

    double total() const { return breakdown.total(); }

    // After the cells of those people on those dates changed (a hand edit):
    // the state follows cell by cell, and the items, lines and breakdown of
    // the people and dates touched are worked out again (the groups' too).
    // The hard findings are the caller's (the page rechecks its warnings).
    void update(const monthsheet::MonthSheet& changed, const QList<int>& people,
                const QList<int>& dates);
};

// Scores the sheet against the objectives and set-up of the database: the
// slots of the set-up's shifts and dates, the roster that ends the day
// before the sheet's first date. False with the reason.
bool scoreRoster(QSqlDatabase& db, monthsheet::MonthSheet sheet, RosterScore* score,
                 QString* error);

// The hard rules a roster breaks, one place for every caller: the warnings
// of the checks the run and the hand edits use, less a slot above its 人数,
// with every forbidden succession (across the start of the period too).
QList<rosters::Warning> hardFindings(const rosters::RosterChecker& checker,
                                     const monthsheet::MonthSheet& sheet, const ScoreSetup& setup,
                                     const QList<engine::EarlierShift>& earlier);

// What each cell costs, from the items that fall on days of a person: a
// wish on its day, a stretch on its days (the days past its most, or the
// whole stretch that is too short, shared), a weekend partly worked on its
// days. Keyed by person x dates + date.
QHash<qsizetype, double> cellCosts(const QList<Item>& items, int dates);
// The costliest cells, most first (at most count, each costing something).
QList<qsizetype> costliestCells(const QHash<qsizetype, double>& costs, int count);

} // namespace korvane::score
