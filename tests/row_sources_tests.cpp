#include "pictures/bmp_rows.h"
#include "pictures/byte_input.h"
#include "pictures/picture_rows.h"
#include "pictures/png_rows.h"
#include "platform/file_error.h"
#include "picture_files.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <sys/stat.h>
#include <zlib.h>

namespace palshift {

namespace {

std::span<const std::uint8_t> bytesOf(const QByteArray& file)
{
    return {reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())};
}

std::vector<std::vector<std::uint8_t>> allRows(RowSource& rows)
{
    std::vector<std::vector<std::uint8_t>> read;
    for (int y = 0; y < rows.height(); ++y) {
        const auto row = rows.nextRow();
        read.emplace_back(row.begin(), row.end());
    }
    return read;
}

// The message of the FileError that reading every row throws, or "" when none does.
QString refusal(const QByteArray& file, bool png)
{
    MemoryInput input(bytesOf(file), QStringLiteral("hostile.file"));
    try {
        if (png) {
            PngRows rows(input);
            allRows(rows);
        } else {
            BmpRows rows(input);
            allRows(rows);
        }
    } catch (const FileError& error) {
        return error.what();
    }
    return {};
}

}  // namespace

// Rows come as the file stores them: a colour key or alpha changes no colour, greys are indices into
// a table of greys, and the table past PLTE reads as index 0; a pixel past PLTE is refused.
TEST(PngRows, GivesTheStoredPixels)
{
    struct Case {
        int colourType;
        std::vector<std::uint8_t> pixels;
        std::vector<std::uint8_t> trns;
        PixelLayout layout;
    };
    const Case cases[] = {
        {SPNG_COLOR_TYPE_GRAYSCALE, {255, 7, 255}, {255}, PixelLayout::Indexed8},
        {SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, {255, 0, 7, 128, 1, 255}, {}, PixelLayout::IndexedAlpha8},
        {SPNG_COLOR_TYPE_TRUECOLOR, {255, 255, 255, 1, 2, 3, 255, 255, 255}, {255, 255, 255}, PixelLayout::Rgb8},
        {SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, {1, 2, 3, 0, 4, 5, 6, 9, 7, 8, 9, 255}, {}, PixelLayout::Rgba8},
    };
    for (const Case& c : cases) {
        const QByteArray file = test::pngFile(3, 1, c.colourType, c.pixels, SPNG_FILTER_CHOICE_PAETH, {}, c.trns);
        MemoryInput input(bytesOf(file), QStringLiteral("t.png"));
        PngRows rows(input);
        EXPECT_EQ(std::tuple(rows.width(), rows.height(), rows.layout(), rows.bottomUp()), std::tuple(3, 1, c.layout, false));
        EXPECT_EQ(allRows(rows), std::vector<std::vector<std::uint8_t>>{c.pixels}) << c.colourType;
        if (hasColourTable(c.layout)) {
            EXPECT_EQ(std::tuple((*rows.colourTable())[255], (*rows.colourTable())[7], (*rows.colourTable())[0]),
                      std::tuple(0xFFFFFF, 0x070707, 0)) << c.colourType;
        }
    }
    const QByteArray indexed = test::pngFile(2, 2, SPNG_COLOR_TYPE_INDEXED, {0, 1, 2, 1}, SPNG_FILTER_CHOICE_SUB,
                                             {{10, 20, 30}, {40, 50, 60}}, {0, 0});
    MemoryInput input(bytesOf(indexed), QStringLiteral("p.png"));
    PngRows rows(input);
    const std::span<const std::uint8_t> first = rows.nextRow();
    EXPECT_EQ(std::vector<std::uint8_t>(first.begin(), first.end()), (std::vector<std::uint8_t>{0, 1}));
    EXPECT_EQ(std::tuple((*rows.colourTable())[1], (*rows.colourTable())[2], (*rows.colourTable())[255]),
              std::tuple(40 + 50 * 256 + 60 * 65536, 10 + 20 * 256 + 30 * 65536, 10 + 20 * 256 + 30 * 65536));
    // libpng warns of an index past PLTE, which is left to Qt's decoder to decode and warn of.
    EXPECT_THROW(rows.nextRow(), FileError);
}

