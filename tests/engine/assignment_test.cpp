#include "engine/assignment.h"

#include <gtest/gtest.h>

#include <QDate>

#include <cmath>

using namespace korvane::engine;

// --- The consecutive-day limit and the headcount ----------------------------

struct LimitCase {
    const char* text;
    int limit;
};

class ConsecutiveLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ConsecutiveLimit, ReadsTheLeadingNumber) {
    EXPECT_EQ(consecutiveLimit(QString::fromUtf8(GetParam().text)), GetParam().limit)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConsecutiveLimit,
    ::testing::Values(LimitCase{"无限制", 10000}, LimitCase{"1", 1}, LimitCase{"7", 7},
                      LimitCase{"2.5", 2}, LimitCase{"3.5", 4}, LimitCase{"0.5", 0},
                      LimitCase{"2.51", 3}, LimitCase{"abc", 0}, LimitCase{"", 0},
                      LimitCase{"  3", 3}, LimitCase{"4天", 4}, LimitCase{"-2", -2},
                      LimitCase{"1e3", 1000}, LimitCase{"5e", 5}, LimitCase{".5", 0},
                      LimitCase{"99999", 32767}, LimitCase{"-99999", -32768},
                      LimitCase{" 无限制", 0}, LimitCase{"1e400", 32767}));

TEST(PeopleTaken, WholePartOfTheHeadcount) {
    const std::pair<double, int> cases[] = {{3, 3}, {2.5, 2}, {1, 1},           {0.99, 0},
                                            {0, 0}, {-2, 0},  {std::nan(""), 0}};
    for (const auto& [headcount, taken] : cases)
        EXPECT_EQ(peopleTaken(headcount), taken) << headcount;
}

TEST(DateForms, LongAndIso) {
    const qint64 day = QDate(2027, 1, 5).toJulianDay();
    EXPECT_EQ(longDate(day), QStringLiteral("2027年1月5日"));
    EXPECT_EQ(isoDate(day), QStringLiteral("2027-01-05"));
    EXPECT_EQ(longDate(QDate(2027, 12, 31).toJulianDay()), QStringLiteral("2027年12月31日"));
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
        data.staff = {{11, 1, "甲", "zz1z"}, {12, 2, "乙", "zz1z"}, {13, 3, "丙", "zz1z"}};
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

TEST(SlotFiller, TooFewOpenRowsAfterRelaxingIsImpossible) {
    Ward ward({3, 5});
    SlotFiller filler(ward.data, ward.table);
    bool relaxed = false;
    ASSERT_EQ(ward.fill(filler, 0, &relaxed), SlotFiller::Result::Filled);
    EXPECT_EQ(ward.fill(filler, 1, &relaxed), SlotFiller::Result::Impossible);
    EXPECT_TRUE(relaxed);
    // Nothing of the failed slot was taken.
    EXPECT_EQ(ward.flags(), "112020");
}

TEST(SlotFiller, SlotWithoutRowsIsNotDistributed) {
    Ward ward;
    Shift other = ward.data.shifts[0];
    other.idid = 10;
    SlotFiller filler(ward.data, ward.table);
    bool relaxed = true;
    EXPECT_EQ(filler.fill(ward.data.calendar[0], other, 1, &relaxed),
              SlotFiller::Result::NotDistributed);
    EXPECT_FALSE(relaxed);
}
