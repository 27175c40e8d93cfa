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
    // The penalised items: each person's (targets, wishes), each date's
    // slots, and the fairness groups'.
    std::vector<QList<Item>> personItems;
    std::vector<QList<Item>> dateItems;
    QList<Item> groupItems;
    Breakdown breakdown;
    // The hard rules it breaks (see hardFindings), from the warnings of the
    // set-up's checks.
    QList<rosters::Warning> hard;
    std::unique_ptr<rosters::RosterChecker> checker;
    // What each cell may hold by the set-up's checks (the setup's fair shares follow it).
    rosters::RosterChecker::CellRules cellRules;
    QList<engine::EarlierShift> earlier;
    QList<rosters::Warning> warnings;
    std::vector<PersonLine> lines;

    double total() const { return breakdown.total(); }
    // Every item: people first, then slots and groups.
    QList<Item> items() const;

    // After the cells of those people on those dates changed (a hand edit):
    // the state follows cell by cell; the items and lines of the people and
    // dates touched and the groups' items are worked out again, and the
    // breakdown follows them.
    void update(const monthsheet::MonthSheet& changed, const QList<int>& people,
                const QList<int>& dates);
    // The warnings of the set-up's checks on the sheet as it now is (a page
    // that checks them after each edit hands them over): the hard findings anew.
    void setWarnings(QList<rosters::Warning> found);
};

// What the score reads besides the roster: the set-up's checks and slots,
// the objectives, the roster that ends the day before first.
struct ScoreReading {
    std::unique_ptr<rosters::RosterChecker> checker;
    targets::Objectives objectives;
    QList<engine::EarlierShift> earlier;
};
bool readForScore(QSqlDatabase& db, const QDate& first, ScoreReading* reading, QString* error);
// The score of the sheet from what was read (taken over by the score).
void scoreSheet(ScoreReading reading, monthsheet::MonthSheet sheet, RosterScore* score);

// Scores the sheet against the objectives and set-up of the database: the
// slots of the set-up's shifts and dates, the roster that ends the day
// before the sheet's first date. False with the reason.
bool scoreRoster(QSqlDatabase& db, monthsheet::MonthSheet sheet, RosterScore* score,
                 QString* error);

// The hard rules a roster breaks, one place for every caller: the warnings
// of the checks the run and the hand edits use (RosterChecker: rules, leave,
// limits, rest and overlap, forbidden successions, slots short of 人数), less
// a slot above its 人数.
QList<rosters::Warning> hardFindings(const QList<rosters::Warning>& warnings);

// What each cell costs, from the items that fall on days of a person: a
// wish on its day, a stretch on its days (the days past its most, or the
// whole stretch that is too short, shared), a weekend partly worked on its
// days. Keyed by person x dates + date.
QHash<qsizetype, double> cellCosts(const QList<Item>& items, int dates);
// The costliest cells, most first (at most count, each costing something).
QList<qsizetype> costliestCells(const QHash<qsizetype, double>& costs, int count);

} // namespace korvane::score
