#include "convert/colour_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

namespace palshift {

// Every colour value against the palette's sorted (colour, entry) pairs: catches a wrong block, a
// wrong place inside one, and a repeated colour that gives anything but its lowest entry.
TEST(ColourLookup, FindsTheLowestEntryOfEveryColourValue)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<ColourValue> anyColour(0, 0xFFFFFF);
    const ColourValue edges[] = {0x000000, 0xFFFFFF, 0x0000FF, 0x000100, 0x00FFFF, 0x010000, 0xFF0000};
    std::vector<std::pair<ColourValue, int>> sorted;
    Palette palette{};
    for (int entry = 0; entry < 256; ++entry) {
        const ColourValue colour = entry < 7     ? edges[entry]
                                   : entry < 200 ? anyColour(random)
                                                 : sorted[std::size_t(entry * 37 % 200)].first;  // a repeat
        palette[std::size_t(entry)] = {std::uint8_t(colour), std::uint8_t(colour >> 8), std::uint8_t(colour >> 16)};
        sorted.emplace_back(colour, entry);
    }
    std::sort(sorted.begin(), sorted.end());

    const ColourLookup lookup(palette);
    auto next = sorted.begin();
    long wrong = 0;
    for (ColourValue value = 0; value <= 0xFFFFFF; ++value) {
        const int expected = next != sorted.end() && next->first == value ? next->second : -1;
        while (next != sorted.end() && next->first == value)
            ++next;
        wrong += lookup.lowestEntry(value) != expected;
    }
    EXPECT_EQ(wrong, 0);
    for (ColourValue outside : {-1, 0x1000000, std::numeric_limits<ColourValue>::min()})
        EXPECT_EQ(lookup.lowestEntry(outside), -1) << outside;
}

}  // namespace palshift
