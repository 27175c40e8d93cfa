// The sizes the row-height factor gives the roster grid and the printed
// roster's detail band.

#include "engine/report/rosterlayout.h"

#include <gtest/gtest.h>

using namespace korvane::report;

namespace {

// F as the report step computes it from the largest headcount M.
double factorFor(double largestHeadcount) {
    return largestHeadcount / 3.0 + 1.0;
}

struct HeightCase {
    double headcount;
    int gridTwips;
    int personBoxTwips;
    int bandTwips;
};

class RowHeights : public ::testing::TestWithParam<HeightCase> {};

TEST_P(RowHeights, FollowTheLargestHeadcount) {
    const HeightCase c = GetParam();
    const double f = factorFor(c.headcount);
    EXPECT_EQ(gridRowHeightTwips(f), c.gridTwips);
    EXPECT_EQ(personBoxHeightTwips(f), c.personBoxTwips);
    EXPECT_EQ(detailBandHeightTwips(f), c.bandTwips);
    // The band always leaves 240 twips beside the 值班人 box.
    EXPECT_EQ(detailBandHeightTwips(f) - personBoxHeightTwips(f), 240);
}

INSTANTIATE_TEST_SUITE_P(
    Headcounts, RowHeights,
    ::testing::Values(
        // No assignments at all (M = 0): the plain sizes.
        HeightCase{0, 225, 240, 480},
        // Up to three people keep the grid's 225 twips; the report grows anyway.
        HeightCase{2, 225, 400, 640}, HeightCase{3, 225, 480, 720},
        // From four people on the grid grows with F.
        HeightCase{4, 525, 560, 800}, HeightCase{6, 675, 720, 960},
        // A fractional headcount (the shift table allows one).
        HeightCase{4.5, 563, 600, 840}));

TEST(RowHeights, GridPixelsAreTwipsOverFifteen) {
    EXPECT_EQ(gridRowHeightPixels(factorFor(2)), 15);
    EXPECT_EQ(gridRowHeightPixels(factorFor(6)), 45);
}

} // namespace
