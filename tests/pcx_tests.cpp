#include "pictures/pcx_reader.h"
#include "pictures/pcx_writer.h"
#include "pictures/palette_picture.h"
#include "pictures/picture_loading.h"
#include "platform/file_error.h"
#include "picture_files.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace palshift {

namespace {

// A PCX header with the given geometry and EGA table, then data and trailer as given.
QByteArray pcxFile(int bits, int planes, int width, int height, int bytesPerLine, const QByteArray& data,
                   const QByteArray& trailer = {}, int encoding = 1, const QByteArray& egaTable = {})
{
    QByteArray header(128, '\0');
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = char(encoding);
    header[3] = char(bits);
    header[4] = 2;  // a window that does not start at 0, 0
    header[6] = 3;
    header[8] = char(width + 1);
    header[10] = char(height + 2);
    header.replace(16, egaTable.size(), egaTable);
    header[65] = char(planes);
    header[66] = char(bytesPerLine);
    header[67] = char(bytesPerLine >> 8);
    return header + data + trailer;
}

// The 256-colour table at the end of an 8-bit file, of test::distinctPalette().
QByteArray paletteTrailer() { return '\x0C' + test::paletteBytes(test::distinctPalette()); }

std::string refusal(const QByteArray& bytes)
{
    return test::fileErrorOf([&] { readPcx(bytes, "in/x.pcx"); });
}

}  // namespace

// Runs longer than 63, single bytes of 0xC0 and above, and the padding byte of an odd width.
TEST(PcxWriter, WritesHandComputedBytes)
{
    std::vector<std::uint8_t> first(67, 7), second{0xC0, 9, 9, 0xD5, 0xD5, 0xD5};
    second.resize(67, 3);
    test::MemorySink out(false);
    PcxWriter writer(67, 2, test::distinctPalette(), out);
    writer.writeRow(first);
    writer.writeRow(second);
    writer.finish();

    QByteArray header(128, '\0');
    header.replace(0, 16, QByteArray::fromHex("0a050108 00000000 42000100 48004800"));
    header.replace(64, 6, QByteArray::fromHex("00 01 4400 0100"));
    const QByteArray rows = QByteArray::fromHex("ff07 c407 00" "c1c0 c209 c3d5 fd03 00");
    EXPECT_EQ(out.bytes.toHex(' '), (header + rows + paletteTrailer()).toHex(' '));
}

TEST(PcxWriter, LargePicturesGoOutInPartsAndReadBack)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> value(0, 255), length(1, 2);
    const int width = 301, height = 280;
    std::vector<std::uint8_t> pixels;
    pixels.insert(pixels.end(), 70, 9);  // one run longer than 63
    while (pixels.size() < std::size_t(width * height))
        pixels.insert(pixels.end(), std::size_t(length(random)), std::uint8_t(value(random)));
    test::MemorySink out(false);
    PcxWriter writer(width, height, test::distinctPalette(), out);
    for (int y = 0; y < height; ++y)
        writer.writeRow(std::span(pixels).subspan(std::size_t(y * width), std::size_t(width)));
    writer.finish();
    EXPECT_GT(out.writes, 1);
    const std::vector<int> back = test::indicesOf(readPcx(out.bytes, "x.pcx"));
    EXPECT_TRUE(std::equal(back.begin(), back.end(), pixels.begin(), pixels.begin() + width * height));
}

TEST(PcxWriter, RefusesWrongSizesAndRowCounts)
{
    test::MemorySink out(false);
    EXPECT_THROW(PcxWriter(0, 5, {}, out), std::out_of_range);
    EXPECT_NO_THROW(PcxWriter(65534, 1, {}, out));
    EXPECT_THROW(PcxWriter(65535, 1, {}, out), std::out_of_range);
    PcxWriter writer(2, 1, {}, out);
    EXPECT_THROW(writer.writeRow(std::vector<std::uint8_t>(3)), std::out_of_range);
    writer.writeRow(std::vector<std::uint8_t>(2));
    EXPECT_THROW(writer.writeRow(std::vector<std::uint8_t>(2)), std::out_of_range);
}

