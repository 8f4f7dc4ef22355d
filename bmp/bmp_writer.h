#pragma once

#include "bmp/bmp_header.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>

namespace palshift {

// Red, green, blue per entry, entry 0 first.
using PaletteBlock = std::array<std::uint8_t, 768>;

// Writes FileName as an uncompressed 8-bit BMP: BmpFileHeader (whose file size it fills in), the
// info header, PalCol as the colour table and PixelBuffer's cWidth x CHeight indices, bottom row
// first, rows padded with zeros to 4 bytes, through one AtomicFile ("-" is standard output): the
// file is replaced only once it is whole, and every failure leaves what was on disk. Size and
// buffer checks come before anything is opened.
// Throws FileError, std::overflow_error (too large), std::out_of_range (buffer too short).
void Save_Pic(const QString& FileName, const PaletteBlock& PalCol, std::int32_t cWidth, std::int32_t CHeight,
              BmpHeaderBytes& BmpFileHeader, std::span<const std::uint8_t> PixelBuffer);

}  // namespace palshift
