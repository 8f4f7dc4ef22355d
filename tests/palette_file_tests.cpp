#include "convert/load_pals.h"
#include "convert/palette_file.h"
#include "platform/file_error.h"
#include "test_support.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace palshift {

static const Palette marked = [] {
    Palette palette{};
    palette.fill({9, 8, 7});
    return palette;
}();

TEST(PaletteFile, TakesEachEntryFromItsThreeBytesAndIgnoresTheRest)
{
    QTemporaryDir dir;
    for (int size : {768, 800}) {
        QByteArray bytes;
        for (int offset = 0; offset < size; ++offset)
            bytes.append(char(offset < 768 ? offset % 256 : 0xEE));
        test::writeBytes(dir.filePath("p.pal"), bytes);
        Palette palette = marked;
        std::int16_t PalCounter = -7;
        readPaletteFile(dir.filePath("p.pal"), palette, PalCounter);
        EXPECT_EQ(palette[0], (Rgb{0, 1, 2})) << size;
        EXPECT_EQ(palette[85], (Rgb{255, 0, 1})) << size;
        EXPECT_EQ(palette[255], (Rgb{253, 254, 255})) << size;
        EXPECT_EQ(PalCounter, 256);
    }
    EXPECT_EQ(defaultPaletteFiles("/opt/palshift").source, QString("/opt/palshift/diablo.pal"));
    EXPECT_EQ(defaultPaletteFiles("/opt/palshift").target, QString("/opt/palshift/diablo2.pal"));
}

// Each failure names the file and says why; nothing is created and the palette stays as it was.
TEST(PaletteFile, RefusesMissingUnreadableAndShortFiles)
{
    QTemporaryDir dir;
    test::writeBytes(dir.filePath("short.pal"), QByteArray(767, 'x'));
    test::writeBytes(dir.filePath("empty.pal"), {});
    const std::pair<QString, QString> cases[] = {
        {dir.filePath("missing.pal"), "Cannot open " + dir.filePath("missing.pal") + ": "},
        {dir.path(), "Cannot open " + dir.path() + ": "},
        {dir.filePath("short.pal"), dir.filePath("short.pal") + " holds 767 bytes; a palette file needs 768"},
        {dir.filePath("empty.pal"), dir.filePath("empty.pal") + " holds 0 bytes; a palette file needs 768"},
    };
    for (const auto& [file, message] : cases) {
        Palette palette = marked;
        std::int16_t PalCounter = 42;
        try {
            readPaletteFile(file, palette, PalCounter);
            ADD_FAILURE() << "no error for " << file.toStdString();
        } catch (const FileError& error) {
            EXPECT_EQ(error.file(), file);
            EXPECT_TRUE(message.endsWith(": ") ? test::isPrefixAndReason(error.what(), message) : error.what() == message)
                << error.what();
        }
        EXPECT_EQ(palette, marked);
        EXPECT_EQ(PalCounter, 42);
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing.pal")));
}

// "Load Pals" stops at the file it cannot read, with that step in the status line.
TEST(LoadPals, StopsAtAMissingFileWithThatStepShown)
{
    QTemporaryDir dir;
    const PaletteFiles files{dir.filePath("diablo.pal"), dir.filePath("diablo2.pal")};
    Palette source{};
    source[3] = {10, 20, 30};
    test::writeBytes(files.source, test::paletteBytes(source));
    test::MemorySurface picture(1, 1, colourValue(source[3]));
    ConversionState state;
    state.SourcePal = state.TargetPal = marked;
    state.SourceIndexMap.redim(0, 0);
    test::RecordingStatusLine status;

    EXPECT_THROW(loadPals(state, picture, status, files), FileError);
    EXPECT_EQ(status.texts.back(), "Loading Diablo 2 Pal");
    EXPECT_EQ(state.SourcePal, source);
    EXPECT_EQ(state.TargetPal, marked);
    EXPECT_EQ(state.SourceIndexMap.at(0, 0), 0);
    EXPECT_FALSE(QFileInfo::exists(files.target));

    QFile::remove(files.source);
    state.SourcePal = marked;
    EXPECT_THROW(loadPals(state, picture, status, files), FileError);
    EXPECT_EQ(status.texts.back(), "Loading Diablo 1 Pal");
    EXPECT_EQ(state.SourcePal, marked);
    EXPECT_FALSE(QFileInfo::exists(files.source));
}

}  // namespace palshift
