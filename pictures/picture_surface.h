#pragma once

#include "palettes/palette.h"

#include <array>
#include <cstdint>
#include <span>

namespace palshift {

// What the conversion needs of a picture box: its size, and its pixels a row at a time.
class PictureSurface {
public:
    virtual ~PictureSurface() = default;

    virtual double width() const = 0;
    virtual double height() const = 0;

    // Fills row with the colour values of row y from column 0 on; -1 where no pixel can be read.
    virtual void readRow(std::int32_t y, std::span<ColourValue> row) const = 0;
    // A picture stored as indices into a colour table gives the table and its rows of indices
    // too, so that each colour is looked up once per table entry rather than once per pixel.
    // indexedColours() is null for other pictures; indexRow(y) spans the picture's width.
    virtual const IndexedColours* indexedColours() const { return nullptr; }
    virtual std::span<const std::uint8_t> indexRow(std::int32_t) const { return {}; }

    // Paints row y from column 0 on; pixels outside the surface are passed over.
    virtual void paintRow(std::int32_t y, std::span<const ColourValue> row) = 0;
    // Hidden while a whole picture is painted, shown once at the end.
    virtual void setVisible(bool visible) = 0;
};

}  // namespace palshift
