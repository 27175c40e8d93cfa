#pragma once

#include "monthsheet/monthsheet.h"
#include "rosters/warnings.h"
#include "score/score.h"

#include <QDate>
#include <QStringList>

#include <optional>

// A week of five people (IDID 1 to 5: 甲 乙 丙 丁 戊) from Monday 1 March
// 2027, on two shifts: 早 (08:00-16:00, 8 hours) and 夜 (22:00-08:00, 10
// hours, into the next day). A row is written a letter a day: E 早, N 夜,
// - off.
namespace korvane::test {

inline monthsheet::MonthSheet weekSheet(const QStringList& rows) {
    monthsheet::MonthSheet sheet;
    for (int day = 0; day < 7; ++day)
        sheet.dates << QDate(2027, 3, 1).addDays(day);
    const QStringList names = {"甲", "乙", "丙", "丁", "戊"};
    for (int person = 0; person < names.size(); ++person)
        sheet.people << monthsheet::SheetPerson{person + 1, person + 1, names.at(person)};
    sheet.shifts << monthsheet::SheetShift{1, "早", "08:00", "16:00", false, 480, 1}
                 << monthsheet::SheetShift{2, "夜", "22:00", "08:00", true, 600, 1};
    sheet.resetCells();
    for (int person = 0; person < rows.size(); ++person)
        for (int day = 0; day < rows.at(person).size(); ++day) {
            const QChar letter = rows.at(person).at(day);
            if (letter != QLatin1Char('-'))
                sheet.add(person, day, letter == QLatin1Char('E') ? 0 : 1);
        }
    return sheet;
}

// What the week's people may work, a letter a day as weekSheet's rows: E
// 早 only, N 夜 only, - nothing (on leave); any other letter, missing
// days and people: both.
inline rosters::RosterChecker::CellRules weekRules(const QStringList& rows) {
    rosters::RosterChecker::CellRules rules;
    rules.dates = 7;
    rules.people = 5;
    rules.shifts = 2;
    rules.permitted.assign(5 * 7 * 2, 1);
    rules.limits.assign(5, {});
    rules.weekend = {0, 0, 0, 0, 0, 1, 1};
    for (int person = 0; person < rows.size(); ++person)
        for (int day = 0; day < rows.at(person).size(); ++day) {
            const QChar letter = rows.at(person).at(day);
            const size_t cell = size_t(person * 7 + day) * 2;
            if (letter != QLatin1Char('E') && letter != QLatin1Char('N') &&
                letter != QLatin1Char('-'))
                continue;
            rules.permitted[cell] = letter == QLatin1Char('E');
            rules.permitted[cell + 1] = letter == QLatin1Char('N');
        }
    return rules;
}

inline targets::Target target(targets::TargetKind kind, std::optional<double> least,
                              std::optional<double> most, double weight, QSet<qint64> shifts = {}) {
    targets::Target own;
    own.kind = kind;
    own.least = least;
    own.most = most;
    own.weight = weight;
    own.shifts = shifts;
    return own;
}

// Shifts worked before the week: a person's letters for the days up to
// Sunday 28 February (the last letter).
inline QList<engine::EarlierShift> weekBefore(qint64 person, const QString& letters) {
    QList<engine::EarlierShift> shifts;
    const qint64 sunday = QDate(2027, 2, 28).toJulianDay();
    for (int i = 0; i < letters.size(); ++i) {
        const qint64 day = sunday - (letters.size() - 1 - i);
        if (letters.at(i) == QLatin1Char('E'))
            shifts.append({person, day, 960, 1});
        else if (letters.at(i) == QLatin1Char('N'))
            shifts.append({person, day, 1920, 2});
    }
    return shifts;
}

} // namespace korvane::test
