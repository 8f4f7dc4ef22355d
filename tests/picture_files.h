#pragma once

#include "palettes/palette.h"
#include "platform/byte_sink.h"

#include <QByteArray>
#include <QtEndian>

#include <spng.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace palshift::test {

// A PNG of 8 bits per channel written by libspng with one filter choice for every row (the
// SPNG_FILTER_CHOICE_* flags), pixels as the colour type stores them.
inline QByteArray pngFile(int width, int height, int colourType, const std::vector<std::uint8_t>& pixels, int filter,
                          const std::vector<Rgb>& palette = {}, const std::vector<std::uint8_t>& trns = {})
{
    spng_ctx* const png = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(png, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(png, SPNG_FILTER_CHOICE, filter);
    spng_ihdr header{std::uint32_t(width), std::uint32_t(height), 8, std::uint8_t(colourType), 0, 0, 0};
    spng_set_ihdr(png, &header);
    if (!palette.empty()) {
        spng_plte plte{};
        plte.n_entries = std::uint32_t(palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i)
            plte.entries[i] = {palette[i].red, palette[i].green, palette[i].blue, 0};
        spng_set_plte(png, &plte);
    }
    if (!trns.empty()) {
        spng_trns key{};
        if (colourType == SPNG_COLOR_TYPE_GRAYSCALE)
            key.gray = trns[0];
        else if (colourType == SPNG_COLOR_TYPE_TRUECOLOR)
            key.red = trns[0], key.green = trns[1], key.blue = trns[2];
        else {
            key.n_type3_entries = std::uint32_t(trns.size());
            std::copy(trns.begin(), trns.end(), key.type3_alpha);
        }
        spng_set_trns(png, &key);
    }
    int error = spng_encode_image(png, pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    std::size_t size = 0;
    void* const bytes = error ? nullptr : spng_get_png_buffer(png, &size, &error);
    spng_ctx_free(png);
    if (!bytes)
        throw std::runtime_error(std::string("cannot write a test PNG: ") + spng_strerror(error));
    QByteArray file(static_cast<const char*>(bytes), qsizetype(size));
    std::free(bytes);
    return file;
}

inline QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

inline QByteArray littleEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

inline quint32 crc32Of(const QByteArray& bytes)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

inline QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    return bigEndian32(quint32(data.size())) + type + data + bigEndian32(crc32Of(type + data));
}

// A PNG put together chunk by chunk, for depths and damage that libspng does not write: rows are the
// filtered rows (a filter byte before each, or the passes of an interlaced one), and extra chunks go
// before IDAT.
inline QByteArray chunkedPng(quint32 width, quint32 height, int bitDepth, int colourType, const QByteArray& rows,
                             const QByteArray& extra = {}, bool interlaced = false)
{
    const QByteArray header = bigEndian32(width) + bigEndian32(height) + char(bitDepth) + char(colourType) + QByteArray(2, '\0')
                              + char(interlaced);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + extra + pngChunk("IDAT", qCompress(rows, 9).mid(4))
           + pngChunk("IEND", {});
}

// A 2 x 1 palette PNG of entries 0 and 1, their colours in plte, whose tRNS makes entry 0 clear.
inline QByteArray clearFirstEntryPng(const QByteArray& plte)
{
    return chunkedPng(2, 1, 8, 3, QByteArray("\0\0\1", 3), pngChunk("PLTE", plte) + pngChunk("tRNS", QByteArray("\0", 1)));
}

// An uncompressed BMP: rows as given (top row first), stored bottom-up or top-down, padded to 4.
// For 8 bits, table is the colour table (clrUsed = its size, or 0 when useZero); gap bytes lie
// between the table and the pixels.
inline QByteArray bmpFile(int width, int height, int bits, const std::vector<std::uint8_t>& pixels, bool bottomUp,
                          const std::vector<Rgb>& table = {}, int infoSize = 40, int gap = 0, bool useZero = false)
{
    const int stride = (width * bits + 31) / 32 * 4, rowBytes = width * bits / 8;
    const int tableBytes = bits == 8 ? 4 * int(useZero ? 256 : table.size()) : 0;
    const int offset = 14 + infoSize + tableBytes + gap;
    QByteArray file(offset + stride * height, '\0');
    auto put = [&file](int at, std::uint32_t value, int size) {
        for (int b = 0; b < size; ++b)
            file[at + b] = char(value >> (8 * b));
    };
    file[0] = 'B', file[1] = 'M';
    put(2, std::uint32_t(file.size()), 4);
    put(10, std::uint32_t(offset), 4);
    put(14, std::uint32_t(infoSize), 4);
    put(18, std::uint32_t(width), 4);
    put(22, std::uint32_t(bottomUp ? height : -height), 4);
    put(26, 1, 2);
    put(28, std::uint32_t(bits), 2);
    put(34, std::uint32_t(stride * height), 4);
    put(46, bits == 8 && !useZero ? std::uint32_t(table.size()) : 0, 4);
    for (std::size_t i = 0; i < table.size(); ++i)
        put(14 + infoSize + 4 * int(i), table[i].blue | table[i].green << 8 | table[i].red << 16, 4);
    for (int y = 0; y < height; ++y) {
        const int stored = bottomUp ? height - 1 - y : y;
        for (int b = 0; b < rowBytes; ++b)
            file[offset + stored * stride + b] = char(pixels.at(std::size_t(y * rowBytes + b)));
    }
    return file;
}

// The bytes written to a sink; one that cannot seek checks that every write follows the last.
struct MemorySink : ByteSink {
    explicit MemorySink(bool seekable = true) : seekable(seekable) {}
    bool canSeek() const override { return seekable; }
    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> written) override
    {
        if (!seekable && offset != std::uint64_t(bytes.size()))
            throw std::logic_error("a pipe cannot seek");
        if (std::uint64_t(bytes.size()) < offset + written.size())
            bytes.resize(qsizetype(offset + written.size()));
        std::copy(written.begin(), written.end(), bytes.begin() + qsizetype(offset));
        ++writes;
    }
    bool seekable;
    QByteArray bytes;
    int writes = 0;
};

}  // namespace palshift::test
