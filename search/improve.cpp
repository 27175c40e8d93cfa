#include "search/improve.h"

#include "engine/planningdata.h"
#include "engine/run.h"
#include "rosters/locks.h"
#include "score/scoretext.h"
#include "search/messages.h"
#include "store/connection.h"
#include "store/messages.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

namespace korvane::search {

namespace {

// The tables of the set-up: everything a run, the checks or the score read.
const QStringList kSetupTables = {
    QStringLiteral("banci"),    QStringLiteral("基本信息"), QStringLiteral("值班人员组"),
    QStringLiteral("日期类型"), QStringLiteral("日期组"),   QStringLiteral("班次组"),
    QStringLiteral("排除条件"), QStringLiteral("人员限制"), QStringLiteral("休假"),
    QStringLiteral("班数限制"), QStringLiteral("排班目标"), QStringLiteral("排班意愿"),
    QStringLiteral("公平权重"), QStringLiteral("理想人数"), QStringLiteral("禁止衔接"),
    QStringLiteral("最多人数"),
};

std::vector<score::Cell> cellsFrom(const monthsheet::MonthSheet& sheet) {
    return score::cellsOf(sheet);
}

void setCells(monthsheet::MonthSheet& sheet, const std::vector<score::Cell>& cells) {
    for (size_t i = 0; i < cells.size(); ++i)
        sheet.cells[qsizetype(i)] = QList<int>(cells[i].begin(), cells[i].end());
}

// Every slot below its 人数, and what keeps each person of the set-up from it.
void explainShort(const rosters::RosterChecker& checker, const monthsheet::MonthSheet& sheet,
                  const std::vector<int>& below, QStringList* lines) {
    const int shifts = int(sheet.shifts.size());
    for (int slot : below) {
        const int date = slot / shifts, shift = slot % shifts;
        const engine::PlanningData& data = checker.planningData();
        int needed = 0;
        for (const engine::Shift& own : data.shifts)
            if (own.idid == sheet.shifts.at(shift).idid)
                needed = engine::peopleTaken(own.headcount);
        int working = 0;
        for (int person = 0; person < sheet.people.size(); ++person)
            working += sheet.cell(person, date).contains(shift);
        *lines << searchmsg::shortSlot
                      .arg(engine::longDate(sheet.dates.at(date).toJulianDay()),
                           sheet.shifts.at(shift).name)
                      .arg(needed)
                      .arg(working);
        QSet<int> free;
        for (const rosters::Replacement& candidate : checker.replacements(sheet, date, shift, -1)) {
            free.insert(candidate.person);
            QStringList why;
            for (const rosters::Warning& warning : candidate.warnings)
                why << warning.text;
            *lines << searchmsg::personReason.arg(sheet.people.at(candidate.person).name,
                                                  why.isEmpty() ? searchmsg::couldTake
                                                                : why.join(QStringLiteral("；")));
        }
        for (int person = 0; person < sheet.people.size(); ++person)
            if (!free.contains(person) && !sheet.cell(person, date).contains(shift))
                *lines << searchmsg::personReason.arg(sheet.people.at(person).name,
                                                      searchmsg::alreadyOnDuty);
    }
}

// The roster a kept name was made from: 甲 of 甲（优化） or 甲（优化2）
// (keptName, keptNameCopy).
QString startName(const QString& kept) {
    static const QRegularExpression ending(QStringLiteral("^(.+)（优化\\d*）$"));
    const QRegularExpressionMatch match = ending.match(kept);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool sameFrame(const monthsheet::MonthSheet& one, const monthsheet::MonthSheet& other) {
    if (one.dates != other.dates || one.people.size() != other.people.size() ||
        one.shifts.size() != other.shifts.size())
        return false;
    for (qsizetype person = 0; person < one.people.size(); ++person)
        if (one.people.at(person).idid != other.people.at(person).idid)
            return false;
    for (qsizetype shift = 0; shift < one.shifts.size(); ++shift)
        if (one.shifts.at(shift).idid != other.shifts.at(shift).idid)
            return false;
    return true;
}

} // namespace

QStringList comparisonLines(const Improvement& improvement) {
    return score::comparisonLines(improvement.scoreBefore, improvement.scoreAfter,
                                  improvement.hardBefore, improvement.hardAfter);
}

bool keptComparison(QSqlDatabase& db, qint64 number, QStringList* lines, QString* error) {
    lines->clear();
    // The summaries first: most rosters are not a search's, and need not be read.
    QList<rosters::RosterSummary> summaries;
    if (!rosters::listRosters(db, &summaries, error))
        return false;
    const auto find = [&](auto matches) -> const rosters::RosterSummary* {
        for (const rosters::RosterSummary& summary : summaries)
            if (matches(summary))
                return &summary;
        return nullptr;
    };
    const auto* made = find([&](const auto& summary) { return summary.number == number; });
    const QString name = made ? startName(made->name) : QString();
    const auto* from =
        name.isEmpty() ? nullptr : find([&](const auto& summary) { return summary.name == name; });
    // Stamps are yyyy-MM-dd HH:mm:ss: a later one sorts after.
    if (!from || qMax(from->generated, from->changed) > made->generated)
        return true;
    rosters::SavedRoster kept, start;
    if (!rosters::loadSavedRoster(db, number, &kept, error) ||
        !rosters::loadSavedRoster(db, from->number, &start, error))
        return false;
    if (!sameFrame(start.sheet, kept.sheet))
        return true;
    score::RosterScore before, after;
    if (!score::scoreRoster(db, start.sheet, &before, error) ||
        !score::scoreRoster(db, kept.sheet, &after, error))
        return false;
    QStringList people;
    for (const auto& person : kept.sheet.people)
        people << person.name;
    *lines = score::comparisonLines(before.breakdown, after.breakdown, int(before.hard.size()),
                                    int(after.hard.size()), people);
    return true;
}

bool parseBudget(const QString& text, qint64* value) {
    bool ok = false;
    const qint64 read = text.trimmed().toLongLong(&ok);
    if (!ok || read <= 0)
        return false;
    *value = read;
    return true;
}

Improvement improveSheet(score::ScoreReading reading, const monthsheet::MonthSheet& sheet,
                         std::vector<char> locked, const Options& options,
                         const Observer& observer) {
    QElapsedTimer clock;
    clock.start();
    Improvement result;
    result.before = sheet;
    score::RosterScore start;
    score::scoreSheet(std::move(reading), sheet, &start);
    const rosters::RosterChecker& checker = *start.checker;
    result.scoreBefore = start.breakdown;
    result.hardBefore = int(start.hard.size());

    Problem problem;
    problem.setup = start.setup.get();
    problem.rules = std::move(start.cellRules);
    problem.locked = std::move(locked);
    const Found found = improve(problem, start.state->cells(), options, observer);

    result.sheet = sheet;
    setCells(result.sheet, found.cells);
    result.hardAfter = int(score::hardFindings(checker.check(result.sheet)).size());
    if (result.hardAfter > result.hardBefore) {
        result.sheet = sheet;
        result.hardAfter = result.hardBefore;
    }
    result.scoreAfter =
        score::breakdownOf(*start.setup, score::allItems(*start.setup, cellsFrom(result.sheet)));
    const std::vector<int> left = shortSlots(problem, cellsFrom(result.sheet));
    result.shortCount = int(left.size());
    explainShort(checker, result.sheet, left, &result.shortSlots);
    result.steps = found.steps;
    result.cancelled = found.cancelled;
    result.seconds = double(clock.elapsed()) / 1000;
    return result;
}

QByteArray setupFingerprint(QSqlDatabase& db) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    for (const QString& table : kSetupTables) {
        hash.addData(table.toUtf8());
        if (!query.exec(QStringLiteral("select * from \"%1\"").arg(table)))
            continue;
        while (query.next()) {
            const QSqlRecord record = query.record();
            for (int column = 0; column < record.count(); ++column) {
                hash.addData(query.value(column).toString().toUtf8());
                hash.addData(QByteArrayView("\x1f", 1));
            }
            hash.addData(QByteArrayView("\x1e", 1));
        }
    }
    return hash.result();
}

Result improveRoster(const QString& databasePath, const Request& request, const Observer& observer,
                     const files::DatabaseLock* heldLock) {
    Result result;
    engine::RunResult refused;
    std::unique_ptr<files::DatabaseLock> ownLock;
    if (!heldLock && !(ownLock = engine::takeRunLock(databasePath, &refused))) {
        result.outcome = refused.outcome == engine::RunOutcome::Unavailable ? Outcome::Unavailable
                                                                            : Outcome::Refused;
        result.detail = refused.detail;
        return result;
    }
    const files::DatabaseLock* lock = heldLock ? heldLock : ownLock.get();
    FileCheck problem;
    auto connection = Connection::openChecked(databasePath, &problem);
    if (!connection) {
        result.outcome = problem.temporarilyUnavailable() ? Outcome::Unavailable : Outcome::Refused;
        result.detail = problem.reason;
        return result;
    }
    QSqlDatabase& db = connection->db();
    QString error;
    monthsheet::MonthSheet sheet;
    QString baseName;
    std::vector<char> locked;
    if (!request.saved.isEmpty()) {
        const qint64 number = rosters::findRoster(db, request.saved, &error);
        if (number <= 0) {
            result.outcome = number == 0 ? Outcome::Refused : Outcome::Failed;
            result.detail = number == 0 ? msg::noSavedRoster.arg(request.saved) : error;
            return result;
        }
        rosters::SavedRoster saved;
        QList<rosters::Lock> locks;
        if (!rosters::loadSavedRoster(db, number, &saved, &error) ||
            !rosters::loadLocks(db, number, &locks, &error)) {
            result.outcome = Outcome::Failed;
            result.detail = error;
            return result;
        }
        if (!saved.gonePeople.isEmpty() || !saved.goneShifts.isEmpty()) {
            result.outcome = Outcome::Refused;
            result.detail = searchmsg::goneSince.arg(request.saved, rosters::goneText(saved));
            return result;
        }
        sheet = saved.sheet;
        baseName = saved.summary.name;
        locked.assign(size_t(sheet.people.size()) * size_t(sheet.dates.size()), 0);
        for (int person = 0; person < sheet.people.size(); ++person)
            for (int date = 0; date < sheet.dates.size(); ++date)
                locked[size_t(person) * size_t(sheet.dates.size()) + size_t(date)] =
                    rosters::holds(locks, sheet, person, date);
    } else {
        if (!monthsheet::loadMonthSheet(db, &sheet, &error)) {
            result.outcome = Outcome::Failed;
            result.detail = error;
            return result;
        }
        if (!sheet.dates.isEmpty())
            baseName = rosters::periodName(sheet.dates.first(), sheet.dates.last());
    }
    if (!sheet.hasDuties()) {
        result.outcome = Outcome::NoRoster;
        result.detail = msg::noRoster;
        return result;
    }
    const QByteArray fingerprint = setupFingerprint(db);
    score::ScoreReading reading;
    if (!score::readForScore(db, sheet.dates.first(), &reading, &error)) {
        result.outcome = Outcome::Failed;
        result.detail = error;
        return result;
    }
    result.improvement =
        improveSheet(std::move(reading), sheet, std::move(locked), request.options, observer);

    if (setupFingerprint(db) != fingerprint) {
        result.outcome = Outcome::Refused;
        result.detail = searchmsg::setupChanged;
        return result;
    }
    if (!lock->stillAtPath()) {
        result.outcome = Outcome::Unavailable;
        result.detail = lock->replacedMessage();
        return result;
    }
    QString name = searchmsg::keptName.arg(baseName);
    for (int copy = 2; rosters::findRoster(db, name, &error) > 0; ++copy)
        name = searchmsg::keptNameCopy.arg(baseName).arg(copy);
    if (!rosters::keepSheet(db, name, result.improvement.sheet, &result.kept, &error)) {
        result.outcome = Outcome::Failed;
        result.detail = error;
        return result;
    }
    result.outcome = result.improvement.shortCount > 0 ? Outcome::Short : Outcome::Done;
    result.detail = searchmsg::kept.arg(result.kept.name);
    return result;
}

} // namespace korvane::search
