#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace palshift {

// The window's buttons in order over one shared state: "Draw Pic" paints while Picture2 is hidden.
TEST(ConversionState, CommandsShareTheStateInTheWindowsOrder)
{
    QTemporaryDir dir;
    const PaletteFiles files{dir.filePath("diablo.pal"), dir.filePath("diablo2.pal")};
    Palette source{}, target{};
    source[1] = {200, 10, 10};
    source[2] = {10, 200, 10};
    target.fill({255, 255, 255});
    target[7] = {190, 0, 1};
    target[9] = {0, 190, 0};
    test::writeBytes(files.source, test::paletteBytes(source));
    test::writeBytes(files.target, test::paletteBytes(target));

    test::MemorySurface picture1(2, 1), picture2(2, 1);
    picture1.pixel(0, 0) = colourValue(source[1]);
    picture1.pixel(1, 0) = colourValue(source[2]);
    ConversionState state;
    InitBmpHeader(state.BmpFileHeader);
    state.SaveFileName = dir.filePath("out.bmp");
    test::RecordingStatusLine status;

    dimensionIndexMaps(state, picture1);
    loadPals(state, picture1, status, files);
    EXPECT_EQ(state.PalCounter, 256);
    newPal(state, picture1, status);
    EXPECT_EQ(state.TargetIndexMap.at(0, 0), 7);
    EXPECT_EQ(state.TargetIndexMap.at(1, 0), 9);
    drawPic(state, picture1, picture2, status);
    EXPECT_EQ(picture2.pixel(0, 0), 190 + 65536);
    EXPECT_EQ(picture2.pixel(1, 0), 190 * 256);
    EXPECT_EQ(picture2.rowsPaintedWhileShown, 0);
    EXPECT_TRUE(picture2.visible());
    EXPECT_EQ(state.PalCounter, 256);
    savePicture(state, picture2, status);
    EXPECT_EQ(state.PalCounter, 768);
    EXPECT_EQ(test::readBytes(state.SaveFileName).mid(1078), QByteArray::fromHex("07090000"));
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Loading Diablo 1 Pal", "Loading Diablo 2 Pal",
                                                      "Intializing Picture Pal", "Ready...", "Creating Pal...",
                                                      "Ready...", "Drawing Pic...", "Ready...", "Saving...",
                                                      "Ready..."}));
}

}  // namespace palshift
