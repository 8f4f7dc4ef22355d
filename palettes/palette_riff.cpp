#include "palettes/palette_failure.h"
#include "palettes/palette_readers.h"

namespace palshift {

namespace {

std::uint32_t littleEndian(QByteArrayView bytes, qsizetype offset, int width)
{
    std::uint32_t value = 0;
    for (int byte = width - 1; byte >= 0; --byte)
        value = value << 8 | static_cast<std::uint8_t>(bytes[offset + byte]);
    return value;
}

}  // namespace

bool looksLikeRiffPalette(QByteArrayView bytes)
{
    return bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.sliced(8, 4) == "PAL ";
}

Palette readRiffPalette(QByteArrayView bytes, const QString& file)
{
    if (!looksLikeRiffPalette(bytes))
        refusePalette(file, QStringLiteral("offset 0: expected RIFF, the size and PAL "));
    // Sizes are kept in 64 bits, so that no field can wrap an offset around.
    const qint64 riffEnd = 8 + qint64{littleEndian(bytes, 4, 4)};
    if (riffEnd > bytes.size())
        refusePalette(file, QStringLiteral("truncated: %1 bytes, the RIFF header says %2").arg(bytes.size()).arg(riffEnd));

    qint64 chunk = 12;
    while (chunk + 8 <= riffEnd) {
        const qint64 size = littleEndian(bytes, chunk + 4, 4);
        const qint64 data = chunk + 8;
        if (data + size > riffEnd)
            refusePalette(file, QStringLiteral("offset %1: truncated: the chunk needs %2 bytes, %3 are left")
                                    .arg(chunk).arg(size).arg(riffEnd - data));
        if (bytes.sliced(chunk, 4) != "data") {
            chunk = data + size + (size & 1);
            continue;
        }
        if (size < 4)
            refusePalette(file, QStringLiteral("offset %1: the data chunk holds %2 bytes; expected at least 4").arg(chunk).arg(size));
        const std::uint32_t version = littleEndian(bytes, data, 2);
        if (version != 0x0300)
            refusePalette(file, QStringLiteral("offset %1: version 0x%2; expected 0x0300").arg(data).arg(version, 4, 16, QLatin1Char('0')));
        const qint64 count = littleEndian(bytes, data + 2, 2);
        if (4 + 4 * count > size)
            refusePalette(file, QStringLiteral("offset %1: truncated: %2 colours need %3 bytes, the chunk holds %4")
                                    .arg(data + 4).arg(count).arg(4 * count).arg(size - 4));
        checkPaletteCount(file, count);
        Palette palette;
        for (std::size_t entry = 0; entry < palette.size(); ++entry) {
            const qsizetype at = data + 4 + 4 * qsizetype(entry);
            palette[entry] = {static_cast<std::uint8_t>(bytes[at]), static_cast<std::uint8_t>(bytes[at + 1]),
                              static_cast<std::uint8_t>(bytes[at + 2])};
        }
        return palette;
    }
    refusePalette(file, QStringLiteral("no data chunk; a RIFF palette needs one"));
}

}  // namespace palshift
