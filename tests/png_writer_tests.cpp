#include "pictures/png_writer.h"

#include <QImage>
#include <QtEndian>

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace palshift {

namespace {

Palette distinctPalette()
{
    Palette palette;
    for (std::size_t i = 0; i < 256; ++i)
        palette[i] = {std::uint8_t(255 - i), std::uint8_t(3 * i), std::uint8_t(i ^ 0x5A)};
    return palette;
}

QByteArray writePng(int width, int height, const std::vector<std::uint8_t>& indices, std::optional<std::uint8_t> transparent)
{
    QByteArray bytes;
    StreamSink sink([&](std::span<const std::uint8_t> part) {
        bytes.append(reinterpret_cast<const char*>(part.data()), qsizetype(part.size()));
    });
    PngWriter writer(width, height, distinctPalette(), transparent, sink);
    for (int y = 0; y < height; ++y)
        writer.writeRow(std::span(indices).subspan(std::size_t(y * width), std::size_t(width)));
    writer.finish();
    return bytes;
}

// The data of the first chunk of that type, or "(none)".
QByteArray chunk(const QByteArray& png, const char* type)
{
    for (qsizetype at = 8; at + 8 <= png.size();) {
        const auto length = qsizetype(qFromBigEndian<quint32>(png.constData() + at));
        if (png.mid(at + 4, 4) == type)
            return png.mid(at + 8, length);
        at += 12 + length;
    }
    return "(none)";
}

}  // namespace

// Qt, an independent reader, sees the indices and the 256 entries; only tRNS's entry is transparent.
TEST(PngWriter, IndexedPicturesReadBackByQt)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> value(0, 255);
    const int width = 301, height = 97;  // rows of odd length, and more than one IDAT's worth
    std::vector<std::uint8_t> indices(std::size_t(width * height));
    for (std::uint8_t& index : indices)
        index = std::uint8_t(value(random));
    indices[0] = 0;
    indices[1] = 255;

    for (const std::optional<std::uint8_t> transparent : {std::optional<std::uint8_t>(), std::optional<std::uint8_t>(5)}) {
        SCOPED_TRACE(transparent ? "with a transparent entry" : "opaque");
        const QByteArray png = writePng(width, height, indices, transparent);
        EXPECT_EQ(chunk(png, "IHDR").mid(8, 2).toHex(), "0803");  // 8 bits, palette
        EXPECT_EQ(chunk(png, "PLTE").size(), 768);
        EXPECT_EQ(chunk(png, "tRNS").toHex(), transparent ? "ffffffffff00" : QByteArray("(none)").toHex());

        const QImage back = QImage::fromData(png, "PNG");
        ASSERT_EQ(back.format(), QImage::Format_Indexed8);
        ASSERT_EQ(back.size(), QSize(width, height));
        const QList<QRgb> table = back.colorTable();
        ASSERT_EQ(table.size(), 256);
        for (std::size_t i = 0; i < 256; ++i) {
            const Rgb entry = distinctPalette()[i];
            EXPECT_EQ(table[qsizetype(i)], qRgba(entry.red, entry.green, entry.blue, transparent == i ? 0 : 255)) << i;
        }
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                wrong += back.pixelIndex(x, y) != indices[std::size_t(y * width + x)];
        EXPECT_EQ(wrong, 0);
    }
}

TEST(PngWriter, PassesOnTheSinksFailureAndRefusesWrongRows)
{
    std::size_t written = 0;
    StreamSink failing([&](std::span<const std::uint8_t> bytes) {
        if ((written += bytes.size()) > 5000)  // after the header, within the rows
            throw std::runtime_error("No space left on device");
    });
    PngWriter writer(2000, 50, distinctPalette(), {}, failing);
    EXPECT_THROW(writer.writeRow(std::vector<std::uint8_t>(1999)), std::out_of_range);
    std::mt19937 random(1);
    std::vector<std::uint8_t> row(2000);
    try {
        for (int y = 0; y < 50; ++y) {
            for (std::uint8_t& index : row)
                index = std::uint8_t(random());
            writer.writeRow(row);
        }
        writer.finish();
        ADD_FAILURE() << "a failing sink went unnoticed";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "No space left on device");
    }
    EXPECT_THROW(writer.writeRow(row), std::logic_error);

    StreamSink refusingSink([](std::span<const std::uint8_t>) { throw std::runtime_error("Permission denied"); });
    EXPECT_THROW(PngWriter(1, 1, distinctPalette(), {}, refusingSink), std::runtime_error);

    StreamSink ignoring([](std::span<const std::uint8_t>) {});
    PngWriter twoRows(1, 2, distinctPalette(), {}, ignoring);
    twoRows.writeRow(std::vector<std::uint8_t>{1});
    EXPECT_THROW(twoRows.finish(), std::out_of_range);
    EXPECT_THROW(PngWriter(0, 2, distinctPalette(), {}, ignoring), std::out_of_range);
}

}  // namespace palshift
