#include "convert/palette_file.h"

#include "pictures/palette_picture.h"

namespace palshift {

void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter, PaletteFormat format)
{
    palette = readPalette(file, format, decodePicturePalette).colours;
    PalCounter = 256;
}

}  // namespace palshift
