#include "tests/window/palette_choice_fixture.h"

#include "convert/rule_conversion.h"
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

// "&Convert" is one step that notes the pixels of no Diablo 1 colour. A name ending in .png or .pcx
// (in any case) is written in that format, in the Diablo 2 palette with each pixel its entry.
TEST_F(WindowTest, SavesPngAndPcxByTheirEnding)
{
    open(writePicture("picture.png", testPicture()));
    int started = 0;
    QObject::connect(&window->runner(), &WorkRunner::started, window.get(), [&] { ++started; });
    window->mbuConvert->trigger();
    EXPECT_EQ(started, 1);  // one pass, not the three steps
    const QList<int> converted{7, 9, 11, 4, 4, 7};
    EXPECT_EQ(values(window->conversion().TargetIndexMap), converted);
    EXPECT_EQ(window->SB1->note(), "1 of 6 pixels match no Diablo 1 colour");

    save(path("out.png"));
    const QImage png(path("out.png"), "png");
    EXPECT_EQ(png.format(), QImage::Format_Indexed8);
    EXPECT_EQ(indicesOf(png), std::vector<int>(converted.begin(), converted.end()));
    EXPECT_EQ(png.colorTable(), targetColours());  // no entry transparent without a transparent index

    save(path("out.PCX"));
    EXPECT_EQ(readPcx(readBytes(path("out.PCX")), path("out.PCX")).colorTable(), targetColours());
}

// With a transparent index and the nearest rule, "Load Pals" and "New Pal" give the command
// line's entries; "&Convert" runs the three steps; a PNG marks the transparent entry.
TEST_F(PaletteChoiceTest, RulesGiveTheCommandLinesEntries)
{
    chooseRules(4, UnmatchedRule::Nearest);
    open(writePicture("rules.png", rulesPicture()));
    EXPECT_TRUE(window->Command1_Click());
    EXPECT_EQ(window->SB1->note(), "1 of 6 pixels match no Diablo 1 colour");  // the transparent pixel is not one
    statusTexts.clear();
    EXPECT_TRUE(window->Command2_Click());
    EXPECT_EQ(statusTexts, QStringList({"Creating Pal...", "Ready..."}));
    const QList<int> expected{7, 4, 0, 7, 9, 11};
    EXPECT_EQ(values(window->conversion().TargetIndexMap), expected);
    int started = 0;
    QObject::connect(&window->runner(), &WorkRunner::started, window.get(), [&] { ++started; });
    window->mbuConvert->trigger();
    EXPECT_EQ(started, 3);

    // The entry marked is the one the conversion made transparent, whatever is chosen since.
    chooseRules(std::nullopt, UnmatchedRule::Zero);
    save(path("rules.png.out.png"));
    const QImage png(path("rules.png.out.png"));
    QList<QRgb> table = targetColours();
    table[4] = qRgba(5, 5, 5, 0);
    EXPECT_EQ(png.colorTable(), table);
    EXPECT_EQ(indicesOf(png), std::vector<int>(expected.begin(), expected.end()));
    EXPECT_TRUE(messages->failures.isEmpty()) << messages->failures.join('\n').toStdString();
}

// Under transparent index 0, a name ending in .dc6 saves the result as one frame, the transparent
// pixel skipped; opening it shows its frames in the Diablo 2 palette.
TEST_F(PaletteChoiceTest, SavesAndOpensDc6)
{
    chooseRules(0, UnmatchedRule::Nearest);
    open(writePicture("rules.png", rulesPicture()));
    window->mbuConvert->trigger();
    const QList<int> converted = values(window->conversion().TargetIndexMap);
    EXPECT_EQ(converted.count(0), 1);
    save(path("out.DC6"));
    const Dc6Sprite sprite = readDc6(readBytes(path("out.DC6")), "out.DC6");
    ASSERT_EQ(sprite.frames.size(), 1u);
    EXPECT_EQ(QList<int>(sprite.frames[0].indices.begin(), sprite.frames[0].indices.end()), converted);

    open(path("out.DC6"));
    const QImage sheet = window->Picture1->imageSurface().image();
    const std::vector<int> sheetIndices = indicesOf(sheet);
    EXPECT_EQ(QList<int>(sheetIndices.begin(), sheetIndices.end()), converted);
    EXPECT_EQ(sheet.colorTable(), targetColours());
}

// Under "fail", a picture with off-palette pixels is refused at "Load Pals", naming the picture,
// the count and the first pixel, and cannot be converted or saved.
TEST_F(PaletteChoiceTest, TheFailRuleRefusesThePicture)
{
    chooseRules(std::nullopt, UnmatchedRule::Fail);
    open(writePicture("rules.png", rulesPicture()));
    window->mbuConvert->trigger();
    EXPECT_EQ(messages->failures, QStringList(path("rules.png") + ": 2 pixels match no colour of the source palette; "
                                                                  "the first is at (1, 0): #010203"));
    EXPECT_EQ(window->SB1->text(), "Ready...");
    messages->failures.clear();
    const QList<int> before = values(window->conversion().TargetIndexMap);
    EXPECT_FALSE(window->Command2_Click());
    EXPECT_EQ(messages->failures.size(), 1);
    EXPECT_EQ(values(window->conversion().TargetIndexMap), before);
    save(path("refused"));
    EXPECT_FALSE(QFileInfo::exists(path("refused.bmp")));
}

// File > Export Mapping... writes the table for the palettes and rules in use: 256 bytes for a
// .dat name, else CSV; a cancelled dialog writes nothing.
TEST_F(PaletteChoiceTest, ExportMappingWritesTheTableInUse)
{
    dialog->mappingAnswer = path("map.dat");
    window->mnuFileExportMapping->trigger();
    EXPECT_EQ(readBytes(path("map.dat")), QByteArray("\x04\x07\x09\x0b", 4) + QByteArray(252, '\x04'));

    EXPECT_EQ(window->SB1->currentMessage(), "Saved " + path("map.dat"));

    chooseRules(4, UnmatchedRule::Zero);
    window->mnuFileExportMapping->trigger();  // not replaced unless the user agrees
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
