#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

namespace korvane::engine {

// Candidate flags of 值班底表.是否值班.
constexpr char flagStruck = '0';
constexpr char flagAssigned = '1';
constexpr char flagOpen = '2';

// The rows that one calendar row and one shift distributed on it give: one
// per person, in the candidate step's person order.
struct CandidateSlot {
    int calendarRow = 0; // index into PlanningData::calendar
    qint64 day = 0;      // the date as a day number
    qint64 shift = 0;    // 班次IDID
    int firstRow = 0;    // the slot's first row; its rows follow in person order
};

// 值班底表 as the run keeps it in memory, before and while it is written: the
// slots in the order their rows are written (which is the order of their
// idids), and one flag per row. A row's person is its place in its slot.
class CandidateTable {
public:
    explicit CandidateTable(int people = 0) : m_people(people) {}

    // A slot's rows, all open.
    void appendSlot(int calendarRow, qint64 day, qint64 shift);

    int people() const { return m_people; }
    int personOf(int row) const { return row % m_people; }
    // The slots of a date and shift, in write order: one, unless the calendar repeats the date.
    const std::vector<int>& slotsOf(qint64 day, qint64 shift) const;

    std::vector<CandidateSlot> slotList;
    std::vector<char> flags; // per row, in write order

private:
    static quint64 key(qint64 day, qint64 shift) { return (quint64(day) << 32) ^ quint64(shift); }
    int m_people;
    QHash<quint64, std::vector<int>> m_slotsByKey;
};

struct PlanningData;

// The candidate table of the data: a slot for every calendar row and every
// shift distributed on it, in calendar and shift order. twice() is called for
// each pair that two equally named date groups place. Stops at the first slot
// when there is no one to put in it: false then.
bool buildCandidateTable(const PlanningData& data, CandidateTable* table,
                         const std::function<void()>& twice = {});

// Strikes every row of a person on a day of their leave, as a 不排在 rule
// would strike it.
void strikeLeave(const PlanningData& data, CandidateTable& table);

// Whether the person is on leave on the day; the reason when so.
bool onLeave(const PlanningData& data, int person, qint64 day, QString* reason = nullptr);

} // namespace korvane::engine