// Rows of 8, 24 and 32 bits in stored order, padding left out; the table in blue, green, red order.
TEST(BmpRows, GivesTheStoredRowsInFileOrder)
{
    const QByteArray bottomUp = test::bmpFile(3, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}, true);
    MemoryInput input(bytesOf(bottomUp), QStringLiteral("b.bmp"));
    BmpRows rows(input);
    EXPECT_EQ(std::tuple(rows.width(), rows.height(), rows.layout(), rows.bottomUp()), std::tuple(3, 2, PixelLayout::Bgr8, true));
    EXPECT_EQ(allRows(rows), (std::vector<std::vector<std::uint8_t>>{{10, 11, 12, 13, 14, 15, 16, 17, 18}, {1, 2, 3, 4, 5, 6, 7, 8, 9}}));

    const QByteArray topDown = test::bmpFile(1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}, false);
    MemoryInput input32(bytesOf(topDown), QStringLiteral("t.bmp"));
    BmpRows rows32(input32);
    EXPECT_EQ(std::tuple(rows32.layout(), rows32.bottomUp()), std::tuple(PixelLayout::Bgrx8, false));
    EXPECT_EQ(allRows(rows32), (std::vector<std::vector<std::uint8_t>>{{1, 2, 3, 4}, {5, 6, 7, 8}}));

    const QByteArray indexed = test::bmpFile(5, 1, 8, {0, 1, 2, 1, 0}, true, {{10, 20, 30}, {40, 50, 60}}, 40, 3);
    MemoryInput input8(bytesOf(indexed), QStringLiteral("i.bmp"));
    BmpRows rows8(input8);
    EXPECT_EQ(allRows(rows8), (std::vector<std::vector<std::uint8_t>>{{0, 1, 2, 1, 0}}));
    EXPECT_EQ(std::tuple((*rows8.colourTable())[0], (*rows8.colourTable())[1], (*rows8.colourTable())[2]),
              std::tuple(10 + 20 * 256 + 30 * 65536, 40 + 50 * 256 + 60 * 65536, -1));
}

// Only the forms the streaming readers take go to them; everything else goes to Qt.
TEST(RowReader, ChoosesByTheHeaderAlone)
{
    const QByteArray png = test::pngFile(2, 2, SPNG_COLOR_TYPE_TRUECOLOR, std::vector<std::uint8_t>(12), SPNG_FILTER_CHOICE_NONE);
    const QByteArray bmp = test::bmpFile(2, 2, 24, std::vector<std::uint8_t>(12), true);
    const auto with = [](QByteArray file, int at, std::vector<std::uint8_t> bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            file[at + int(i)] = char(bytes[i]);
        return file;
    };
    const std::pair<QByteArray, RowReader> cases[] = {
        {png, RowReader::Png},
        {with(png, 28, {1}), RowReader::Qt},                        // interlaced
        {with(png, 24, {16}), RowReader::Qt},                       // 16 bits
        {with(png, 24, {4, 0}), RowReader::Qt},                     // 4-bit grey
        {with(png, 16, {0, 0, 0x40, 0x01}), RowReader::Qt},         // 16385 wide
        {with(png, 20, {0, 0, 0x40, 0x00}), RowReader::Png},        // 16384 high
        {png.left(28), RowReader::Qt},
        {bmp, RowReader::Bmp},
        {with(bmp, 30, {1}), RowReader::Qt},                        // RLE
        {with(bmp, 28, {16}), RowReader::Qt},                       // 16 bits
        {with(bmp, 26, {2}), RowReader::Qt},                        // two planes
        {with(bmp, 14, {12}), RowReader::Qt},                       // OS/2 header
        {test::bmpFile(1, 1, 32, {1, 2, 3, 4}, true, {}, 124), RowReader::Qt},  // a V5 header may carry alpha
        {test::bmpFile(1, 1, 24, {1, 2, 3}, true, {}, 124), RowReader::Bmp},
        {with(bmp, 18, {0, 0, 0, 0}), RowReader::Qt},               // no columns
        {with(bmp, 18, {1, 0x40, 0, 0}), RowReader::Qt},            // 16385 wide
        {with(bmp, 22, {0, 0, 0, 0x80}), RowReader::Qt},            // height INT32_MIN
        {with(bmp, 22, {0x00, 0xC0, 0xFF, 0xFF}), RowReader::Bmp},  // 16384 rows, top-down
        {with(bmp, 22, {0xFF, 0xBF, 0xFF, 0xFF}), RowReader::Qt},   // 16385 rows, top-down
        {with(test::bmpFile(1, 1, 8, {0}, true, {{1, 2, 3}}), 10, {54 + 3, 0}), RowReader::Qt},  // pixels inside the table
        {with(test::bmpFile(1, 1, 8, {0}, true, {{1, 2, 3}}, 40, 1024), 46, {1, 1}), RowReader::Qt},  // 257 colours
        {with(test::bmpFile(1, 1, 8, {0}, true, {{1, 2, 3}}, 40, 1020), 46, {0, 1}), RowReader::Bmp},  // 256
        {test::bmpFile(1, 1, 8, {0}, true, {{1, 2, 3}}), RowReader::Bmp},
        {bmp.left(53), RowReader::Qt},
        {QByteArray("GIF89a") + QByteArray(60, 0), RowReader::Qt},
    };
    int i = 0;
    for (const auto& [file, reader] : cases)
        EXPECT_EQ(rowReaderFor(bytesOf(file)), reader) << "case " << i++;
}

