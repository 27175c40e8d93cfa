#pragma once

namespace korvane {

// The designed sizes are in twips; the screen shows 15 twips as one pixel.
constexpr int twips(int value) {
    return value / 15;
}

} // namespace korvane
