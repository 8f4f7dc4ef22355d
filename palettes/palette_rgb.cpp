#include "palettes/palette_failure.h"
#include "palettes/palette_readers.h"

namespace palshift {

namespace {

Palette readRaw(QByteArrayView bytes, const QString& file, int redOffset, int blueOffset, const char* order)
{
    if (bytes.size() != 768)
        refusePalette(file, QStringLiteral("holds %1 bytes; a palette of %2 is exactly 768 bytes")
                                .arg(bytes.size()).arg(QLatin1String(order)));
    Palette palette;
    for (std::size_t entry = 0; entry < palette.size(); ++entry) {
        const auto at = [&](int offset) { return static_cast<std::uint8_t>(bytes[qsizetype(3 * entry) + offset]); };
        palette[entry] = {at(redOffset), at(1), at(blueOffset)};
    }
    return palette;
}

}  // namespace

Palette readRgbPalette(QByteArrayView bytes, const QString& file)
{
    return readRaw(bytes, file, 0, 2, "RGB");
}

Palette readBgrPalette(QByteArrayView bytes, const QString& file)
{
    return readRaw(bytes, file, 2, 0, "BGR");
}

}  // namespace palshift
