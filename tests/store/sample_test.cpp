// The delivered hospital sample, as the build writes it beside the programs
// (the empty template is checked with the schema).

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

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const QString kNotOn = s("不排在");
const QString kOnlyOn = s("限排在");
const QString kNextDay = s("跨转至次日");
const QString kSameDay = s("不跨转");

// Every row of a query as a list of values; fails the test on an SQL error.
QList<QVariantList> select(QSqlDatabase& db, const QString& sql) {
    QList<QVariantList> rows;
    QSqlQuery query(db);
    if (!query.exec(sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return rows;
    }
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

int count(QSqlDatabase& db, const char* table) {
    const auto rows = select(db, s("select count(*) from \"%1\"").arg(s(table)));
    return rows.isEmpty() ? -1 : rows.first().first().toInt();
}

// A group table as idid -> name.
QHash<qint64, QString> groups(QSqlDatabase& db, const char* table) {
    QHash<qint64, QString> result;
    for (const QVariantList& row : select(db, s("select * from \"%1\"").arg(s(table))))
        result.insert(row[1].toLongLong(), row[0].toString());
    return result;
}

// The names of the groups a membership string names; fails the test unless
// it is of the form zz<id>z<id>z... with each id once, each of a group.
QSet<QString> groupNames(const QString& memberships, const QHash<qint64, QString>& groupTable,
                         const QString& owner) {
    static const QRegularExpression form(s("^zz([1-9][0-9]*z)*$"));
    QSet<QString> names;
    QSet<qint64> ids;
    if (!form.match(memberships).hasMatch())
        ADD_FAILURE() << owner.toStdString() << ": malformed " << memberships.toStdString();
    else
        for (const QString& part : memberships.mid(2).split(QLatin1Char('z'), Qt::SkipEmptyParts)) {
            const qint64 id = part.toLongLong();
            if (!groupTable.contains(id))
                ADD_FAILURE() << owner.toStdString() << ": token of no group " << id;
            if (ids.contains(id))
                ADD_FAILURE() << owner.toStdString() << ": token twice " << id;
            ids.insert(id);
            names.insert(groupTable.value(id));
        }
    return names;
}

int minutes(const QString& hhmm) {
    const QTime time = QTime::fromString(hhmm, s("HH:mm"));
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
        QString name, distribution;
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

    explicit Sample(QSqlDatabase& db)
        : staffGroups(groups(db, "值班人员组")), dateGroups(groups(db, "日期组")),
          shiftGroups(groups(db, "班次组")) {
        for (const QVariantList& r :
             select(db, s("select 姓名, 所属组ID from 基本信息 order by ID")))
            people << Person{r[0].toString(),
                             groupNames(r[1].toString(), staffGroups, r[0].toString())};
        for (const QVariantList& r :
             select(db, s("select 日期, 所属日期组ID from 日期类型 order by rowid")))
            days << Day{QDate::fromString(r[0].toString(), Qt::ISODate),
                        groupNames(r[1].toString(), dateGroups, r[0].toString())};
        for (const QVariantList& r :
             select(db, s("select 班次名称, 分布日期, 人数, 所属组ID from banci")))
            shifts << Shift{r[0].toString(), r[1].toString(), r[2].toDouble(),
                            groupNames(r[3].toString(), shiftGroups, r[0].toString())};
        for (const QVariantList& r : select(db, s("select * from 排除条件")))
            rules << Rule{r[0].toInt(),    r[1].toString(),   r[2].toString(),  r[3].toString(),
                          r[4].toString(), r[5].toInt() != 0, r[6].toInt() != 0};
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

class DeliveredSample : public testing::Test {
protected:
    void SetUp() override {
        const QString path = QDir(test::outputDirectory()).filePath(files::sampleFileName);
        QString error;
        connection = Connection::open(path, &error, Connection::Access::ReadOnly);
        ASSERT_TRUE(connection) << path.toStdString() << ": " << error.toStdString();
        sample.emplace(connection->db());
    }
    QSqlDatabase& db() { return connection->db(); }

    std::unique_ptr<Connection> connection;
    std::optional<Sample> sample;
};

TEST_F(DeliveredSample, IsAFullSetUpWithEmptyWorkingTables) {
    EXPECT_GE(count(db(), "基本信息"), 22);
    EXPECT_GE(count(db(), "值班人员组"), 4); // 全部 and three groups at least
    EXPECT_GE(count(db(), "日期组"), 3);
    EXPECT_GE(count(db(), "班次组"), 2);
    EXPECT_GE(count(db(), "banci"), 4);
    EXPECT_GE(count(db(), "排除条件"), 8);
    EXPECT_GE(count(db(), "日期类型"), 28);
    for (const char* table : {"值班底表", "值班报表", "班数限制"})
        EXPECT_EQ(count(db(), table), 0) << table;
    for (const auto* table : {&sample->staffGroups, &sample->dateGroups, &sample->shiftGroups})
        EXPECT_EQ(table->value(1), schema::allGroupName);
}

TEST_F(DeliveredSample, PeopleAreNumberedAndBelongToAll) {
    const auto rows = select(db(), s("select ID, IDID, 姓名, 年龄, 性别, 职称, 家庭住址, 所属组ID "
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
        EXPECT_EQ(row[6].toString(), s("0")) << who;
        EXPECT_TRUE(membership::contains(row[7].toString(), 1)) << who << " is not in 全部";
    }
    // Every staff group other than 全部 has members; else it would be a dead name.
    for (const QString& group : sample->staffGroups)
        EXPECT_TRUE(std::any_of(sample->people.begin(), sample->people.end(),
                                [&](const Sample::Person& p) { return p.groups.contains(group); }))
            << group.toStdString();
}

TEST_F(DeliveredSample, EveryDateIsAWorkingDayOrAWeekendDayByItsWeekday) {
    const QString workday = s("工作日"), weekend = s("周末");
    ASSERT_TRUE(sample->dateGroups.values().contains(workday));
    ASSERT_TRUE(sample->dateGroups.values().contains(weekend));
    ASSERT_FALSE(sample->days.isEmpty());
    for (int i = 0; i < sample->days.size(); ++i) {
        const Sample::Day& day = sample->days[i];
        ASSERT_TRUE(day.date.isValid());
        // One row per day, stored in ascending order without gaps.
        if (i > 0) {
            EXPECT_EQ(sample->days[i - 1].date.addDays(1), day.date);
        }
        const bool isWeekend = day.date.dayOfWeek() >= Qt::Saturday;
        const std::string when = day.date.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(day.groups.contains(weekend), isWeekend) << when;
        EXPECT_EQ(day.groups.contains(workday), !isWeekend) << when;
        EXPECT_TRUE(day.groups.contains(schema::allGroupName)) << when;
    }
}

TEST_F(DeliveredSample, ShiftMinutesAgreeWithTheirTimes) {
    const auto rows = select(db(), s("select * from banci"));
    ASSERT_FALSE(rows.isEmpty());
    bool endsNextDay = false, severalPeople = false, onDateGroup = false;
    const QString sharedLimit = rows[0][6].toString();
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
        EXPECT_EQ(row[7].toString(), s("无限制")) << name;
        EXPECT_EQ(row[8].toInt(), 0) << name;
        const double headcount = row[13].toDouble();
        EXPECT_GE(headcount, 1) << name;
        EXPECT_EQ(headcount, std::floor(headcount)) << name;
        const QString distribution = row[9].toString();
        if (distribution != schema::allGroupName) {
            onDateGroup = true;
            EXPECT_TRUE(sample->dateGroups.values().contains(distribution)) << name;
        }
        endsNextDay = endsNextDay || nextDay == kNextDay;
        severalPeople = severalPeople || headcount > 1;
    }
    bool limitIsNumber = false;
    EXPECT_GT(sharedLimit.toInt(&limitIsNumber), 0);
    EXPECT_TRUE(limitIsNumber && endsNextDay && severalPeople && onDateGroup);
    // Each shift exists on at least one date of the period.
    for (const Sample::Shift& shift : sample->shifts)
        EXPECT_TRUE(
            std::any_of(sample->days.begin(), sample->days.end(),
                        [&](const Sample::Day& d) { return sample->distributedOn(shift, d); }))
            << shift.name.toStdString();
}

TEST_F(DeliveredSample, EveryRuleNamesWhatExistsWithMatchingFlags) {
    QSet<QString> people, periodDates, shifts, placements;
    for (const auto& p : sample->people)
        people.insert(p.name);
    for (const auto& d : sample->days)
        periodDates.insert(d.date.toString(Qt::ISODate));
    for (const auto& shift : sample->shifts)
        shifts.insert(shift.name);
    bool byPerson = false, byStaffGroup = false, bySingleDate = false, byDateGroup = false,
         byShift = false, byShiftGroup = false;
    for (const Sample::Rule& rule : sample->rules) {
        SCOPED_TRACE("rule " + std::to_string(rule.number));
        placements.insert(rule.placement);
        EXPECT_TRUE(rule.placement == kNotOn || rule.placement == kOnlyOn);

        const bool isPerson = people.contains(rule.person);
        const bool isStaffGroup = sample->staffGroups.values().contains(rule.person);
        EXPECT_TRUE(isPerson || isStaffGroup);
        byPerson = byPerson || isPerson;
        byStaffGroup = byStaffGroup || isStaffGroup;

        const bool isDateGroup = sample->dateGroups.values().contains(rule.date);
        EXPECT_TRUE(isDateGroup || periodDates.contains(rule.date));
        EXPECT_EQ(rule.dateIsGroup, isDateGroup);
        byDateGroup = byDateGroup || isDateGroup;
        bySingleDate = bySingleDate || !isDateGroup;

        const bool isShiftGroup = sample->shiftGroups.values().contains(rule.shift);
        EXPECT_TRUE(isShiftGroup || shifts.contains(rule.shift));
        EXPECT_EQ(rule.shiftIsGroup, isShiftGroup);
        byShiftGroup = byShiftGroup || isShiftGroup;
        byShift = byShift || !isShiftGroup;
    }
    EXPECT_EQ(placements.size(), 2);
    EXPECT_TRUE(byPerson && byStaffGroup && bySingleDate && byDateGroup && byShift && byShiftGroup);
}

// The run fails when a slot keeps fewer open candidates than its headcount;
// in the sample every slot keeps enough, and nobody is ruled out of every slot.
TEST_F(DeliveredSample, EverySlotKeepsEnoughCandidatesAfterTheRules) {
    QSet<QString> usable;
    int slotCount = 0;
    qsizetype fewestOpen = sample->people.size();
    for (const Sample::Day& day : sample->days) {
        for (const Sample::Shift& shift : sample->shifts) {
            if (!sample->distributedOn(shift, day))
                continue;
            ++slotCount;
            int open = 0;
            for (const Sample::Person& person : sample->people) {
                if (!sample->struckOut(person, day, shift)) {
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
    EXPECT_LT(fewestOpen, sample->people.size()); // the rules do strike candidates out
    EXPECT_EQ(usable.size(), sample->people.size());
}

} // namespace
