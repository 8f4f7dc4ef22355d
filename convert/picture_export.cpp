#include "convert/picture_export.h"

#include "bmp/bmp_writer.h"
#include "convert/checked_int.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace palshift {

namespace {

void fillPixelBuffer(ConversionState& state, const PictureSurface& picture2, const StepProgress& progress)
{
    const std::int32_t lastByte = toInt32(picture2.height() * picture2.width() - 1.0);
    if (lastByte < 0)
        throw std::runtime_error("There is no picture to save: it has no pixels");
    std::vector<std::uint8_t>& buffer = state.PixelBuffer;
    const auto pixelCount = static_cast<std::size_t>(lastByte) + 1;
    // A buffer of the same size is filled again: new memory costs a page fault per page. Another
    // is freed before the new one is taken, so the two are never held at once.
    if (buffer.size() != pixelCount) {
        buffer = {};
        buffer.resize(pixelCount);
    }

    const IndexMap& map = state.TargetIndexMap;
    const auto columns = static_cast<std::size_t>(map.width());
    const std::size_t mapped = columns * static_cast<std::size_t>(map.height());
    if (mapped > buffer.size())
        throw std::out_of_range("the target index map has more elements than the picture has pixels");
    // What the map does not cover is zeros, whatever the last save left there.
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(mapped), buffer.end(), std::uint8_t{0});
    std::size_t k = 0;
    for (std::int32_t y = map.height() - 1; y >= 0; --y) {
        const std::int16_t* const entries = map.row(y).data();
        std::uint8_t* const bytes = buffer.data() + k;  // a plain pointer, so the loop vectorises
        std::uint16_t allBits = 0;
        for (std::size_t x = 0; x < columns; ++x) {
            allBits |= static_cast<std::uint16_t>(entries[x]);
            bytes[x] = static_cast<std::uint8_t>(entries[x]);
        }
        if (allBits > 255)
            throw std::overflow_error("target index map row " + std::to_string(y)
                                      + " holds a value that is no palette entry");
        k += columns;
        if (progress)
            progress(map.height() - y, map.height());
    }
}

PaletteBlock packPalette(ConversionState& state)
{
    PaletteBlock block{};
    std::size_t j = 0;
    for (state.PalCounter = 0; state.PalCounter <= 767; state.PalCounter += 3) {
        const auto c = static_cast<std::size_t>(state.PalCounter);
        block[c] = state.TargetPal[j].red;
        block[c + 1] = state.TargetPal[j].green;
        block[c + 2] = state.TargetPal[j].blue;
        ++j;
    }
    return block;
}

}  // namespace

void savePicture(ConversionState& state, const PictureSurface& picture2, StatusLine& status,
                 const StepProgress& progress)
{
    status.setText("Saving...");
    fillPixelBuffer(state, picture2, progress);
    const PaletteBlock PalCol = packPalette(state);
    Save_Pic(state.SaveFileName, PalCol, toInt32(picture2.width()), toInt32(picture2.height()),
             state.BmpFileHeader, state.PixelBuffer);
    status.setText("Ready...");
}

}  // namespace palshift
