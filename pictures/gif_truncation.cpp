#include "pictures/picture_completeness.h"

#include <array>
#include <functional>

namespace palshift {

namespace {

qint64 colourTableBytes(quint8 flags)
{
    return (flags & 0x80) ? qint64{3} << ((flags & 7) + 1) : 0;
}

// Where an image's data starts (at its LZW minimum code size), and its size.
struct GifImage {
    qint64 data;
    qint64 pixels;
};

// Walks the blocks as they are laid out, without decoding: header, screen descriptor, global
// colour table, then extensions and images, each image's data in sub-blocks, up to the trailer.
// Gives what is missing when the bytes end early; hands each image whose data is whole to image.
std::optional<QString> walkGif(QByteArrayView bytes, const std::function<void(const GifImage&)>& image)
{
    const qint64 size = bytes.size();
    const auto at = [&](qint64 offset) { return quint8(bytes[qsizetype(offset)]); };
    const auto needs = [](qint64 end) { return QStringLiteral("the picture needs at least %1").arg(end); };

    if (size < 13)
        return needs(13);
    qint64 next = 13 + colourTableBytes(at(10));
    if (next > size)
        return needs(next);
    for (;;) {
        if (next >= size)
            return QStringLiteral("it ends before its trailer");
        const quint8 block = at(next);
        std::optional<GifImage> found;
        if (block == 0x21) {
            next += 2;  // introducer, label
        } else if (block == 0x2C) {
            if (next + 10 > size)
                return needs(next + 10);
            const qint64 width = at(next + 5) | at(next + 6) << 8, height = at(next + 7) | at(next + 8) << 8;
            next += 10 + colourTableBytes(at(next + 9));
            found = GifImage{next, width * height};
            next += 1;  // LZW minimum code size
        } else {
            return std::nullopt;  // the trailer (0x3B), or a byte no block starts with: the decoder's to judge
        }
        for (;;) {  // sub-blocks, up to the empty one
            if (next >= size)
                return needs(next + 1);
            const quint8 length = at(next);
            next += 1 + length;
            if (length == 0)
                break;
            if (next > size)
                return needs(next);
        }
        if (found)
            image(*found);
    }
}

// How many pixels an image's LZW codes give, up to `needed`: only the length of each code's string
// is kept. Stops at the end code, at a code no decoder can know, or where the data ends.
qint64 lzwPixels(QByteArrayView bytes, qint64 data, qint64 needed)
{
    const int minimum = quint8(bytes[qsizetype(data)]);
    if (minimum < 1 || minimum > 11)
        return needed;  // no valid stream: the decoder's to judge
    const int clear = 1 << minimum, end = clear + 1;
    std::array<qint64, 4096> lengths{};
    lengths.fill(1);
    int codeSize = minimum + 1, nextCode = end + 1, previous = -1;
    quint32 bits = 0;
    int bitCount = 0;
    qint64 pixels = 0, block = data + 1;
    while (pixels < needed) {
        const int blockLength = quint8(bytes[qsizetype(block)]);
        if (blockLength == 0)
            return pixels;
        for (qint64 i = block + 1; i <= block + blockLength && pixels < needed; ++i) {
            bits |= quint32(quint8(bytes[qsizetype(i)])) << bitCount;
            for (bitCount += 8; bitCount >= codeSize && pixels < needed;) {
                const int code = int(bits & ((1u << codeSize) - 1));
                bits >>= codeSize;
                bitCount -= codeSize;
                if (code == clear) {
                    codeSize = minimum + 1;
                    nextCode = end + 1;
                    previous = -1;
                    continue;
                }
                if (code == end || code > nextCode || (previous < 0 && code >= clear))
                    return pixels;
                if (previous >= 0 && nextCode < 4096) {
                    lengths[std::size_t(nextCode)] = lengths[std::size_t(previous)] + 1;
                    if (++nextCode == 1 << codeSize && codeSize < 12)
                        ++codeSize;
                }
                pixels += lengths[std::size_t(code)];
                previous = code;
            }
        }
        block += 1 + blockLength;
    }
    return pixels;
}

}  // namespace

std::optional<QString> gifTruncation(QByteArrayView bytes)
{
    if (!bytes.startsWith("GIF87a") && !bytes.startsWith("GIF89a"))
        return std::nullopt;
    return walkGif(bytes, [](const GifImage&) {});
}

std::optional<QString> gifMissingPixels(QByteArrayView bytes)
{
    if (!bytes.startsWith("GIF87a") && !bytes.startsWith("GIF89a"))
        return std::nullopt;
    std::optional<QString> missing;
    int number = 0;
    walkGif(bytes, [&](const GifImage& image) {
        ++number;
        const qint64 pixels = lzwPixels(bytes, image.data, image.pixels);
        if (!missing && pixels < image.pixels)
            missing = QStringLiteral("image %1 holds %2 of its %3 pixels").arg(number).arg(pixels).arg(image.pixels);
    });
    return missing;
}

}  // namespace palshift
