#include "convert/nearest_colour.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace palshift {

static int distance(const Rgb& a, const Rgb& b)
{
    return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
}

// The remap pixel by pixel, column by column: all 256 distances, then the first entry at the minimum.
static void referenceCreateNewPal(ConversionState& s, const PictureSurface& picture1)
{
    for (std::int32_t x = 0; x <= static_cast<std::int32_t>(picture1.width()) - 1; ++x) {
        for (std::int32_t y = 0; y <= static_cast<std::int32_t>(picture1.height()) - 1; ++y) {
            std::int16_t minimum = 30000;
            for (std::size_t m = 0; m <= 255; ++m) {
                const Rgb& source = s.SourcePal.at(static_cast<std::size_t>(s.SourceIndexMap.at(x, y)));
                const Rgb& target = s.TargetPal[m];
                s.RedDist[m] = static_cast<std::int16_t>(std::abs(source.red - target.red));
                s.GreenDist[m] = static_cast<std::int16_t>(std::abs(source.green - target.green));
                s.BlueDist[m] = static_cast<std::int16_t>(std::abs(source.blue - target.blue));
                s.TotalDist[m] = static_cast<std::int16_t>(s.RedDist[m] + s.GreenDist[m] + s.BlueDist[m]);
                if (s.TotalDist[m] < minimum)
                    minimum = s.TotalDist[m];
            }
            std::int16_t m = 0;
            while (s.TotalDist[static_cast<std::size_t>(m)] != minimum)
                ++m;
            s.TargetIndexMap.set(x, y, m);
        }
    }
}

TEST(CreateNewPal, MatchesTheTwoScansPerPixelOnRandomPalettes)
{
    long tiesOfDistinctColours = 0, tiesOfRepeatedColours = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        ConversionState state;
        state.SourcePal = test::paletteFrom(random, test::coarseColours(random, 40));
        state.TargetPal = test::paletteFrom(random, test::coarseColours(random, 6));
        state.SourceIndexMap.redim(8, 5);
        state.TargetIndexMap.redim(8, 5);
        std::uniform_int_distribution<int> entry(0, 255);
        for (int x = 0; x < 9; ++x) {
            for (int y = 0; y < 6; ++y) {
                state.SourceIndexMap.set(x, y, static_cast<std::int16_t>(entry(random)));
                state.TargetIndexMap.set(x, y, static_cast<std::int16_t>(entry(random)));
                // Count the ties this pixel meets, so that the test cannot quietly stop meeting them.
                const Rgb& source = state.SourcePal[static_cast<std::size_t>(state.SourceIndexMap.at(x, y))];
                int minimum = 30000, atMinimum = 0;
                std::set<ColourValue> nearest;
                for (const Rgb& target : state.TargetPal)
                    minimum = std::min(minimum, distance(source, target));
                for (const Rgb& target : state.TargetPal) {
                    if (distance(source, target) == minimum) {
                        ++atMinimum;
                        nearest.insert(colourValue(target));
                    }
                }
                tiesOfDistinctColours += nearest.size() > 1;
                tiesOfRepeatedColours += atMinimum > static_cast<int>(nearest.size());
            }
        }
        state.RedDist.fill(-5);
        ConversionState expected = state;
        const test::MemorySurface picture(9, 6);
        referenceCreateNewPal(expected, picture);

        CreateNewPal(state, picture);
        for (int x = 0; x < 9; ++x)
            for (int y = 0; y < 6; ++y)
                ASSERT_EQ(state.TargetIndexMap.at(x, y), expected.TargetIndexMap.at(x, y)) << "seed " << seed;
        EXPECT_EQ(state.RedDist, expected.RedDist) << "seed " << seed;
        EXPECT_EQ(state.GreenDist, expected.GreenDist) << "seed " << seed;
        EXPECT_EQ(state.BlueDist, expected.BlueDist) << "seed " << seed;
        EXPECT_EQ(state.TotalDist, expected.TotalDist) << "seed " << seed;
    }
    EXPECT_GT(tiesOfDistinctColours, 100);
    EXPECT_GT(tiesOfRepeatedColours, 100);
}

// Both sums are 12: the lower entry wins, whichever channels make up its distance.
TEST(CreateNewPal, LowerEntryWinsATie)
{
    for (bool blueFirst : {true, false}) {
        ConversionState state;
        state.SourcePal[0] = {100, 100, 100};
        state.TargetPal.fill({255, 0, 255});
        state.TargetPal[5] = blueFirst ? Rgb{100, 100, 112} : Rgb{104, 104, 104};
        state.TargetPal[9] = blueFirst ? Rgb{104, 104, 104} : Rgb{100, 100, 112};
        state.SourceIndexMap.redim(1, 0);
        state.TargetIndexMap.redim(1, 0);
        CreateNewPal(state, test::MemorySurface(2, 1));
        EXPECT_EQ(state.TargetIndexMap.at(0, 0), 5);
        EXPECT_EQ(state.TargetIndexMap.at(1, 0), 5);
    }
}

}  // namespace palshift
