#include "pictures/byte_input.h"
#include "pictures/png_rows.h"
#include "platform/file_error.h"
#include "picture_files.h"
#include "test_support.h"

#include <functional>
#include <string>

namespace palshift {

namespace {

// An RGB picture whose rows are given with their filter-type bytes: the zlib stream, edited, is cut
// into IDAT chunks of the given sizes (the rest in one more), with other chunks before and after them.
struct RgbPng {
    quint32 width = 3;
    QList<QByteArray> filteredRows = {QByteArray::fromHex("00010203040506070809"), QByteArray::fromHex("02010101010101010101")};
    std::function<void(QByteArray&)> editStream = [](QByteArray&) {};
    QList<qsizetype> idatSizes;
    QByteArray before, after;
    std::function<void(QByteArray&)> editFile = [](QByteArray&) {};

    QByteArray file() const
    {
        QByteArray stream = qCompress(filteredRows.join(), 9).mid(4);
        editStream(stream);
        QByteArray idat;
        qsizetype at = 0;
        for (const qsizetype size : idatSizes) {
            idat += test::pngChunk("IDAT", stream.mid(at, size));
            at += size;
        }
        if (idatSizes.isEmpty() || at < stream.size())
            idat += test::pngChunk("IDAT", stream.mid(at));
        // The signature and IHDR of a PNG of this size, 8-bit RGB.
        QByteArray png = test::chunkedPng(width, quint32(filteredRows.size()), 8, 2, {}).first(33) + before + idat + after
                         + test::pngChunk("IEND", {});
        editFile(png);
        return png;
    }
};

// Every row read, or the FileError's message.
QList<QByteArray> readAll(const QByteArray& file)
{
    MemoryInput input(test::bytesOf(file), QStringLiteral("rows.png"));
    try {
        PngRows rows(input);
        QList<QByteArray> read;
        for (int y = 0; y < rows.height(); ++y) {
            const auto row = rows.nextRow();
            read.append(QByteArray(reinterpret_cast<const char*>(row.data()), qsizetype(row.size())));
        }
        return read;
    } catch (const FileError& error) {
        return {error.what()};
    }
}

const QList<QByteArray> expectedRows = {QByteArray::fromHex("010203040506070809"), QByteArray::fromHex("02030405060708090a")};

}  // namespace

// The zlib stream may be cut into IDAT chunks anywhere, empty ones included, and ancillary chunks
// may stand before and after the image data.
TEST(PngRows, ReadsTheStreamAcrossChunks)
{
    RgbPng png;
    EXPECT_EQ(readAll(png.file()), expectedRows);
    png.idatSizes = {1, 0, 1, 3, 0, 2};
    png.before = test::pngChunk("tEXt", QByteArray("a\0b", 3));
    png.after = test::pngChunk("tIME", QByteArray::fromHex("07e6010100 0000"));
    EXPECT_EQ(readAll(png.file()), expectedRows);
}

// A tRNS chunk keys the picture's transparency (Qt's decoder then reads it), whatever ancillary
// chunks follow it.
TEST(PngRows, KeepsTheColourKeyPastLaterChunks)
{
    const auto keyed = [](const QByteArray& before) {
        RgbPng png;
        png.before = before;
        const QByteArray file = png.file();
        MemoryInput input(test::bytesOf(file), QStringLiteral("keyed.png"));
        return PngRows(input).keysTransparency();
    };
    EXPECT_FALSE(keyed(test::pngChunk("pHYs", QByteArray(9, 1))));
    for (const char* after : {"pHYs", "bKGD", "tEXt"})
        EXPECT_TRUE(keyed(test::pngChunk("tRNS", QByteArray::fromHex("000100020003")) + test::pngChunk(after, QByteArray(6, 1))))
            << "tRNS, then " << after;
}

// What the zlib stream, a checksum or the chunks make doubtful is refused, for Qt's decoder to judge.
TEST(PngRows, RefusesDamagedOrDoubtfulImageData)
{
    // Rows that repeat 600 bytes back, beyond a declared window of 256 but not of 32 KiB.
    QByteArray row(601, '\0');
    for (int i = 1; i < 601; ++i)
        row[i] = char(i * 7 + i / 5);
    const QList<QByteArray> repeating = {row, row};
    QByteArray badText = test::pngChunk("tEXt", QByteArray("a\0b", 3));
    badText.back() ^= 1;
    const std::pair<const char*, std::function<void(RgbPng&)>> cases[] = {
        {"Adler-32", [](RgbPng& p) { p.editStream = [](QByteArray& stream) { stream.back() ^= 1; }; }},
        {"data after the stream", [](RgbPng& p) { p.editStream = [](QByteArray& stream) { stream.append('\0'); }; }},
        {"header check", [](RgbPng& p) { p.editStream = [](QByteArray& stream) { stream[1] ^= 1; }; }},
        {"preset dictionary", [](RgbPng& p) {
             p.editStream = [](QByteArray& stream) {
                 const int flags = std::uint8_t(stream[1]) | 0x20;
                 stream[1] = char(flags - (std::uint8_t(stream[0]) * 256 + flags) % 31);
             };
         }},
        {"IDAT CRC", [](RgbPng& p) { p.editFile = [](QByteArray& file) { file[file.size() - 12 - 1] ^= 1; }; }},
        {"ancillary CRC", [&](RgbPng& p) { p.before = badText; }},
        {"IDAT after the stream", [](RgbPng& p) { p.after = test::pngChunk("IDAT", QByteArray(1, '\0')); }},
        {"PLTE after the data", [](RgbPng& p) { p.after = test::pngChunk("PLTE", "\1\2\3"); }},
        {"unknown critical chunk", [](RgbPng& p) { p.before = test::pngChunk("ABCD", {}); }},
        {"filter type 5", [](RgbPng& p) { p.filteredRows[1][0] = 5; }},
        {"a row short", [](RgbPng& p) { p.filteredRows[1].chop(1); }},
        {"a row long", [](RgbPng& p) { p.filteredRows[1].append('\0'); }},
        {"small window", [&](RgbPng& p) {
             p.width = 200;
             p.filteredRows = repeating;
             p.editStream = [](QByteArray& stream) { stream.replace(0, 2, QByteArray::fromHex("081d")); };  // 0x081d is a multiple of 31
         }},
    };
    for (const auto& [what, change] : cases) {
        RgbPng png;
        change(png);
        const QList<QByteArray> result = readAll(png.file());
        EXPECT_TRUE(result.size() == 1 && result[0].startsWith("Cannot decode rows.png: ")) << what << ": " << result.join(' ').toHex().constData();
    }
    // The same rows within the window are read.
    RgbPng wide;
    wide.width = 200;
    wide.filteredRows = repeating;
    EXPECT_EQ(readAll(wide.file()).size(), 2);
    // An index past the palette is libpng's to warn about, naming the picture, on Qt's path.
    const QByteArray indexed = test::chunkedPng(3, 1, 8, 3, QByteArray::fromHex("00000102"), test::pngChunk("PLTE", QByteArray(6, '\1')));
    EXPECT_EQ(readAll(indexed), QList<QByteArray>{"Cannot decode rows.png: a palette index past its 2 colours"});
}

}  // namespace palshift