TEST(PcxReader, EveryDepthAndPlaneLayout)
{
    QByteArray ega;
    for (int i = 0; i < 48; ++i)
        ega.append(char(100 + i));

    // 8 bits: a run that carries over into the next row, and a run of none, which gives nothing.
    const QByteArray file = pcxFile(8, 1, 3, 2, 4, QByteArray::fromHex("05 c406 c0ff c1c1 0708"), paletteTrailer());
    const QImage indexed = readPcx(file, "x.pcx");
    EXPECT_EQ(test::indicesOf(indexed), (std::vector<int>{5, 6, 6, 6, 0xC1, 7}));
    EXPECT_EQ(indexed.colorTable()[1], qRgb(1, 254, 7));
    // Qt has no PCX reader: what looks like PCX is this reader's, as a picture or as a palette.
    EXPECT_EQ(decodePicture(file, "x.img"), indexed);
    EXPECT_EQ(decodePicturePalette(file, "x.img"), test::distinctPalette());

    // 24 bits: red, green and blue planes of each row.
    const QImage rgb = readPcx(pcxFile(8, 3, 2, 1, 2, QByteArray::fromHex("0a0b 1415 c21e")), "x.pcx");
    ASSERT_EQ(rgb.format(), QImage::Format_RGB32);
    EXPECT_EQ(rgb.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(rgb.pixel(1, 0), qRgb(11, 21, 30));
    // An odd width: each plane is padded to the even bytes per line.
    const QImage odd = readPcx(pcxFile(8, 3, 3, 1, 4, QByteArray::fromHex("0a0b0c00 14151600 1e1f2000")), "x.pcx");
    EXPECT_EQ(std::vector({odd.pixel(0, 0), odd.pixel(2, 0)}), std::vector({qRgb(10, 20, 30), qRgb(12, 22, 32)}));

    // 1 bit in one plane: black and white, whatever the header's table.
    const QImage mono = readPcx(pcxFile(1, 1, 10, 1, 2, QByteArray::fromHex("a5 c1c0"), {}, 1, ega), "x.pcx");
    EXPECT_EQ(test::indicesOf(mono), (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
    EXPECT_EQ(mono.colorTable(), (QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));

    // 1 bit in four planes: plane p gives bit p of the index into the header's table.
    const QImage planar = readPcx(pcxFile(1, 4, 3, 1, 1, QByteArray::fromHex("80 40 c1e0 20"), {}, 1, ega), "x.pcx");
    EXPECT_EQ(test::indicesOf(planar), (std::vector<int>{0b0101, 0b0110, 0b1100}));
    EXPECT_EQ(planar.colorTable()[15], qRgb(145, 146, 147));

    EXPECT_EQ(test::indicesOf(readPcx(pcxFile(4, 1, 3, 1, 2, QByteArray::fromHex("3fa0"), {}, 1, ega), "x.pcx")), (std::vector<int>{3, 15, 10}));
}

// Every malformed file ends in a message naming it and what was wrong.
TEST(PcxReader, RefusesMalformedFiles)
{
    const QByteArray trailer = paletteTrailer();
    EXPECT_EQ(refusal(pcxFile(8, 1, 3, 2, 4, QByteArray::fromHex("c806"), trailer).left(127)),
              "in/x.pcx: truncated: 127 bytes, a PCX header needs 128");
    QByteArray notZSoft = pcxFile(8, 1, 3, 1, 3, "abc", trailer);
    notZSoft[0] = 0x0B;
    EXPECT_EQ(refusal(notZSoft), "in/x.pcx: offset 0: expected a PCX header (0x0A, version, encoding, bits per pixel)");
    EXPECT_EQ(refusal(pcxFile(8, 1, 3, 2, 4, QByteArray::fromHex("c406 c4"), trailer)), "in/x.pcx: truncated: the pixel data ends in row 2 of 2");
    EXPECT_EQ(refusal(pcxFile(8, 1, 3, 1, 3, QByteArray::fromHex("c306"), trailer.mid(1))),
              "in/x.pcx: no 256-colour table: expected 0x0C and 768 bytes at the end of the file");
    EXPECT_EQ(refusal(pcxFile(8, 1, 200, 200, 200, QByteArray(600, '\xFF'), trailer)),
              "in/x.pcx: truncated: 600 bytes of pixel data, the picture needs at least 635");
    EXPECT_EQ(refusal(pcxFile(8, 2, 3, 1, 3, "abcdef", trailer)),
              "in/x.pcx: 8 bits per pixel in 2 planes; expected 8 in 1 or 3, 1 in 1 to 4, or 4 in 1");
    EXPECT_EQ(refusal(pcxFile(4, 1, 5, 1, 2, "abc")), "in/x.pcx: offset 66: 2 bytes per line; 5 pixels of 4 bits need 3");

    QByteArray huge = pcxFile(8, 1, 3, 1, 4, "abcd", trailer);
    huge[8] = char(16385 & 0xFF);  // the window 2 to 16385: 16384 columns, the largest
    huge[9] = char(16385 >> 8);
    huge[66] = 0;
    huge[67] = char(0x40);
    EXPECT_EQ(refusal(huge), "in/x.pcx: truncated: 4 bytes of pixel data, the picture needs at least 261");
    huge[8] = char(16386 & 0xFF);
    EXPECT_EQ(refusal(huge), "in/x.pcx: 16385 x 1 pixels; the largest picture is 16384 x 16384");
    QByteArray backwards = pcxFile(8, 1, 3, 1, 4, "abcd", trailer);
    backwards[10] = 2;  // last row 2 above the first, 3
    EXPECT_EQ(refusal(backwards), "in/x.pcx: offset 4: the window 2, 3 to 4, 2 holds no pixel");
}

}  // namespace palshift
