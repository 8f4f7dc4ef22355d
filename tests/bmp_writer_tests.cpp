#include "bmp/bmp_writer.h"
#include "picture_files.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <limits>
#include <numeric>

namespace palshift {

// One file written over, longer and shorter, so that each time it must be exactly its new size.
TEST(SavePic, WritesTheWorkedExamplesByteForByte)
{
    QTemporaryDir dir;
    PaletteBlock PalCol{};
    for (std::size_t c = 0; c < 768; ++c)
        PalCol[c] = static_cast<std::uint8_t>(c * 5 + c / 3);
    const struct { int width, height; const char* headers; } examples[] = {
        {200, 200, "424d 76a00000 00000000 36040000 28000000 c8000000 c8000000 0100 0800 00000000 409c0000 00000000 00000000 00000000 00000000"},
        {5, 3, "424d 4e040000 00000000 36040000 28000000 05000000 03000000 0100 0800 00000000 18000000 00000000 00000000 00000000 00000000"},
    };
    for (const auto& [width, height, headers] : examples) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        BmpHeaderBytes header;
        header.fill(0xAA);  // so that a fixed byte InitBmpHeader leaves out shows
        std::vector<std::uint8_t> pixels(std::size_t(width * height));
        std::iota(pixels.begin(), pixels.end(), std::uint8_t{1});
        Save_Pic(dir.filePath("out.bmp"), PalCol, width, height, header, pixels);

        const QByteArray bytes = test::readBytes(dir.filePath("out.bmp"));
        EXPECT_EQ(bytes.left(54), QByteArray::fromHex(headers));
        EXPECT_EQ(bytes.left(14), QByteArray(reinterpret_cast<const char*>(header.data()), 14));  // left as written
        QByteArray colourTable, rows;
        for (std::size_t c = 0; c < 768; c += 3)
            colourTable.append(char(PalCol[c + 2])).append(char(PalCol[c + 1])).append(char(PalCol[c])).append('\0');
        EXPECT_EQ(bytes.mid(54, 1024), colourTable);
        for (int r = 0; r < height; ++r)  // in the buffer's order, each padded with zeros to 4 bytes
            rows.append(reinterpret_cast<const char*>(pixels.data()) + r * width, width).append((4 - width % 4) % 4, '\0');
        EXPECT_EQ(bytes.mid(1078), rows);
    }
}

// A writer finished short of its rows, or asked for one too many, would leave a wrong file.
TEST(BmpWriter, TakesExactlyItsRows)
{
    test::MemorySink sink;
    BmpWriter writer(2, 2, Palette{}, false, sink);
    writer.nextRow();
    EXPECT_THROW(writer.finish(), std::out_of_range);
    writer.nextRow();
    EXPECT_THROW(writer.nextRow(), std::out_of_range);
}

// Three pieces of about a MiB, the last one short, each at its place in either row order.
TEST(BmpWriter, PlacesEachPieceOfALargePicture)
{
    constexpr std::size_t width = 1024, rows = 3000;
    for (const bool bottomUp : {true, false}) {
        test::MemorySink sink;
        BmpWriter writer(width, rows, Palette{}, bottomUp, sink);
        for (std::size_t k = 0; k < rows; ++k)
            std::ranges::fill(writer.nextRow(), std::uint8_t(k * 7));
        writer.finish();
        ASSERT_EQ(std::size_t(sink.bytes.size()), 1078 + width * rows);
        for (std::size_t k = 0; k < rows; ++k) {
            const std::size_t fileRow = bottomUp ? k : rows - 1 - k;
            ASSERT_EQ(sink.bytes.mid(qsizetype(1078 + fileRow * width), width), QByteArray(width, char(k * 7)))
                << (bottomUp ? "bottom-up" : "top-down") << " row " << k;
        }
    }
}

TEST(BmpSizes, EverySizeMustFitSignedThirtyTwoBits)
{
    const std::int32_t tallest = (std::numeric_limits<std::int32_t>::max() - 1078) / 4;
    EXPECT_EQ(bmpSizes(4, tallest).fileSize, 1078 + 4 * tallest);
    EXPECT_THROW(bmpSizes(4, tallest + 1), std::overflow_error);
    EXPECT_THROW(bmpSizes(std::numeric_limits<std::int32_t>::max(), 0), std::overflow_error);  // the row stride
}

}  // namespace palshift
