#include "targets/objectives.h"

#include "store/membership.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QDate>
#include <QSqlQuery>

#include <QMap>

#include <algorithm>
#include <cmath>

namespace korvane::targets {

namespace {

const QString kTablesPresent =
    QStringLiteral("select count(*) from sqlite_master where type = 'table' and name in "
                   "('排班目标', '排班意愿', '公平权重', '理想人数', '禁止衔接')");
const QString kStaff = QStringLiteral("select IDID, 所属组ID from 基本信息 order by IDID");
const QString kStaffGroups = QStringLiteral("select idid from 值班人员组");
const QString kShifts = QStringLiteral("select idid, 班次名称, 所属组ID from banci");
const QString kShiftGroups = QStringLiteral("select idid, 班次组名称 from 班次组");
const QString kMarks =
    QStringLiteral("select 日期, 节假日 from 日期类型 where 节假日 in ('节假日', '调休上班')");
const QString kTargets =
    QStringLiteral("select 对象, 对象IDID, 种类, 班次, 选定班次组, 最少, 最多, 权重 from 排班目标 "
                   "order by 编号");
const QString kWishes =
    QStringLiteral("select 编号, 人员IDID, 开始日期, 结束日期, 班次, 选定班次组, 想要, 权重, 原因 "
                   "from 排班意愿 order by 编号");
const QString kFairness = QStringLiteral("select 组IDID, 种类, 权重 from 公平权重 order by 编号");
const QString kIdeal =
    QStringLiteral("select 班次IDID, 理想人数, 权重 from 理想人数 order by 编号");
const QString kMost = QStringLiteral("select 班次IDID, 最多人数 from 最多人数 order by 编号");
const QString kSuccessions =
    QStringLiteral("select 前班次, 前选定班次组, 后班次, 后选定班次组 from 禁止衔接 order by 编号");

std::optional<double> number(const QVariant& value) {
    bool ok = false;
    const double read = value.toDouble(&ok);
    if (value.isNull() || !ok || std::isnan(read))
        return std::nullopt;
    return read;
}

// What load needs to know of the set-up to resolve names and groups.
struct SetUp {
    QList<std::pair<qint64, QString>> staff; // IDID, 所属组ID in IDID order
    QSet<qint64> people;
    QSet<qint64> staffGroups;
    QHash<QString, QSet<qint64>> shiftsByName;
    QHash<QString, QSet<qint64>> shiftGroupMembers; // by the group's name

    // The shifts of a shift (group false) or shift group (true) name.
    QSet<qint64> shiftsOf(const QString& name, bool group) const {
        return (group ? shiftGroupMembers : shiftsByName).value(name);
    }
    QList<qint64> membersOf(qint64 staffGroup) const {
        QList<qint64> members;
        for (const auto& [idid, memberships] : staff)
            if (membership::contains(memberships, staffGroup))
                members << idid;
        return members;
    }

