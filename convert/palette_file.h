#pragma once

#include "convert/palette.h"
#include "palettes/palette_formats.h"

#include <QString>

#include <cstdint>

namespace palshift {

// The two palette files "Load Pals" reads.
struct PaletteFiles {
    QString source;  // diablo.pal
    QString target;  // diablo2.pal
    PaletteFormat sourceFormat = PaletteFormat::Auto;
    PaletteFormat targetFormat = PaletteFormat::Auto;
};

// diablo.pal and diablo2.pal in folder: folder + "/diablo.pal", even when folder ends in a separator.
PaletteFiles defaultPaletteFiles(const QString& folder);

// Fills palette from file read as format (readPalette: a 768-byte file is red, green, blue per
// entry unless it is named pal.dat), counting entries in PalCounter, which ends at 256. Throws
// FileError when the file cannot be read, is not a regular file, or is no palette of 256 colours
// in that format; palette and PalCounter are then unchanged.
void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter,
                     PaletteFormat format = PaletteFormat::Auto);

}  // namespace palshift
