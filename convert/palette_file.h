#pragma once

#include "palettes/palette.h"
#include "palettes/palette_formats.h"
#include "palettes/palette_lookup.h"

#include <QString>

#include <cstdint>

namespace palshift {

// Fills palette from file read as format (readPalette: a 768-byte file is red, green, blue per
// entry unless it is named pal.dat), counting entries in PalCounter, which ends at 256. Throws
// FileError when the file cannot be read, is not a regular file, or is no palette of 256 colours
// in that format; palette and PalCounter are then unchanged.
void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter,
                     PaletteFormat format = PaletteFormat::Auto);

}  // namespace palshift
