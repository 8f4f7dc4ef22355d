#include "tests/window/window_fixture.h"

#include "app/palette_panel.h"
#include "app/pixel_marks.h"
#include "app/palette_grid.h"

#include <QSpinBox>

namespace palshift::test {
namespace {

std::bitset<256> entries(std::initializer_list<int> set)
{
    std::bitset<256> bits;
    for (const int entry : set)
        bits.set(static_cast<std::size_t>(entry));
    return bits;
}

// The entries of grid that carry mark.
std::bitset<256> marked(const PaletteGrid* grid, PaletteGrid::Mark mark)
{
    std::bitset<256> bits;
    for (int entry = 0; entry < 256; ++entry)
        bits.set(static_cast<std::size_t>(entry), (grid->mark(entry) & mark) != 0);
    return bits;
}
std::bitset<256> flagged(const PaletteGrid* grid) { return marked(grid, PaletteGrid::Flagged); }

// The test picture (red, green, blue over black, (1, 2, 3), red) with the panel open.
class Palettes : public WindowTest {
protected:
    Palettes()
    {
        open(writePicture("test.png", testPicture()));
        window->mnuViewPalettes->trigger();
    }

    PalettePanel* panel() const { return window->palettePanel(); }
    std::bitset<256> used(const PaletteGrid* grid) const
    {
        settle();
        return palshift::test::marked(grid, PaletteGrid::Used);
    }
    void click(PaletteGrid* grid, int entry) { QTest::mouseClick(grid, Qt::LeftButton, {}, grid->swatchRect(entry).topLeft() + QPoint(2, 2)); }
    // Per pixel, row by row: whether the marks over both pictures (which must agree) show it.
    QList<bool> marked() const
    {
        settle();
        const QImage& marks = window->Picture1->marks();
        EXPECT_EQ(marks, window->Picture2->marks());
        QList<bool> shown;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                shown << (!marks.isNull() && marks.pixel(x, y) == entryMark);
        return shown;
    }
};

TEST_F(Palettes, ShowBothPalettesAndMarkTheEntriesThePictureUses)
{
    EXPECT_EQ(panel()->info(), "The palettes show once Load Pals has read them.");
    window->Command1->click();
    EXPECT_EQ(used(panel()->sourceGrid()), entries({0, 1, 2, 3}));  // (1, 2, 3) has none
    EXPECT_EQ(used(panel()->targetGrid()), entries({}));
    window->Command2->click();
    EXPECT_EQ(used(panel()->targetGrid()), entries({4, 7, 11, 9}));
    EXPECT_EQ(panel()->targetGrid()->grab().toImage().pixelColor(panel()->targetGrid()->swatchRect(9).topLeft()), QColor(10, 250, 10));
    open(writePicture("same.png", testPicture()));
    EXPECT_EQ(palshift::test::marked(panel()->sourceGrid(), PaletteGrid::Used), entries({}));  // not the last picture's
    window->mbuConvert->trigger();

    // Closed by its own window's means, the panel unchecks its menu item; opened again, it shows
    // what changed meanwhile.
    panel()->close();
    EXPECT_FALSE(window->mnuViewPalettes->isChecked());
    open(writePicture("other.png", testPicture().mirrored(true, false)));
    window->mnuViewPalettes->trigger();
    EXPECT_EQ(used(panel()->sourceGrid()), entries({}));
}

// A click on an entry marks its pixels in both pictures; a second click, or one on another entry,
// lets go.
TEST_F(Palettes, ClickingAnEntryMarksItsPixels)
{
    window->mbuConvert->trigger();
    click(panel()->sourceGrid(), 1);
    EXPECT_EQ(marked(), QList<bool>({true, false, false, false, false, true}));
    EXPECT_EQ(panel()->targetGrid()->highlighted(), 7);  // its match
    click(panel()->targetGrid(), 4);  // black and (1, 2, 3) both became entry 4
    EXPECT_TRUE(window->Picture1->marks().isNull());  // entry 1's, until entry 4's are worked out
    EXPECT_EQ(panel()->selectedSource(), std::nullopt);
    EXPECT_EQ(marked(), QList<bool>({false, false, false, true, true, false}));
    click(panel()->targetGrid(), 4);
    EXPECT_EQ(marked(), QList<bool>({false, false, false, false, false, false}));
}

// The marks of an entry go with the panel, with the picture they were chosen on, and with Esc in
// either window.
TEST_F(Palettes, EntryMarksAreLetGo)
{
    const QList<bool> none(6, false);
    window->mbuConvert->trigger();
    const auto choose = [this] {
        click(panel()->sourceGrid(), 1);
        EXPECT_NE(marked(), QList<bool>(6, false));
    };
    choose();
    panel()->close();
    EXPECT_EQ(marked(), none);
    window->mnuViewPalettes->trigger();
    EXPECT_EQ(panel()->selectedSource(), std::nullopt);
    choose();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(marked(), none);
    EXPECT_EQ(panel()->sourceGrid()->highlighted(), PaletteGrid::noEntry);
    choose();
    QTest::keyClick(panel(), Qt::Key_Escape);
    EXPECT_EQ(marked(), none);
    choose();
    open(writePicture("other.png", testPicture()));
    EXPECT_EQ(panel()->selectedSource(), std::nullopt);
    window->mbuConvert->trigger();
    EXPECT_EQ(marked(), none);
}

// Entries whose nearest Diablo 2 colour is farther than the distance set are flagged; the distance
// is kept for the next run.
TEST_F(Palettes, FarMatchesAreFlaggedOverTheDistanceSet)
{
    auto* const distance = panel()->findChild<QSpinBox*>();
    EXPECT_EQ(distance->value(), 48);
    window->Command1->click();
    distance->setValue(24);  // red, green and blue lie 25 away, black 15
    EXPECT_EQ(flagged(panel()->sourceGrid()), entries({1, 2, 3}));
    distance->setValue(25);
    EXPECT_EQ(flagged(panel()->sourceGrid()), entries({}));
    EXPECT_EQ(Form1(folder.path()).palettePanel()->farMatch(), 25);
    distance->setValue(48);
}

}  // namespace
}  // namespace palshift::test
