#include "engine/assignment.h"

#include <gtest/gtest.h>

#include <QDate>

#include <cmath>

using namespace korvane::engine;

// The consecutive-day limit: the leading number of the text, rounded half to
// even and held to a 16-bit integer; 无限制 is 10000.
TEST(ConsecutiveLimit, ReadsTheLeadingNumber) {
    const std::pair<const char*, int> cases[] = {
        {"无限制", 10000}, {"1", 1},           {"7", 7},       {"2.5", 2},      {"3.5", 4},
        {"0.5", 0},        {"2.51", 3},        {"abc", 0},     {"", 0},         {"  3", 3},
        {"4天", 4},        {"-2", -2},         {"1e3", 1000},  {"5e", 5},       {".5", 0},
        {"99999", 32767},  {"-99999", -32768}, {" 无限制", 0}, {"1e400", 32767}};
    for (const auto& [text, limit] : cases)
        EXPECT_EQ(consecutiveLimit(QString::fromUtf8(text)), limit) << text;
}

// The people a slot takes: the whole part of the headcount.
TEST(PeopleTaken, WholePartOfTheHeadcount) {
    const std::pair<double, int> cases[] = {{3, 3}, {2.5, 2}, {1, 1},           {0.99, 0},
                                            {0, 0}, {-2, 0},  {std::nan(""), 0}};
    for (const auto& [headcount, taken] : cases)
        EXPECT_EQ(peopleTaken(headcount), taken) << headcount;
}

// --- Slot filling on a table in memory -----------------------------------------

namespace {

// Three people 甲乙丙, one shift 夜班 (idid 9) of headcount 2 with limit 1, two
// days; rows 0..5, day by day, person by person.
struct Ward {
    PlanningData data;
    CandidateTable table{3};

    // struck: the rows (day * 3 + person) the rules struck.
    explicit Ward(std::initializer_list<int> struck = {}) {
        const qint64 first = QDate(2027, 3, 1).toJulianDay();
        for (qint64 day : {first, first + 1})
            data.calendar.append({QDate::fromJulianDay(day).toString(Qt::ISODate), day, "zz1z"});
        data.shifts.append({9, "夜班", "1", everyDate, 2, {}});
        data.staff = {{11, 1, "甲"}, {12, 2, "乙"}, {13, 3, "丙"}};
        for (int row = 0; row < data.calendar.size(); ++row)
            table.appendSlot(row, data.calendar[row].day, 9);
        for (int row : struck)
            table.flags[size_t(row)] = flagStruck;
    }
    SlotFiller::Result fill(SlotFiller& filler, int day, bool* relaxed) {
        return filler.fill(data.calendar[day], data.shifts[0], day + 1, relaxed);
    }
    // The flags of rows 0..5.
    std::string flags() const { return std::string(table.flags.begin(), table.flags.end()); }
};

} // namespace

TEST(SlotFiller, StruckRowIsNeverTakenEvenWhenRelaxed) {
    Ward ward({3}); // 甲 may not work day 2
    SlotFiller filler(ward.data, ward.table);
    EXPECT_EQ(filler.counters()[0].capacity, 1);
    EXPECT_EQ(filler.counters()[1].capacity, 2);

    bool relaxed = false;
    ASSERT_EQ(ward.fill(filler, 0, &relaxed), SlotFiller::Result::Filled);
    EXPECT_FALSE(relaxed);
    // Day 1: 乙 and 丙 have more open rows than 甲.
    EXPECT_EQ(ward.flags(), "211022");

    // Day 2: 乙 and 丙 are held back, 甲 is struck: the relaxed pick takes
    // 乙 and 丙 again and leaves 甲's struck row alone.
    ASSERT_EQ(ward.fill(filler, 1, &relaxed), SlotFiller::Result::Filled);
    EXPECT_TRUE(relaxed);
    EXPECT_EQ(ward.flags(), "211011");
    EXPECT_EQ(filler.counters()[1].consecutive, 2);
    EXPECT_EQ(filler.counters()[0].dutyCount, 0);
}
