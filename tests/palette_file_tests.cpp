#include "convert/palette_file.h"
#include "platform/file_error.h"
#include "late_writer.h"
#include "test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace palshift {

namespace {

// The message readPaletteFile throws for file, or "" when it reads the file.
QString refusal(const QString& file, Palette& palette, std::int16_t& PalCounter)
{
    try {
        readPaletteFile(file, palette, PalCounter);
        return {};
    } catch (const FileError& error) {
        EXPECT_EQ(error.file(), file);
        return QString::fromStdString(error.what());
    }
}

}  // namespace

// Entry i takes bytes 3i, 3i + 1 and 3i + 2 unchanged, whatever their sign as a char.
TEST(PaletteFile, ReadsRedGreenBlueOfEachEntryFromItsThreeBytes)
{
    QTemporaryDir dir;
    QByteArray bytes;
    for (int offset = 0; offset < 768; ++offset)
        bytes.append(char(offset % 256));
    test::writeBytes(dir.filePath("ramp.pal"), bytes);
    Palette palette{};
    std::int16_t PalCounter = 0;
    readPaletteFile(dir.filePath("ramp.pal"), palette, PalCounter);
    EXPECT_EQ(std::vector({palette[0], palette[85], palette[255]}), std::vector<Rgb>({{0, 1, 2}, {255, 0, 1}, {253, 254, 255}}));
    EXPECT_EQ(PalCounter, 256);
}

// A raw palette file holds exactly 768 bytes; any other size that is no other palette format, and
// anything that is not a regular file, is refused with a message naming the file and the reason. A refusal creates nothing and leaves
// the palette and PalCounter as they were.
TEST(PaletteFile, RefusesEveryOtherSizeAndWhatIsNotAFile)
{
    QTemporaryDir dir;
    const QByteArray bytes(768, '\x7f');
    test::writeBytes(dir.filePath("empty.pal"), {});
    test::writeBytes(dir.filePath("short.pal"), bytes.left(767));
    test::writeBytes(dir.filePath("long.pal"), bytes + 'x');
    {
        QFile huge(dir.filePath("huge.pal"));  // sparse: over 256 MiB on no disk, refused unread
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(300'000'000));
    }
    QDir(dir.path()).mkdir("folder.pal");
    const QString missing = dir.filePath("missing.pal");

    Palette palette{};
    palette[9] = {1, 2, 3};
    const Palette before = palette;
    std::int16_t PalCounter = 42;
    const QString expected = "expected 768 bytes of RGB, or a JASC-PAL, GIMP, RIFF or ACT palette, or an 8-bit picture";
    const std::pair<QString, QString> cases[] = {
        {missing, "Cannot open %1: No such file or directory"},
        {dir.filePath("empty.pal"), "%1: not a palette: 0 bytes; " + expected},
        {dir.filePath("short.pal"), "%1: not a palette: 767 bytes; " + expected},
        {dir.filePath("long.pal"), "%1: not a palette: 769 bytes; " + expected},
        {dir.filePath("huge.pal"), "%1: not a palette: 300,000,000 bytes; the largest palette file holds 268,435,456 bytes"},
        {dir.filePath("folder.pal"), "Cannot open %1: it is a folder, not a file"},
        {"/dev/zero", "Cannot open %1: it is a character device, not a file"},
    };
    for (const auto& [file, message] : cases) {
        EXPECT_EQ(refusal(file, palette, PalCounter), QString(message).arg(file));
        EXPECT_TRUE(palette == before && PalCounter == 42) << qPrintable(file);
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
}

// A FIFO with no writer would hold a plain open forever: it is refused at once.
TEST(PaletteFile, RefusesAFifoWithoutWaitingForAWriter)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("diablo.pal");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const test::LateWriter writer(fifo, QByteArray(768, '\0'));
    Palette palette{};
    std::int16_t PalCounter = 0;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(refusal(fifo, palette, PalCounter), QString("Cannot open %1: it is a FIFO, not a file").arg(fifo));
    EXPECT_LT(clock.elapsed(), 1000);
}

}  // namespace palshift
