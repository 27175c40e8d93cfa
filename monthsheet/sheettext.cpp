#include "monthsheet/sheettext.h"

#include "engine/planningdata.h"

#include <algorithm>
#include <cmath>

namespace korvane::monthsheet {

namespace {

const QString kWeekdays = QStringLiteral("一二三四五六日");

// Whole numbers without decimals, others with one.
QString number(double value) {
    const double tenths = std::round(value * 10);
    return std::fmod(tenths, 10) == 0 ? QString::number(qint64(tenths / 10))
                                      : QString::number(tenths / 10, 'f', 1);
}

} // namespace

QString weekdayName(const QDate& date) {
    return kWeekdays.at(date.dayOfWeek() - 1);
}

DateHeading dateHeading(const MonthSheet& sheet, int date) {
    const QDate day = sheet.dates.at(date);
    const bool monthStarts = date == 0 || sheet.dates.at(date - 1).month() != day.month() ||
                             sheet.dates.at(date - 1).year() != day.year();
    return {monthStarts ? QStringLiteral("%1月").arg(day.month()) : QString(),
            QString::number(day.day()), weekdayName(day)};
}

QString shortDateText(const QDate& date) {
    return QStringLiteral("%1月%2日 %3").arg(date.month()).arg(date.day()).arg(weekdayName(date));
}

QString shiftLabel(const SheetShift& shift) {
    return shift.overnight ? shift.name + overnightMark : shift.name;
}

QString cellText(const MonthSheet& sheet, int person, int date) {
    const QList<int>& held = sheet.cell(person, date);
    if (held.size() == 1)
        return shiftLabel(sheet.shifts.at(held.first()));
    QStringList labels;
    for (int index : held)
        labels << shiftLabel(sheet.shifts.at(index));
    return labels.join(shiftSeparator);
}

QStringList shortLabels(const MonthSheet& sheet) {
    QStringList names;
    for (const SheetShift& shift : sheet.shifts)
        if (!names.contains(shift.name))
            names << shift.name;
    QStringList labels;
    for (const SheetShift& shift : sheet.shifts) {
        qsizetype length = 1;
        const auto clashes = [&](qsizetype prefix) {
            return std::any_of(names.begin(), names.end(), [&](const QString& other) {
                return other != shift.name && other.left(prefix) == shift.name.left(prefix);
            });
        };
        while (length < shift.name.size() && clashes(length))
            ++length;
        const QString label = shift.name.left(length);
        labels << (shift.overnight ? label + overnightMark : label);
    }
    return labels;
}

QString shortLabelLegend(const MonthSheet& sheet, const QStringList& labels,
                         const QList<int>& shifts) {
    QStringList parts;
    for (int shift : shifts) {
        const QString part = labels.at(shift) + QLatin1Char('=') + sheet.shifts.at(shift).name;
        if (!parts.contains(part))
            parts << part;
    }
    return parts.join(QStringLiteral("  "));
}

QString cellDetails(const MonthSheet& sheet, int person, int date) {
    const QDate day = sheet.dates.at(date);
    QStringList lines = {sheet.people.at(person).name, engine::longDate(day.toJulianDay()) +
                                                           QStringLiteral(" 星期") +
                                                           weekdayName(day)};
    for (int index : sheet.cell(person, date)) {
        const SheetShift& shift = sheet.shifts.at(index);
        lines << QStringLiteral("%1 %2-%3%4")
                     .arg(shift.name, shift.start,
                          shift.overnight ? QStringLiteral("次日") : QString(), shift.end);
    }
    return lines.join(QLatin1Char('\n'));
}

QString periodText(const MonthSheet& sheet) {
    if (sheet.dates.isEmpty())
        return {};
    return QStringLiteral("%1 至 %2")
        .arg(engine::longDate(sheet.dates.first().toJulianDay()),
             engine::longDate(sheet.dates.last().toJulianDay()));
}

QString hoursText(double hours) {
    return number(hours);
}

QStringList totalsTexts(const PersonTotals& totals) {
    return {QString::number(totals.shifts), QString::number(totals.overnight),
            QString::number(totals.weekend), hoursText(totals.minutes / 60.0)};
}

QStringList spreadTexts(const SheetTotals& totals, int which) {
    QStringList texts;
    for (const Spread& spread : {totals.shifts, totals.overnight, totals.weekend, totals.hours}) {
        const double value = which == 0   ? spread.lowest
                             : which == 1 ? spread.highest
                                          : spread.difference();
        texts << number(value);
    }
    return texts;
}

QList<QStringList> sheetRows(const MonthSheet& sheet, const SheetTotals& totals) {
    QList<QStringList> rows;
    for (int person = 0; person < sheet.people.size(); ++person) {
        QStringList row = {QString::number(sheet.people.at(person).id),
                           sheet.people.at(person).name};
        for (int date = 0; date < sheet.dates.size(); ++date)
            row << cellText(sheet, person, date);
        rows << row + totalsTexts(totals.people.at(person));
    }
    QStringList counts = {QString(), onDutyCaption};
    for (int date = 0; date < sheet.dates.size(); ++date)
        counts << QString::number(sheet.onDuty(date));
    // Empty totals, so that the row has as many fields as the header.
    for (qsizetype i = 0; i < totalsCaptions.size(); ++i)
        counts << QString();
    rows << counts;
    return rows;
}

QStringList sheetColumns(const MonthSheet& sheet) {
    QStringList columns = {idCaption, nameCaption};
    for (const QDate& date : sheet.dates)
        columns << shortDateText(date);
    return columns + totalsCaptions;
}

engine::RosterTable totalsTable(const MonthSheet& sheet, const SheetTotals& totals) {
    engine::RosterTable table;
    table.columns = QStringList{idCaption, nameCaption} + totalsCaptions;
    for (const SheetShift& shift : sheet.shifts)
        table.columns << shift.name;
    for (int person = 0; person < sheet.people.size(); ++person) {
        const PersonTotals& own = totals.people.at(person);
        QStringList row =
            QStringList{QString::number(sheet.people.at(person).id), sheet.people.at(person).name} +
            totalsTexts(own);
        for (int count : own.byShift)
            row << QString::number(count);
        table.rows << row;
    }
    for (int which = 0; which < spreadCaptions.size(); ++which)
        table.rows << QStringList{QString(), spreadCaptions.at(which)} + spreadTexts(totals, which);
    return table;
}

QStringList formatSheet(const MonthSheet& sheet, const SheetTotals& totals) {
    QStringList months = {QString(), QString()};
    QStringList days = {QString(), QString()};
    QStringList weekdays = {idCaption, nameCaption};
    for (int date = 0; date < sheet.dates.size(); ++date) {
        const DateHeading heading = dateHeading(sheet, date);
        months << heading.month;
        days << heading.day;
        weekdays << heading.weekday;
    }
    weekdays += totalsCaptions;
    QStringList lines = {sheetTitle + QStringLiteral("  ") + periodText(sheet)};
    lines += engine::alignedLines(
        QList<QStringList>{months, days, weekdays} + sheetRows(sheet, totals), 3);
    for (int which = 0; which < spreadCaptions.size(); ++which) {
        const QStringList values = spreadTexts(totals, which);
        QStringList parts;
        for (int i = 0; i < totalsCaptions.size(); ++i)
            parts << totalsCaptions.at(i) + QLatin1Char(' ') + values.at(i);
        lines << spreadCaptions.at(which) + QStringLiteral("：") + parts.join(QStringLiteral("，"));
    }
    if (std::any_of(sheet.shifts.begin(), sheet.shifts.end(),
                    [](const SheetShift& shift) { return shift.overnight; }))
        lines << overnightLegend;
    return lines;
}

QByteArray sheetCsv(const MonthSheet& sheet, const SheetTotals& totals) {
    return engine::rosterCsv({sheetColumns(sheet), sheetRows(sheet, totals)});
}

} // namespace korvane::monthsheet
