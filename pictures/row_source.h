#pragma once

#include "pictures/picture_surface.h"

#include <cstdint>
#include <span>

namespace palshift {

// How the bytes of a row hold its pixels.
enum class PixelLayout {
    Indexed8,       // an index into colourTable()
    IndexedAlpha8,  // an index into colourTable(), then alpha (grey + alpha pictures)
    Rgb8,           // red, green, blue
    Rgba8,          // red, green, blue, alpha
    Bgr8,           // blue, green, red
    Bgra8,          // blue, green, red, alpha (a QImage's 32-bit pixels)
    Bgrx8,          // blue, green, red and a byte that is not alpha
};

constexpr int bytesPerPixel(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Indexed8: return 1;
    case PixelLayout::IndexedAlpha8: return 2;
    case PixelLayout::Rgb8:
    case PixelLayout::Bgr8: return 3;
    default: return 4;
    }
}

constexpr bool hasColourTable(PixelLayout layout)
{
    return layout == PixelLayout::Indexed8 || layout == PixelLayout::IndexedAlpha8;
}

// A picture handed out one row at a time: the one interface between the picture readers and the
// conversion, so that a streaming reader and Qt's decoder can be run on the same picture.
class RowSource {
public:
    virtual ~RowSource() = default;

    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;
    virtual PixelLayout layout() const = 0;
    // For the indexed layouts: the colour of each index, -1 past the picture's table.
    virtual const IndexedColours* colourTable() const { return nullptr; }
    // True when rows come bottom row first, as BMP files mostly store them.
    virtual bool bottomUp() const { return false; }
    // True when the file makes pixels transparent beyond what the rows' own alpha says (a PNG's
    // tRNS chunk), which the rows then do not show.
    virtual bool keysTransparency() const { return false; }

    // The next row: width() pixels in layout(), valid until the next call. Throws FileError,
    // naming the file, when the data are damaged or end early.
    virtual std::span<const std::uint8_t> nextRow() = 0;
};

}  // namespace palshift
