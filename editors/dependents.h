#pragma once

#include "store/prompt.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

// What hangs on a person, a shift or a group that is about to be deleted:
// the rules (and forbidden successions) that name it, which the planner may
// delete with it; what is kept by its key alone (leave, limits, targets,
// wishes, ideal headcounts), which goes with it; and the locks of saved
// rosters, which stay in those rosters but can no longer hold.
namespace korvane::dependents {

// A statement with its bound values.
struct Statement {
    QString sql;
    QVariantList values;
};

struct Dependents {
    QStringList naming;            // a line per rule or succession that names it
    QList<Statement> deleteNaming; // deletes exactly those
    QStringList goesWith;          // a line per kind of entry that goes with it
    QList<Statement> deleteWith;   // deletes those
    QStringList kept;              // what stays behind, told only
    bool empty() const { return naming.isEmpty() && goesWith.isEmpty() && kept.isEmpty(); }
};

// For person idid named name (基本信息).
bool ofPerson(QSqlDatabase& db, qint64 idid, const QString& name, Dependents* found,
              QString* error);
// For shift idid named name (banci); the names stay with another row of the same name.
bool ofShift(QSqlDatabase& db, qint64 idid, const QString& name, Dependents* found, QString* error);
// For a staff group (what the group editor does not list itself: its
// limits, targets and fairness weights) and the rules of any group kind.
bool ofGroup(QSqlDatabase& db, int kind, qint64 idid, const QString& name, Dependents* found,
             QString* error);

// Asks before a delete of what (a person's or shift's description): the
// question names every dependent; when rules name it, a second question
// offers to delete them. False when the planner answers No to the first.
bool confirm(Prompt& prompt, const QString& what, const Dependents& found, bool* deleteNaming);

// Runs the deletes that go with the row (and those of the naming entries
// when deleteNaming), then deleteRow, in one transaction. False with the
// reason, nothing changed. rowsDeleted: how many rows deleteRow removed.
bool deleteWith(QSqlDatabase& db, const Dependents& found, bool deleteNaming,
                const Statement& deleteRow, int* rowsDeleted, QString* error);

} // namespace korvane::dependents
