#pragma once

#include <array>

namespace palshift {

// The magnifications the View menu offers, smallest first; 1 shows the picture as designed.
inline constexpr std::array<int, 8> zoomLevels{1, 2, 3, 4, 6, 8, 12, 16};

// The next level up or down from zoom, or zoom itself at either end.
int zoomedIn(int zoom);
int zoomedOut(int zoom);
// zoom when it is one of the levels, 1 otherwise (a setting from elsewhere is not trusted).
int validZoom(int zoom);

}  // namespace palshift
