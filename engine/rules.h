#pragma once

#include "engine/candidatetable.h"
#include "engine/planningdata.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace korvane::engine {

// One row of 排除条件.
struct Rule {
    qint64 number = 0;         // 编号
    QString person;            // 人员: a person's 姓名 or a staff group's name
    QString placement;         // 排在: "不排在" or "限排在"
    QString date;              // 日期: a date group's name or one date
    QString shift;             // 班次: a shift group's name or a shift's name
    bool dateIsGroup = false;  // 选定日期组
    bool shiftIsGroup = false; // 选定班次组
};

inline const QString notOn = QStringLiteral("不排在");
inline const QString onlyOn = QStringLiteral("限排在");

// Every rule, in stored order.
QList<Rule> loadRules(QSqlDatabase& db, QString* error = nullptr);

// How a rule is named to the user: "编号 3：张三 限排在 2027-13-45 的 夜班".
QString describeRule(const Rule& rule);

// The rules, named as describeRule does, whose person or staff group, date
// or date group, or shift or shift group does not exist (a rename or a
// deletion left them behind). They still take part in a run as they stand.
// Empty with the reason when the tables cannot be read.
QStringList danglingRules(QSqlDatabase& db, QString* error = nullptr);

// The rule's query in the application's SQL dialect: the reference for which
// candidate rows (first column: 值班底表.idid) the rule strikes out. Empty
// when the rule strikes nothing (an unknown 排在).
QString ruleQuery(const Rule& rule);

enum class RuleApplied {
    Applied,
    Unevaluable, // the rule's own content cannot be read (a date that is no date): left out
    Failed,      // the database refused (a lock, a full disk...): the run cannot go on
};

// What a rule strikes, read once from the small tables: the people it names
// and a condition on a candidate row's date and shift. A row is struck when
// its person is named and its date and shift meet the condition, exactly the
// rows the rule's query returns.
class RuleRegion {
public:
    // One test of the condition: a date or shift among a set, the existence
    // of a row, or all / any of its parts.
    struct Condition {
        enum class Kind { All, Any, DateIn, ShiftIn, Exists } kind = Kind::All;
        // What a DateIn, ShiftIn or Exists leaf reads from the small tables.
        enum class Source {
            CalendarDates,      // every 日期 of 日期类型
            EveryShift,         // every banci.idid
            DatesInGroup,       // the dates a date group of that name holds
            DatesOutsideGroup,  // the dates it does not hold
            ShiftsInGroup,      // the shifts a shift group of that name holds
            ShiftsOutsideGroup, // the shifts it does not hold
            ShiftsNamed,        // shifts of that name
            ShiftsNotNamed,     // shifts of another name
            DatesEqual,         // that date, when in 日期类型
            DatesNotEqual,      // every other date of 日期类型
            SomeDateGroup,      // 日期组 has a row
            SomeShiftGroup,     // 班次组 has a row
            DateGroupNamed,     // 日期组 has a row of that name
        } source = Source::CalendarDates;
        QString argument; // the name or date the leaf compares with
        QList<Condition> parts;
        // Read from the database:
        QSet<QString> dates;
        QSet<qint64> shifts;
        bool exists = false;
    };

    bool strikesNothing = true; // an unknown 排在
    QSet<qint64> people;        // IDIDs of the people named (by name or group)
    Condition condition;

    // Whether the rule strikes the row of that person, date and shift.
    bool strikes(qint64 personIdid, const QString& date, qint64 shift) const;
};

// Reads the regions of rules from the small tables, which it reads once
// (the group memberships worked out by SQLite's own instr()), and compares
// names as SQLite compares a column with a bound text.
class RuleRegionReader {
public:
    explicit RuleRegionReader(QSqlDatabase& db) : m_db(db) {}

    // Reads the region the rule strikes. Anything but Applied comes with the
    // reason; a failure also with the database's error.
    RuleApplied read(const Rule& rule, RuleRegion* region, QString* error = nullptr,
                     QSqlError* databaseError = nullptr);

private:
    struct Name {
        enum { Null, Text, Other } kind = Null;
        QString text;
        bool equals(const QString& text) const;  // column = text
        bool differs(const QString& text) const; // column <> text
    };
    struct StaffGroupRow {
        qint64 idid;
        Name name;
        Name group;
        qint64 position; // -1 for NULL
    };
    struct DateGroupRow {
        QString date;
        Name group;
        qint64 position;
    };
    struct ShiftGroupRow {
        qint64 idid;
        Name group;
        qint64 position;
    };
    struct ShiftRow {
        qint64 idid;
        Name name;
    };
    static Name nameOf(const QVariant& value);
    bool readTables(QSqlError* failure);
    void readLeaf(RuleRegion::Condition& leaf) const;
    void fillLeaf(RuleRegion::Condition& leaf) const;
    void readCondition(RuleRegion::Condition& condition) const;

    QSqlDatabase& m_db;
    bool m_tablesRead = false;
    QList<StaffGroupRow> m_staffGroups;
    QList<DateGroupRow> m_dateGroups;
    QList<ShiftGroupRow> m_shiftGroups;
    QStringList m_dates;
    QList<ShiftRow> m_shifts;
    QList<Name> m_dateGroupNames;
    qint64 m_shiftGroupCount = 0;
    // The sets of the leaves read so far, by source and argument.
    struct LeafSets {
        QSet<QString> dates;
        QSet<qint64> shifts;
        bool exists = false;
    };
    mutable QHash<QString, LeafSets> m_leafSets;
};

// One rule's region, read on its own.
RuleApplied readRuleRegion(QSqlDatabase& db, const Rule& rule, RuleRegion* region,
                           QString* error = nullptr, QSqlError* databaseError = nullptr);

// Sets the flag of every open row of the table that the region covers to struck.
void strikeRegion(const RuleRegion& region, const PlanningData& data, CandidateTable& table);

} // namespace korvane::engine
