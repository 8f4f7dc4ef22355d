#include "platform/file_error.h"
#include "pictures/decoder_messages.h"
#include "pictures/image_conversion.h"
#include "pictures/picture_bytes.h"
#include "pictures/picture_end.h"
#include "pictures/picture_loading.h"
#include "picture_files.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <random>

namespace palshift {

namespace {

// The message decodePicture throws, or "" when it decodes the bytes.
std::string refusal(const QByteArray& bytes, const QString& name = "cut.pic")
{
    try {
        decodePicture(bytes, name);
        return {};
    } catch (const FileError& error) {
        EXPECT_EQ(error.file(), name);
        return error.what();
    }
}

// What this process has read from files so far, as the kernel counts it.
qint64 bytesReadSoFar()
{
    QFile io("/proc/self/io");
    if (!io.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read /proc/self/io");
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar: "))
            return line.mid(7).toLongLong();
    throw std::runtime_error("/proc/self/io has no rchar");
}

using test::grey;

}  // namespace

// A tRNS colour key (16 bits a channel, whatever the depth) makes its pixels transparent and keeps
// their stored colour, in grey and RGB depths; pixels are compared with the key at the file's depth,
// and 16-bit channels narrow with rounding.
TEST(PictureLoading, ColourKeyKeepsTheStoredColourInEveryDepth)
{
    // Rows of grey (type 0) or RGB (type 2) samples, each after its filter byte, keyed by a tRNS chunk.
    const auto png = [](int width, int depth, int type, const char* row, const char* key) {
        const QByteArray tRNS = test::pngChunk("tRNS", QByteArray::fromHex(key));
        return test::chunkedPng(quint32(width), 1, depth, type, QByteArray::fromHex(row), tRNS);
    };
    const std::pair<QByteArray, std::vector<QRgb>> cases[] = {
        {png(4, 1, 0, "0060", "0001"), {grey(0), grey(255, 0), grey(255, 0), grey(0)}},
        {png(4, 4, 0, "0005fa", "000f"), {grey(0), grey(85), grey(255, 0), grey(170)}},
        {png(2, 8, 0, "0040c0", "00c0"), {grey(64), grey(192, 0)}},
        {png(4, 16, 0, "00ffff fffe 00c0 8080", "ffff"), {grey(255, 0), grey(255), grey(1), grey(128)}},
        {png(3, 8, 2, "00ffffff 010203 fffffe", "00ff00ff00ff"), {grey(255, 0), qRgb(1, 2, 3), qRgb(255, 255, 254)}},
        {png(3, 16, 2, "00ffffffffffff fffffffffffe 010002000300", "ffffffffffff"), {grey(255, 0), grey(255), qRgb(1, 2, 3)}},
    };
    for (int i = 0; const auto& [file, expected] : cases) {
        const QImage picture = decodePicture(file, "key.png").convertToFormat(QImage::Format_ARGB32);
        std::vector<QRgb> pixels;
        for (int x = 0; x < picture.width(); ++x)
            pixels.push_back(picture.pixel(x, 0));
        EXPECT_EQ(pixels, expected) << "case " << i;  // streamed only on a failure
        ++i;
    }
}

// A PNG, GIF or BMP that ends before its own layout says is refused; bytes after its end are not its
// concern. A PNG is walked chunk by chunk up to IEND and a GIF block by block up to its trailer; a
// BMP's pixel data start at its header's offset (never inside the headers) and run for its rows, or
// for the image size when compressed.
TEST(PictureLoading, RefusesAPictureCutShort)
{
    const QByteArray png = test::chunkedPng(4, 1, 8, 0, QByteArray::fromHex("0000c8ff11"));
    // 1 x 1, a global table of white and black, a graphic control extension, one image of entry 0.
    const QByteArray gif = QByteArray::fromHex("474946383961 0100 0100 80 00 00 ffffff 000000"
                                               "21f9 04 00000000 00"
                                               "2c 0000 0000 0100 0100 00 02 02 4401 00 3b");
    const QByteArray rgb24 = test::bmpFile(5, 3, 24, std::vector<std::uint8_t>(45, 7), true);  // 54 + 3 rows of 16 bytes
    QByteArray bogusOffset = rgb24;
    bogusOffset.replace(10, 4, test::littleEndian32(0));
    QByteArray rle;  // 4 x 2 in 16 colours: a run of 4 of entry 7, end of line, 4 of 9, end of picture
    rle.append("\x04\x07\x00\x00\x04\x09\x00\x01", 8);
    QByteArray rle8 = test::bmpFile(4, 2, 8, std::vector<std::uint8_t>(8), true, std::vector<Rgb>(16, Rgb{32, 32, 32})).left(14 + 40 + 64) + rle;
    rle8.replace(2, 4, test::littleEndian32(quint32(rle8.size())));
    rle8.replace(30, 8, test::littleEndian32(1) + test::littleEndian32(8));  // compression, image size
    // An OS/2 header, and 16-bit fields with their masks after the header and an offset of 0 that Qt reads past.
    const QByteArray core = QByteArray::fromHex("424d 2a000000 00000000 1a000000 0c000000 0200 0200 0100 1800") + QByteArray(16, '\x40');
    const QByteArray fields = QByteArray::fromHex("424d 46000000 00000000 00000000 28000000 02000000 01000000 0100 1000 03000000 00000000"
                                                  "130b0000 130b0000 00000000 00000000 00f80000 e0070000 1f000000 1f00e007");
    const std::pair<QByteArray, QString> cases[] = {
        {png.left(12), "the picture needs at least 20"},  // inside IHDR's length and type
        {png.left(png.size() - 12), "it ends before its IEND chunk"},
        {png.left(png.size() - 1), QString("the picture needs at least %1").arg(png.size())},
        {gif.left(8), "the picture needs at least 13"},  {gif.left(16), "the picture needs at least 19"},
        {gif.left(22), "the picture needs at least 26"}, {gif.left(30), "the picture needs at least 37"},
        {gif.left(39), "the picture needs at least 41"}, {gif.left(42), "it ends before its trailer"},
        {core.left(41), "the picture needs 42"},         {fields.left(69), "the picture needs 70"},
        {rgb24.left(101), "the picture needs 102"},      {rgb24.left(30), "the picture needs 54"},
        {rgb24.left(10), "the picture needs 18"},        {bogusOffset.left(101), "the picture needs 102"},
        {rle8.left(rle8.size() - 1), "the picture needs 126"},
    };
    for (const auto& [bytes, message] : cases)
        EXPECT_EQ(refusal(bytes), QString("cut.pic: truncated: %1 bytes, %2").arg(bytes.size()).arg(message).toStdString());
    for (const QByteArray& intact : {png + "trailing bytes", gif, rgb24, bogusOffset, rle8, core, fields})
        EXPECT_EQ(refusal(intact), "");
}

// A whole GIF whose codes give fewer pixels than its image holds is refused rather than filled in.
TEST(PictureLoading, RefusesAGifWhoseImageDataEndsEarly)
{
    // 7 x 5 of entries 0 to 3 (black, red, green, blue), in codes of 3, 4 and 5 bits, then a clear
    // code and codes of 3 and 4 bits.
    QByteArray gif = QByteArray::fromHex("474946383961 0700 0500 81 00 00 000000 ff0000 00ff00 0000ff"
                                         "2c 0000 0000 0700 0500 00 02 0d 448c13311af22224d9c220b60b 00 3b");
    EXPECT_EQ(refusal(gif), "");
    gif[30] = 9;  // 9 x 4: one pixel more than the codes give
    gif[32] = 4;
    EXPECT_EQ(refusal(gif), "cut.pic: its image data ends early: image 1 holds 35 of its 36 pixels");
}

// A PNG whose image data inflate to far more than its rows is refused before libpng inflates it
// all; a little more is the decoder's to judge.
TEST(PictureLoading, RefusesAPngWithAFloodOfSurplusImageData)
{
    // Grey (type 0) or RGBA (type 6), of rows of zeros and then surplus zeros.
    const auto png = [&](quint32 width, quint32 height, int type, bool interlaced, qsizetype rows, qsizetype surplus) {
        return test::chunkedPng(width, height, 8, type, QByteArray(rows + surplus, '\0'), {}, interlaced);
    };
    const QString refused = "cut.pic: its image data hold more than %1 bytes past the %2 its rows need";
    EXPECT_EQ(refusal(png(16, 16, 6, 0, 1040, 2 << 20)), refused.arg(1 << 20).arg(1040).toStdString());
    EXPECT_EQ(refusal(png(16, 16, 6, 1, 1054, 2 << 20)), refused.arg(1 << 20).arg(1054).toStdString());
    EXPECT_EQ(refusal(png(1, 1, 6, 1, 5, 2 << 20)), refused.arg(1 << 20).arg(5).toStdString());
    EXPECT_EQ(refusal(png(16, 16, 6, 0, 1040, 1 << 20)), "");
    // Sizes PNG does not allow are not multiplied out (undefined behaviour the sanitized build shows).
    EXPECT_NE(refusal(png(0xffffffff, 0xffffffff, 6, 0, 5, 2 << 20)), "");
    // A large picture may have as much again.
    EXPECT_EQ(refusal(png(2048, 1024, 0, 0, 1024 * 2049, 3 << 20 >> 1)), "");
}

// What the decoder says about a picture it cannot read becomes part of the one message naming it;
// a PNG whose critical chunk fails its CRC check is refused before libpng reads it.
TEST(PictureLoading, FoldsTheDecodersMessagesIntoTheFailure)
{
    const QByteArray jpeg = QByteArray::fromHex("ffd8ffdb00") + QByteArray(10, '\0');  // a table of length 0
    EXPECT_EQ(refusal(jpeg, "bad.jpg"), "Cannot decode bad.jpg: Unable to read image data (Bogus marker length)");
    QByteArray file = test::chunkedPng(4, 1, 8, 0, QByteArray::fromHex("0000c8ff11"));
    file[file.size() - 13] = char(file[file.size() - 13] ^ 1);  // the IDAT chunk's CRC
    EXPECT_EQ(refusal(file, "bad.png"), "bad.png: damaged: its IDAT chunk at byte 33 fails its CRC check");
}

// A decoder that fills what is missing with pixels of its own is not believed: libjpeg says so in a
// warning, and an uncompressed TGA tells its size in its header.
TEST(PictureLoading, RefusesPixelsTheDecoderMadeUp)
{
    QImage picture(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) & 255));
    const QByteArray jpeg = test::encoded(picture, "JPG");
    EXPECT_EQ(refusal(jpeg, "whole.jpg"), "");
    EXPECT_EQ(refusal(QByteArray(), "empty.jpg"), "empty.jpg: the file is empty");
    const std::string cut = refusal(jpeg.first(jpeg.size() / 2), "cut.jpg");
    EXPECT_TRUE(cut.starts_with("Cannot decode cut.jpg: ") && cut.find("JPEG") != std::string::npos) << cut;

