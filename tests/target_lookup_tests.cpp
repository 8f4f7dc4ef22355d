#include "convert/colour_lookup.h"
#include "convert/nearest_colour.h"
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
    const std::array<std::uint8_t, 256> nearest = nearestEntries(source, target);
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

// Indexed pixels go through their table once: an entry past the table (-1) or of no source colour
// is unmatched wherever it is used; alpha bytes are passed over. A resolver decides unmatched colours.
TEST(TargetLookup, MapsIndexedRowsAndAsksTheResolverForUnmatchedColours)
{
    Palette source{}, target{};
    source[0] = {9, 9, 9};
    source[1] = {50, 60, 70};
    source[2] = {50, 60, 70};
    source[3] = {1, 2, 3};
    target[4] = {50, 60, 71};
    target[6] = {1, 2, 4};
    std::array<std::uint8_t, 256> nearest = nearestEntries(source, target);
    nearest[2] = 200;  // never used: colour (50, 60, 70) is entry 1 first
    TargetLookup lookup(source, nearest);
    IndexedColours table;
    table.fill(-1);
    table[0] = colourValue(source[3]);
    table[1] = colourValue(source[1]);
    table[2] = 0x0A0B0C;  // no source colour

    std::vector<std::uint8_t> entries(5);
    EXPECT_EQ(lookup.rows(PixelLayout::Indexed8, &table).map(std::vector<std::uint8_t>{0, 1, 2, 7, 1}, entries), 2);
    EXPECT_EQ(entries, (std::vector<std::uint8_t>{6, 4, nearest[0], nearest[0], 4}));
    EXPECT_EQ(lookup.rows(PixelLayout::IndexedAlpha8, &table).map(std::vector<std::uint8_t>{1, 2, 2, 1, 0, 0}, entries), 1);
    EXPECT_EQ(std::vector(entries.begin(), entries.begin() + 3), (std::vector<std::uint8_t>{4, nearest[0], 6}));
    EXPECT_THROW(lookup.rows(PixelLayout::Indexed8, nullptr), std::invalid_argument);

    std::vector<ColourValue> asked;
    lookup.setUnmatchedResolver([&asked](ColourValue colour) { asked.push_back(colour); return std::uint8_t(99); });
    EXPECT_EQ(lookup.rows(PixelLayout::Rgb8, nullptr).map(std::vector<std::uint8_t>{50, 60, 70, 5, 6, 7, 1, 2, 3}, entries), 1);
    EXPECT_EQ(std::vector(entries.begin(), entries.begin() + 3), (std::vector<std::uint8_t>{4, 99, 6}));
    EXPECT_EQ(lookup.rows(PixelLayout::Indexed8, &table).map(std::vector<std::uint8_t>{2, 0}, entries), 1);
    EXPECT_EQ(std::vector(entries.begin(), entries.begin() + 2), (std::vector<std::uint8_t>{99, 6}));
    EXPECT_EQ(asked, (std::vector<ColourValue>{0x070605, 0x0A0B0C}));
}

}  // namespace palshift