    bool load(QSqlQuery& query, QString* error) {
        if (!execBound(query, kStaff, {}, error))
            return false;
        while (query.next()) {
            staff.append({query.value(0).toLongLong(), query.value(1).toString()});
            people.insert(query.value(0).toLongLong());
        }
        if (!execBound(query, kStaffGroups, {}, error))
            return false;
        while (query.next())
            staffGroups.insert(query.value(0).toLongLong());
        QList<std::pair<qint64, QString>> shiftMemberships;
        if (!execBound(query, kShifts, {}, error))
            return false;
        while (query.next()) {
            shiftsByName[query.value(1).toString()].insert(query.value(0).toLongLong());
            shiftMemberships.append({query.value(0).toLongLong(), query.value(2).toString()});
        }
        if (!execBound(query, kShiftGroups, {}, error))
            return false;
        while (query.next()) {
            // Two groups of one name hold the members of both, as a rule naming them does.
            QSet<qint64>& members = shiftGroupMembers[query.value(1).toString()];
            for (const auto& [idid, memberships] : shiftMemberships)
                if (membership::contains(memberships, query.value(0).toLongLong()))
                    members.insert(idid);
        }
        return true;
    }
};

// Of two targets of one kind, the stricter: each bound and the weight on its own.
void tighten(Target& mine, const Target& other) {
    if (other.least && (!mine.least || *other.least > *mine.least))
        mine.least = other.least;
    if (other.most && (!mine.most || *other.most < *mine.most))
        mine.most = other.most;
    mine.weight = std::max(mine.weight, other.weight);
}

struct StoredTarget {
    bool own = false;
    qint64 idid = 0;
    QString key; // kind, and the shift of a ConsecutiveSameShift target
    Target target;
};

bool loadTargets(QSqlQuery& query, const SetUp& setUp, Objectives* objectives, QString* error) {
    if (!execBound(query, kTargets, {}, error))
        return false;
    QList<StoredTarget> stored;
    while (query.next()) {
        StoredTarget row;
        const QString side = query.value(0).toString();
        row.own = side == personTarget;
        row.idid = query.value(1).toLongLong();
        const std::optional<TargetKind> kind = targetKindOf(query.value(2).toString());
        if (!kind || (!row.own && side != groupTarget) ||
            !(row.own ? setUp.people.contains(row.idid) : setUp.staffGroups.contains(row.idid)))
            continue;
        Target& target = row.target;
        target.kind = *kind;
        target.least = number(query.value(5));
        target.most = number(query.value(6));
        target.weight = number(query.value(7)).value_or(0);
        if (target.kind == TargetKind::CompleteWeekends)
            target.least = target.most = std::nullopt;
        else if (!target.least && !target.most)
            continue;
        row.key = query.value(2).toString();
        if (target.kind == TargetKind::ConsecutiveSameShift) {
            target.shiftName = query.value(3).toString();
            const bool group = query.value(4).toInt() != 0;
            if (!target.shiftName.isEmpty()) {
                target.shifts = setUp.shiftsOf(target.shiftName, group);
                if (target.shifts.isEmpty())
                    continue;
            }
            row.key += QLatin1Char('\n') + QString::number(group) + target.shiftName;
        }
        if (!row.own)
            target.fromGroup = row.idid;
        stored.append(row);
    }
    for (const auto& [person, memberships] : setUp.staff) {
        // Per kind (and shift): the person's own rows if any, else their groups'.
        QHash<QString, std::pair<bool, Target>> held;
        QStringList order;
        for (const StoredTarget& row : stored) {
            if (row.own ? row.idid != person : !membership::contains(memberships, row.idid))
                continue;
            auto found = held.find(row.key);
            if (found == held.end()) {
                held.insert(row.key, {row.own, row.target});
                order << row.key;
            } else if (row.own && !found->first) {
                *found = {true, row.target};
            } else if (row.own == found->first) {
                tighten(found->second, row.target);
            }
        }
        for (const QString& key : order)
            objectives->targets[person].append(held.value(key).second);
    }
    return true;
}

bool loadWishes(QSqlQuery& query, const SetUp& setUp, Objectives* objectives, QString* error) {
    if (!execBound(query, kWishes, {}, error))
        return false;
    while (query.next()) {
        Wish wish;
        wish.number = query.value(0).toLongLong();
        wish.person = query.value(1).toLongLong();
        const QDate first = QDate::fromString(query.value(2).toString(), Qt::ISODate);
        const QDate last = QDate::fromString(query.value(3).toString(), Qt::ISODate);
        if (!setUp.people.contains(wish.person) || !first.isValid() || !last.isValid() ||
            last < first)
            continue;
        wish.first = first.toJulianDay();
        wish.last = last.toJulianDay();
        wish.shiftName = query.value(4).toString();
        if (wish.shiftName != anyShift) {
            wish.shifts = setUp.shiftsOf(wish.shiftName, query.value(5).toInt() != 0);
            if (wish.shifts.isEmpty())
                continue;
        }
        wish.wanted = query.value(6).toInt() != 0;
        wish.weight = number(query.value(7)).value_or(0);
        wish.reason = query.value(8).toString();
        objectives->wishes.append(wish);
    }
    return true;
}

// stored: whether the file has 公平权重; without it, 全部's defaults hold.
bool loadFairness(QSqlQuery& query, bool stored, const SetUp& setUp, Objectives* objectives,
                  QString* error) {
    if (stored && !execBound(query, kFairness, {}, error))
        return false;
    // Per group and kind, the weight set (the larger of two rows).
    QMap<std::pair<qint64, int>, double> weights;
    while (stored && query.next()) {
        const qint64 group = query.value(0).toLongLong();
        const std::optional<FairnessKind> kind = fairnessKindOf(query.value(1).toString());
        if (!kind || !setUp.staffGroups.contains(group))
            continue;
        const double weight = std::max(0.0, number(query.value(2)).value_or(0));
        const auto key = std::pair{group, int(*kind)};
        weights.insert(key, std::max(weight, weights.value(key, 0.0)));
    }
    for (int kind = 0; kind < fairnessKindTexts.size(); ++kind) {
        const auto key = std::pair{qint64(1), kind};
        if (!weights.contains(key))
            weights.insert(key, defaultFairnessWeight(FairnessKind(kind)));
    }
    for (auto at = weights.cbegin(); at != weights.cend(); ++at)
        if (at.value() > 0)
            objectives->fairness.append({at.key().first, FairnessKind(at.key().second), at.value(),
                                         setUp.membersOf(at.key().first)});
    return true;
}

bool loadIdeal(QSqlQuery& query, Objectives* objectives, QString* error) {
    if (!execBound(query, kIdeal, {}, error))
        return false;
    while (query.next()) {
        const std::optional<double> ideal = number(query.value(1));
        if (ideal)
            objectives->ideal.insert(query.value(0).toLongLong(),
                                     {*ideal, number(query.value(2)).value_or(0)});
    }
    return true;
}

// 最多人数 of a file of version 5 and on; an older one read without the
// upgrade has none.
bool loadMost(QSqlDatabase& db, QSqlQuery& query, Objectives* objectives, QString* error) {
    int version = 0;
    if (!schema::storedVersion(db, &version, error))
        return false;
    if (version < schema::findTable(QStringLiteral("最多人数"))->since)
        return true;
    if (!execBound(query, kMost, {}, error))
        return false;
    while (query.next())
        if (const std::optional<double> most = number(query.value(1)))
            objectives->most.insert(query.value(0).toLongLong(), *most);
    return true;
}

bool loadSuccessions(QSqlQuery& query, const SetUp& setUp, Objectives* objectives, QString* error) {
    if (!execBound(query, kSuccessions, {}, error))
        return false;
    while (query.next()) {
        ForbiddenSuccession succession;
        succession.beforeName = query.value(0).toString();
        succession.afterName = query.value(2).toString();
        succession.before = setUp.shiftsOf(succession.beforeName, query.value(1).toInt() != 0);
        succession.after = setUp.shiftsOf(succession.afterName, query.value(3).toInt() != 0);
        if (!succession.before.isEmpty() && !succession.after.isEmpty())
            objectives->successions.append(succession);
    }
    return true;
}

} // namespace

std::optional<TargetKind> targetKindOf(const QString& text) {
    const qsizetype at = targetKindTexts.indexOf(text);
    return at < 0 ? std::nullopt : std::optional(TargetKind(at));
}

std::optional<FairnessKind> fairnessKindOf(const QString& text) {
    const qsizetype at = fairnessKindTexts.indexOf(text);
    return at < 0 ? std::nullopt : std::optional(FairnessKind(at));
}

double defaultFairnessWeight(FairnessKind kind) {
    return kind == FairnessKind::Hours ? 1 : 8;
}

std::optional<BrokenSuccession> brokenSuccession(const QList<ForbiddenSuccession>& successions,
                                                 qint64 shift, const QList<qint64>& dayBefore,
                                                 const QList<qint64>& dayAfter) {
    for (const ForbiddenSuccession& succession : successions) {
        if (succession.after.contains(shift))
            for (qint64 before : dayBefore)
                if (succession.before.contains(before))
                    return BrokenSuccession{&succession, true};
        if (succession.before.contains(shift))
            for (qint64 after : dayAfter)
                if (succession.after.contains(after))
                    return BrokenSuccession{&succession, false};
    }
    return std::nullopt;
}

DayMark dayMarkOf(const QVariant& stored) {
    const QString text = stored.toString();
    return text == holidayMark          ? DayMark::Holiday
           : text == workingWeekendMark ? DayMark::WorkingWeekend
                                        : DayMark::None;
}

bool isWeekendDay(qint64 day, const DayMarks& marks) {
    switch (marks.value(day, DayMark::None)) {
    case DayMark::Holiday:
        return true;
    case DayMark::WorkingWeekend:
        return false;
    case DayMark::None:
        break;
    }
    return QDate::fromJulianDay(day).dayOfWeek() >= 6;
}

QList<DayRange> weekendsBetween(qint64 first, qint64 last, const DayMarks& marks) {
    QList<DayRange> weekends;
    for (qint64 day = first; day <= last; ++day) {
        if (!isWeekendDay(day, marks))
            continue;
        if (!weekends.isEmpty() && weekends.last().last == day - 1)
            weekends.last().last = day;
        else
            weekends.append({day, day});
    }
    return weekends;
}

bool loadDayMarks(QSqlDatabase& db, DayMarks* marks, QString* error) {
    marks->clear();
    QSqlQuery query(db);
    if (!execBound(query, kMarks, {}, error))
        return false;
    while (query.next()) {
        const QDate date = QDate::fromString(query.value(0).toString(), Qt::ISODate);
        if (date.isValid())
            marks->insert(date.toJulianDay(), dayMarkOf(query.value(1)));
    }
    return true;
}

bool load(QSqlDatabase& db, Objectives* objectives, QString* error) {
    *objectives = {};
    if (!loadDayMarks(db, &objectives->marks, error))
        return false;
    QSqlQuery query(db);
    if (!execBound(query, kTablesPresent, {}, error) || !query.next())
        return false;
    // A file of an older version has the marks and the default fairness only.
    const bool stored = query.value(0).toInt() == 5;
    SetUp setUp;
    if (!setUp.load(query, error))
        return false;
    if (!stored)
        return loadFairness(query, false, setUp, objectives, error);
    return loadTargets(query, setUp, objectives, error) &&
           loadWishes(query, setUp, objectives, error) &&
           loadFairness(query, true, setUp, objectives, error) &&
           loadIdeal(query, objectives, error) && loadMost(db, query, objectives, error) &&
           loadSuccessions(query, setUp, objectives, error);
}

} // namespace korvane::targets
