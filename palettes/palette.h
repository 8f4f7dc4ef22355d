#pragma once

#include <array>
#include <cstdint>

namespace palshift {

// red + 256 * green + 65536 * blue; -1 for a pixel that cannot be read.
using ColourValue = std::int32_t;

// The colours of an indexed picture's table, -1 past its end.
using IndexedColours = std::array<ColourValue, 256>;

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// 256 entries, all black until loaded. Use at() where an entry number could be out of range.
using Palette = std::array<Rgb, 256>;

constexpr ColourValue colourValue(const Rgb& colour)
{
    return colour.red + 256 * colour.green + 65536 * colour.blue;
}

}  // namespace palshift
