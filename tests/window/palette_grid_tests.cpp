#include "app/palette_grid.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace palshift::test {
namespace {

// Entry n is (n, 255 - n, n / 2), so that every swatch has its own colour.
Palette ramp()
{
    Palette colours{};
    for (int entry = 0; entry < 256; ++entry)
        colours[entry] = {std::uint8_t(entry), std::uint8_t(255 - entry), std::uint8_t(entry / 2)};
    return colours;
}

QRgb at(const QImage& image, QPoint point) { return image.pixel(point); }

// 16 x 16 swatches, row by row from the top left, each painted in its entry's colour; the point
// lookup finds the same entry as the swatch painted there, and none in the gaps or outside.
TEST(PaletteGrid, PaintsEachEntryInItsSwatch)
{
    PaletteGrid grid;
    grid.resize(16 * 10, 16 * 10 + 7);
    grid.setColours(ramp());
    const QImage image = grid.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), grid.size());

    EXPECT_EQ(grid.swatchRect(17), QRect(10, 10, 9, 9));
    for (int entry = 0; entry < 256; ++entry) {
        const QRect swatch = grid.swatchRect(entry);
        const Rgb colour = ramp()[entry];
        for (const QPoint point : {swatch.topLeft(), swatch.center(), swatch.bottomRight()}) {
            EXPECT_EQ(at(image, point), qRgb(colour.red, colour.green, colour.blue)) << "entry " << entry;
            EXPECT_EQ(grid.entryAt(point), entry);
        }
    }
    for (const QPoint point : {QPoint(9, 0), QPoint(0, 9), QPoint(0, 160), QPoint(-1, 0), QPoint(160, 5)})
        EXPECT_EQ(grid.entryAt(point), PaletteGrid::noEntry) << point.x() << "," << point.y();
}

// Marks and the highlight are drawn over the swatch, in ink that shows on it; entries outside the
// palette are refused.
TEST(PaletteGrid, MarksAndHighlightShowOnTheirSwatch)
{
    PaletteGrid grid;
    grid.resize(160, 160);
    Palette colours{};
    colours[1] = {255, 255, 255};
    grid.setColours(colours);
    grid.setMark(0, PaletteGrid::Used);
    grid.setMark(1, PaletteGrid::Used | PaletteGrid::Flagged);
    grid.setHighlighted(2);
    const QImage image = grid.grab().toImage().convertToFormat(QImage::Format_RGB32);

    EXPECT_EQ(at(image, grid.swatchRect(0).center()), qRgb(255, 255, 255));  // a light dot on black
    EXPECT_EQ(at(image, grid.swatchRect(0).topLeft()), qRgb(0, 0, 0));
    EXPECT_EQ(at(image, grid.swatchRect(0).topRight() + QPoint(-1, 1)), qRgb(0, 0, 0));  // no corner
    // Both marks at once on white: a dark dot, and a red corner that leaves the rest white.
    EXPECT_EQ(at(image, grid.swatchRect(1).center()), qRgb(0, 0, 0));
    EXPECT_EQ(at(image, grid.swatchRect(1).topRight() + QPoint(-1, 1)), qRgb(255, 0, 0));
    EXPECT_EQ(at(image, grid.swatchRect(1).topLeft() + QPoint(1, 1)), qRgb(255, 255, 255));
    EXPECT_EQ(at(image, grid.swatchRect(2).topLeft() + QPoint(4, 0)), qRgb(255, 255, 255));
    EXPECT_EQ(at(image, grid.swatchRect(3).topLeft() + QPoint(4, 0)), qRgb(0, 0, 0));
    EXPECT_THROW(grid.setMark(256, PaletteGrid::Mark::Used), std::out_of_range);
    EXPECT_THROW(grid.mark(-1), std::out_of_range);
}

}  // namespace
}  // namespace palshift::test
