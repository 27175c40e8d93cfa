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

TEST(RowHeights, FollowTheLargestHeadcount) {
    struct {
        double headcount;
        int gridTwips, personBoxTwips, bandTwips;
    } const cases[] = {
        {0, 225, 240, 480}, // no assignments at all (M = 0): the plain sizes
        // Up to three people keep the grid's 225 twips; the report grows anyway.
        {2, 225, 400, 640},
        {3, 225, 480, 720},
        // From four people on the grid grows with F.
        {4, 525, 560, 800},
        {6, 675, 720, 960},
        {4.5, 563, 600, 840}, // a fractional headcount (the shift table allows one)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headcount);
        const double f = factorFor(c.headcount);
        EXPECT_EQ(gridRowHeightTwips(f), c.gridTwips);
        EXPECT_EQ(personBoxHeightTwips(f), c.personBoxTwips);
        EXPECT_EQ(detailBandHeightTwips(f), c.bandTwips);
    }
    // Grid pixels are twips over fifteen.
    EXPECT_EQ(gridRowHeightPixels(factorFor(2)), 15);
    EXPECT_EQ(gridRowHeightPixels(factorFor(6)), 45);
}

} // namespace
