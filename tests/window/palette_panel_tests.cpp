#include "tests/window/window_fixture.h"

#include "app/palette_panel.h"
#include "app/palette_grid.h"

#include <QSpinBox>

namespace palshift::test {
namespace {

// The entries of grid that carry mark.
QList<int> withMark(const PaletteGrid* grid, PaletteGrid::Mark mark)
{
    QList<int> entries;
    for (int entry = 0; entry < 256; ++entry)
        if (grid->mark(entry) & mark)
            entries << entry;
    return entries;
}

// The test picture (red, green, blue over black, (1, 2, 3), red) with the panel open.
class Palettes : public WindowTest {
protected:
    Palettes()
    {
        open(writePicture("test.png", testPicture()));
        window->mnuViewPalettes->trigger();
    }

    PalettePanel* panel() const { return window->palettePanel(); }
    QList<int> used(const PaletteGrid* grid) const
    {
        settle();
        return withMark(grid, PaletteGrid::Used);
    }
    void click(PaletteGrid* grid, int entry) { QTest::mouseClick(grid, Qt::LeftButton, {}, grid->swatchRect(entry).topLeft() + QPoint(2, 2)); }
};

TEST_F(Palettes, ShowBothPalettesAndMarkTheEntriesThePictureUses)
{
    EXPECT_EQ(panel()->info(), "The palettes show once Load Pals has read them.");
    window->Command1->click();
    EXPECT_EQ(used(panel()->sourceGrid()), QList<int>({0, 1, 2, 3}));  // (1, 2, 3) has none
    EXPECT_EQ(used(panel()->targetGrid()), QList<int>());
    window->Command2->click();
    EXPECT_EQ(used(panel()->targetGrid()), QList<int>({4, 7, 9, 11}));
    EXPECT_EQ(panel()->targetGrid()->grab().toImage().pixelColor(panel()->targetGrid()->swatchRect(9).topLeft()), QColor(10, 250, 10));
    open(writePicture("same.png", testPicture()));
    EXPECT_EQ(withMark(panel()->sourceGrid(), PaletteGrid::Used), QList<int>());  // not the last picture's
    window->mbuConvert->trigger();

    // Closed by its own window's means, the panel unchecks its menu item; opened again, it shows
    // what changed meanwhile.
    panel()->close();
    EXPECT_FALSE(window->mnuViewPalettes->isChecked());
    open(writePicture("other.png", testPicture().mirrored(true, false)));
    window->mnuViewPalettes->trigger();
    EXPECT_EQ(used(panel()->sourceGrid()), QList<int>());
}

// A click on an entry marks its pixels in both pictures; a second click, or one on another entry,
// lets go.
TEST_F(Palettes, ClickingAnEntryMarksItsPixels)
{
    window->mbuConvert->trigger();
    click(panel()->sourceGrid(), 1);
    EXPECT_EQ(marks(), QList<int>({2, 0, 0, 0, 0, 2}));
    EXPECT_EQ(panel()->targetGrid()->highlighted(), 7);  // its match
    click(panel()->targetGrid(), 4);  // black and (1, 2, 3) both became entry 4
    EXPECT_TRUE(window->Picture1->marks().isNull());  // entry 1's, until entry 4's are worked out
    EXPECT_EQ(marks(), QList<int>({0, 0, 0, 2, 2, 0}));
    click(panel()->targetGrid(), 4);
    EXPECT_EQ(marks(), QList<int>(6, 0));
}

// The marks of an entry go with the panel, with the picture they were chosen on, and with Esc in
// either window.
TEST_F(Palettes, EntryMarksAreLetGo)
{
    const QList<int> none(6, 0);
    window->mbuConvert->trigger();
    const auto choose = [&] {
        click(panel()->sourceGrid(), 1);
        EXPECT_NE(marks(), none);
    };
    choose();
    panel()->close();
    EXPECT_EQ(marks(), none);
    window->mnuViewPalettes->trigger();
    choose();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(marks(), none);
    EXPECT_EQ(panel()->sourceGrid()->highlighted(), PaletteGrid::noEntry);
    choose();
    QTest::keyClick(panel(), Qt::Key_Escape);
    EXPECT_EQ(marks(), none);
    choose();
    open(writePicture("other.png", testPicture()));
    window->mbuConvert->trigger();
    EXPECT_EQ(marks(), none);
}

// Entries whose nearest Diablo 2 colour is farther than the distance set are flagged; the distance
// is kept for the next run.
TEST_F(Palettes, FarMatchesAreFlaggedOverTheDistanceSet)
{
    auto* const distance = panel()->findChild<QSpinBox*>();
    EXPECT_EQ(distance->value(), 48);
    window->Command1->click();
    distance->setValue(24);  // red, green and blue lie 25 away, black 15
    EXPECT_EQ(withMark(panel()->sourceGrid(), PaletteGrid::Flagged), QList<int>({1, 2, 3}));
    distance->setValue(25);
    EXPECT_EQ(withMark(panel()->sourceGrid(), PaletteGrid::Flagged), QList<int>());
    EXPECT_EQ(Form1(folder.path()).palettePanel()->farMatch(), 25);
    distance->setValue(48);
}

}  // namespace
}  // namespace palshift::test
