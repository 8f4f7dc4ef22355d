#include "convert/conversion_job.h"
#include "convert/dc6_conversion.h"
#include "convert/rule_lookup.h"
#include "pictures/dc6_reader.h"
#include "pictures/dc6_writer.h"
#include "pictures/picture_file.h"
#include "pictures/picture_frames.h"
#include "pictures/qt_rows.h"
#include "platform/file_error.h"
#include "picture_files.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace palshift {

namespace {

QByteArray le32(std::uint32_t value) { return test::littleEndian32(value); }

// A DC6 file of the given frame blocks (frame header and pixels), pointers computed.
QByteArray dc6File(std::uint32_t directions, std::uint32_t perDirection, const std::vector<QByteArray>& blocks)
{
    QByteArray file = le32(6) + le32(1) + le32(0) + QByteArray(4, '\xEE') + le32(directions) + le32(perDirection);
    std::uint32_t at = std::uint32_t(24 + 4 * blocks.size());
    for (const QByteArray& block : blocks) {
        file += le32(at);
        at += std::uint32_t(block.size());
    }
    for (const QByteArray& block : blocks)
        file += block;
    return file;
}

QByteArray frameBlock(int width, int height, const QByteArray& pixels, int offsetX = 0, int offsetY = 0)
{
    return le32(0) + le32(width) + le32(height) + le32(offsetX) + le32(offsetY) + le32(0) + le32(0)
           + le32(std::uint32_t(pixels.size())) + pixels + QByteArray(3, '\xEE');
}

QByteArray written(std::uint32_t directions, const std::vector<Dc6Frame>& frames, bool seekable = true)
{
    test::MemorySink sink(seekable);
    Dc6Writer writer(directions, std::uint32_t(frames.size()) / directions, sink);
    for (const Dc6Frame& frame : frames)
        writer.writeFrame(frame);
    writer.finish();
    return sink.bytes;
}

std::string refusal(const QByteArray& bytes)
{
    return test::fileErrorOf([&] { readDc6(bytes, "in/x.dc6"); });
}

}  // namespace

// Rows from the bottom; a leading skip, a transparent end that closes the row early, a row all
// transparent, offsets kept as signed numbers.
TEST(Dc6Writer, WritesHandComputedBytes)
{
    const Dc6Frame frame{4, 3, -2, 7, {0, 5, 6, 0, /**/ 0, 0, 0, 0, /**/ 9, 0, 0, 8}};
    const QByteArray pixels = QByteArray::fromHex("01 09 82 01 08 80" "80" "81 02 05 06 80");
    EXPECT_EQ(written(1, {frame}).toHex(' ').toStdString(),
              dc6File(1, 1, {frameBlock(4, 3, pixels, -2, 7)}).toHex(' ').toStdString());
}

// Runs are at most 127 long; widths of 1 and 255.
TEST(Dc6Writer, SplitsRunsLongerThan127)
{
    std::vector<std::uint8_t> wide(255, 0);
    std::fill(wide.begin() + 128, wide.end(), 3);  // 128 skipped, 127 opaque
    std::vector<std::uint8_t> second(255, 4);
    std::fill(second.begin() + 128, second.end(), 0);  // 128 opaque, then transparent
    wide.insert(wide.end(), second.begin(), second.end());
    const QByteArray top = QByteArray::fromHex("ff 81 7f") + QByteArray(127, 3) + QByteArray::fromHex("80");
    const QByteArray bottom = QByteArray::fromHex("7f") + QByteArray(127, 4) + QByteArray::fromHex("01 04 80");
    const QByteArray both = bottom + top;
    EXPECT_EQ(encodeDc6Pixels({255, 2, 0, 0, wide}), std::vector<std::uint8_t>(both.begin(), both.end()));
    EXPECT_EQ(encodeDc6Pixels({1, 2, 0, 0, {0, 5}}), (std::vector<std::uint8_t>{0x01, 5, 0x80, 0x80}));
}

// Frames of different sizes in two directions: pointers in order, the same bytes through a pipe,
// and the reader gives back every frame.
TEST(Dc6Writer, RoundTripsFramesAndDirections)
{
    std::vector<Dc6Frame> frames{{2, 1, 0, 0, {1, 0}}, {1, 1, 3, -4, {7}}, {3, 2, 0, 0, {0, 0, 0, 2, 0, 250}},
                                 {0, 0, 0, 0, {}}};
    const QByteArray file = written(2, frames);
    EXPECT_EQ(file, written(2, frames, false));
    EXPECT_EQ(file.mid(16, 16).toHex(' ').toStdString(), (le32(2) + le32(2) + le32(40) + le32(40 + 32 + 3 + 3)).toHex(' ').toStdString());
    const Dc6Sprite sprite = readDc6(file, "x.dc6");
    EXPECT_TRUE(sprite.directions == 2 && sprite.framesPerDirection == 2 && sprite.frames == frames);
    test::MemorySink sink;
    Dc6Writer writer(1, 1, sink);
    EXPECT_THROW(writer.writeFrame({2, 2, 0, 0, {1, 2, 3}}), std::out_of_range);
    EXPECT_THROW(writer.finish(), std::out_of_range);
    writer.writeFrame(frames[1]);
    EXPECT_THROW(writer.writeFrame(frames[1]), std::out_of_range);
}

