#include "engine/roster.h"

#include "store/databaselock.h"
#include "store/dialect.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace korvane::engine {

namespace {

const QString kFull = QStringLiteral("select * from 值班报表 ");
const QStringList kWorkTableResets = {QStringLiteral("delete * from 值班底表"),
                                      QStringLiteral("delete * from 值班报表")};
const QString kPersonCondition = QStringLiteral("值班报表.值班人 like ");
const QString kShiftCondition = QStringLiteral("值班报表.班次 like ");
const QString kLargestAssignedHeadcount =
    QStringLiteral("select max(banci.人数) from 值班底表,banci where 值班底表.班次IDID = "
                   "banci.idid and 值班底表.是否值班 = '1'");

QString containsPattern(const QString& text) {
    return sqlQuote(QLatin1Char('%') + text + QLatin1Char('%'));
}

} // namespace

QString fullRosterQuery() {
    return kFull;
}

QString personRosterQuery(const QString& text) {
    return rosterQuery({true, text, false, {}});
}

QString shiftRosterQuery(const QString& text) {
    return rosterQuery({false, {}, true, text});
}

QString dutiesOfPersonQuery(const QString& name) {
    // Each name of 值班人 stands after two blanks; one more pair closes the last.
    return QStringLiteral("select * from 值班报表 where instr(值班报表.值班人 & '  ', ") +
           sqlQuote(QStringLiteral("  ") + name + QStringLiteral("  ")) + QStringLiteral(") > 0");
}

QString dutiesOfDateQuery(const QString& longDate) {
    return QStringLiteral("select * from 值班报表 where 值班报表.日期 = ") + sqlQuote(longDate);
}

QString queryTextProblem(const QString& text) {
    return text.size() > maxQueryTextLength ? msg::queryTextTooLong.arg(maxQueryTextLength)
                                            : QString();
}

QString rosterQuery(const RosterFilter& filter) {
    QStringList conditions;
    if (filter.byPerson)
        conditions << kPersonCondition + containsPattern(filter.person);
    if (filter.byShift)
        conditions << kShiftCondition + containsPattern(filter.shift);
    if (conditions.isEmpty())
        return kFull;
    return QStringLiteral("select * from 值班报表 where ") +
           conditions.join(QStringLiteral(" and "));
}

qint64 countRows(QSqlDatabase& db, const QString& query, QString* error) {
    const dialect::Translation translation = dialect::translate(query, dialect::flavorOf(db));
    if (!translation.ok()) {
        if (error)
            *error = translation.error;
        return -1;
    }
    QSqlQuery count(db);
    if (!count.exec(QStringLiteral("select count(*) from (") + translation.sql +
                    QStringLiteral(") as counted")) ||
        !count.next()) {
        if (error)
            *error = count.lastError().text();
        return -1;
    }
    return count.value(0).toLongLong();
}

double rowHeightFactor(QSqlDatabase& db, QString* error) {
    QSqlQuery query(db);
    if (!query.exec(kLargestAssignedHeadcount) || !query.next()) {
        if (error)
            *error = query.lastError().text();
        return 1;
    }
    const double largest = query.value(0).isNull() ? 0 : query.value(0).toDouble();
    return largest / 3 + 1;
}

bool resetWorkTables(QSqlDatabase& db, QString* error, QSqlError* databaseError) {
    // A server empties a table at once (a delete leaves every row to be
    // cleaned up later, and a run's hundreds of thousands take a while).
    const QStringList truncate = {QStringLiteral("truncate table 值班底表, 值班报表")};
    const bool server = dialect::flavorOf(db) == dialect::Flavor::Server;
    for (const QString& statement : server ? truncate : kWorkTableResets) {
        QSqlQuery query(db);
        if (!dialect::exec(query, statement, error)) {
            if (databaseError)
                *databaseError = query.lastError();
            return false;
        }
    }
    return true;
}

bool resetIdleWorkTables(QSqlDatabase& db, QString* error, bool* skipped) {
    FileCheck problem;
    const auto lock = files::DatabaseLock::acquire(db.databaseName(),
                                                   files::DatabaseLock::Mode::Run, 0, &problem);
    if (skipped)
        *skipped = !lock;
    if (!lock) {
        // Another run owns the tables; a lock that cannot be taken at all
        // stops the reset like a write that fails.
        if (problem.verdict == FileCheck::Verdict::Busy)
            return true;
        if (error)
            *error = problem.reason;
        return false;
    }
    QSqlError databaseError;
    if (resetWorkTables(db, error, &databaseError))
        return true;
    // The file's state (read-only, locked elsewhere, a full disk) in the user's words.
    if (error && isFileFault(storeFault(databaseError)))
        *error = msg::cannotWriteBecause.arg(checkOfError(databaseError, db.databaseName()).reason);
    return false;
}

} // namespace korvane::engine
