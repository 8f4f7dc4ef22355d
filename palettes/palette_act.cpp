#include "palettes/palette_failure.h"
#include "palettes/palette_readers.h"

namespace palshift {

namespace {

int bigEndian16(QByteArrayView bytes, qsizetype offset)
{
    return static_cast<std::uint8_t>(bytes[offset]) << 8 | static_cast<std::uint8_t>(bytes[offset + 1]);
}

}  // namespace

ActPalette readActPalette(QByteArrayView bytes, const QString& file)
{
    if (bytes.size() != 768 && bytes.size() != 772)
        refusePalette(file, QStringLiteral("holds %1 bytes; an ACT palette is 768 or 772 bytes").arg(bytes.size()));
    ActPalette act;
    act.colours = readRgbPalette(bytes.first(768), file);
    if (bytes.size() == 772) {
        checkPaletteCount(file, bigEndian16(bytes, 768));
        const int transparent = bigEndian16(bytes, 770);
        if (transparent != 0xFFFF && transparent > 255)
            refusePalette(file, QStringLiteral("offset 770: transparent entry %1; expected 0 to 255, or 65535 for none")
                                    .arg(transparent));
        if (transparent <= 255)
            act.transparentIndex = static_cast<std::uint8_t>(transparent);
    }
    return act;
}

}  // namespace palshift
