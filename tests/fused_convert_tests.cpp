#include "convert/fused_convert.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <tuple>

namespace palshift {

// The one pass leaves what "Load Pals", "New Pal" and "Draw Pic" leave: both maps over an earlier
// run's elements (which unmatched pixels keep), the distance tables, the unmatched count, the painting
// and the status texts; for every picture form, and refusing maps a column short alike.
TEST(FusedConvert, LeavesWhatTheThreeStepsLeave)
{
    QTemporaryDir dir;
    const PaletteFiles files{dir.filePath("diablo.pal"), dir.filePath("diablo2.pal")};
    std::mt19937 random(3);
    const Palette source = test::coarsePalette(random, 60), target = test::coarsePalette(random, 15);
    test::writeBytes(files.source, test::paletteBytes(source));
    test::writeBytes(files.target, test::paletteBytes(target));
    std::uniform_int_distribution<int> entry(0, 255);
    QImage indexed(9, 6, QImage::Format_Indexed8);  // source colours, others, indices past the table
    QList<QRgb> table;
    for (int i = 0; i < 250; ++i) {
        const Rgb& colour = source[std::size_t(i % 5 ? entry(random) : 0)];
        table.push_back(i % 7 ? qRgba(colour.red, colour.green, colour.blue, i % 2 * 255) : qRgb(1, 2, i));
    }
    indexed.setColorTable(table);
    for (int k = 0; k < 54; ++k)
        indexed.scanLine(k / 9)[k % 9] = std::uint8_t(entry(random));
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Indexed8})
        for (const int columns : {9, 8}) {
            struct { ConversionState state; ImageSurface picture1, picture2; test::RecordingStatusLine status; } steps, fused;
            for (auto* window : {&steps, &fused}) {
                window->picture1.setPicture(indexed.convertToFormat(format));
                window->picture2.resize(9, 6);
                window->state.SourceIndexMap.redim(columns - 1, 5);
                window->state.TargetIndexMap.redim(columns - 1, 5);
                for (int k = 0; k < columns * 6; ++k)
                    window->state.SourceIndexMap.set(k % columns, k / columns, std::int16_t(k % 200 + 1));
            }
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
            const std::string what = "format " + std::to_string(format) + ", " + std::to_string(columns) + " columns";
            EXPECT_EQ(fusedError, stepsError) << what;
            EXPECT_EQ(stepsError.empty(), columns == 9) << what;
            for (int y = 0; y < 6; ++y)
                EXPECT_TRUE(std::ranges::equal(steps.state.SourceIndexMap.row(y), fused.state.SourceIndexMap.row(y))
                            && std::ranges::equal(steps.state.TargetIndexMap.row(y), fused.state.TargetIndexMap.row(y))) << what << " row " << y;
            EXPECT_TRUE(std::tie(steps.state.TotalDist, steps.state.RedDist, steps.state.unmatchedPixels, steps.state.PalCounter)
                        == std::tie(fused.state.TotalDist, fused.state.RedDist, fused.state.unmatchedPixels, fused.state.PalCounter)) << what;
            EXPECT_TRUE(fused.picture2.image() == steps.picture2.image()) << what;
            EXPECT_EQ(fused.status.texts, steps.status.texts) << what;
        }
}

}  // namespace palshift
