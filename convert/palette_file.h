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

// Fills palette from the first 768 bytes of file (red, green, blue per entry), counting entries in
// PalCounter, which ends at 256. Throws FileError when the file cannot be read or holds fewer than
// 768 bytes; palette and PalCounter are then unchanged. Bytes after the first 768 are ignored.
void readPaletteFile(const QString& file, Palette& palette, std::int16_t& PalCounter);

}  // namespace palshift
