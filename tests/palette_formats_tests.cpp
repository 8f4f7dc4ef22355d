#include "palettes/palette_formats.h"
#include "pictures/palette_picture.h"
#include "platform/file_error.h"
#include "picture_files.h"
#include "test_support.h"

#include <QImage>
#include <QTemporaryDir>

namespace palshift {

namespace {

// The lines "R G B" of entries first.. of rampPalette, each followed by end.
QByteArray rampLines(std::size_t first, std::size_t last, const char* end = "\n")
{
    QByteArray text;
    for (std::size_t i = first; i <= last; ++i)
        text += QByteArray::number(i) + ' ' + QByteArray::number(255 - i) + ' ' + QByteArray::number(std::uint8_t(7 * i)) + end;
    return text;
}

QByteArray riffFile(const QByteArray& chunks) { return "RIFF" + test::littleEndian32(quint32(4 + chunks.size())) + "PAL " + chunks; }

// A data chunk of rampPalette's 256 entries, each with a flags byte, which is ignored.
QByteArray riffData(int version)
{
    QByteArray entries;
    for (const Rgb& entry : test::distinctPalette())
        entries.append(char(entry.red)).append(char(entry.green)).append(char(entry.blue)).append('\x55');
    return "data" + test::littleEndian32(4 + 1024) + char(version) + char(version >> 8) + QByteArray::fromHex("0001") + entries;
}

// The message of the FileError that decoding bytes as format throws.
std::string refusal(const QByteArray& bytes, PaletteFormat format = PaletteFormat::Auto, const QString& file = "p/x.pal")
{
    return test::fileErrorOf([&] { decodePalette(bytes, file, format, decodePicturePalette); });
}

void expectRamp(const LoadedPalette& loaded, PaletteFormat format)
{
    EXPECT_EQ(loaded.format, format);
    EXPECT_EQ(loaded.colours, test::distinctPalette()) << "as " << qPrintable(paletteFormatName(format));
}

}  // namespace

// A raw file is taken as it stands, and the second game's pal.dat in blue, green, red order; a raw
// palette whose first bytes look like a picture's or another palette format's is still raw.
TEST(PaletteFormats, RawPalettesByNameAndOrder)
{
    QByteArray bytes(768, '\0');
    for (int i = 0; i < 768; ++i)
        bytes[i] = char(i % 256);
    const LoadedPalette rgb = decodePalette(bytes, "diablo.pal");
    EXPECT_EQ(rgb.format, PaletteFormat::Rgb);
    EXPECT_EQ(std::pair(rgb.colours[0], rgb.colours[255]), std::pair(Rgb{0, 1, 2}, Rgb{253, 254, 255}));
    for (const char* name : {"act1/PAL.DAT", "Pal.Dat"}) {
        const LoadedPalette bgr = decodePalette(bytes, name);
        EXPECT_EQ(bgr.format, PaletteFormat::Bgr) << name;
        EXPECT_EQ(bgr.colours[85], (Rgb{1, 0, 255}));
    }
    EXPECT_EQ(decodePalette(bytes, "mypal.dat").format, PaletteFormat::Rgb);
    EXPECT_EQ(decodePalette(bytes, "pal.dat", PaletteFormat::Rgb).colours[0], (Rgb{0, 1, 2}));
    for (const QByteArray& signature : {QByteArray("BM\x01"), QByteArray("JASC-PAL\n"), QByteArray("GIMP Palette\n"), riffFile("data")}) {
        bytes.replace(0, signature.size(), signature);
        EXPECT_EQ(decodePalette(bytes, "x.pal").colours[0], (Rgb{std::uint8_t(signature[0]), std::uint8_t(signature[1]), std::uint8_t(signature[2])}));
        EXPECT_EQ(decodePalette(bytes + QByteArray::fromHex("0100ffff"), "x.pal").format, PaletteFormat::Act) << signature.constData();
    }

    EXPECT_EQ(refusal(QByteArray(769, 'a'), PaletteFormat::Rgb), "p/x.pal: holds 769 bytes; a palette of RGB is exactly 768 bytes");
    EXPECT_EQ(refusal(QByteArray(1000, 'a')), "p/x.pal: not a palette: 1,000 bytes; expected 768 bytes of RGB, or a "
                                              "JASC-PAL, GIMP, RIFF or ACT palette, or an 8-bit picture");
}

TEST(PaletteFormats, ActWithAndWithoutItsCountAndTransparentEntry)
{
    const QByteArray colours = test::paletteBytes(test::distinctPalette());
    const LoadedPalette plain = decodePalette(colours, "x.act", PaletteFormat::Act);
    expectRamp(plain, PaletteFormat::Act);
    EXPECT_FALSE(plain.transparentIndex);
    const LoadedPalette marked = decodePalette(colours + QByteArray::fromHex("0100 00ff"), "x.act");
    expectRamp(marked, PaletteFormat::Act);
    EXPECT_EQ(marked.transparentIndex, 255);
    EXPECT_FALSE(decodePalette(colours + QByteArray::fromHex("0100 ffff"), "x.act").transparentIndex);

    EXPECT_EQ(refusal(colours + QByteArray::fromHex("0010 ffff")), "p/x.pal: holds 16 colours; a palette needs 256");
    EXPECT_EQ(refusal(colours + QByteArray::fromHex("0100 0100")),
              "p/x.pal: offset 770: transparent entry 256; expected 0 to 255, or 65535 for none");
}

TEST(PaletteFormats, JascTextWithEitherLineEnd)
{
    for (const char* end : {"\n", "\r\n"}) {
        const QByteArray header = QByteArray("JASC-PAL") + end + "0100" + end + "256" + end;
        expectRamp(decodePalette(header + rampLines(0, 255, end) + end, "x.pal"), PaletteFormat::Jasc);
        expectRamp(decodePalette(header + rampLines(0, 254, end) + "255 0 249", "x.pal"), PaletteFormat::Jasc);
    }
    const QByteArray header = "JASC-PAL\n0100\n256\n";
    EXPECT_EQ(refusal(header + rampLines(0, 2) + "3 252 256\n" + rampLines(4, 255)),
              "p/x.pal: line 7: expected three numbers from 0 to 255");
    EXPECT_EQ(refusal(header + rampLines(0, 199)), "p/x.pal: ends after 200 of 256 colours");
    EXPECT_EQ(refusal("JASC-PAL\n0200\n256\n" + rampLines(0, 255)), "p/x.pal: line 2: expected the version 0100");
    EXPECT_EQ(refusal(header + rampLines(0, 255) + "1 2 3\n"), "p/x.pal: line 260: expected the end of the palette after 256 colours");
}

TEST(PaletteFormats, GimpTextWithHeaderCommentsAndNames)
{
    QByteArray text = "GIMP Palette\r\nName: Act 1\r\nColumns: 16\r\n#\r\n# a comment\r\n";
    for (std::size_t i = 0; i < 256; ++i) {
        const QByteArray line = QByteArray::number(i).rightJustified(3) + ' ' + QByteArray::number(255 - i).rightJustified(3)
                                + '\t' + QByteArray::number(std::uint8_t(7 * i));
        text += i % 3 == 0 ? line + "\r\n" : i % 3 == 1 ? line + "\tColour " + QByteArray::number(i) + "\r\n" : line + "\r\n\r\n";
    }
    expectRamp(decodePalette(text + "# the end\r\n", "x.gpl"), PaletteFormat::Gpl);
    const QByteArray header = "GIMP Palette\nName: x\n";
    EXPECT_EQ(refusal(header + rampLines(0, 255) + rampLines(0, 43)), "p/x.pal: holds 300 colours; a palette needs 256");
    EXPECT_EQ(refusal(header + rampLines(0, 3) + "12 34 56Red\n" + rampLines(5, 255)),
              "p/x.pal: line 7: expected three numbers from 0 to 255");
    EXPECT_EQ(refusal(header + rampLines(0, 3) + "Name: late\n" + rampLines(5, 255)),
              "p/x.pal: line 7: expected three numbers from 0 to 255");
}

TEST(PaletteFormats, RiffDataChunkAmongOthers)
{
    // A chunk of odd size before it is padded to an even length.
    expectRamp(decodePalette(riffFile(QByteArray("note\x03\0\0\0abc\0", 12) + riffData(0x0300)), "x.pal"),
               PaletteFormat::Riff);
    EXPECT_EQ(refusal(riffFile(riffData(0x0200))), "p/x.pal: offset 20: version 0x0200; expected 0x0300");
    EXPECT_EQ(refusal(riffFile(QByteArray("junk\0\0\0\0", 8))), "p/x.pal: no data chunk; a RIFF palette needs one");
    QByteArray shortChunk = riffFile(riffData(0x0300));
    shortChunk[16] = char(0x05);  // the data chunk one byte longer than the file
    EXPECT_EQ(refusal(shortChunk), "p/x.pal: offset 12: truncated: the chunk needs 1029 bytes, 1028 are left");
}

// The colour table of an 8-bit picture, and clear refusals of pictures that have none of 256.
TEST(PaletteFormats, PictureColourTables)
{
    const Palette ramp = test::distinctPalette();
    QImage indexed(3, 2, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (const Rgb& entry : ramp)
        table.append(qRgb(entry.red, entry.green, entry.blue));
    indexed.setColorTable(table);
    indexed.fill(7);
    const auto saved = [](const QImage& image) { return test::encoded(image, "PNG"); };
    expectRamp(decodePalette(saved(indexed), "x.img", PaletteFormat::Auto, decodePicturePalette), PaletteFormat::Picture);
    // One pixel of entry 5 under a global table of 256 colours.
    const QByteArray gif = "GIF89a" + QByteArray::fromHex("0100 0100 f7 00 00") + test::paletteBytes(ramp)
                           + QByteArray::fromHex("2c 0000 0000 0100 0100 00 08 04 000b0404 00 3b");
    expectRamp(decodePalette(gif, "x.gif", PaletteFormat::Auto, decodePicturePalette), PaletteFormat::Picture);
    EXPECT_EQ(refusal(saved(indexed.convertToFormat(QImage::Format_RGB32))), "p/x.pal: not an 8-bit indexed picture, so it has no palette to take");
    indexed.setColorTable(table.mid(0, 16));
    EXPECT_EQ(refusal(saved(indexed)), "p/x.pal: holds 16 colours; a palette needs 256");
    // A picture of the largest size is read as far as its data go, and the decoder's reason is told.
    const QByteArray largest = test::chunkedPng(16384, 16384, 8, 3, QByteArray(16385, '\0'), test::pngChunk("PLTE", test::paletteBytes(ramp)));
    const std::string cut = refusal(largest);
    EXPECT_TRUE(cut.starts_with("p/x.pal: cannot be read as PNG: ") && cut.find("(libpng error: ") != std::string::npos) << cut;
}

// A file is read whole; one too large to be any palette is refused unread.
TEST(PaletteFormats, ReadsFilesAndRefusesWhatIsNotOne)
{
    QTemporaryDir dir;
    test::writeBytes(dir.filePath("pal.dat"), test::paletteBytes(test::distinctPalette()));
    EXPECT_EQ(readPalette(dir.filePath("pal.dat"), PaletteFormat::Rgb).colours, test::distinctPalette());
    {
        QFile huge(dir.filePath("huge.pal"));  // sparse: over 256 MiB on no disk
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(300'000'000));
    }
    const std::pair<QString, QString> cases[] = {
        {dir.filePath("missing.pal"), "Cannot open %1: No such file or directory"},
        {dir.filePath("huge.pal"), "%1: not a palette: 300,000,000 bytes; the largest palette file holds 268,435,456 bytes"},
    };
    for (const auto& [file, message] : cases) {
        const QString& name = file;  // clang 14 cannot capture a structured binding
        EXPECT_EQ(test::fileErrorOf([&] { readPalette(name); }), QString(message).arg(name).toStdString());
    }
}

}  // namespace palshift
