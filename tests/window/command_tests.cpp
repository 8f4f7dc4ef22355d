#include "tests/window/window_fixture.h"

#include <QFile>

#include <algorithm>

namespace palshift::test {
namespace {

const QStringList loadPals = {"Loading Diablo 1 Pal", "Loading Diablo 2 Pal", "Intializing Picture Pal", "Ready..."};
const QStringList newPalDrawPic = {"Creating Pal...", "Ready...", "Drawing Pic...", "Ready..."};
const QRgb red = qRgb(250, 10, 10), black = qRgb(5, 5, 5);

class WindowCommands : public WindowTest {
protected:
    void SetUp() override { open(writePicture("picture.png", testPicture())); }
};

TEST_F(WindowCommands, ButtonsShowTheirStepsAndPaintTheNearestColours)
{
    click(window->Command1);
    EXPECT_EQ(values(window->conversion().SourceIndexMap), QList<int>({1, 2, 3, 0, 0, 1}));
    click(window->Command2);
    click(window->Command3);
    EXPECT_EQ(shownColours(window->Picture2), QList<QRgb>({red, qRgb(10, 250, 10), qRgb(10, 10, 250), black, black, red}));
    dialog->saveAnswers.push_back(path("out"));
    click(window->Command4);
    EXPECT_EQ(statusTexts, loadPals + newPalDrawPic + QStringList({"Saving...", "Ready..."}));
    EXPECT_TRUE(messages->failures.isEmpty()) << messages->failures.join('\n').toStdString();
}

TEST_F(WindowCommands, ConvertRunsTheThreeStepsFromThePaletteFilesOn)
{
    window->mbuConvert->trigger();
    EXPECT_EQ(statusTexts, loadPals + newPalDrawPic);
    EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>({7, 9, 11, 4, 4, 7}));

    Palette target = targetPalette();  // red is now nearest to entry 12
    target[12] = {255, 0, 0};
    writePalette(path("diablo2.pal"), target);
    window->mbuConvert->trigger();
    EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>({12, 9, 11, 4, 4, 12}));
    EXPECT_EQ(shownColours(window->Picture2)[0], qRgb(255, 0, 0));
}

TEST_F(WindowCommands, ConvertStopsAtAMissingDiablo1Palette)
{
    window->mbuConvert->trigger();
    const QList<QRgb> painted = shownColours(window->Picture2);
    ASSERT_TRUE(QFile::remove(path("diablo.pal")));
    statusTexts.clear();

    window->mbuConvert->trigger();
    EXPECT_EQ(statusTexts, QStringList{"Loading Diablo 1 Pal"});  // "New Pal" and "Draw Pic" never start
    EXPECT_EQ(window->SB1->text(), "Loading Diablo 1 Pal");
    ASSERT_EQ(messages->failures.size(), 1);
    EXPECT_TRUE(messages->failures[0].contains(path("diablo.pal"))) << messages->failures[0].toStdString();
    EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>({7, 9, 11, 4, 4, 7}));
    EXPECT_EQ(shownColours(window->Picture2), painted);

    writePalette(path("diablo.pal"), sourcePalette());  // and the window goes on
    window->mbuConvert->trigger();
    EXPECT_EQ(window->SB1->text(), "Ready...");
}

TEST_F(WindowCommands, ButtonsWorkBeforeTheStepsThatNormallyComeFirst)
{
    click(window->Command2);  // nothing loaded: every entry black, every pixel entry 0
    EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>(6, 0));
    click(window->Command3);
    EXPECT_EQ(shownColours(window->Picture2), QList<QRgb>(6, qRgb(0, 0, 0)));
    dialog->saveAnswers.push_back(path("early"));  // no name yet: "Save Picture" asks for one
    click(window->Command4);
    const QImage saved(path("early.bmp"));
    ASSERT_EQ(saved.size(), QSize(3, 2));
    EXPECT_EQ(saved.pixelIndex(2, 1), 0);

    click(window->Command1);  // loaded but not remapped: painted in entry 0's grey
    click(window->Command3);
    EXPECT_EQ(shownColours(window->Picture2), QList<QRgb>(6, qRgb(128, 128, 128)));
    EXPECT_EQ(statusTexts.mid(statusTexts.size() - 2), QStringList({"Drawing Pic...", "Ready..."}));
    EXPECT_TRUE(messages->failures.isEmpty()) << messages->failures.join('\n').toStdString();
}

// The start-up picture's colours as Diablo 1 and, reversed, as Diablo 2: the result and the saved
// file look exactly like the start-up picture.
class WindowStartUp : public WindowTest {};

TEST_F(WindowStartUp, ConvertsAndSavesTheStartUpPictureWithoutOpeningAFile)
{
    const QImage startUp(":/startup.bmp");
    ASSERT_EQ(startUp.format(), QImage::Format_Indexed8);
    Palette source{}, target{};
    for (int entry = 0; entry < std::min(startUp.colorCount(), 256); ++entry)
        source[static_cast<std::size_t>(entry)] = {static_cast<std::uint8_t>(qRed(startUp.color(entry))),
                                                   static_cast<std::uint8_t>(qGreen(startUp.color(entry))),
                                                   static_cast<std::uint8_t>(qBlue(startUp.color(entry)))};
    std::reverse_copy(source.begin(), source.end(), target.begin());
    writePalette(path("diablo.pal"), source);
    writePalette(path("diablo2.pal"), target);

    window->mbuConvert->trigger();
    EXPECT_EQ(shownColours(window->Picture2), shownColours(window->Picture1));
    save(path("startup"));
    EXPECT_EQ(QImage(path("startup.bmp")).convertToFormat(QImage::Format_RGB32), startUp.convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(messages->failures.isEmpty()) << messages->failures.join('\n').toStdString();
}

}  // namespace
}  // namespace palshift::test
