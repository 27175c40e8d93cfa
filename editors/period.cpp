#include "editors/period.h"

#include "store/membership.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QSqlError>
#include <QSqlQuery>

namespace korvane::period {

namespace {
// The calendar in ascending 日期, equal dates in stored order: a server
// keeps a rewritten row elsewhere, so its stored order alone would move a
// date that joined a group to the end.
const QString kFirstDate = QStringLiteral("SELECT 日期 FROM 日期类型 ORDER BY 日期, rowid LIMIT 1");
const QString kLastDate =
    QStringLiteral("SELECT 日期 FROM 日期类型 ORDER BY 日期 DESC, rowid DESC LIMIT 1");
const QString kDeleteAll = QStringLiteral("DELETE FROM 日期类型");
// Tokens of deleted groups match no group and are not counted.
const QString kMembershipsByGroup = QStringLiteral(
    "SELECT 日期组.日期组名称, COUNT(*) FROM 日期类型, 日期组 WHERE 日期组.idid <> 1 AND "
    "instr(日期类型.所属日期组ID, 'z' || 日期组.idid || 'z') > 0 GROUP BY 日期组.idid "
    "ORDER BY 日期组.idid");
const QString kInsertDay =
    QStringLiteral("INSERT INTO 日期类型 (日期, 所属日期组ID) VALUES (?, ?)");

bool readOne(QSqlDatabase& db, const QString& sql, QString* value, bool* found, QString* error) {
    QSqlQuery query(db);
    if (!execBound(query, sql, {}, error))
        return false;
    *found = query.next();
    if (*found)
        *value = query.value(0).toString();
    return true;
}
} // namespace

std::optional<Range> current(QSqlDatabase db, bool* ok, QString* error) {
    Range range;
    bool found = false;
    const bool read = readOne(db, kFirstDate, &range.first, &found, error) &&
                      (!found || readOne(db, kLastDate, &range.last, &found, error));
    if (ok)
        *ok = read;
    if (!read || !found)
        return std::nullopt;
    return range;
}

QString describe(const std::optional<Range>& range) {
    if (!range)
        return msg::noPeriod;
    return msg::periodStart + range->first + msg::periodEnd + range->last;
}

DroppedMemberships membershipsDropped(QSqlDatabase db) {
    DroppedMemberships dropped;
    QSqlQuery query(db);
    if (!execBound(query, kMembershipsByGroup))
        return dropped;
    while (query.next()) {
        dropped.groups << query.value(0).toString();
        dropped.memberships += query.value(1).toLongLong();
    }
    return dropped;
}

bool save(QSqlDatabase db, const QDate& start, const QDate& end, Prompt& prompt) {
    if (end < start) {
        prompt.information(msg::endBeforeStart);
        return false;
    }
    const DroppedMemberships dropped = membershipsDropped(db);
    if (dropped.memberships > 0 &&
        !prompt.question(msg::periodDropsMemberships.arg(dropped.memberships)
                             .arg(dropped.groups.join(QStringLiteral("、")))))
        return false;
    if (!db.transaction()) {
        prompt.information(msg::storeFailed.arg(db.lastError().text()));
        return false;
    }
    QString error;
    {
        QSqlQuery query(db);
        bool written = query.exec(kDeleteAll);
        if (written && query.prepare(kInsertDay)) {
            for (QDate day = start; written && day <= end; day = day.addDays(1)) {
                query.addBindValue(day.toString(Qt::ISODate));
                query.addBindValue(membership::allMembers);
                written = query.exec();
            }
        } else {
            written = false;
        }
        if (!written)
            error = query.lastError().text();
    }
    if (error.isEmpty() && db.commit())
        return true;
    if (error.isEmpty())
        error = db.lastError().text();
    db.rollback();
    prompt.information(msg::storeFailed.arg(error));
    return false;
}

} // namespace korvane::period
