#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace palshift {

// Nearest 32-bit integer, a half to the even neighbour; std::overflow_error outside the range.
inline std::int32_t toInt32(double value)
{
    const double rounded = std::nearbyint(value);  // the default rounding mode rounds ties to even
    if (!(rounded >= std::numeric_limits<std::int32_t>::min()
          && rounded <= std::numeric_limits<std::int32_t>::max()))
        throw std::overflow_error("a value does not fit a 32-bit integer");
    return static_cast<std::int32_t>(rounded);
}

// The last index of a loop over a surface side: size - 1, rounded as above.
inline std::int32_t lastIndex(double size)
{
    return toInt32(size - 1.0);
}

}  // namespace palshift
