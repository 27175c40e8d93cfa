#include "engine/candidatetable.h"

#include "engine/planningdata.h"

namespace korvane::engine {

void CandidateTable::appendSlot(int calendarRow, qint64 day, qint64 shift) {
    m_slotsByKey[key(day, shift)].push_back(int(slotList.size()));
    slotList.push_back({calendarRow, day, shift, int(flags.size())});
    flags.insert(flags.end(), size_t(m_people), flagOpen);
}

const std::vector<int>& CandidateTable::slotsOf(qint64 day, qint64 shift) const {
    static const std::vector<int> none;
    const auto found = m_slotsByKey.constFind(key(day, shift));
    return found == m_slotsByKey.constEnd() ? none : *found;
}

bool buildCandidateTable(const PlanningData& data, CandidateTable* table,
                         const std::function<void()>& twice) {
    *table = CandidateTable(int(data.staff.size()));
    table->flags.reserve(size_t(data.calendar.size()) * size_t(data.shifts.size()) *
                         size_t(data.staff.size()));
    for (int row = 0; row < data.calendar.size(); ++row) {
        const CalendarDay& day = data.calendar.at(row);
        for (const Shift& shift : data.shifts) {
            bool placedTwice = false;
            const bool distributed = data.distributed(day, shift, &placedTwice);
            if (placedTwice && twice)
                twice();
            if (!distributed)
                continue;
            if (data.staff.isEmpty())
                return false;
            table->appendSlot(row, day.day, shift.idid);
        }
    }
    return true;
}

bool onLeave(const PlanningData& data, int person, qint64 day, QString* reason) {
    for (const Leave& leave : data.leave.at(person)) {
        if (day >= leave.first && day <= leave.last) {
            if (reason)
                *reason = leave.reason;
            return true;
        }
    }
    return false;
}

void strikeLeave(const PlanningData& data, CandidateTable& table) {
    for (int person = 0; person < data.staff.size(); ++person) {
        if (data.leave.at(person).isEmpty())
            continue;
        for (const CandidateSlot& slot : table.slotList)
            if (onLeave(data, person, slot.day))
                table.flags[size_t(slot.firstRow + person)] = flagStruck;
    }
}

} // namespace korvane::engine
