#include "pictures/picture_completeness.h"

#include <QtEndian>

#include <algorithm>

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
    const auto u16 = [&](qint64 offset) { return qFromLittleEndian<quint16>(bytes.data() + offset); };
    const auto u32 = [&](qint64 offset) { return qFromLittleEndian<quint32>(bytes.data() + offset); };
    const auto i32 = [&](qint64 offset) { return qFromLittleEndian<qint32>(bytes.data() + offset); };

    const quint32 infoSize = u32(14);
    if (infoSize != 12 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 && infoSize != 108
        && infoSize != 124)
        return std::nullopt;
    qint64 headersEnd = fileHeaderSize + infoSize;
    if (size < headersEnd)
        return needs(headersEnd);

    const bool core = infoSize == 12;
    const qint64 width = core ? qint16(u16(18)) : i32(18);
    const qint64 height = std::abs(core ? qint64(qint16(u16(20))) : qint64(i32(22)));
    const quint16 bits = u16(core ? 24 : 28);
    const quint32 compression = core ? rgb : u32(30);
    const quint32 imageSize = core ? 0 : u32(34);
    if (width <= 0 || height == 0 || width > (1 << 24) || height > (1 << 24)
        || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
        return std::nullopt;
    if (infoSize == 40 && (compression == bitFields || compression == alphaBitFields))
        headersEnd += compression == bitFields ? 12 : 16;  // the channel masks

    qint64 pixelBytes = 0;
    if (compression == rgb || compression == bitFields || compression == alphaBitFields)
        pixelBytes = (width * bits + 31) / 32 * 4 * height;
    else if ((compression == rle8 || compression == rle4) && imageSize > 0)
        pixelBytes = imageSize;
    else
        return std::nullopt;

    const qint64 needed = std::max<qint64>(u32(10), headersEnd) + pixelBytes;
    return size < needed ? std::optional(needs(needed)) : std::nullopt;
}

}  // namespace palshift
