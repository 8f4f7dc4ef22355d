#include "convert/palette_file.h"

#include "platform/file_error.h"
#include "platform/regular_file.h"

#include <algorithm>


namespace palshift {

PaletteFiles defaultPaletteFiles(const QString& folder)
{
    return {folder + QStringLiteral("/diablo.pal"), folder + QStringLiteral("/diablo2.pal")};
}

void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter)
{
    constexpr qint64 fileSize = 3 * 256;

    // One byte more than a palette holds shows a longer file whatever its size said at the open.
    RegularFile input(file);
    const QByteArray bytes = input.read(fileSize + 1);
    if (bytes.size() != fileSize) {
        const qint64 size = bytes.size() > fileSize ? std::max<qint64>(bytes.size(), input.size()) : bytes.size();
        throw FileError(file, QStringLiteral("%1 holds %2 bytes; a palette file needs 768").arg(file, QString::number(size)));
    }

    qsizetype next = 0;
    for (PalCounter = 0; PalCounter <= 255; ++PalCounter) {
        Rgb& entry = palette[static_cast<std::size_t>(PalCounter)];
        entry.red = std::uint8_t(bytes[next++]);
        entry.green = std::uint8_t(bytes[next++]);
        entry.blue = std::uint8_t(bytes[next++]);
    }
}

}  // namespace palshift
