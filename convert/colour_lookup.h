#pragma once

#include "palettes/palette.h"

#include <cstdint>
#include <vector>

namespace palshift {

// The lowest palette entry of exactly a colour, in two table reads and no search: a colour's blue
// and green pick a block of 256 entries, one per red. Blue and green pairs that no entry has
// share one block of "none". The tables take under 400 KiB, so a picture of random palette
// colours is looked up from the second-level cache.
class ColourLookup {
public:
    explicit ColourLookup(const Palette& palette);

    // Lowest entry whose colour is exactly value, or -1 (also for -1 and anything not a colour).
    int lowestEntry(ColourValue value) const
    {
        const auto colour = static_cast<std::uint32_t>(value);
        if (colour > 0xFFFFFFu)
            return -1;
        return entries_[blockStart_[colour >> 8] + (colour & 0xFFu)];
    }

private:
    std::vector<std::uint32_t> blockStart_;  // per blue * 256 + green; block 0 has no entry
    std::vector<std::int16_t> entries_;      // per block start + red: the entry, or -1
};

}  // namespace palshift
