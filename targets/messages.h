#pragma once

#include <QString>

// The messages of the targets, wishes, fairness, ideal headcounts, forbidden
// successions and holidays, typed once.
namespace korvane::targetmsg {

// What a refused entry is: the row it names (%1) and the problem (%2).
inline const QString refused = QStringLiteral("%1：%2");
inline const QString targetRow = QStringLiteral("排班目标（%1，%2）");
inline const QString wishRow = QStringLiteral("意愿（%1，%2 至 %3，%4%5）");
inline const QString fairnessRow = QStringLiteral("公平权重（%1，%2）");
inline const QString idealRow = QStringLiteral("理想人数（%1）");
inline const QString mostRow = QStringLiteral("最多人数（%1）");
inline const QString successionRow = QStringLiteral("禁止衔接（%1 后次日不上 %2）");
inline const QString csvRow = QStringLiteral("第 %1 行");

// The problems. %1 is what was typed unless said otherwise.
inline const QString countInvalid = QStringLiteral("%1必须是 0 或正整数（留空表示不限），“%2”无效");
inline const QString hoursInvalid =
    QStringLiteral("%1必须是不小于 0 的数（单位：小时，留空表示不限），“%2”无效");
inline const QString weightInvalid = QStringLiteral("权重必须是 0 到 1000000 之间的整数，“%1”无效");
inline const QString leastAboveMost = QStringLiteral("最少（%1）大于最多（%2）");
inline const QString noBound = QStringLiteral("最少和最多至少要填一项");
inline const QString noBoundsForCompleteWeekends =
    QStringLiteral("完整周末不设最少和最多，只按权重计算");
inline const QString sameTargetExists = QStringLiteral("已有同样的目标，请修改那一条");
inline const QString noSuchPerson = QStringLiteral("人员不存在（可能已删除）");
inline const QString noSuchGroup = QStringLiteral("人员组不存在（可能已删除）");
inline const QString unknownPerson = QStringLiteral("没有名为“%1”的人员");
inline const QString ambiguousPerson = QStringLiteral("有不止一个名为“%1”的人员");
inline const QString noSuchShift = QStringLiteral("没有名为“%1”的班次");
inline const QString noSuchShiftOrGroup = QStringLiteral("没有名为“%1”的班次或班次组");
inline const QString noSuchKind = QStringLiteral("没有“%1”这种目标");
inline const QString notADate = QStringLiteral("“%1”不是日期（应写成 2027-01-05）");
inline const QString outsidePeriod = QStringLiteral("%1 至 %2 不全在排班日期范围（%3 至 %4）之内");
inline const QString wantedInvalid = QStringLiteral("“%1”应为“想”或“不想”");
inline const QString formulaCell = QStringLiteral("“%1”是公式，请在表格中把它换成它的值再导出");
inline const QString missingColumns =
    QStringLiteral("应有 5 到 7 列（人员、开始日期、结束日期、班次或全天、想/不想、权重、原因），"
                   "这一行有 %1 列");
inline const QString unclosedQuote = QStringLiteral("引号没有配对");
inline const QString notText = QStringLiteral("文件既不是 UTF-8 也不是 GBK 编码的文本");
inline const QString emptyFile = QStringLiteral("文件中没有意愿");
inline const QString fileNotRead = QStringLiteral("无法读取文件“%1”（%2）");
inline const QString wishesImported = QStringLiteral("已导入 %1 条意愿。");
inline const QString wishesNotImported = QStringLiteral("没有导入任何意愿：");
inline const QString ontoItself = QStringLiteral("前后是同一个班次（%1），不能禁止");
inline const QString sameSuccessionExists = QStringLiteral("已有同样的禁止衔接");
inline const QString idealBelowHeadcount = QStringLiteral("理想人数（%1）不能少于班次的人数（%2）");
inline const QString idealInvalid =
    QStringLiteral("理想人数必须是正整数（留空表示不设），“%1”无效");
inline const QString idealAboveMost = QStringLiteral("理想人数（%1）不能多于最多人数（%2）");
inline const QString mostInvalid = QStringLiteral("最多人数必须是正整数（留空表示不设），“%1”无效");
inline const QString mostBelowHeadcount = QStringLiteral("最多人数（%1）不能少于班次的人数（%2）");
inline const QString mostBelowIdeal = QStringLiteral("最多人数（%1）不能少于理想人数（%2）");

// Holidays: a date outside the period (%1, the period %2 to %3), a
// 调休上班 on a weekday (%1 the date, %2 its weekday).
inline const QString markOutsidePeriod =
    QStringLiteral("%1 不在排班日期范围（%2 至 %3）之内，不能标记");
inline const QString workingWeekendOnWeekday =
    QStringLiteral("%1 是%2，只有星期六或星期日才能标为调休上班");
// Asked before the date groups are filled from the marks: the groups (%1,
// joined by 、) and how many dates each will hold (%2).
inline const QString fillGroupsQuestion = QStringLiteral(
    "将按节假日标记重新设定日期组的成员：%1。引用这些日期组的班次和约束条件会随之改变。确定吗？");
inline const QString groupDates = QStringLiteral("%1（%2 天）");

} // namespace korvane::targetmsg
