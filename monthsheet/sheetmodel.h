#pragma once

#include "monthsheet/monthsheet.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QVariant>

namespace korvane::monthsheet {

// The month sheet as the window's table shows it: a row per person and a
// last row of the people on duty, a column per date and the four totals.
// Names head the rows and dates the columns, so the view keeps both in
// sight while it scrolls. Every text is made when the view asks for it.
class SheetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SheetModel(MonthSheet sheet, QObject* parent = nullptr);

    const MonthSheet& sheet() const { return m_sheet; }
    const SheetTotals& totals() const { return m_totals; }

    // What the columns of Saturdays and Sundays are painted with (a brush the
    // window chooses; this library draws nothing itself).
    void setWeekendBackground(const QVariant& background) { m_weekend = background; }
    // What the columns of the calendar's holidays are painted with.
    void setHolidayBackground(const QVariant& background) { m_holiday = background; }
    // A cell whose shifts' names are wider than this (in terminal columns, a
    // CJK character taking two) shows the shifts' short labels instead; 0:
    // the names always.
    void setWidestCellText(int width) { m_widest = width; }
    // The shifts some cell shows by its short label, in the order of a day.
    QList<int> shortenedShifts() const;
    const QStringList& shortLabels() const { return m_shortLabels; }
    // Whether a column of the sheet is a holiday of the calendar.
    bool hasHolidays() const;

    // A roster changed by hand: the sheet and its totals anew.
    void setSheet(MonthSheet sheet);

    // What a cell of a saved roster carries besides its shifts (locked, a
    // warning): a background, and lines added to its tooltip.
    struct CellMark {
        QVariant background;
        QStringList notes;
    };
    // Keyed by person * dates + date.
    void setCellMarks(QHash<qsizetype, CellMark> marks);
    // The cells that cost most in the roster's score: a layer of its own
    // under the marks above (their background wins, both notes show).
    void setCostMarks(QHash<qsizetype, CellMark> marks);

    // The date of a column (-1 for the totals), the person of a row (-1 for
    // the last row).
    int dateAt(int column) const;
    int personAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant weekendBackground(int column) const;
    bool shortened(int person, int date) const;
    const CellMark* markOf(int person, int date) const;
    const CellMark* costMarkOf(int person, int date) const;

    MonthSheet m_sheet;
    SheetTotals m_totals;
    QVariant m_weekend;
    QVariant m_holiday;
    int m_widest = 0;
    QStringList m_shortLabels;
    QHash<qsizetype, CellMark> m_marks;
    QHash<qsizetype, CellMark> m_costMarks;
};

} // namespace korvane::monthsheet
