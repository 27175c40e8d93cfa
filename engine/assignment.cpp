#include "engine/assignment.h"

#include "store/schema.h"

#include <QDate>

#include <algorithm>
#include <cmath>

namespace korvane::engine {

namespace {

const QString kNoLimit = QStringLiteral("无限制");
constexpr qint16 kNoLimitValue = 10000;

// The leading number of a text: blanks, a sign, digits with one decimal
// point and an exponent; 0 when the text does not start with a number.
double leadingNumber(const QString& text) {
    qsizetype at = 0;
    const qsizetype size = text.size();
    while (at < size && (text[at] == QLatin1Char(' ') || text[at] == QLatin1Char('\t')))
        ++at;
    const qsizetype begin = at;
    if (at < size && (text[at] == QLatin1Char('+') || text[at] == QLatin1Char('-')))
        ++at;
    const auto isDigit = [&](qsizetype i) {
        return i < size && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9');
    };
    bool digits = false;
    while (isDigit(at)) {
        ++at;
        digits = true;
    }
    if (at < size && text[at] == QLatin1Char('.')) {
        ++at;
        while (isDigit(at)) {
            ++at;
            digits = true;
        }
    }
    if (!digits)
        return 0;
    qsizetype end = at;
    if (at < size && (text[at] == QLatin1Char('e') || text[at] == QLatin1Char('E'))) {
        qsizetype exponent = at + 1;
        if (exponent < size &&
            (text[exponent] == QLatin1Char('+') || text[exponent] == QLatin1Char('-')))
            ++exponent;
        if (isDigit(exponent)) {
            while (isDigit(exponent))
                ++exponent;
            end = exponent;
        }
    }
    bool ok = false;
    const double value = text.mid(begin, end - begin).toDouble(&ok);
    if (!ok && std::isinf(value))
        return value; // beyond the range of a double: clamped by the caller
    return ok ? value : 0;
}

} // namespace

qint64 neverAssignedDay() {
    static const qint64 day =
        QDate::fromString(schema::neverAssignedDate, Qt::ISODate).toJulianDay();
    return day;
}

qint16 consecutiveLimit(const QString& text) {
    if (text == kNoLimit)
        return kNoLimitValue;
    const double rounded = std::nearbyint(leadingNumber(text)); // halves to even
    if (!(rounded >= -32768.0))
        return -32768;
    if (rounded > 32767.0)
        return 32767;
    return qint16(rounded);
}

QString relaxedQueryText(qint64 shiftIdid, qint64 day) {
    return QStringLiteral("select * from 基本信息,值班底表,banci where 基本信息.IDID = "
                          "值班底表.姓名IDID and banci.IDID = 值班底表.班次IDID and "
                          "值班底表.是否值班 = '2' and banci.IDID = ") +
           QString::number(shiftIdid) + QStringLiteral(" and 值班底表.日期 = #") + isoDate(day) +
           QStringLiteral(
               "# order by 基本信息.前一班序号,基本信息.值班次数,基本信息.班数空间 desc");
}

int peopleTaken(double headcount) {
    if (!(headcount >= 1))
        return 0;
    return headcount >= 1e9 ? 1000000000 : int(std::floor(headcount));
}

SlotFiller::SlotFiller(const PlanningData& data, CandidateTable& table)
    : m_data(data), m_table(table), m_counters(data.staff.size()), m_work(data.staff.size()) {
    for (const WorkLimits& limits : data.limits)
        m_limited = m_limited || limits.any();
    if (!data.successions.isEmpty()) {
        m_limited = true;
        m_shiftsByDay.resize(data.staff.size());
    }
    for (PersonCounters& counters : m_counters)
        counters.lastDay = neverAssignedDay();
    for (size_t row = 0; row < table.flags.size(); ++row)
        if (table.flags[row] == flagOpen)
            ++m_counters[size_t(table.personOf(int(row)))].capacity;
}

SlotFiller::Result SlotFiller::fill(const CalendarDay& day, const Shift& shift, qint64 sequence,
                                    bool* relaxed) {
    *relaxed = false;
    const std::vector<int>& slotIndices = m_table.slotsOf(day.day, shift.idid);
    if (slotIndices.empty())
        return Result::NotDistributed;

    // The planner's locked people of the slot come first, whatever a rule or
    // a limit says, and count like any assignment; the run fills the rest.
    int lockedTaken = 0;
    const auto locked = m_locked.constFind(slotKey(day.day, shift.idid));
    if (locked != m_locked.constEnd()) {
        const int first = m_table.slotList[size_t(slotIndices.front())].firstRow;
        for (int person : *locked) {
            if (m_table.flags[size_t(first + person)] == flagAssigned)
                continue;
            take(first + person, day, shift, sequence);
            ++lockedTaken;
        }
    }
    const double needed = shift.headcount - lockedTaken;
    if (lockedTaken > 0 && !(needed > 0))
        return Result::Filled;

    const qint16 limit = consecutiveLimit(shift.consecutiveLimit);
    const qint64 yesterday = day.day - 1;
    const auto heldBack = [&](const PersonCounters& counters) {
        return counters.consecutive >= limit && counters.lastShift == shift.idid &&
               counters.lastDay == yesterday;
    };

    m_open.clear();
    for (int slot : slotIndices) {
        const int first = m_table.slotList[size_t(slot)].firstRow;
        for (int row = first; row < first + m_table.people(); ++row)
            if (m_table.flags[size_t(row)] == flagOpen &&
                (!m_limited || !breach(row - first, day, shift)))
                m_open.push_back(row);
    }
    m_chosen.clear();
    for (int row : m_open)
        if (!heldBack(m_counters[size_t(m_table.personOf(row))]))
            m_chosen.push_back(row);
    // Fewer than the headcount (compared as the number it is, fractions
    // included): drop the held-back clause.
    if (double(m_chosen.size()) < needed) {
        *relaxed = true;
        m_chosen = m_open;
        if (double(m_chosen.size()) < needed)
            return Result::Impossible;
    }

    // Candidates are ranked on the counters as they stand before this slot:
    // longest since the last duty, fewest duties, most open rows; then idid,
    // which follows the row order.
    const auto before = [&](int left, int right) {
        const PersonCounters& a = m_counters[size_t(m_table.personOf(left))];
        const PersonCounters& b = m_counters[size_t(m_table.personOf(right))];
        if (a.previousSlot != b.previousSlot)
            return a.previousSlot < b.previousSlot;
        if (a.dutyCount != b.dutyCount)
            return a.dutyCount < b.dutyCount;
        if (a.capacity != b.capacity)
            return a.capacity > b.capacity;
        return left < right;
    };
    const size_t taken =
        std::min(m_chosen.size(), size_t(std::max(0, peopleTaken(shift.headcount) - lockedTaken)));
    std::partial_sort(m_chosen.begin(), m_chosen.begin() + qsizetype(taken), m_chosen.end(),
                      before);

    for (size_t i = 0; i < taken; ++i)
        take(m_chosen[i], day, shift, sequence);
    return Result::Filled;
}

void SlotFiller::fillShort(const CalendarDay& day, const Shift& shift, qint64 sequence) {
    for (int row : m_open)
        take(row, day, shift, sequence);
}

void SlotFiller::workedBefore(int person, qint64 day, int endMinute, qint64 shift) {
    m_work[size_t(person)].addBefore(day, endMinute, shift);
    if (!m_shiftsByDay.empty())
        m_shiftsByDay[size_t(person)][day].append(shift);
}

void SlotFiller::lock(qint64 day, qint64 shift, int person) {
    m_locked[slotKey(day, shift)].push_back(person);
}

// The row's person works the slot: the flag and every counter of the run.
void SlotFiller::take(int row, const CalendarDay& day, const Shift& shift, qint64 sequence) {
    m_table.flags[size_t(row)] = flagAssigned;
    PersonCounters& counters = m_counters[size_t(m_table.personOf(row))];
    counters.previousSlot = sequence;
    counters.lastDay = day.day;
    ++counters.dutyCount;
    if (counters.lastShift == shift.idid) {
        ++counters.consecutive;
    } else {
        counters.lastShift = shift.idid;
        counters.consecutive = 1;
    }
    const int person = m_table.personOf(row);
    m_work[size_t(person)].add(day.day, shift.startMinute, shift.endMinute, shift.overnight,
                               m_data.isWeekendDay(day.day), shift.idid);
    if (!m_shiftsByDay.empty())
        m_shiftsByDay[size_t(person)][day.day].append(shift.idid);
}

Breach SlotFiller::breach(int person, const CalendarDay& day, const Shift& shift) const {
    static const QList<qint64> none;
    const QHash<qint64, QList<qint64>>* worked =
        m_shiftsByDay.empty() ? nullptr : &m_shiftsByDay[size_t(person)];
    const QList<qint64>& before = worked ? worked->value(day.day - 1) : none;
    const QList<qint64>& after = worked ? worked->value(day.day + 1) : none;
    return firstBreach(m_data.limits[person], m_work[size_t(person)],
                       dutyOf(m_data, day.day, shift), m_data.successions, {before, after});
}

} // namespace korvane::engine
