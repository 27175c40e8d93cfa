#include "engine/assignment.h"

#include <gtest/gtest.h>

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
    const std::pair<double, int> cases[] = {{3, 3}, {2.5, 2}, {1, 1}, {0.99, 0}, {0, 0}, {-2, 0}};
    for (const auto& [headcount, taken] : cases)
        EXPECT_EQ(peopleTaken(headcount), taken) << headcount;
}
