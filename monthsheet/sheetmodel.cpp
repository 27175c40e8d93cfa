#include "monthsheet/sheetmodel.h"

#include "engine/planningdata.h"
#include "engine/rostertable.h"
#include "monthsheet/sheettext.h"

namespace korvane::monthsheet {

SheetModel::SheetModel(MonthSheet sheet, QObject* parent)
    : QAbstractTableModel(parent), m_sheet(std::move(sheet)), m_totals(sheetTotals(m_sheet)),
      m_shortLabels(monthsheet::shortLabels(m_sheet)) {}

void SheetModel::setSheet(MonthSheet sheet) {
    beginResetModel();
    m_sheet = std::move(sheet);
    m_totals = sheetTotals(m_sheet);
    m_shortLabels = monthsheet::shortLabels(m_sheet);
    endResetModel();
}

bool SheetModel::shortened(int person, int date) const {
    return m_widest > 0 && engine::displayWidth(cellText(m_sheet, person, date)) > m_widest;
}

QList<int> SheetModel::shortenedShifts() const {
    QList<bool> used(m_sheet.shifts.size(), false);
    for (int person = 0; person < m_sheet.people.size(); ++person)
        for (int date = 0; date < m_sheet.dates.size(); ++date)
            if (shortened(person, date))
                for (int shift : m_sheet.cell(person, date))
                    used[shift] = true;
    QList<int> shifts;
    for (int shift = 0; shift < used.size(); ++shift)
        if (used.at(shift))
            shifts << shift;
    return shifts;
}

bool SheetModel::hasHolidays() const {
    for (const QDate& date : m_sheet.dates)
        if (m_sheet.marks.value(date.toJulianDay()) == targets::DayMark::Holiday)
            return true;
    return false;
}

void SheetModel::setCellMarks(QHash<qsizetype, CellMark> marks) {
    m_marks = std::move(marks);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void SheetModel::setCostMarks(QHash<qsizetype, CellMark> marks) {
    m_costMarks = std::move(marks);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

namespace {

const SheetModel::CellMark* find(const QHash<qsizetype, SheetModel::CellMark>& marks, int person,
                                 int date, qsizetype dates) {
    if (person < 0 || date < 0 || marks.isEmpty())
        return nullptr;
    const auto found = marks.constFind(qsizetype(person) * dates + date);
    return found == marks.constEnd() ? nullptr : &*found;
}

} // namespace

const SheetModel::CellMark* SheetModel::markOf(int person, int date) const {
    return find(m_marks, person, date, m_sheet.dates.size());
}

const SheetModel::CellMark* SheetModel::costMarkOf(int person, int date) const {
    return find(m_costMarks, person, date, m_sheet.dates.size());
}

int SheetModel::dateAt(int column) const {
    return column >= 0 && column < m_sheet.dates.size() ? column : -1;
}

int SheetModel::personAt(int row) const {
    return row >= 0 && row < m_sheet.people.size() ? row : -1;
}

int SheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_sheet.people.size()) + 1;
}

int SheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_sheet.dates.size() + totalsCaptions.size());
}

QVariant SheetModel::weekendBackground(int column) const {
    const int date = dateAt(column);
    if (date < 0)
        return {};
    if (m_holiday.isValid() &&
        m_sheet.marks.value(m_sheet.dates.at(date).toJulianDay()) == targets::DayMark::Holiday)
        return m_holiday;
    return m_sheet.isWeekendDate(date) ? m_weekend : QVariant();
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int person = personAt(index.row());
    const int date = dateAt(index.column());
    switch (role) {
    case Qt::DisplayRole:
        if (person < 0)
            return date < 0 ? QString() : QString::number(m_sheet.onDuty(date));
        if (date < 0)
            return totalsTexts(m_totals.people.at(person))
                .value(index.column() - int(m_sheet.dates.size()));
        if (shortened(person, date)) {
            QStringList labels;
            for (int shift : m_sheet.cell(person, date))
                labels << m_shortLabels.at(shift);
            return labels.join(shiftSeparator);
        }
        return cellText(m_sheet, person, date);
    case Qt::ToolTipRole: {
        // The whole text of a cell too narrow for it, with its times.
        QStringList lines;
        if (person >= 0 && date >= 0 && !m_sheet.cell(person, date).isEmpty())
            lines << cellDetails(m_sheet, person, date);
        for (const CellMark* mark : {markOf(person, date), costMarkOf(person, date)})
            if (mark)
                lines << mark->notes;
        return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
    }
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        for (const CellMark* mark : {markOf(person, date), costMarkOf(person, date)})
            if (mark && mark->background.isValid())
                return mark->background;
        return weekendBackground(index.column());
    default:
        return {};
    }
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        const int person = personAt(section);
        switch (role) {
        case Qt::DisplayRole:
            return person < 0 ? onDutyCaption : m_sheet.people.at(person).name;
        case Qt::ToolTipRole:
            if (person < 0)
                return {};
            return QStringLiteral("%1 %2：%3")
                .arg(idCaption)
                .arg(m_sheet.people.at(person).id)
                .arg(m_sheet.people.at(person).name);
        case Qt::TextAlignmentRole:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
        }
    }
    const int date = dateAt(section);
    switch (role) {
    case Qt::DisplayRole: {
        if (date < 0)
            return totalsCaptions.value(section - int(m_sheet.dates.size()));
        const DateHeading heading = dateHeading(m_sheet, date);
        return heading.month + QLatin1Char('\n') + heading.day + QLatin1Char('\n') +
               heading.weekday;
    }
    case Qt::ToolTipRole:
        if (date < 0)
            return {};
        return engine::longDate(m_sheet.dates.at(date).toJulianDay()) + QStringLiteral(" 星期") +
               weekdayName(m_sheet.dates.at(date));
    case Qt::BackgroundRole:
        return weekendBackground(section);
    default:
        return {};
    }
}

} // namespace korvane::monthsheet