    // 2 x 2 pixels of 24 bits, uncompressed, with the footer of a TGA 2.0 file.
    const QByteArray header = QByteArray::fromHex("000002 0000000000 00000000 02000200 1800");
    const QByteArray footer = QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.\0", 18);
    const QByteArray pixels(12, '\x40');
    EXPECT_EQ(refusal(header + pixels + footer, "standard input"), "");  // no suffix to tell its format
    EXPECT_EQ(refusal(header + pixels.first(9) + footer, "short.tga"), "short.tga: truncated: 53 bytes, the pixels end at 30");
}

// A picture file is read up to where its format ends, in pieces, and the rest is left unread with a
// warning; a file whose end no walk finds (a TGA) is read whole.
TEST(PictureLoading, ReadsAFileOnlyUpToThePicturesEnd)
{
    QImage noise(400, 300, QImage::Format_RGB32);  // files of several pieces read
    std::mt19937 random(19);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, QRgb(random()));
    const auto saved = [&](const char* format, bool progressive) { return test::encoded(noise, format, 100, progressive); };
    // An extension, then an image with a table of its own.
    const QByteArray gif = QByteArray::fromHex("474946383961 0100 0100 00 00 00 21f9 04 00000000 00"
                                               "2c 0000 0000 0100 0100 80 ffffff 000000 02 02 4401 00 3b");
    const QByteArray tga = QByteArray::fromHex("000002 0000000000 00000000 01000100 1800 404040");
    // 2 x 1 in runs of 8 bits: their end is an end code, not a size.
    const QByteArray rle8 = QByteArray::fromHex("424d 42000000 00000000 3e000000 28000000 02000000 01000000 0100 0800"
                                                "01000000 04000000 00000000 00000000 02000000 00000000"
                                                "00000000 ffffff00 0201 0001");
    const QByteArray tail(3 << 20, '\xff');
    const struct {
        QByteArray picture;
        qsizetype held;  // with the tail
    } cases[] = {
        {gif, gif.size()}, {saved("PNG", false), -1}, {saved("JPG", false), -1}, {saved("JPG", true), -1},
        {saved("BMP", false), -1}, {tga, tga.size() + tail.size()}, {rle8, rle8.size() + tail.size()},
        {QByteArray("\xff\xd8\x00\xd9", 4), 4 + tail.size()},  // no marker where one must be
    };
    QTemporaryDir folder;
    const QString file = folder.filePath("picture");
    for (const auto& [picture, tailHeld] : cases) {
        // A BMP keeps room for a colour table of 256 entries and the masks, which a 24-bit one has not.
        const qsizetype held = tailHeld >= 0 ? tailHeld : picture.size() + (picture.startsWith("BM") ? 1040 : 0);
        for (const bool withTail : {true, false}) {
            const QByteArray bytes = withTail ? picture + tail : picture;
            test::writeBytes(file, bytes);
            const DecoderMessages messages;
            RegularFile input(file);
            const qint64 before = bytesReadSoFar();
            const QByteArray read = readPictureBytes(input, file, 1 << 30);
            const qint64 fileRead = bytesReadSoFar() - before;
            ASSERT_EQ(read, bytes.left(withTail ? held : bytes.size())) << picture.left(4).toHex().toStdString();
            if (read.size() < bytes.size()) {
                EXPECT_LT(fileRead, 1 << 20);
                EXPECT_EQ(read.capacity(), read.size());
            }
            // A walk that holds only its last piece finds the same end.
            RegularFile first(file), second(file);
            PictureHead all(first, 1 << 30), recent(second, 1 << 30, PictureHead::Held::Recent);
            EXPECT_EQ(pictureEnd(recent), pictureEnd(all));
            EXPECT_LT(recent.bytes().size(), 256 << 10);
            const QStringList warned{QString("palshift: warning: %1: the %2 bytes after the picture were not read").arg(file).arg(bytes.size() - held)};
            EXPECT_EQ(messages.kept(), withTail && held < bytes.size() ? warned : QStringList()) << picture.left(4).toHex().toStdString();
        }
    }
}

// Bands of rows, converted where Qt never waits on its thread pool, give Qt's own conversion.
TEST(ImageConversion, ConvertsInBandsAsQtDoesWhole)
{
    QImage indexed(333, 500, QImage::Format_Indexed8);  // several bands, the last one short
    QList<QRgb> table;
    for (int k = 0; k < 256; ++k)
        table.append(qRgba(k, 255 - k, k / 2, k));
    indexed.setColorTable(table);
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            indexed.setPixel(x, y, uint((x * 7 + y * 13) & 255));
    EXPECT_EQ(convertedHere(indexed, QImage::Format_ARGB32), indexed.convertToFormat(QImage::Format_ARGB32));
    const QImage mono = indexed.convertToFormat(QImage::Format_Mono);
    EXPECT_EQ(convertedHere(mono, QImage::Format_Indexed8), mono.convertToFormat(QImage::Format_Indexed8));
}

}  // namespace palshift
