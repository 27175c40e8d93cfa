#pragma once

#include "engine/candidatetable.h"
#include "engine/dutychecks.h"
#include "engine/planningdata.h"

#include <QHash>
#include <QList>
#include <QString>

#include <limits>
#include <vector>

namespace korvane::engine {

// The run counters of one person (基本信息 positions 7, 8 and 12 to 16).
struct PersonCounters {
    qint64 capacity = 0;     // 班数空间: open rows after the rules
    qint64 previousSlot = 0; // 前一班序号
    qint64 dutyCount = 0;    // 值班次数
    qint64 lastShift = 0;    // 最近班次ID
    qint64 consecutive = 0;  // 连续天数
    qint64 lastDay = 0;      // 最近值班时间 as a day number
    double distance = 1e16;  // 距离向量
};

// The never-assigned 最近值班时间 as a day number.
qint64 neverAssignedDay();

// The consecutive-day limit of a shift from its 连续次数 text: "无限制" is
// 10000; otherwise the leading number of the text (0 when it does not start
// with one), rounded half to even, held in 16 bits (values beyond are
// clamped to -32768..32767).
qint16 consecutiveLimit(const QString& text);

// The relaxed candidate query of a slot, as the page shows it.
QString relaxedQueryText(qint64 shiftIdid, qint64 day);

// How many people a headcount takes: the rows numbered 1 up to it.
int peopleTaken(double headcount);

// The greedy pass over the slots, in memory. Counters start at their reset
// values with the capacity counted from the open rows. A person's limits
// (PlanningData::limits) make them pass over a candidate row like a struck
// one; without limits the pass is the plain one.
class SlotFiller {
public:
    enum class Result { NotDistributed, Filled, Impossible };

    SlotFiller(const PlanningData& data, CandidateTable& table);

    // The person (an index into PlanningData::staff) is locked on the slot:
    // when the slot is filled, they are taken first.
    void lock(qint64 day, qint64 shift, int person);
    // The person worked a shift before the period (shifts in time order):
    // it counts for their rest and consecutive days, and for nothing else.
    void workedBefore(int person, qint64 day, int endMinute, qint64 shift);

    // The first rule (limits, rest, overlap, forbidden successions) that
    // taking the person for the shift on the day would break: the run
    // passes them over for it.
    Breach breach(int person, const CalendarDay& day, const Shift& shift) const;
    const WorkDone& workDone(int person) const { return m_work[size_t(person)]; }

    // Fills one slot with slot sequence number sequence. relaxed is set when
    // the held-back people had to be taken after all.
    Result fill(const CalendarDay& day, const Shift& shift, qint64 sequence, bool* relaxed);
    // After fill() found the slot impossible: takes every open candidate it
    // had (fewer than the slot needs), so that planning can go on.
    void fillShort(const CalendarDay& day, const Shift& shift, qint64 sequence);

    const std::vector<PersonCounters>& counters() const { return m_counters; }
    // The open candidates of the slot last filled, held-back people included.
    qint64 openCandidates() const { return qint64(m_open.size()); }

private:
    static quint64 slotKey(qint64 day, qint64 shift) {
        return (quint64(day) << 32) ^ quint64(shift);
    }
    void take(int row, const CalendarDay& day, const Shift& shift, qint64 sequence);

    const PlanningData& m_data;
    CandidateTable& m_table;
    QHash<quint64, std::vector<int>> m_locked; // people locked on each slot
    std::vector<PersonCounters> m_counters;
    std::vector<WorkDone> m_work;
    // The shifts each person works on each day, kept only for forbidden successions.
    std::vector<QHash<qint64, QList<qint64>>> m_shiftsByDay;
    bool m_limited = false;    // someone has a limit
    std::vector<int> m_open;   // scratch: the open rows of a slot
    std::vector<int> m_chosen; // scratch: the rows the slot's query returns
};

} // namespace korvane::engine
