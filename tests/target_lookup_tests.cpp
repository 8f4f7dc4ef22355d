#include "convert/colour_hash.h"
#include "convert/colour_lookup.h"
#include "convert/nearest_target.h"
#include "convert/target_lookup.h"
#include "test_support.h"

#include <stdexcept>

namespace palshift {

// Every colour in every pixel form gives the target entry of its lowest source entry (by the colour
// lookup of the window's identification), else that of entry 0, and is counted as unmatched.
TEST(TargetLookup, GivesEveryColourTheTargetOfItsLowestSourceEntry)
{
    std::mt19937 random(9);
    const Palette source = test::coarsePalette(random, 30), target = test::coarsePalette(random, 9);
    const std::array<std::uint8_t, 256> nearest = nearestTargets(source, target);
    const TargetLookup lookup(source, nearest);
    const ColourLookup exact(source);

    const PixelLayout layouts[] = {PixelLayout::Rgb8, PixelLayout::Rgba8, PixelLayout::Bgr8, PixelLayout::Bgra8, PixelLayout::Bgrx8};
    std::vector<std::uint8_t> row, entries(65536);
    long wrong = 0, unmatchedSeen = 0;
    for (const PixelLayout layout : layouts) {
        const TargetLookup::Rows rows = lookup.rows(layout, nullptr);
        const int stride = bytesPerPixel(layout);
        const bool bgr = layout == PixelLayout::Bgr8 || layout == PixelLayout::Bgra8 || layout == PixelLayout::Bgrx8;
        for (int blue = 0; blue < 256; blue += layout == PixelLayout::Rgb8 ? 1 : 5) {  // every colour once, samples for the rest
            row.assign(std::size_t(65536 * stride), 0x77);
            for (int k = 0; k < 65536; ++k) {
                std::uint8_t* const pixel = row.data() + k * stride;
                const std::uint8_t red = std::uint8_t(k & 0xFF), green = std::uint8_t(k >> 8);
                pixel[0] = bgr ? std::uint8_t(blue) : red;
                pixel[1] = green;
                pixel[2] = bgr ? red : std::uint8_t(blue);
            }
            const std::int64_t unmatched = rows.map(row, entries);
            std::int64_t expectedUnmatched = 0;
            for (int k = 0; k < 65536; ++k) {
                const int entry = exact.lowestEntry((k & 0xFF) + 256 * (k >> 8) + 65536 * blue);
                expectedUnmatched += entry < 0;
                wrong += entries[std::size_t(k)] != nearest[std::size_t(std::max(entry, 0))];
            }
            wrong += unmatched != expectedUnmatched;
            unmatchedSeen += unmatched;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(unmatchedSeen, 0);
}

// Indexed pixels go through their table: an index past it (-1) or of no source colour is unmatched,
// and only a colour of the table goes to the resolver.
TEST(TargetLookup, ResolvesOnlyTheColoursOfTheTable)
{
    Palette source{}, target{};
    source[1] = {50, 60, 70};
    target[4] = {50, 60, 71};
    TargetLookup lookup(source, nearestTargets(source, target));
    IndexedColours table;
    table.fill(-1);
    table[0] = colourValue(source[1]);
    table[1] = 0x0A0B0C;  // no source colour
    std::vector<std::uint8_t> entries(3);
    EXPECT_EQ(lookup.rows(PixelLayout::Indexed8, &table).map(std::vector<std::uint8_t>{0, 1, 7}, entries), 2);
    EXPECT_EQ(entries, (std::vector<std::uint8_t>{4, 0, 0}));
    std::vector<ColourValue> asked;
    lookup.setUnmatchedResolver([&asked](ColourValue colour) { asked.push_back(colour); return std::uint8_t(99); });
    EXPECT_EQ(lookup.rows(PixelLayout::Indexed8, &table).map(std::vector<std::uint8_t>{0, 1, 7}, entries), 2);
    EXPECT_EQ(entries, (std::vector<std::uint8_t>{4, 99, 0}));
    EXPECT_EQ(asked, std::vector<ColourValue>{0x0A0B0C});
}

// Keys are colours of 24 bits; a key above them is refused, and finds nothing.
TEST(ColourHash, TakesOnly24BitKeys)
{
    EXPECT_THROW(ColourHash(std::vector<std::uint32_t>{6, 0x01000005u}, std::vector<std::uint8_t>{7, 8}), std::invalid_argument);
    EXPECT_EQ(ColourHash(std::vector<std::uint32_t>{6}, std::vector<std::uint8_t>{7}).find(0x01000006u), -1);
}

}  // namespace palshift
