#include "palettes/palette_failure.h"
#include "palettes/palette_readers.h"
#include "palettes/palette_text.h"

namespace palshift {

bool looksLikeGimpPalette(QByteArrayView bytes)
{
    return bytes.startsWith("GIMP Palette\n") || bytes.startsWith("GIMP Palette\r\n");
}

Palette readGimpPalette(QByteArrayView bytes, const QString& file)
{
    const std::vector<QByteArrayView> lines = paletteTextLines(bytes);
    if (trimmedLine(lines[0]) != "GIMP Palette")
        refusePalette(file, QStringLiteral("line 1: expected GIMP Palette"));

    Palette palette;
    std::size_t colours = 0;
    for (std::size_t line = 1; line < lines.size(); ++line) {
        const QByteArrayView text = trimmedLine(lines[line]);
        if (text.isEmpty() || text.startsWith('#'))
            continue;
        if (colours == 0 && (text.startsWith("Name:") || text.startsWith("Columns:")))
            continue;
        const std::optional<Rgb> colour = parseRgbLine(text, true);
        if (!colour)
            refusePalette(file, QStringLiteral("line %1: expected three numbers from 0 to 255").arg(line + 1));
        // Counted past 256 too, so that the message says how many the file holds.
        if (colours < palette.size())
            palette[colours] = *colour;
        ++colours;
    }
    checkPaletteCount(file, static_cast<long long>(colours));
    return palette;
}

}  // namespace palshift
