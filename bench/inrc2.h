#pragma once

#include "monthsheet/monthsheet.h"
#include "score/score.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// The Second International Nurse Rostering Competition's data as Korvane
// set-ups, and Korvane's rosters as the competition's solution files: the
// yardstick for the score and the search.
//
// How a scenario becomes a Korvane file:
// - a nurse is a person; a contract a staff group of its nurses;
// - a shift type and a skill make shift rows named "Early-Nurse", one per
//   pair (least, optimum) of the weeks' demand, each on the date group of
//   the days with that demand: its 人数 is the least, its ideal headcount
//   the optimum (weight 30), its 最多人数 the number of nurses (cover has
//   no upper bound); days with neither have no row;
// - a shift type is a shift group of its rows: the target on consecutive
//   days of that type (weight 15) and the forbidden successions name it;
// - a nurse who lacks a skill may not work its rows: a rule 不排在 on the
//   skill's shift group (a group of all its rows);
// - one shift a day: every row runs 08:00 to 16:00, so two on one day
//   overlap, and no rest is asked between days (最少休息小时 0 for 全部);
// - a contract's bounds are targets of its group: shifts in the period
//   (20), consecutive working days and days off (30), working weekends at
//   most (30), complete weekends (30);
// - a shift-off request is a wish not to work (weight 10);
// - the history is a saved roster that ends the day before the period, with
//   each nurse's last stretches as long as the history says; assignments and
//   working weekends counted before the period move the nurse's own
//   targets on shifts and weekends by as much;
// - fairness is off (weight 0): the competition has no such term.
namespace korvane::inrc2 {

struct Problem {
    struct ShiftType {
        QString name;
        int least = 0; // consecutive days on it
        int most = 0;
        QStringList notBefore; // types that may not follow it the next day
    };
    struct Contract {
        QString name;
        int leastShifts = 0, mostShifts = 0;
        int leastWorking = 0, mostWorking = 0; // consecutive days
        int leastOff = 0, mostOff = 0;
        int mostWeekends = 0;
        bool completeWeekends = false;
    };
    struct Nurse {
        QString name;
        int contract = 0;
        QStringList skills;
        // The history: shifts and working weekends so far, the last shift
        // type worked and for how many days, days worked and days off in a row.
        int shiftsBefore = 0;
        int weekendsBefore = 0;
        int lastType = -1;
        int lastTypeDays = 0;
        int workingDays = 0;
        int daysOff = 0;
    };
    struct Demand {
        int least = 0;
        int optimum = 0;
    };
    struct Request {
        int nurse = 0;
        int day = 0;
        int type = -1; // -1: any shift
    };

    QString scenario;
    QStringList weekFiles; // the week file numbers, in order
    QStringList skills;
    QList<ShiftType> types;
    QList<Contract> contracts;
    QList<Nurse> nurses;
    std::vector<Demand> demand; // day x type x skill
    QList<Request> requests;

    int days() const { return int(weekFiles.size()) * 7; }
    const Demand& demandOf(int day, int type, int skill) const {
        return demand[size_t((day * types.size() + type) * skills.size() + skill)];
    }
    // The name of a shift row: "Early-Nurse".
    QString rowName(int type, int skill) const;
};

// The first day of the period (a Monday).
QDate firstDay();

// Reads an instance (n005w4_0_1-2-3-3: scenario, history, weeks) from dir,
// the scenario's folder (or the folder above it).
bool readProblem(const QString& dir, const QString& instance, Problem* problem, QString* error);

// Writes the problem into the new Korvane database at path.
bool writeKorvaneFile(const Problem& problem, const QString& path, QString* error);

// One assignment of a nurse to a shift type and skill on a day of the period.
struct Assignment {
    int nurse = 0;
    int day = 0;
    int type = 0;
    int skill = 0;
    bool operator==(const Assignment&) const = default;
};

// Reads the competition's solution files of the instance's weeks from dir.
bool readSolution(const Problem& problem, const QString& dir, QList<Assignment>* assignments,
                  QString* error);
// Writes them as the competition's files, one per week, into dir.
bool writeSolution(const Problem& problem, const QList<Assignment>& assignments, const QString& dir,
                   QString* error);

// The roster as a month sheet of the Korvane file (db): each assignment on
// the row of its type and skill that runs on its day (the first row of that
// name when none does). False with the reason for a name the file lacks.
bool sheetOf(QSqlDatabase& db, const Problem& problem, const QList<Assignment>& assignments,
             monthsheet::MonthSheet* sheet, QString* error);
// And back: the assignments of a sheet of the Korvane file.
QList<Assignment> assignmentsOf(const Problem& problem, const monthsheet::MonthSheet& sheet);

// Korvane's terms as the competition's seven, in the validator's order:
// total assignments (S6), consecutive (S2), days off (S3), preferences
// (S4), working weekends (S7), complete weekends (S5), optimal coverage (S1).
struct CompetitionTerm {
    const char* name;
    double cost;
};
std::array<CompetitionTerm, 7> competitionTerms(const score::Breakdown& breakdown);

} // namespace korvane::inrc2
