#pragma once

#include "store/prompt.h"
#include "targets/objectives.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>

#include <optional>

// Holidays: the dates of the period marked 节假日 (a day off like a Sunday)
// or 调休上班 (a Saturday or Sunday worked like a weekday), kept in
// 日期类型.节假日; and the date groups that follow from the marks.
namespace korvane::targets {

struct MarkedDate {
    QDate date;
    DayMark mark = DayMark::None;
};

// The date groups the marks fill: 周末 (the weekend days of the marked
// calendar), 节假日 (the days marked so), and 工作日 (every other day) when
// a group of that name exists.
inline const QString weekendGroup = QStringLiteral("周末");
inline const QString holidayGroup = QStringLiteral("节假日");
inline const QString workdayGroup = QStringLiteral("工作日");

class HolidayEditor {
public:
    HolidayEditor(QSqlDatabase db, Prompt& prompt) : m_db(std::move(db)), m_prompt(prompt) {}

    // The dates of the period in order, with their marks.
    std::optional<QList<MarkedDate>> calendar();
    // Marks the dates (DayMark::None clears them), all or none: a date
    // outside the period, or 调休上班 on a weekday, is refused by name.
    bool mark(const QList<QDate>& dates, DayMark mark);

    // How many dates each of the filled groups would hold ("周末（10 天）").
    std::optional<QStringList> groupsToFill();
    // Sets the members of the date groups 周末 and 节假日 (made when they do
    // not exist) and of 工作日 (when it exists) from the marked calendar,
    // after asking; other groups' memberships stay. One transaction.
    bool fillDateGroups();

private:
    struct GroupDays {
        QString name;
        QList<qint64> ids; // the groups of that name (none yet: made when filled)
        QList<QDate> dates;
    };
    std::optional<QList<GroupDays>> plannedGroups();
    bool fail(const QString& error);

    QSqlDatabase m_db;
    Prompt& m_prompt;
};

} // namespace korvane::targets
