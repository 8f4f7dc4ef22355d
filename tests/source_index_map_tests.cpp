#include "convert/colour_split.h"
#include "convert/source_index_map.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace palshift {

// The identification pixel by pixel, column by column: GetPixel, ConvertBack256, then a search of
// SourcePal from entry 0 comparing the channels as doubles. Gives the number of pixels left unmatched.
static long referenceInitPicturePal(const Palette& SourcePal, const PictureSurface& picture1, IndexMap& SourceIndexMap)
{
    long unmatched = 0;
    for (std::int32_t x = 0; x <= static_cast<std::int32_t>(picture1.width()) - 1; ++x) {
        for (std::int32_t y = 0; y <= static_cast<std::int32_t>(picture1.height()) - 1; ++y) {
            std::vector<ColourValue> row(static_cast<std::size_t>(x) + 1);
            picture1.readRow(y, row);
            double red = 0, green = 0, blue = 0;
            ConvertBack256(row.back(), red, green, blue);
            std::int16_t k = 0;
            while (k <= 255 && !(red == SourcePal[k].red && green == SourcePal[k].green && blue == SourcePal[k].blue))
                ++k;
            if (k <= 255)
                SourceIndexMap.set(x, y, k);
            unmatched += k > 255;
        }
    }
    return unmatched;
}

TEST(InitPicturePal, MatchesThePixelByPixelSearchOnRandomPalettes)
{
    long repeatedColourPixels = 0, keptPixels = 0, unreadablePixels = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        ConversionState state;
        state.SourcePal = test::paletteFrom(random, test::coarseColours(random, 12));
        const std::vector<Rgb> others = test::coarseColours(random, 20);  // some in no entry
        test::MemorySurface picture(11, 7);
        state.SourceIndexMap.redim(10, 6);
        std::uniform_int_distribution<int> percent(0, 99), entry(0, 255);
        for (int x = 0; x < 11; ++x) {
            for (int y = 0; y < 7; ++y) {
                const int kind = percent(random);
                const auto e = static_cast<std::size_t>(entry(random));
                picture.pixel(x, y) = kind < 70 ? colourValue(state.SourcePal[e]) : kind < 90 ? colourValue(others[e % 20]) : -1;
                state.SourceIndexMap.set(x, y, static_cast<std::int16_t>(entry(random)));  // an earlier run's
                const auto matches = std::count_if(state.SourcePal.begin(), state.SourcePal.end(),
                                                   [&](const Rgb& c) { return colourValue(c) == picture.pixel(x, y); });
                repeatedColourPixels += matches > 1;
                keptPixels += matches == 0 && state.SourceIndexMap.at(x, y) != 0;
                unreadablePixels += picture.pixel(x, y) == -1;
            }
        }
        IndexMap expected = state.SourceIndexMap;
        const long unmatched = referenceInitPicturePal(state.SourcePal, picture, expected);

        InitPicturePal(state, picture);
        for (int x = 0; x < 11; ++x)
            for (int y = 0; y < 7; ++y)
                ASSERT_EQ(state.SourceIndexMap.at(x, y), expected.at(x, y)) << "seed " << seed << " at " << x << ", " << y;
        EXPECT_EQ(state.unmatchedPixels, unmatched) << "seed " << seed;
    }
    // So that the test cannot quietly stop meeting repeated colours, kept elements and unreadable pixels.
    EXPECT_GT(repeatedColourPixels, 1000);
    EXPECT_GT(keptPixels, 100);
    EXPECT_GT(unreadablePixels, 100);
}

}  // namespace palshift
