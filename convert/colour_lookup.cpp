#include "convert/colour_lookup.h"

namespace palshift {

ColourLookup::ColourLookup(const Palette& palette) : blockStart_(65536, 0), entries_(256, -1)
{
    entries_.reserve(257 * 256);
    // Walk downward so that the lowest entry of a repeated colour is written last.
    for (int entry = 255; entry >= 0; --entry) {
        const auto colour = static_cast<std::uint32_t>(colourValue(palette[static_cast<std::size_t>(entry)]));
        std::uint32_t& start = blockStart_[colour >> 8];
        if (start == 0) {
            start = static_cast<std::uint32_t>(entries_.size());
            entries_.resize(entries_.size() + 256, -1);
        }
        entries_[start + (colour & 0xFFu)] = static_cast<std::int16_t>(entry);
    }
}

}  // namespace palshift
