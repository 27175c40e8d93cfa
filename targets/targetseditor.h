#pragma once

#include "store/prompt.h"
#include "targets/objectives.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <optional>

// What the planner sets for the score and the run beside the rules:
// targets, wishes, fairness weights, ideal headcounts and forbidden
// successions. Each entry is checked before it is stored; a refusal names
// the row and the problem through the prompt and stores nothing. Every user
// text is bound, never written into SQL.
namespace korvane::targets {

// The weight a new target, wish or ideal headcount starts with.
constexpr double defaultWeight = 10;
// Weights are whole numbers from 0 to this.
constexpr double weightBound = 1000000;

// A target as typed: bounds and weight as text (empty bound: none).
struct TargetEntry {
    bool group = false; // 对象 组, else 人员
    qint64 idid = 0;    // 对象IDID
    TargetKind kind = TargetKind::Shifts;
    QString shift;           // ConsecutiveSameShift: a shift or shift group; empty: each shift
    bool shiftGroup = false; // shift names a shift group
    QString least;
    QString most;
    QString weight;
};

struct WishEntry {
    qint64 person = 0;
    QDate first;
    QDate last;
    QString shift = anyShift; // a shift, a shift group or 全天
    bool shiftGroup = false;
    bool wanted = false;
    QString weight;
    QString reason;
};

struct SuccessionEntry {
    QString before;
    bool beforeGroup = false;
    QString after;
    bool afterGroup = false;
};

// A stored row as a list shows it: its 编号, the entry, and the name of
// whom it is for (the deleted note when they are gone).
template <typename Entry> struct StoredRow {
    qint64 number = 0;
    Entry entry;
    QString name;
    bool deleted = false;
};
using TargetRow = StoredRow<TargetEntry>;
using WishRow = StoredRow<WishEntry>;
using SuccessionRow = StoredRow<SuccessionEntry>;

// A staff group's fairness weights as the grid shows them: the weight set
// per kind, or none (then 全部 takes the default).
struct FairnessRow {
    qint64 group = 0;
    QString name;
    QList<std::optional<double>> weights; // per FairnessKind
};

// A shift with its headcount, and its ideal headcount and 最多人数 if set.
struct IdealRow {
    qint64 shift = 0; // banci.idid
    QString name;
    double headcount = 0;
    std::optional<double> ideal;
    double weight = defaultWeight;
    std::optional<double> most;
};

struct Choice {
    qint64 idid = 0;
    QString name;
};

// A name of a shift or shift group, as the choosers offer them.
struct ShiftChoice {
    QString name;
    bool group = false;
    bool operator==(const ShiftChoice&) const = default;
};

// Reads a weight as typed: a whole number from 0 to weightBound (empty:
// defaultWeight). Full-width digits count as digits. False with the problem.
bool parseWeight(const QString& text, double* weight, QString* problem);

class TargetsEditor {
public:
    TargetsEditor(QSqlDatabase db, Prompt& prompt) : m_db(std::move(db)), m_prompt(prompt) {}

    // The staff in ID order, the staff groups (全部 first), the shifts in the
    // order of a day, then the shift groups.
    std::optional<QList<Choice>> people();
    std::optional<QList<Choice>> staffGroups();
    std::optional<QList<ShiftChoice>> shiftChoices();

    std::optional<QList<TargetRow>> targets();
    std::optional<qint64> addTarget(const TargetEntry& entry);
    bool changeTarget(qint64 number, const TargetEntry& entry);
    bool deleteTarget(qint64 number);

    std::optional<QList<WishRow>> wishes();
    std::optional<qint64> addWish(const WishEntry& entry);
    bool changeWish(qint64 number, const WishEntry& entry);
    bool deleteWish(qint64 number);
    // Adds every wish in one transaction, or none: a refusal names the
    // first wrong wish and stores nothing.
    bool addWishes(const QList<WishEntry>& entries);

    std::optional<QList<FairnessRow>> fairness();
    // The weight of a kind for a group as typed; empty removes it (全部
    // takes the default again).
    bool setFairness(qint64 group, FairnessKind kind, const QString& weight);

    std::optional<QList<IdealRow>> ideal();
    // The ideal headcount of a shift and its weight as typed; an empty ideal
    // removes it.
    bool setIdeal(qint64 shift, const QString& ideal, const QString& weight);
    // The most people the search may put on a slot of the shift, as typed:
    // a whole number no less than its 人数 and ideal headcount; empty
    // removes it.
    bool setMost(qint64 shift, const QString& most);

    std::optional<QList<SuccessionRow>> successions();
    std::optional<qint64> addSuccession(const SuccessionEntry& entry);
    bool changeSuccession(qint64 number, const SuccessionEntry& entry);
    bool deleteSuccession(qint64 number);

    // The problem of a wish against the set-up and the period: "" when it
    // can be stored (with its weight read), none when the database failed
    // (and said so).
    std::optional<QString> wishProblem(const WishEntry& entry, double* weight);

private:
    std::optional<QString> targetProblem(const TargetEntry& entry, qint64 number,
                                         std::optional<double>* least, std::optional<double>* most,
                                         double* weight);
    std::optional<QString> successionProblem(const SuccessionEntry& entry, qint64 number);
    static QVariant storedShift(const TargetEntry& entry);
    static QVariantList wishValues(const WishEntry& entry, double weight);
    QString describe(const TargetEntry& entry);
    QString describe(const WishEntry& entry);
    std::optional<QList<Choice>> choices(const QString& sql);
    bool exists(const QString& sql, const QVariantList& values, bool* found);
    bool shiftsOf(const QString& name, bool group, QSet<qint64>* shifts);
    std::optional<qint64> storeTarget(qint64 number, const TargetEntry& entry);
    std::optional<qint64> storeWish(qint64 number, const WishEntry& entry);
    std::optional<qint64> storeSuccession(qint64 number, const SuccessionEntry& entry);
    std::optional<qint64> write(const QString& insert, const QString& update, QVariantList values,
                                qint64 number);
    bool replace(const QString& remove, const QVariantList& key, const QString& insert,
                 const QVariantList& values);
    // The shift's name and 人数, its ideal headcount and 最多人数 if set (none:
    // the shift is gone); false when the database failed (and said so).
    bool headcountsOf(qint64 shift, std::optional<IdealRow>* found);
    bool refuse(const QString& row, const QString& problem);
    bool fail(const QString& error);

    QSqlDatabase m_db;
    Prompt& m_prompt;
};

} // namespace korvane::targets
