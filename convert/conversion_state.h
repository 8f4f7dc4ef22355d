#pragma once

#include "convert/index_map.h"
#include "pictures/picture_surface.h"
#include "palettes/palette.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace palshift {

// Everything one conversion works on, owned by the window (or by one job of the command line).
// The steps read and write these members directly; each step says which.
struct ConversionState {
    Palette SourcePal{};  // Diablo 1, read from diablo.pal
    Palette TargetPal{};  // Diablo 2, read from diablo2.pal

    IndexMap SourceIndexMap;  // exact SourcePal entry per pixel
    IndexMap TargetIndexMap;  // nearest TargetPal entry per pixel

    // The distances of the last pixel remapped, one per TargetPal entry.
    std::array<std::int16_t, 256> RedDist{};
    std::array<std::int16_t, 256> GreenDist{};
    std::array<std::int16_t, 256> BlueDist{};
    std::array<std::int16_t, 256> TotalDist{};

    std::vector<std::uint8_t> PixelBuffer;  // bottom row first, as the BMP file stores it
    std::array<std::uint8_t, 14> BmpFileHeader{};
    std::int16_t PalCounter = 0;  // loop variable of palette loading and packing
    QString SaveFileName;

    // Pixels of the last identification whose colour is in no SourcePal entry.
    std::int64_t unmatchedPixels = 0;
};

// The pixels a step visits on a picture: columns 0 to width - 1 and rows 0 to height - 1.
struct PixelExtent {
    std::int32_t columns;
    std::int32_t rows;
};
PixelExtent pixelExtent(const PictureSurface& picture);

// Dimensions both index maps to the picture's size, every element 0.
void dimensionIndexMaps(ConversionState& state, const PictureSurface& picture1);

}  // namespace palshift
