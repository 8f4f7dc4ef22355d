#include "palettes/palette_failure.h"
#include "palettes/palette_readers.h"
#include "palettes/palette_text.h"

namespace palshift {

bool looksLikeJascPalette(QByteArrayView bytes)
{
    return bytes.startsWith("JASC-PAL\n") || bytes.startsWith("JASC-PAL\r\n");
}

Palette readJascPalette(QByteArrayView bytes, const QString& file)
{
    const std::vector<QByteArrayView> lines = paletteTextLines(bytes);
    const auto refuseLine = [&](std::size_t line, const char* expected) {
        refusePalette(file, QStringLiteral("line %1: expected %2").arg(line + 1).arg(QLatin1String(expected)));
    };
    if (trimmedLine(lines[0]) != "JASC-PAL")
        refuseLine(0, "JASC-PAL");
    if (lines.size() < 2 || trimmedLine(lines[1]) != "0100")
        refuseLine(1, "the version 0100");
    if (lines.size() < 3)
        refuseLine(2, "the number of colours");
    bool isNumber = false;
    const long long count = QByteArray(trimmedLine(lines[2]).data(), trimmedLine(lines[2]).size()).toLongLong(&isNumber);
    if (!isNumber)
        refuseLine(2, "the number of colours");
    checkPaletteCount(file, count);

    Palette palette;
    constexpr std::size_t first = 3;
    for (std::size_t entry = 0; entry < palette.size(); ++entry) {
        if (first + entry >= lines.size() || (first + entry + 1 == lines.size() && lines.back().isEmpty()))
            refusePalette(file, QStringLiteral("ends after %1 of 256 colours").arg(entry));
        const std::optional<Rgb> colour = parseRgbLine(lines[first + entry], false);
        if (!colour)
            refuseLine(first + entry, "three numbers from 0 to 255");
        palette[entry] = *colour;
    }
    for (std::size_t line = first + palette.size(); line < lines.size(); ++line)
        if (!trimmedLine(lines[line]).isEmpty())
            refuseLine(line, "the end of the palette after 256 colours");
    return palette;
}

}  // namespace palshift
