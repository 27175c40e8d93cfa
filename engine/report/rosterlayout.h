#pragma once

#include <QtGlobal>

// The sizes of the roster grid and the printable roster, in twips (1440 to
// the inch; the window shows 15 twips as one pixel). F is the row-height
// factor of the last run: the largest headcount / 3 + 1.
namespace korvane::report {

constexpr int twipsPerPixel = 15;
constexpr int twipsPerInch = 1440;

// A grid row: 225 twips, grown by F once a shift holds more than three
// people (F > 2), so that every name of a slot stays visible.
inline int gridRowHeightTwips(double rowHeightFactor) {
    return rowHeightFactor <= 2.0 ? 225 : qRound(225.0 * rowHeightFactor);
}

inline int gridRowHeightPixels(double rowHeightFactor) {
    return qRound(gridRowHeightTwips(rowHeightFactor) / double(twipsPerPixel));
}

// The report's 值班人 box (text4): F x 240 twips.
inline int personBoxHeightTwips(double rowHeightFactor) {
    return qRound(rowHeightFactor * 240.0);
}

// The report's detail band: the 值班人 box and 240 twips of space.
inline int detailBandHeightTwips(double rowHeightFactor) {
    return qRound(rowHeightFactor * 240.0 + 240.0);
}

} // namespace korvane::report
