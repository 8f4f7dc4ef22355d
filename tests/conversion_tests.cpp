#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "convert/colour_split.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "convert/source_index_map.h"
#include "platform/file_error.h"
#include "test_support.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <tuple>

namespace palshift {

// The split goes through seven-decimal text; every colour value must still come back as its bytes,
// and an unreadable pixel (-1) as red -1 alone, which no palette entry has.
TEST(ConvertBack256, GivesTheThreeBytesOfEveryColourValue)
{
    long wrong = 0, firstWrong = -1;
    for (long value = 0; value <= 0xFFFFFF; ++value) {
        double red = -9, green = -9, blue = -9;
        ConvertBack256(static_cast<double>(value), red, green, blue);
        if (red != (value & 0xFF) || green != (value >> 8 & 0xFF) || blue != value >> 16)
            firstWrong = wrong++ ? firstWrong : value;
    }
    EXPECT_EQ(wrong, 0) << "first wrong colour value: " << firstWrong;
    double red = 7, green = 7, blue = 7;
    ConvertBack256(-1.0, red, green, blue);
    EXPECT_EQ(std::vector({red, green, blue}), std::vector({-1.0, 0.0, 0.0}));
    EXPECT_THROW(ConvertBack256(4294967296.0, red, green, blue), std::overflow_error);
}

// What the random cases meet, counted so that they cannot quietly stop meeting it.
struct Met { long repeatedColours = 0, keptElements = 0, unreadable = 0, distinctTies = 0, repeatTies = 0; };

// "Load Pals" and "New Pal" pixel by pixel, column by column: GetPixel, ConvertBack256 and a search of
// SourcePal from entry 0; then all 256 distances and the first entry at their minimum. Gives the
// number of pixels left unmatched.
static long referenceConversion(ConversionState& s, const PictureSurface& picture1, Met& met)
{
    long unmatched = 0;
    for (std::int32_t x = 0; x <= static_cast<std::int32_t>(picture1.width()) - 1; ++x) {
        for (std::int32_t y = 0; y <= static_cast<std::int32_t>(picture1.height()) - 1; ++y) {
            std::vector<ColourValue> row(static_cast<std::size_t>(x) + 1);
            picture1.readRow(y, row);
            double red = 0, green = 0, blue = 0;
            ConvertBack256(row.back(), red, green, blue);
            std::int16_t k = 0;
            while (k <= 255 && !(red == s.SourcePal[k].red && green == s.SourcePal[k].green && blue == s.SourcePal[k].blue))
                ++k;
            if (k <= 255)
                s.SourceIndexMap.set(x, y, k);
            unmatched += k > 255;
            met.repeatedColours += k <= 255 && std::count(s.SourcePal.begin() + k + 1, s.SourcePal.end(), s.SourcePal[k]);
            met.keptElements += k > 255 && s.SourceIndexMap.at(x, y) != 0;
            met.unreadable += row.back() == -1;

            std::int16_t minimum = 30000;
            for (std::size_t m = 0; m <= 255; ++m) {
                const Rgb &source = s.SourcePal.at(static_cast<std::size_t>(s.SourceIndexMap.at(x, y))), &target = s.TargetPal[m];
                s.TotalDist[m] = static_cast<std::int16_t>((s.RedDist[m] = std::abs(source.red - target.red))
                                                           + (s.GreenDist[m] = std::abs(source.green - target.green))
                                                           + (s.BlueDist[m] = std::abs(source.blue - target.blue)));
                minimum = std::min(minimum, s.TotalDist[m]);
            }
            std::size_t m = 0;
            while (s.TotalDist[m] != minimum)
                ++m;
            s.TargetIndexMap.set(x, y, static_cast<std::int16_t>(m));
            for (std::size_t e = m + 1; e <= 255; ++e)  // a higher entry as near: a repeat, or a distinct colour
                (s.TargetPal[e] == s.TargetPal[m] ? met.repeatTies : met.distinctTies) += s.TotalDist[e] == minimum;
        }
    }
    return unmatched;
}

// Pixels of palette colours (mostly repeated ones), of other colours and unreadable ones, over maps
// holding an earlier run's entries; target colours at equal distances, and repeated. This also covers
// the colour lookup the identification uses, and that the distance tables end holding the last pixel's.
TEST(Conversion, MatchesThePixelByPixelLoopsOnRandomPalettes)
{
    Met met;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        ConversionState state;
        state.SourcePal = test::coarsePalette(random, 12);
        state.TargetPal = test::coarsePalette(random, 6);
        const Palette others = test::coarsePalette(random, 20);  // some in no SourcePal entry
        test::MemorySurface picture(11, 7);
        dimensionIndexMaps(state, picture);
        std::uniform_int_distribution<std::size_t> percent(0, 99), entry(0, 255);
        for (std::size_t k = 0; k < picture.pixels.size(); ++k) {
            const std::size_t kind = percent(random);
            picture.pixels[k] = kind < 70 ? colourValue(state.SourcePal[entry(random)]) : kind < 90 ? colourValue(others[entry(random)]) : -1;
            state.SourceIndexMap.set(int(k % 11), int(k / 11), static_cast<std::int16_t>(entry(random)));
        }
        ConversionState expected = state;
        const long unmatched = referenceConversion(expected, picture, met);

        InitPicturePal(state, picture);
        CreateNewPal(state, picture);
        for (int y = 0; y < 7; ++y)
            ASSERT_TRUE(std::ranges::equal(state.SourceIndexMap.row(y), expected.SourceIndexMap.row(y))
                        && std::ranges::equal(state.TargetIndexMap.row(y), expected.TargetIndexMap.row(y))) << "seed " << seed << " row " << y;
        EXPECT_EQ(state.unmatchedPixels, unmatched) << "seed " << seed;
        EXPECT_TRUE(std::tie(state.RedDist, state.GreenDist, state.BlueDist, state.TotalDist)
                    == std::tie(expected.RedDist, expected.GreenDist, expected.BlueDist, expected.TotalDist)) << "seed " << seed;
    }
    EXPECT_GT(std::min({met.repeatedColours, met.keptElements, met.unreadable, met.distinctTies, met.repeatTies}), 100);
}

