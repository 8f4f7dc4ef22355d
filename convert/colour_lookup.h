#pragma once

#include "convert/palette.h"

#include <cstdint>
#include <vector>

namespace palshift {

// The lowest palette entry of exactly a colour, found in two table reads instead of a search.
// Colours are grouped by their top 12 bits; a group no entry falls into shares one empty block.
class ColourLookup {
public:
    explicit ColourLookup(const Palette& palette);

    // Lowest entry whose colour is exactly value, or -1 (also for -1 and anything not a colour).
    int lowestEntry(ColourValue value) const
    {
        const auto colour = static_cast<std::uint32_t>(value);
        if (colour > 0xFFFFFFu)
            return -1;
        return entryPlusOne_[blockStart_[colour >> 12] + (colour & 0xFFFu)] - 1;
    }

private:
    static constexpr std::uint32_t blockSize = 4096;

    std::vector<std::uint32_t> blockStart_;
    std::vector<std::uint16_t> entryPlusOne_;  // 0: no entry has this colour
};

}  // namespace palshift
