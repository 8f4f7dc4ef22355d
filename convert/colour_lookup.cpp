#include "convert/colour_lookup.h"

namespace palshift {

ColourLookup::ColourLookup(const Palette& palette)
    : blockStart_(4096, 0), entryPlusOne_(blockSize, 0)
{
    // Walk downward so that the lowest entry of a repeated colour is written last.
    for (int entry = 255; entry >= 0; --entry) {
        const auto colour = static_cast<std::uint32_t>(colourValue(palette[entry]));
        std::uint32_t& start = blockStart_[colour >> 12];
        if (start == 0) {
            start = static_cast<std::uint32_t>(entryPlusOne_.size());
            entryPlusOne_.resize(entryPlusOne_.size() + blockSize, 0);
        }
        entryPlusOne_[start + (colour & 0xFFFu)] = static_cast<std::uint16_t>(entry + 1);
    }
}

}  // namespace palshift
