#include "convert/palette_file.h"

namespace palshift {

PaletteFiles defaultPaletteFiles(const QString& folder)
{
    return {folder + QStringLiteral("/diablo.pal"), folder + QStringLiteral("/diablo2.pal")};
}

void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter, PaletteFormat format)
{
    palette = readPalette(file, format).colours;
    PalCounter = 256;
}

}  // namespace palshift
