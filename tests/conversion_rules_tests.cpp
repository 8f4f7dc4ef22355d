#include "convert/conversion_rules.h"
#include "convert/nearest_colour.h"
#include "convert/rule_steps.h"
#include "convert/source_index_map.h"
#include "pictures/image_surface.h"
#include "test_support.h"

#include <QImage>

namespace palshift {

namespace {

// Source: entry k is grey k. Target: far magenta but for black at 0 and a few near greys.
Palette fewGreys()
{
    Palette palette;
    palette.fill({255, 0, 255});
    palette[0] = {0, 0, 0};
    palette[2] = {10, 10, 10};
    palette[6] = {10, 10, 13};
    palette[9] = {100, 100, 100};
    return palette;
}

using test::grey;

// 4 x 2: greys 10, 0, 100 and 100 at alphas 127 and 128, off-palette colours #5A5F63 and #010203.
QImage rulesPicture()
{
    QImage picture(4, 2, QImage::Format_ARGB32);
    const QRgb pixels[2][4] = {{grey(10), grey(0), qRgb(90, 95, 99), grey(100)},
                               {grey(100, 127), grey(100, 128), qRgb(90, 95, 99), qRgb(1, 2, 3)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            picture.setPixel(x, y, pixels[y][x]);
    return picture;
}

// The target entries that "New Pal" gives each pixel under rules, and the pixels of no source colour.
std::pair<std::vector<std::uint8_t>, std::int64_t> convertedAndUnmatched(const QImage& picture, const ConversionRules& rules)
{
    ConversionState state;
    state.SourcePal = test::greyPalette();
    state.TargetPal = fewGreys();
    const ImageSurface surface(picture);
    dimensionIndexMaps(state, surface);
    test::RecordingStatusLine status;
    newPalUnderRules(state, surface, status, rules);
    std::vector<std::uint8_t> indices;
    for (std::int32_t y = 0; y < state.TargetIndexMap.height(); ++y)
        indices.insert(indices.end(), state.TargetIndexMap.row(y).begin(), state.TargetIndexMap.row(y).end());
    return {indices, state.unmatchedPixels};
}

std::vector<std::uint8_t> converted(const QImage& picture, const ConversionRules& rules)
{
    return convertedAndUnmatched(picture, rules).first;
}

using Indices = std::vector<std::uint8_t>;

}  // namespace

TEST(ConversionRules, TransparencyAndOffPaletteColours)
{
    const QImage picture = rulesPicture();
    EXPECT_EQ(converted(picture, {}), (Indices{2, 0, 0, 9, 9, 9, 0, 0}));  // alpha ignored
    EXPECT_EQ(convertedAndUnmatched(picture, {}).second, 3);
    // Below alpha 128 transparent; grey 10 skips entry 2 for the next nearest, 6.
    EXPECT_EQ(converted(picture, {UnmatchedRule::Zero, 2}), (Indices{6, 0, 0, 9, 2, 9, 0, 0}));
    // Off-palette pixels as source entry 0, whose nearest other than 0 is 2.
    EXPECT_EQ(converted(picture, {UnmatchedRule::Zero, 0}), (Indices{2, 2, 2, 9, 0, 9, 2, 2}));
    EXPECT_EQ(converted(picture, {UnmatchedRule::Nearest, {}}), (Indices{2, 0, 9, 9, 9, 9, 9, 0}));
    EXPECT_EQ(converted(picture, {UnmatchedRule::Nearest, 0}), (Indices{2, 2, 9, 9, 0, 9, 9, 2}));
    const auto refusal = [](const QImage& refused, const ConversionRules& rules) -> std::string {
        try {
            converted(refused, rules);
        } catch (const UnmatchedColoursError& error) {
            return error.what();
        }
        return "(accepted)";
    };
    EXPECT_EQ(refusal(picture, {UnmatchedRule::Fail, {}}), "3 pixels match no colour of the source palette; the first is at (2, 0): #5A5F63");

    // A transparent pixel is not looked up, so its colour can neither fail the picture nor be named.
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(1, 2, 3, 0), qRgb(7, 8, 9)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    EXPECT_EQ(converted(indexed.copy(0, 0, 1, 1), {UnmatchedRule::Fail, 5}), Indices{5});
    EXPECT_EQ(refusal(indexed, {UnmatchedRule::Fail, 5}), "1 pixel matches no colour of the source palette; the first is at (1, 0): #070809");
}

}  // namespace palshift
