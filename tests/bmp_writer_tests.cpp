#include "bmp/bmp_writer.h"
#include "platform/file_error.h"
#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <limits>
#include <sys/resource.h>

namespace palshift {

static BmpHeaderBytes freshHeader()
{
    BmpHeaderBytes header;
    header.fill(0xAA);  // so that a fixed byte InitBmpHeader leaves out shows
    InitBmpHeader(header);
    return header;
}

static std::vector<std::uint8_t> numberedPixels(int count)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(count));
    for (std::size_t k = 0; k < pixels.size(); ++k)
        pixels[k] = static_cast<std::uint8_t>(k * 7 + 1);
    return pixels;
}

// One file written over, longer and shorter, so that each time it must be exactly its new size.
TEST(SavePic, WritesHeadersAndPaddedRowsOfTheWorkedExamples)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("out.bmp");
    PaletteBlock PalCol{255, 128, 0};
    for (std::size_t c = 3; c < 768; ++c)
        PalCol[c] = static_cast<std::uint8_t>(c * 5 + c / 3);
    const std::array<int, 4> examples[] = {{3, 2, 4, 1086}, {1, 1, 4, 1082}, {4, 4, 4, 1094}, {5, 3, 8, 1102},
                                           {200, 200, 200, 41078}};
    for (const auto [width, height, stride, fileSize] : examples) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        BmpHeaderBytes header = freshHeader();
        const std::vector<std::uint8_t> pixels = numberedPixels(width * height);
        Save_Pic(file, PalCol, width, height, header, pixels);
        const QByteArray bytes = test::readBytes(file);
        ASSERT_EQ(bytes.size(), fileSize);
        EXPECT_EQ(bytes.left(2), "BM");
        const int fields[][3] = {{2, 4, fileSize}, {6, 4, 0}, {10, 4, 1078}, {14, 4, 40}, {18, 4, width}, {22, 4, height},
                                 {26, 2, 1}, {28, 2, 8}, {30, 4, 0}, {34, 4, stride * height}, {38, 4, 0}, {42, 4, 0},
                                 {46, 4, 0}, {50, 4, 0}};
        for (const auto& [offset, size, value] : fields)
            EXPECT_EQ(test::littleEndian(bytes, offset, size), std::uint32_t(value)) << "offset " << offset;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(header.data()) + 2, 4), bytes.mid(2, 4));  // the size kept
        EXPECT_EQ(bytes.mid(54, 4), QByteArray::fromHex("0080ff00"));  // blue, green, red, 0
        for (std::size_t j = 1; j < 256; ++j)
            EXPECT_EQ(test::littleEndian(bytes, int(54 + 4 * j), 4), PalCol[3 * j + 2] | PalCol[3 * j + 1] << 8 | PalCol[3 * j] << 16);
        int wrongPixelBytes = 0;
        for (int r = 0; r < height; ++r)
            for (int x = 0; x < stride; ++x)
                wrongPixelBytes += std::uint8_t(bytes.at(1078 + r * stride + x)) != (x < width ? pixels.at(std::size_t(r * width + x)) : 0);
        EXPECT_EQ(wrongPixelBytes, 0);
    }
    BmpHeaderBytes header = freshHeader();
    Save_Pic(file, PaletteBlock{}, 3, 2, header, std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6});
    EXPECT_EQ(test::readBytes(file).left(14), QByteArray::fromHex("424d3e040000000000003604 0000"));
    EXPECT_EQ(test::readBytes(file).mid(1078), QByteArray::fromHex("01020300 04050600"));
    Save_Pic(file, PaletteBlock{}, 2, 2, header, std::vector<std::uint8_t>{7, 8, 9, 10});
    EXPECT_EQ(test::readBytes(file).mid(1078), QByteArray::fromHex("07080000 090a0000"));
}

TEST(BmpSizes, EverySizeMustFitSignedThirtyTwoBits)
{
    const std::int32_t tallest = (std::numeric_limits<std::int32_t>::max() - 1078) / 4;
    EXPECT_EQ(bmpSizes(4, tallest).fileSize, 1078 + 4 * tallest);
    EXPECT_THROW(bmpSizes(4, tallest + 1), std::overflow_error);
    EXPECT_THROW(bmpSizes(46341, 46341), std::overflow_error);
    EXPECT_THROW(bmpSizes(std::numeric_limits<std::int32_t>::max(), 1), std::overflow_error);
    EXPECT_THROW(bmpSizes(std::numeric_limits<std::int32_t>::max(), 0), std::overflow_error);  // the row stride
}

// Every failure leaves the file that was there byte for byte, and no stray file beside it.
TEST(SavePic, FailureKeepsTheExistingFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("out.bmp");
    test::writeBytes(target, QByteArray(1082, 'o'));
    const std::vector<std::uint8_t> pixels = numberedPixels(200 * 200);
    BmpHeaderBytes header = freshHeader();
    EXPECT_THROW(Save_Pic(target, PaletteBlock{}, 65536, 32768, header, pixels), std::overflow_error);
    EXPECT_THROW(Save_Pic(target, PaletteBlock{}, 201, 200, header, pixels), std::out_of_range);

    // A full disk, as far as this process can tell.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{4096, limit.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(Save_Pic(target, PaletteBlock{}, 200, 200, header, pixels), FileError);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(test::readBytes(target), QByteArray(1082, 'o'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.bmp"});

    const QString nowhere = dir.filePath("no-such-folder/out.bmp");
    try {
        Save_Pic(nowhere, PaletteBlock{}, 1, 1, header, std::vector<std::uint8_t>{0});
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_TRUE(test::isPrefixAndReason(error.what(), "Cannot open " + nowhere + ": ")) << error.what();
    }
}

}  // namespace palshift
