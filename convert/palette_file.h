#pragma once

#include "convert/palette.h"

#include <QString>

#include <cstdint>

namespace palshift {

// The two palette files "Load Pals" reads.
struct PaletteFiles {
    QString source;  // diablo.pal
    QString target;  // diablo2.pal
};

// diablo.pal and diablo2.pal in folder: folder + "/diablo.pal", even when folder ends in a separator.
PaletteFiles defaultPaletteFiles(const QString& folder);

// Fills palette from file's 768 bytes (red, green, blue per entry), counting entries in PalCounter,
// which ends at 256. Throws FileError when the file cannot be read, is not a regular file, or holds
// any other number of bytes; palette and PalCounter are then unchanged.
void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter);

}  // namespace palshift
