#include "convert/palette_file.h"

#include "pictures/qt_decoding.h"

namespace palshift {

void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter, PaletteFormat format)
{
    palette = readPalette(file, format, decodedPicturePalette).colours;
    PalCounter = 256;
}

}  // namespace palshift