// Sizes a header makes up are checked against the file before anything of that size is made; a
// file cut short anywhere is refused, naming it; a FIFO is refused at once rather than waited on.
TEST(RowReader, RefusesCutAndMadeUpFilesNamingThem)
{
    const QByteArray bmp = test::bmpFile(3, 3, 24, std::vector<std::uint8_t>(27, 5), true);
    QByteArray huge = bmp;
    huge[18] = 0, huge[19] = 0x40, huge[22] = 0, huge[23] = 0x40;  // 16384 x 16384, 27 bytes of pixels
    EXPECT_TRUE(refusal(huge, false).contains("hostile.file: truncated: 90 bytes, the picture needs 805306422")) << qPrintable(refusal(huge, false));
    QByteArray farPixels = bmp;
    farPixels[10] = char(0xFF), farPixels[11] = char(0xFF), farPixels[12] = char(0xFF), farPixels[13] = char(0xFF);
    EXPECT_TRUE(refusal(farPixels, false).contains("truncated")) << qPrintable(refusal(farPixels, false));
    for (qsizetype cut = 0; cut < bmp.size(); cut += 7)
        EXPECT_FALSE(refusal(bmp.left(cut), false).isEmpty()) << "BMP cut to " << cut;
    EXPECT_TRUE(refusal(bmp, false).isEmpty());

    const QByteArray png = test::pngFile(5, 4, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, std::vector<std::uint8_t>(80, 9), SPNG_FILTER_CHOICE_ALL);
    for (qsizetype cut = 0; cut < png.size(); ++cut)
        EXPECT_FALSE(refusal(png.left(cut), true).isEmpty()) << "PNG cut to " << cut;
    EXPECT_TRUE(refusal(png, true).isEmpty());
    EXPECT_TRUE(refusal(png.left(png.size() - 12), true).contains("hostile.file"));  // no IEND
    QByteArray bigPng = png;  // 16384 x 16384 said, 80 pixels given
    bigPng[18] = 0x40, bigPng[22] = 0x40, bigPng[19] = bigPng[23] = 0;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bigPng.constData() + 12), 17);
    for (int b = 0; b < 4; ++b)
        bigPng[29 + b] = char(crc >> (24 - 8 * b));
    EXPECT_FALSE(refusal(bigPng, true).isEmpty());

    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(FileInput{fifo}, FileError);
    std::array<std::uint8_t, rowReaderHeadBytes> head{};
    EXPECT_TRUE(readHead(fifo, head).empty());
}

}  // namespace palshift
