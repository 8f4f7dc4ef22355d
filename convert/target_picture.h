#pragma once

#include <cstdint>
#include <vector>

namespace palshift {

// A picture as target entries, rows top-down.
struct TargetPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> indices;  // width * height, row by row
    std::int64_t unmatchedPixels = 0;
};

}  // namespace palshift
