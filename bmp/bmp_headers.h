#pragma once

#include "bmp/bmp_header.h"
#include "palettes/palette.h"

#include <array>
#include <cstdint>

namespace palshift {

// The 1078 bytes in front of an 8-bit BMP's pixels, as Save_Pic writes them: file header, info
// header and palette as the colour table. Throws as bmpSizes() does.
std::array<std::uint8_t, bmpPixelDataOffset> bmpHeaders(std::int32_t width, std::int32_t height, const Palette& palette);

}  // namespace palshift