// Others' files: flags 0, no-op runs of 0, no termination bytes, a flipped frame stored top-down.
TEST(Dc6Reader, ReadsOtherWritersForms)
{
    QByteArray file = dc6File(1, 2, {frameBlock(2, 2, QByteArray::fromHex("00 02 01 02 80 81 00 01 03 80")),
                                     frameBlock(1, 2, QByteArray::fromHex("01 04 80 01 05 80")).chopped(3)});
    file[4] = 0;
    file[24 + 8 + 32 + 10 + 3] = 1;  // the second frame's flip
    const Dc6Sprite sprite = readDc6(file, "x.dc6");
    EXPECT_EQ(sprite.frames[0].indices, (std::vector<std::uint8_t>{0, 3, 1, 2}));
    EXPECT_EQ(sprite.frames[1].indices, (std::vector<std::uint8_t>{4, 5}));
}

TEST(Dc6Reader, RefusesDamagedFiles)
{
    const QByteArray good = dc6File(1, 1, {frameBlock(2, 1, QByteArray::fromHex("02 01 02 80"))});
    const auto with = [&](qsizetype at, const QByteArray& bytes) { return QByteArray(good).replace(at, bytes.size(), bytes); };
    const std::pair<QByteArray, std::string> cases[] = {
        {good.left(23), "in/x.dc6: truncated: 23 bytes, a DC6 header needs 24"},
        {with(0, le32(5)), "in/x.dc6: not a DC6 file"},
        {with(4, le32(2)), "in/x.dc6: not a DC6 file"},
        {with(16, le32(0)), "in/x.dc6: holds no frames (0 directions of 1)"},
        {with(16, le32(0x10000)) , "in/x.dc6: 65536 directions of 1 frames: the frame pointers pass the end"},
        {with(20, le32(0x40000000)), "in/x.dc6: 1 directions of 1073741824 frames: the frame pointers pass"},
        {with(24, le32(std::uint32_t(good.size()) - 31)), "in/x.dc6: frame 0: its pointer 36 passes the end"},
        {good.left(28), "in/x.dc6: frame 0: its pointer 28 passes the end"},
        {with(28 + 28, le32(8)), "in/x.dc6: frame 0: 8 bytes of pixels pass the end"},
        {with(28 + 28, le32(0xFFFFFFFF)), "in/x.dc6: frame 0: 4294967295 bytes of pixels pass the end"},
        {with(28 + 4, le32(16385)), "in/x.dc6: frame 0: a size of 16385 x 1 pixels"},
        {with(28 + 8, le32(-1)), "in/x.dc6: frame 0: a size of 2 x -1 pixels"},
        {with(28 + 4, le32(1)), "in/x.dc6: frame 0: a run of 2 pixels at x 0 passes the row's width of 1"},
        {with(28 + 32, QByteArray::fromHex("81 82")), "in/x.dc6: frame 0: a run of 2 pixels at x 1 passes"},
        {with(28 + 28, le32(2)), "in/x.dc6: frame 0: the pixels end inside a run of 2"},
        {with(28 + 8, le32(2)), "in/x.dc6: frame 0: the pixels end before row 0 does"},
        {with(28 + 8, le32(5)), "in/x.dc6: frame 0: 4 bytes of pixels cannot end 5 rows"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(refusal(bytes).substr(0, expected.size()), expected) << bytes.toHex(' ').toStdString();
    EXPECT_EQ(refusal(good), "(nothing thrown)");

    // Pixels in all past what a picture may have, though each frame's sides are allowed.
    const QByteArray big = frameBlock(16384, 16384, QByteArray(16384, '\x80'));
    EXPECT_EQ(refusal(dc6File(1, 2, {big, big})).substr(0, 42), "in/x.dc6: frame 1: more than 268435456 pix");
}

// On a grey ramp (each grey its own nearest entry): alpha below 128 and the key colour are skipped,
// the opaque grey 0 takes entry 1, and a sheet is cut row by row.
TEST(Dc6Conversion, CutsSheetsIntoFramesWithTransparentPixelsSkipped)
{
    const Palette grey = test::greyPalette();
    QImage sheet(4, 2, QImage::Format_ARGB32);
    const QRgb pixels[] = {qRgba(9, 9, 9, 127), qRgba(5, 5, 5, 128), qRgb(0, 0, 0), qRgb(50, 50, 50),
                           qRgb(7, 7, 7),        qRgb(1, 2, 3),        qRgb(8, 8, 8), qRgb(51, 50, 50)};
    for (int k = 0; k < 8; ++k)
        sheet.setPixel(k % 4, k / 4, pixels[k]);
    const ConversionRules rules{UnmatchedRule::Nearest, 0};
    const TargetLookup lookup = lookupUnderRules(grey, grey, rules);
    test::MemorySink sink;
    Dc6Writer writer(1, 2, sink);
    const Dc6Layout layout{1, 2, 1, 3, -1, Rgb{50, 50, 50}};
    QtRows rows(sheet, QtRows::Alpha::Kept);
    EXPECT_EQ(writeDc6Frames(rows, "sheet.png", lookup, rules, layout, writer), 2);
    writer.finish();
    const Dc6Sprite sprite = readDc6(sink.bytes, "x.dc6");
    EXPECT_EQ(sprite.frames[0].indices, (std::vector<std::uint8_t>{0, 5, 7, 2}));
    EXPECT_EQ(sprite.frames[1].indices, (std::vector<std::uint8_t>{1, 0, 8, 50}));
    EXPECT_EQ(std::pair(sprite.frames[1].offsetX, sprite.frames[1].offsetY), std::pair(3, -1));

    QtRows again(sheet, QtRows::Alpha::Kept);
    EXPECT_EQ(test::fileErrorOf([&] { writeDc6Frames(again, "sheet.png", lookup, rules, {1, 3, 1, 0, 0, {}}, writer); }),
              "sheet.png: its 4 x 2 pixels do not divide into 3 x 1 equal frames");
}

// Each frame of an animated GIF, here 1 x 1 black, then white.
TEST(Dc6Conversion, TakesEachFrameOfAnAnimatedPicture)
{
    QTemporaryDir dir;
    const QString gif = dir.filePath("walk.gif");
    test::writeBytes(gif, QByteArray::fromHex("474946383961 0100 0100 80 00 00 000000 ffffff"
                                              "2c 0000 0000 0100 0100 00 02 02 4401 00"
                                              "2c 0000 0000 0100 0100 00 02 02 4c01 00 3b"));
    PictureFrames frames(readPictureFile(gif), gif);
    ASSERT_EQ(frames.count(), 2);
    EXPECT_EQ(frames.next().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(frames.next().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_THROW(frames.next(), FileError);
}

// Transparency in a picture's colour table is skipped as alpha is: a palette PNG whose tRNS makes
// its entry 0 (grey 9) clear.
TEST(Dc6Conversion, SkipsTheTransparentColourOfAPicturesTable)
{
    QTemporaryDir dir;
    const QString png = dir.filePath("clear.png");
    test::writeBytes(png, test::clearFirstEntryPng(QByteArray::fromHex("090909ffffff")));
    const ConversionJob job{test::greyPalette(), test::greyPalette(), {UnmatchedRule::Nearest, {}}, OutputFormat::Dc6, {}};
    test::MemorySink sink;
    convertToDc6({png}, job, sink);
    EXPECT_EQ(readDc6(sink.bytes, "x.dc6").frames.at(0).indices, (std::vector<std::uint8_t>{0, 255}));
}

// A DC6 taken as a picture is already in the target palette: into another format its frames make
// one sheet, a row of frames for each direction, each frame at the top left of its cell; into a
// DC6 they go as they are.
TEST(Dc6Conversion, TakesADc6InputAsItIs)
{
    QTemporaryDir dir;
    const QString dc6 = dir.filePath("walk.dc6");
    test::writeBytes(dc6, written(2, {{1, 2, 0, 0, {1, 2}}, {2, 1, 0, 0, {3, 4}}, {1, 1, 0, 0, {9}},
                                      {0, 0, 0, 0, {}}, {2, 2, 0, 0, {5, 6, 7, 8}}, {0, 0, 0, 0, {}}}));
    ConversionJob job{test::greyPalette(), test::distinctPalette(), {}, OutputFormat::Png};
    job.dc6.directions = 2;
    test::MemorySink sheet, again;
    convertFile(dc6, job, sheet);
    EXPECT_EQ(test::indicesOf(QImage::fromData(sheet.bytes)), (std::vector<int>{1, 3, 4, 9, /**/ 2, 0, 0, 0, /**/ 5, 6, 0, 0, /**/ 7, 8, 0, 0}));
    convertToDc6({dc6}, job, again);
    EXPECT_EQ(again.bytes, test::readBytes(dc6));
}

}  // namespace palshift
