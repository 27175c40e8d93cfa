#pragma once

#include <QString>

// The messages of the search (优化值班表), typed once.
namespace korvane::searchmsg {

inline const QString title = QStringLiteral("优化值班表");
// The saved roster the search keeps: the name of the roster it started from.
inline const QString keptName = QStringLiteral("%1（优化）");
inline const QString keptNameCopy = QStringLiteral("%1（优化%2）");
inline const QString badBudget = QStringLiteral("优化时间或步数必须是正整数，“%1”无效");
inline const QString goneSince = QStringLiteral("排班存档“%1”中的人员或班次已被删除，无法优化：%2");
inline const QString setupChanged =
    QStringLiteral("优化期间设置已被修改，结果未保存。请重新优化。");
inline const QString kept = QStringLiteral("优化结果已保存为排班存档“%1”。");
inline const QString stopped = QStringLiteral("已停止，保留目前找到的最好结果。");
// A slot still below its 人数: the date, the shift, how many it needs and has.
inline const QString shortSlot = QStringLiteral("%1的%2需要 %3 人，只排了 %4 人：");
inline const QString personReason = QStringLiteral("  %1：%2");
inline const QString alreadyOnDuty = QStringLiteral("当天已排有冲突的班次");
inline const QString couldTake = QStringLiteral("可排，但会使其他班次或目标受影响");
inline const QString stillShort = QStringLiteral("仍有 %1 个班次人数不足。");
inline const QString progress = QStringLiteral("最好扣分 %1");
inline const QString steps = QStringLiteral("搜索 %1 步，%2 秒");

} // namespace korvane::searchmsg
