#include "pictures/byte_input.h"
#include "pictures/png_rows.h"
#include "platform/file_error.h"
#include "picture_files.h"

#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <variant>
#include <string>
#include <vector>

namespace palshift {

namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& file, const char* type, const Bytes& data)
{
    const QByteArray chunk = test::pngChunk(type, QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));
    file.insert(file.end(), chunk.begin(), chunk.end());
}

// An RGB picture whose rows are given with their filter-type bytes, compressed whole by zlib.
struct RgbPng {
    std::uint32_t width = 3;
    std::vector<Bytes> filteredRows = {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {2, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
    std::function<void(Bytes&)> editStream = [](Bytes&) {};
    std::vector<std::size_t> idatSizes;  // how the stream is cut into IDAT chunks; one chunk when empty
    std::function<void(Bytes&)> beforeIdat = [](Bytes&) {};
    std::function<void(Bytes&)> afterIdat = [](Bytes&) {};

    Bytes file() const
    {
        Bytes raw;
        for (const Bytes& row : filteredRows)
            raw.insert(raw.end(), row.begin(), row.end());
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        Bytes stream(size);
        compress(stream.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
        stream.resize(size);
        editStream(stream);

        Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        Bytes header(13, 0);
        qToBigEndian<quint32>(width, header.data());
        qToBigEndian<quint32>(static_cast<quint32>(filteredRows.size()), header.data() + 4);
        header[8] = 8, header[9] = 2;
        append(png, "IHDR", header);
        beforeIdat(png);
        std::size_t at = 0;
        for (std::size_t cut : idatSizes.empty() ? std::vector<std::size_t>{stream.size()} : idatSizes) {
            cut = std::min(cut, stream.size() - at);
            append(png, "IDAT", Bytes(stream.begin() + static_cast<std::ptrdiff_t>(at), stream.begin() + static_cast<std::ptrdiff_t>(at + cut)));
            at += cut;
        }
        if (at < stream.size())
            append(png, "IDAT", Bytes(stream.begin() + static_cast<std::ptrdiff_t>(at), stream.end()));
        afterIdat(png);
        append(png, "IEND", {});
        return png;
    }
};

// Every row read, or the FileError's message.
std::variant<std::vector<Bytes>, std::string> readAll(const Bytes& file)
{
    MemoryInput input(file, QStringLiteral("rows.png"));
    try {
        PngRows rows(input);
        std::vector<Bytes> read;
        for (int y = 0; y < rows.height(); ++y) {
            const auto row = rows.nextRow();
            read.emplace_back(row.begin(), row.end());
        }
        return read;
    } catch (const FileError& error) {
        return std::string(error.what());
    }
}

const std::vector<Bytes> expectedRows = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {2, 3, 4, 5, 6, 7, 8, 9, 10}};

}  // namespace

// The zlib stream may be cut into IDAT chunks anywhere, empty ones included, and ancillary chunks
// may stand before and after the image data.
TEST(PngRows, ReadsTheStreamAcrossChunks)
{
    RgbPng png;
    EXPECT_EQ(readAll(png.file()), (decltype(readAll({})){expectedRows}));
    png.idatSizes = {1, 0, 1, 3, 0, 2};
    png.beforeIdat = [](Bytes& file) { append(file, "tEXt", {'a', 0, 'b'}); };
    png.afterIdat = [](Bytes& file) { append(file, "tIME", {7, 0xE6, 1, 1, 0, 0, 0}); };
    EXPECT_EQ(readAll(png.file()), (decltype(readAll({})){expectedRows}));
}

// A tRNS chunk keys the picture's transparency (Qt's decoder then reads it), whatever ancillary
// chunks follow it.
TEST(PngRows, KeepsTheColourKeyPastLaterChunks)
{
    const auto keyed = [](const std::function<void(Bytes&)>& beforeIdat) {
        RgbPng png;
        png.beforeIdat = beforeIdat;
        const Bytes file = png.file();
        MemoryInput input(file, QStringLiteral("keyed.png"));
        return PngRows(input).keysTransparency();
    };
    EXPECT_FALSE(keyed([](Bytes& file) { append(file, "pHYs", Bytes(9, 1)); }));
    for (const char* after : {"pHYs", "bKGD", "tEXt"})
        EXPECT_TRUE(keyed([&](Bytes& file) {
            append(file, "tRNS", {0, 1, 0, 2, 0, 3});
            append(file, after, Bytes(6, 1));
        })) << "tRNS, then " << after;
}

// What the zlib stream, a checksum or the chunks make doubtful is refused, for Qt's decoder to judge.
TEST(PngRows, RefusesDamagedOrDoubtfulImageData)
{
    // Rows that repeat 600 bytes back, beyond a declared window of 256 but not of 32 KiB.
    std::vector<Bytes> repeating(2, Bytes(601, 0));
    for (std::size_t i = 1; i < 601; ++i)
        repeating[0][i] = repeating[1][i] = static_cast<std::uint8_t>(i * 7 + i / 5);
    const std::pair<const char*, std::function<void(RgbPng&)>> cases[] = {
        {"Adler-32", [](RgbPng& p) { p.editStream = [](Bytes& stream) { stream.back() ^= 1; }; }},
        {"data after the stream", [](RgbPng& p) { p.editStream = [](Bytes& stream) { stream.push_back(0); }; }},
        {"header check", [](RgbPng& p) { p.editStream = [](Bytes& stream) { stream[1] ^= 1; }; }},
        {"preset dictionary", [](RgbPng& p) {
             p.editStream = [](Bytes& stream) {
                 stream[1] |= 0x20;
                 stream[1] = static_cast<std::uint8_t>(stream[1] - (stream[0] * 256 + stream[1]) % 31);
             };
         }},
        {"IDAT CRC", [](RgbPng& p) { p.afterIdat = [](Bytes& file) { file[file.size() - 12 - 1] ^= 1; }; }},
        {"ancillary CRC", [](RgbPng& p) { p.beforeIdat = [](Bytes& file) { append(file, "tEXt", {'a', 0, 'b'}), file.back() ^= 1; }; }},
        {"IDAT after other chunks", [](RgbPng& p) { p.afterIdat = [](Bytes& file) { append(file, "tEXt", {'a', 0}), append(file, "IDAT", {0}); }; }},
        {"IDAT after the stream", [](RgbPng& p) { p.afterIdat = [](Bytes& file) { append(file, "IDAT", {0}); }; }},
        {"PLTE after the data", [](RgbPng& p) { p.afterIdat = [](Bytes& file) { append(file, "PLTE", {1, 2, 3}); }; }},
        {"unknown critical chunk", [](RgbPng& p) { p.beforeIdat = [](Bytes& file) { append(file, "ABCD", {}); }; }},
        {"filter type 5", [](RgbPng& p) { p.filteredRows[1][0] = 5; }},
        {"a row short", [](RgbPng& p) { p.filteredRows[1].pop_back(); }},
        {"a row long", [](RgbPng& p) { p.filteredRows[1].push_back(0); }},
        {"small window", [&](RgbPng& p) {
             p.width = 200, p.filteredRows = repeating;
             p.editStream = [](Bytes& stream) { stream[0] = 0x08, stream[1] = static_cast<std::uint8_t>(31 - (0x08 * 256) % 31); };
         }},
    };
    for (const auto& [what, change] : cases) {
        RgbPng png;
        change(png);
        const auto result = readAll(png.file());
        ASSERT_TRUE(std::holds_alternative<std::string>(result)) << what;
        EXPECT_NE(std::get<std::string>(result).find("Cannot decode rows.png: "), std::string::npos) << what;
    }
    // The same rows within the window are read.
    RgbPng wide;
    wide.width = 200, wide.filteredRows = repeating;
    EXPECT_TRUE(std::holds_alternative<std::vector<Bytes>>(readAll(wide.file())));
}

}  // namespace palshift
