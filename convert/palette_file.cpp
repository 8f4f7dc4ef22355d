#include "convert/palette_file.h"

#include "platform/file_error.h"

#include <QFile>

#include <array>

namespace palshift {

PaletteFiles defaultPaletteFiles(const QString& folder)
{
    return {folder + QStringLiteral("/diablo.pal"), folder + QStringLiteral("/diablo2.pal")};
}

void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter)
{
    constexpr qint64 fileSize = 3 * 256;

    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw FileError(file, QStringLiteral("Cannot open %1: %2").arg(file, input.errorString()));
    std::array<std::uint8_t, fileSize> bytes{};
    const qint64 read = input.read(reinterpret_cast<char*>(bytes.data()), fileSize);
    if (read < 0)
        throw FileError(file, QStringLiteral("Cannot read %1: %2").arg(file, input.errorString()));
    if (read < fileSize)
        throw FileError(file, QStringLiteral("%1 holds %2 bytes; a palette file needs 768").arg(file, QString::number(read)));

    std::size_t next = 0;
    for (PalCounter = 0; PalCounter <= 255; ++PalCounter) {
        Rgb& entry = palette[static_cast<std::size_t>(PalCounter)];
        entry.red = bytes[next++];
        entry.green = bytes[next++];
        entry.blue = bytes[next++];
    }
}

}  // namespace palshift
