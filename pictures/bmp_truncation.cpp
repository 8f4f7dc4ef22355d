#include "pictures/picture_completeness.h"

#include "pictures/bmp_rows.h"

#include <algorithm>
#include <span>

namespace palshift {

namespace {

constexpr qint64 fileHeaderSize = 14;
constexpr quint32 rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6;

}  // namespace

// The pixel data starts at the header's offset (never inside the headers) and runs for the rows'
// size when uncompressed; compressed data runs for the header's image size.
std::optional<QString> bmpTruncation(QByteArrayView bytes)
{
    if (!bytes.startsWith("BM"))
        return std::nullopt;
    const qint64 size = bytes.size();
    const auto needs = [](qint64 end) { return QStringLiteral("the picture needs %1").arg(end); };
    if (size < fileHeaderSize + 4)
        return needs(fileHeaderSize + 4);
    const std::optional<BmpHeader> header =
        bmpHeader(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(size)));
    if (!header)
        return std::nullopt;
    qint64 headersEnd = fileHeaderSize + header->infoSize;
    if (size < headersEnd)
        return needs(headersEnd);

    const qint64 width = header->width;
    const qint64 height = std::abs(qint64{header->height});
    const quint32 bits = header->bits;
    const quint32 compression = header->compression;
    if (width <= 0 || height == 0 || width > (1 << 24) || height > (1 << 24)
        || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
        return std::nullopt;
    if (header->infoSize == 40 && (compression == bitFields || compression == alphaBitFields))
        headersEnd += compression == bitFields ? 12 : 16;  // the channel masks

    qint64 pixelBytes = 0;
    if (compression == rgb || compression == bitFields || compression == alphaBitFields)
        pixelBytes = (width * bits + 31) / 32 * 4 * height;
    else if ((compression == rle8 || compression == rle4) && header->imageSize > 0)
        pixelBytes = header->imageSize;
    else
        return std::nullopt;

    const qint64 needed = std::max<qint64>(header->pixelOffset, headersEnd) + pixelBytes;
    return size < needed ? std::optional(needs(needed)) : std::nullopt;
}

}  // namespace palshift
