#pragma once

#include "engine/rules.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The operations behind the rule frame of the scheduling page: what the three
// pick lists offer, how a picked or typed entry becomes a rule of 排除条件,
// and the page's reset of the two work tables.
namespace korvane::engine {

// The help shown beside the rule frame (Text5).
inline const QString ruleHelpText = QStringLiteral(
    "通过选择“某人（或组）”不排（或限排）在“某日期（或组）”的某班（或组）的格式进行约束条件设定。"
    "选择完每一个条件后，点击“添加该条件”按钮，则该条件会记录到数据库中，然后可以输入第二个条件。"
    "通过这种方式可以输入任意多的设定条件，理论上可以实现任何排班要求。"
    "需要注意的是限排的意思是不能排在限制区之外，但并不是一定要排，是否排班完全由算法决定。"
    "例如条件：张三限排在每周五的夜班，这个条件限定了张三不能值除了每周五夜班之外的班次，"
    "但并不一定每周五都是张三值班，值不值班要看计算结果，要看合不合理。"
    "约束条件的每一条记录都能够删除。另外约束条件记录的顺序可以任意，不会影响排班的逻辑！");

// The help shown beside the generate button and the queries (Text6).
inline const QString generationHelpText = QStringLiteral(
    "当所有值班参数都设定好了，点击“生成值班表”就可以生成值班表了，根据人数，班数等因素，"
    "生成值班表需要的时间会不同，在按钮上方有一个进度条显示生成值班表的进度状况。"
    "当值班表生成完毕，可点击“生成报表”进入报表页，可选择打印或者报表存储。"
    "如果要生成某人的值班表，可在个人查询框中输入姓名（支持模糊），"
    "点击“开始个人查询”就会生成个人的值班报表，同样也可以点击“生成报表”以生成个人值班报表。"
    "点击“退出个人查询”重新显示完整值班表。如果要生成某班次的值班表，"
    "可在班次查询框中输入班次（支持模糊），点击“开始班次查询”就会生成班次的值班报表，"
    "同样也可以点击“生成报表”以生成班次值班报表。点击“退出班次查询”重新显示完整值班表。");

// One pick list of the rule frame: group names at its head, then the single
// entries (persons, dates or shifts), each in stored order.
struct PickList {
    QStringList entries;
    int groupCount = 0; // how many entries at the head are group names
    // The text the box shows after filling: the first group's name, or
    // empty when the group table has no rows.
    QString initialText;
    // The 1-based position the page starts with: 1 when there are groups, else 0.
    int initialPosition() const { return groupCount > 0 ? 1 : 0; }
};

struct RulePickLists {
    PickList people; // comRenyuan: staff groups, then 姓名
    PickList dates;  // comRiqi: date groups, then 日期 as yyyy-MM-dd
    PickList shifts; // comBanci: shift groups, then 班次名称
};

// Reads the three lists with plain "select * from" of their tables, in the
// order the page fills them. False with the reason when a table cannot be read.
bool loadRulePickLists(QSqlDatabase& db, RulePickLists* lists, QString* error = nullptr);

// The 1-based position of the box's entry in entries, 0 when text is not an
// entry. currentIndex is the box's own current index: it decides between
// equal entries (a date group named like a date) as long as it shows text.
int pickPosition(const QStringList& entries, const QString& text, int currentIndex = -1);

// The rule the frame describes. A position inside the group head marks the
// name as a group; so does position 0 (a typed text that is no entry),
// which the rule query then reads as a group name.
Rule ruleFromFrame(const QString& person, const QString& placement, const QString& date,
                   int datePosition, int dateGroupCount, const QString& shift, int shiftPosition,
                   int shiftGroupCount);

// Appends the rule to 排除条件 as it stands (no field is checked), unless
// the very same rule is there already. Its new 编号 goes to *number. False
// with the reason (the rule it repeats named).
bool addRule(QSqlDatabase& db, const Rule& rule, qint64* number = nullptr,
             QString* error = nullptr);

// Deletes the rule with this 编号. False with the reason (an unknown number
// deletes nothing and is not an error).
bool deleteRule(QSqlDatabase& db, qint64 number, QString* error = nullptr);

} // namespace korvane::engine
