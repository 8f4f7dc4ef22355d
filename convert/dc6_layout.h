#pragma once

#include "palettes/palette.h"

#include <cstdint>
#include <optional>

namespace palshift {

// How pictures become the frames of a DC6 file.
struct Dc6Layout {
    std::uint32_t directions = 1;  // the frames split into this many directions of equal length
    std::int32_t columns = 1;      // each picture cut into columns x rows equal frames, row by row
    std::int32_t rows = 1;
    std::int32_t offsetX = 0;  // every frame's offsets
    std::int32_t offsetY = 0;
    std::optional<Rgb> transparentColour;  // pixels of this colour are transparent too
};

}  // namespace palshift
