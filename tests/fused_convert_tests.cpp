#include "convert/fused_convert.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <tuple>

namespace palshift {

namespace {

struct Window {
    ConversionState state;
    ImageSurface picture1, picture2;
    test::RecordingStatusLine status;
};

// Pixels of source colours, of other colours, and table entries past the table; alpha 0 in column 0.
QImage testPicture(std::mt19937& random, const Palette& source, QImage::Format format)
{
    std::uniform_int_distribution<int> entry(0, 255), percent(0, 99);
    QImage picture(9, 6, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 250; ++i) {
        const Rgb& colour = source[std::size_t(entry(random))];
        table.push_back(percent(random) < 85 ? qRgba(colour.red, colour.green, colour.blue, i % 2 * 255) : qRgb(1, 2, i));
    }
    picture.setColorTable(table);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x)
            picture.scanLine(y)[x] = std::uint8_t(entry(random));
    return picture.convertToFormat(format);
}

}  // namespace

// The one pass leaves everything as "Load Pals", "New Pal" and "Draw Pic" leave it: both maps (over
// an earlier run's elements), the distance tables, the count of unmatched pixels, the painting over
// an earlier result, the status texts. Every picture form, and maps of the wrong size.
TEST(FusedConvert, LeavesWhatTheThreeStepsLeave)
{
    QTemporaryDir dir;
    const PaletteFiles files{dir.filePath("diablo.pal"), dir.filePath("diablo2.pal")};
    std::mt19937 random(3);
    const Palette source = test::coarsePalette(random, 60), target = test::coarsePalette(random, 15);
    test::writeBytes(files.source, test::paletteBytes(source));
    test::writeBytes(files.target, test::paletteBytes(target));
    int failedCases = 0;
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Indexed8})
        for (const int mapSide : {0, 1, 2}) {  // 1: maps a column short, as after a picture outgrew them; 2: Picture2 a row short
            const QImage picture = testPicture(random, source, format);
            Window steps, fused;
            std::uniform_int_distribution<int> entry(0, 255);
            const std::vector<ColourValue> painted(9, 0x123456);
            for (Window* window : {&steps, &fused}) {
                window->picture1.setPicture(picture);
                window->picture2.resize(9, mapSide == 2 ? 5 : 6);
                for (int y = 0; y < 6; ++y)
                    window->picture2.paintRow(y, painted);  // rows past it are passed over
                window->state.SourceIndexMap.redim(mapSide == 1 ? 7 : 8, 5);
                window->state.TargetIndexMap.redim(mapSide == 1 ? 7 : 8, 5);
            }
            for (int k = 0; k < (mapSide == 1 ? 48 : 54); ++k) {
                const auto kept = std::int16_t(entry(random));
                steps.state.SourceIndexMap.set(k % (mapSide == 1 ? 8 : 9), k / (mapSide == 1 ? 8 : 9), kept);
                fused.state.SourceIndexMap.set(k % (mapSide == 1 ? 8 : 9), k / (mapSide == 1 ? 8 : 9), kept);
            }
            const std::string what = "format " + std::to_string(format) + " map side " + std::to_string(mapSide);
            std::string stepsError, fusedError;
            try {
                loadPals(steps.state, steps.picture1, steps.status, files);
                newPal(steps.state, steps.picture1, steps.status);
                drawPic(steps.state, steps.picture1, steps.picture2, steps.status);
            } catch (const std::out_of_range& error) {
                stepsError = error.what();
            }
            try {
                convertInOnePass(fused.state, fused.picture1, fused.picture2, fused.status, files);
            } catch (const std::out_of_range& error) {
                fusedError = error.what();
            }
            EXPECT_EQ(fusedError, stepsError) << what;
            EXPECT_TRUE(steps.state.SourceIndexMap.width() == fused.state.SourceIndexMap.width()) << what;
            for (int y = 0; y < 6; ++y)
                EXPECT_TRUE(std::ranges::equal(steps.state.SourceIndexMap.row(y), fused.state.SourceIndexMap.row(y))
                            && std::ranges::equal(steps.state.TargetIndexMap.row(y), fused.state.TargetIndexMap.row(y))) << what << " row " << y;
            EXPECT_TRUE(std::tie(steps.state.TotalDist, steps.state.RedDist, steps.state.unmatchedPixels, steps.state.PalCounter)
                        == std::tie(fused.state.TotalDist, fused.state.RedDist, fused.state.unmatchedPixels, fused.state.PalCounter)) << what;
            EXPECT_TRUE(fused.picture2.image() == steps.picture2.image() && fused.picture2.isVisible()) << what;
            EXPECT_EQ(fused.status.texts, steps.status.texts) << what;
            failedCases += !stepsError.empty();
        }
    EXPECT_EQ(failedCases, 3);  // the pictures that outgrew the maps
}

}  // namespace palshift
