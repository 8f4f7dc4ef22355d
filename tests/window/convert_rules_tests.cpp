#include "tests/window/palette_choice_fixture.h"

#include "pictures/dc6_reader.h"
#include "pictures/pcx_reader.h"

namespace palshift::test {
namespace {

QList<QRgb> targetColours()
{
    QList<QRgb> table(256, qRgb(128, 128, 128));
    table[4] = qRgb(5, 5, 5), table[7] = qRgb(250, 10, 10), table[9] = qRgb(10, 250, 10), table[11] = qRgb(10, 10, 250);
    return table;
}

// Red, (1, 2, 3) fully transparent, (200, 200, 200) / black, green, blue.
QImage rulesPicture()
{
    QImage image(3, 2, QImage::Format_ARGB32);
    const QRgb pixels[] = {qRgb(255, 0, 0), qRgba(1, 2, 3, 0), qRgb(200, 200, 200), qRgb(0, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (int i = 0; i < 6; ++i)
        image.setPixel(i % 3, i / 3, pixels[i]);
    return image;
}

// "&Convert" is one step that notes the pixels of no Diablo 1 colour; a name ending in .pcx (in any
// case) is written as a PCX.
TEST_F(WindowTest, ConvertsInOnePassAndSavesPcxByItsEnding)
{
    open(writePicture("picture.png", testPicture()));
    int started = 0;
    QObject::connect(&window->runner(), &WorkRunner::started, window.get(), [&] { ++started; });
    window->mbuConvert->trigger();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(window->SB1->note(), "1 of 6 pixels match no Diablo 1 colour");
    save(path("out.PCX"));
    EXPECT_EQ(indicesOf(readPcx(readBytes(path("out.PCX")), path("out.PCX"))), std::vector<int>({7, 9, 11, 4, 4, 7}));
}

// Under rules "&Convert" runs the three steps with them; a PNG marks the entry the conversion made
// transparent, whatever is chosen since, and a .dc6 name saves one frame, which opens as a sheet in
// the Diablo 2 palette.
TEST_F(PaletteChoiceTest, RulesReachTheStepsAndTheSaves)
{
    chooseRules(0, UnmatchedRule::Zero);
    open(writePicture("rules.png", rulesPicture()));
    int started = 0;
    QObject::connect(&window->runner(), &WorkRunner::started, window.get(), [&] { ++started; });
    window->mbuConvert->trigger();
    EXPECT_EQ(started, 3);
    EXPECT_EQ(window->SB1->note(), "1 of 6 pixels match no Diablo 1 colour");  // the transparent pixel is not one
    const QList<int> converted{7, 0, 4, 4, 9, 11};
    EXPECT_EQ(values(window->conversion().TargetIndexMap), converted);

    chooseRules(std::nullopt, UnmatchedRule::Zero);
    save(path("out.png"));
    QList<QRgb> table = targetColours();
    table[0] = qRgba(128, 128, 128, 0);
    EXPECT_EQ(QImage(path("out.png")).colorTable(), table);
    save(path("out.DC6"));
    const Dc6Sprite sprite = readDc6(readBytes(path("out.DC6")), "out.DC6");
    ASSERT_EQ(sprite.frames.size(), 1u);
    EXPECT_EQ(QList<int>(sprite.frames[0].indices.begin(), sprite.frames[0].indices.end()), converted);

    open(path("out.DC6"));
    const QImage sheet = window->Picture1->imageSurface().image();
    EXPECT_EQ(indicesOf(sheet), std::vector<int>(converted.begin(), converted.end()));
    EXPECT_EQ(sheet.colorTable(), targetColours());
}

// Under "fail", a picture with off-palette pixels is refused, naming the picture.
TEST_F(PaletteChoiceTest, TheFailRuleRefusesThePicture)
{
    chooseRules(std::nullopt, UnmatchedRule::Fail);
    open(writePicture("rules.png", rulesPicture()));
    window->mbuConvert->trigger();
    EXPECT_EQ(messages->failures, QStringList(path("rules.png") + ": 2 pixels match no colour of the source palette; "
                                                                  "the first is at (1, 0): #010203"));
}

// File > Export Mapping... writes the table for the palettes and rules in use, asking before it
// replaces a file; a folder is refused.
TEST_F(PaletteChoiceTest, ExportMappingWritesTheTableInUse)
{
    dialog->mappingAnswer = path("map.dat");
    window->mnuFileExportMapping->trigger();
    EXPECT_EQ(readBytes(path("map.dat")), QByteArray("\x04\x07\x09\x0b", 4) + QByteArray(252, '\x04'));
    EXPECT_EQ(window->SB1->currentMessage(), "Saved " + path("map.dat"));

    chooseRules(4, UnmatchedRule::Zero);
    window->mnuFileExportMapping->trigger();
    EXPECT_EQ(messages->replaceAsked, QStringList(path("map.dat")));
    messages->replaceAnswer = true;
    window->mnuFileExportMapping->trigger();
    EXPECT_EQ(readBytes(path("map.dat")), QByteArray("\x07\x07\x09\x0b", 4) + QByteArray(252, '\x07'));

    dialog->mappingAnswer = folder.path();
    window->mnuFileExportMapping->trigger();
    EXPECT_EQ(messages->failures, QStringList("Cannot write " + folder.path() + ": it is a folder"));
}

}  // namespace
}  // namespace palshift::test
