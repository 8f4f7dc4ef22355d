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

}  // namespace palshift
