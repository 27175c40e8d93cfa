// The delivered databases: the empty template and the hospital sample, as
// the build writes them beside the programs.

#include "store/connection.h"
#include "store/datafiles.h"
#include "store/membership.h"
#include "store/schema.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace korvane;

namespace {

const QString kNotOn = QStringLiteral("不排在");
const QString kOnlyOn = QStringLiteral("限排在");
const QString kNextDay = QStringLiteral("跨转至次日");
const QString kSameDay = QStringLiteral("不跨转");

std::unique_ptr<Connection> openDelivered(const QString& fileName) {
    const QString path = QDir(test::outputDirectory()).filePath(fileName);
    QString error;
    auto connection = Connection::open(path, &error, Connection::Access::ReadOnly);
    EXPECT_TRUE(connection) << path.toStdString() << ": " << error.toStdString();
    return connection;
}

// Every row of a query as a list of values; fails the test on an SQL error.
QList<QVariantList> select(QSqlDatabase& db, const QString& sql) {
    QList<QVariantList> rows;
    QSqlQuery query(db);
    if (!query.exec(sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return rows;
    }
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < columns; ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

int count(QSqlDatabase& db, const QString& table) {
    const auto rows = select(db, QStringLiteral("select count(*) from \"%1\"").arg(table));
    return rows.isEmpty() ? -1 : rows.first().first().toInt();
}

// The ids a membership string names, or nullopt when it is not of the form
// zz<id>z<id>z... with each id once.
std::optional<QList<qint64>> parseMemberships(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^zz([1-9][0-9]*z)*$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    QList<qint64> ids;
    for (const QString& part : text.mid(2).split(QLatin1Char('z'), Qt::SkipEmptyParts)) {
        const qint64 id = part.toLongLong();
        if (ids.contains(id))
            return std::nullopt;
        ids << id;
    }
    return ids;
}

// A group table as idid -> name.
QHash<qint64, QString> groups(QSqlDatabase& db, const QString& table) {
    QHash<qint64, QString> result;
    for (const QVariantList& row : select(db, QStringLiteral("select * from \"%1\"").arg(table)))
        result.insert(row[1].toLongLong(), row[0].toString());
    return result;
}

// The names of the groups a membership string names; fails the test for a
// malformed string or a token of no group.
QSet<QString> groupNames(const QString& memberships, const QHash<qint64, QString>& groupTable,
                         const QString& owner) {
    QSet<QString> names;
    const auto ids = parseMemberships(memberships);
    if (!ids) {
        ADD_FAILURE() << owner.toStdString() << ": malformed membership string "
                      << memberships.toStdString();
        return names;
    }
    for (qint64 id : *ids) {
        if (!groupTable.contains(id))
            ADD_FAILURE() << owner.toStdString() << ": token of no group " << id;
        else
            names.insert(groupTable.value(id));
    }
    return names;
}

int minutes(const QString& hhmm) {
    const QTime time = QTime::fromString(hhmm, QStringLiteral("HH:mm"));
    return time.isValid() ? time.hour() * 60 + time.minute() : -1;
}

// The sample loaded into plain values, for the checks below.
struct Sample {
    struct Person {
        QString name;
        QSet<QString> groups;
    };
    struct Day {
        QDate date;
        QSet<QString> groups;
    };
    struct Shift {
        QString name;
        QString distribution;
        double headcount = 0;
        QSet<QString> groups;
    };
    struct Rule {
        int number = 0;
        QString person, placement, date, shift;
        bool dateIsGroup = false, shiftIsGroup = false;
    };
    QList<Person> people;
    QList<Day> days;
    QList<Shift> shifts;
    QList<Rule> rules;
    QHash<qint64, QString> staffGroups, dateGroups, shiftGroups;

    explicit Sample(QSqlDatabase& db) {
        staffGroups = groups(db, QStringLiteral("值班人员组"));
        dateGroups = groups(db, QStringLiteral("日期组"));
        shiftGroups = groups(db, QStringLiteral("班次组"));
        for (const QVariantList& row :
             select(db, QStringLiteral("select 姓名, 所属组ID from 基本信息 order by ID")))
            people << Person{row[0].toString(),
                             groupNames(row[1].toString(), staffGroups, row[0].toString())};
        for (const QVariantList& row :
             select(db, QStringLiteral("select 日期, 所属日期组ID from 日期类型 order by rowid")))
            days << Day{QDate::fromString(row[0].toString(), Qt::ISODate),
                        groupNames(row[1].toString(), dateGroups, row[0].toString())};
        for (const QVariantList& row :
             select(db, QStringLiteral("select 班次名称, 分布日期, 人数, 所属组ID from banci")))
            shifts << Shift{row[0].toString(), row[1].toString(), row[2].toDouble(),
                            groupNames(row[3].toString(), shiftGroups, row[0].toString())};
        for (const QVariantList& row : select(db, QStringLiteral("select * from 排除条件")))
            rules << Rule{row[0].toInt(),     row[1].toString(), row[2].toString(),
                          row[3].toString(),  row[4].toString(), row[5].toInt() != 0,
                          row[6].toInt() != 0};
    }

    bool distributedOn(const Shift& shift, const Day& day) const {
        return shift.distribution == schema::allGroupName ||
               day.groups.contains(shift.distribution);
    }

    // A plain reading of the rules: does any rule strike this person out of this slot?
    bool struckOut(const Person& person, const Day& day, const Shift& shift) const {
        for (const Rule& rule : rules) {
            if (person.name != rule.person && !person.groups.contains(rule.person))
                continue;
            const bool dateInside = rule.dateIsGroup ? day.groups.contains(rule.date)
                                                     : day.date.toString(Qt::ISODate) == rule.date;
            const bool shiftInside =
                rule.shiftIsGroup ? shift.groups.contains(rule.shift) : shift.name == rule.shift;
            if (rule.placement == kNotOn && dateInside && shiftInside)
                return true;
            if (rule.placement == kOnlyOn && !(dateInside && shiftInside))
                return true;
        }
        return false;
    }
};

} // namespace

TEST(DeliveredTemplate, HoldsTheSchemaAndOnlyTheThreeAllRows) {
    auto connection = openDelivered(files::templateFileName);
    ASSERT_TRUE(connection);
    QSqlDatabase& db = connection->db();
    for (const char* table : {"值班人员组", "日期组", "班次组"}) {
        const auto rows =
            select(db, QStringLiteral("select * from \"%1\"").arg(QString::fromUtf8(table)));
        ASSERT_EQ(rows.size(), 1) << table;
        EXPECT_EQ(rows[0][0].toString(), schema::allGroupName);
        EXPECT_EQ(rows[0][1].toInt(), 1);
    }
    for (const char* table :
         {"基本信息", "banci", "日期类型", "排除条件", "值班底表", "值班报表", "班数限制"})
        EXPECT_EQ(count(db, QString::fromUtf8(table)), 0) << table;
    EXPECT_EQ(select(db, QStringLiteral("PRAGMA application_id")).value(0).value(0).toInt(),
              schema::applicationId);
}

TEST(DeliveredSample, IsAFullSetUpWithEmptyWorkingTables) {
    auto connection = openDelivered(files::sampleFileName);
    ASSERT_TRUE(connection);
    QSqlDatabase& db = connection->db();
    EXPECT_GE(count(db, QStringLiteral("基本信息")), 22);
    EXPECT_GE(count(db, QStringLiteral("值班人员组")), 4); // 全部 and three groups at least
    EXPECT_GE(count(db, QStringLiteral("日期组")), 3);
    EXPECT_GE(count(db, QStringLiteral("班次组")), 2);
    EXPECT_GE(count(db, QStringLiteral("banci")), 4);
    EXPECT_GE(count(db, QStringLiteral("排除条件")), 8);
    EXPECT_GE(count(db, QStringLiteral("日期类型")), 28);
    for (const char* table : {"值班底表", "值班报表", "班数限制"})
        EXPECT_EQ(count(db, QString::fromUtf8(table)), 0) << table;
    for (const char* table : {"值班人员组", "日期组", "班次组"})
        EXPECT_EQ(groups(db, QString::fromUtf8(table)).value(1), schema::allGroupName) << table;
}

TEST(DeliveredSample, PeopleAreNumberedAndBelongToAll) {
    auto connection = openDelivered(files::sampleFileName);
    ASSERT_TRUE(connection);
    QSqlDatabase& db = connection->db();
    const auto rows =
        select(db, QStringLiteral("select ID, IDID, 姓名, 年龄, 性别, 职称, 家庭住址, 所属组ID "
                                  "from 基本信息 order by ID"));
    QSet<QString> names;
    for (int i = 0; i < rows.size(); ++i) {
        const QVariantList& row = rows[i];
        const std::string who = row[2].toString().toStdString();
        EXPECT_EQ(row[0].toInt(), i + 1) << who; // 1..n as the staff editor numbers them
        EXPECT_FALSE(row[2].toString().trimmed().isEmpty());
        EXPECT_FALSE(names.contains(row[2].toString())) << "duplicate name " << who;
        names.insert(row[2].toString());
        for (int column : {3, 4, 5})
            EXPECT_FALSE(row[column].toString().isEmpty()) << who << " column " << column;
        EXPECT_EQ(row[6].toString(), QStringLiteral("0")) << who;
        EXPECT_TRUE(membership::contains(row[7].toString(), 1)) << who << " is not in 全部";
    }
    Sample sample(db);
    // Every staff group other than 全部 has members; else it would be a dead name.
    for (const QString& group : sample.staffGroups) {
        const bool used =
            std::any_of(sample.people.begin(), sample.people.end(),
                        [&](const Sample::Person& p) { return p.groups.contains(group); });
        EXPECT_TRUE(used) << group.toStdString();
    }
}

TEST(DeliveredSample, EveryDateIsAWorkingDayOrAWeekendDayByItsWeekday) {
    auto connection = openDelivered(files::sampleFileName);
    ASSERT_TRUE(connection);
    Sample sample(connection->db());
    const QString workday = QStringLiteral("工作日");
    const QString weekend = QStringLiteral("周末");
    ASSERT_TRUE(sample.dateGroups.values().contains(workday));
    ASSERT_TRUE(sample.dateGroups.values().contains(weekend));
    ASSERT_FALSE(sample.days.isEmpty());
    for (int i = 0; i < sample.days.size(); ++i) {
        const Sample::Day& day = sample.days[i];
        ASSERT_TRUE(day.date.isValid());
        // One row per day, stored in ascending order without gaps.
        if (i > 0) {
            EXPECT_EQ(sample.days[i - 1].date.addDays(1), day.date);
        }
        const bool isWeekend = day.date.dayOfWeek() >= Qt::Saturday;
        const std::string when = day.date.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(day.groups.contains(weekend), isWeekend) << when;
        EXPECT_EQ(day.groups.contains(workday), !isWeekend) << when;
        EXPECT_TRUE(day.groups.contains(schema::allGroupName)) << when;
    }
}

TEST(DeliveredSample, ShiftMinutesAgreeWithTheirTimes) {
    auto connection = openDelivered(files::sampleFileName);
    ASSERT_TRUE(connection);
    const auto rows = select(connection->db(), QStringLiteral("select * from banci"));
    ASSERT_FALSE(rows.isEmpty());
    bool endsNextDay = false, severalPeople = false, onDateGroup = false;
    const QString sharedLimit = rows[0][6].toString();
    Sample sample(connection->db());
    for (const QVariantList& row : rows) {
        const std::string name = row[0].toString().toStdString();
        const int start = minutes(row[2].toString());
        const int end = minutes(row[4].toString());
        ASSERT_GE(start, 0) << name;
        ASSERT_GE(end, 0) << name;
        const QString nextDay = row[3].toString();
        ASSERT_TRUE(nextDay == kNextDay || nextDay == kSameDay) << name;
        const int endMinutes = end + (nextDay == kNextDay ? 1440 : 0);
        EXPECT_EQ(row[11].toInt(), start) << name;
        EXPECT_EQ(row[12].toInt(), endMinutes) << name;
        EXPECT_GT(endMinutes, start) << name;
        EXPECT_EQ(row[6].toString(), sharedLimit) << name << ": 连续次数 is one shared setting";
        EXPECT_EQ(row[7].toString(), QStringLiteral("无限制")) << name;
        EXPECT_EQ(row[8].toInt(), 0) << name;
        const double headcount = row[13].toDouble();
        EXPECT_GE(headcount, 1) << name;
        EXPECT_EQ(headcount, std::floor(headcount)) << name;
        const QString distribution = row[9].toString();
        if (distribution != schema::allGroupName) {
            onDateGroup = true;
            EXPECT_TRUE(sample.dateGroups.values().contains(distribution)) << name;
        }
        endsNextDay = endsNextDay || nextDay == kNextDay;
        severalPeople = severalPeople || headcount > 1;
    }
    bool limitIsNumber = false;
    EXPECT_GT(sharedLimit.toInt(&limitIsNumber), 0);
    EXPECT_TRUE(limitIsNumber);
    EXPECT_TRUE(endsNextDay);
    EXPECT_TRUE(severalPeople);
    EXPECT_TRUE(onDateGroup);
    // Each shift exists on at least one date of the period.
    for (const Sample::Shift& shift : sample.shifts)
        EXPECT_TRUE(std::any_of(sample.days.begin(), sample.days.end(), [&](const Sample::Day& d) {
            return sample.distributedOn(shift, d);
        })) << shift.name.toStdString();
}

TEST(DeliveredSample, EveryRuleNamesWhatExistsWithMatchingFlags) {
    auto connection = openDelivered(files::sampleFileName);
    ASSERT_TRUE(connection);
    Sample sample(connection->db());
    QSet<QString> people, periodDates, shifts;
    for (const auto& p : sample.people)
        people.insert(p.name);
    for (const auto& d : sample.days)
        periodDates.insert(d.date.toString(Qt::ISODate));
    for (const auto& s : sample.shifts)
        shifts.insert(s.name);
    const QList<QString> staffGroups = sample.staffGroups.values();
    const QList<QString> dateGroups = sample.dateGroups.values();
    const QList<QString> shiftGroups = sample.shiftGroups.values();

    QSet<QString> placements;
    bool byPerson = false, byStaffGroup = false, bySingleDate = false, byDateGroup = false,
         byShift = false, byShiftGroup = false;
    for (const Sample::Rule& rule : sample.rules) {
        const std::string which = "rule " + std::to_string(rule.number);
        placements.insert(rule.placement);
        EXPECT_TRUE(rule.placement == kNotOn || rule.placement == kOnlyOn) << which;

        const bool isPerson = people.contains(rule.person);
        const bool isStaffGroup = staffGroups.contains(rule.person);
        EXPECT_TRUE(isPerson || isStaffGroup) << which;
        byPerson = byPerson || isPerson;
        byStaffGroup = byStaffGroup || isStaffGroup;

        const bool isDateGroup = dateGroups.contains(rule.date);
        EXPECT_TRUE(isDateGroup || periodDates.contains(rule.date)) << which;
        EXPECT_EQ(rule.dateIsGroup, isDateGroup) << which;
        byDateGroup = byDateGroup || isDateGroup;
        bySingleDate = bySingleDate || !isDateGroup;

        const bool isShiftGroup = shiftGroups.contains(rule.shift);
        EXPECT_TRUE(isShiftGroup || shifts.contains(rule.shift)) << which;
        EXPECT_EQ(rule.shiftIsGroup, isShiftGroup) << which;
        byShiftGroup = byShiftGroup || isShiftGroup;
        byShift = byShift || !isShiftGroup;
    }
    EXPECT_EQ(placements.size(), 2);
    EXPECT_TRUE(byPerson && byStaffGroup && bySingleDate && byDateGroup && byShift && byShiftGroup);
}

// The run fails when a slot keeps fewer open candidates than its headcount;
// in the sample every slot keeps enough, and nobody is ruled out of every slot.
TEST(DeliveredSample, EverySlotKeepsEnoughCandidatesAfterTheRules) {
    auto connection = openDelivered(files::sampleFileName);
    ASSERT_TRUE(connection);
    Sample sample(connection->db());
    QSet<QString> usable;
    int slotCount = 0;
    qsizetype fewestOpen = sample.people.size();
    for (const Sample::Day& day : sample.days) {
        for (const Sample::Shift& shift : sample.shifts) {
            if (!sample.distributedOn(shift, day))
                continue;
            ++slotCount;
            int open = 0;
            for (const Sample::Person& person : sample.people) {
                if (!sample.struckOut(person, day, shift)) {
                    ++open;
                    usable.insert(person.name);
                }
            }
            fewestOpen = std::min<qsizetype>(fewestOpen, open);
            EXPECT_GE(open, shift.headcount)
                << day.date.toString(Qt::ISODate).toStdString() << " " << shift.name.toStdString();
        }
    }
    EXPECT_GT(slotCount, 0);
    EXPECT_LT(fewestOpen, sample.people.size()); // the rules do strike candidates out
    EXPECT_EQ(usable.size(), sample.people.size());
}