// The window's buttons in order over one shared state. Qt's own BMP reader sees the result the right
// way up in the target colours.
TEST(ConversionState, CommandsShareTheStateInButtonOrder)
{
    QTemporaryDir dir;
    const PaletteFiles files{dir.filePath("diablo.pal"), dir.filePath("diablo2.pal")};
    Palette source{}, target{};
    source[1] = {200, 10, 10};
    source[2] = {10, 200, 10};
    target[7] = {190, 0, 1};
    target[9] = {0, 190, 0};
    test::writeBytes(files.source, test::paletteBytes(source));
    test::MemorySurface picture1(2, 2), picture2(2, 2);
    picture1.pixels = {colourValue(source[1]), colourValue(source[2]), colourValue(source[2]), colourValue(source[2])};
    ConversionState state;
    InitBmpHeader(state.BmpFileHeader);
    state.SaveFileName = dir.filePath("out.bmp");
    test::RecordingStatusLine status;
    test::writeBytes(files.target, test::paletteBytes(target));
    dimensionIndexMaps(state, picture1);
    loadPals(state, picture1, status, files);
    EXPECT_EQ(state.PalCounter, 256);
    newPal(state, picture1, status);
    drawPic(state, picture1, picture2, status);
    EXPECT_EQ(picture2.pixels, (std::vector<ColourValue>{190 + 65536, 190 * 256, 190 * 256, 190 * 256}));
    EXPECT_EQ(state.PalCounter, 256);
    savePicture(state, picture2, status);
    EXPECT_EQ(state.PalCounter, 768);
    EXPECT_EQ(test::readBytes(state.SaveFileName).mid(1078), QByteArray::fromHex("09090000 07090000"));
    const QImage saved(state.SaveFileName, "BMP");
    EXPECT_EQ(std::pair(saved.pixel(0, 0), saved.pixel(0, 1)), std::pair(qRgb(190, 0, 1), qRgb(0, 190, 0)));
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Loading Diablo 1 Pal", "Loading Diablo 2 Pal", "Intializing Picture Pal",
                                                      "Ready...", "Creating Pal...", "Ready...", "Drawing Pic...",
                                                      "Ready...", "Saving...", "Ready..."}));
}

}  // namespace palshift
