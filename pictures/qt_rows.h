#pragma once

#include "pictures/row_source.h"
#include "pictures/image_surface.h"

#include <QImage>

namespace palshift {

// The rows of a picture decoded by Qt, in the colours an ImageSurface reads from it: Indexed8
// through its colour table, every other form as 32-bit pixels, alpha kept apart from the colour.
class QtRows final : public RowSource {
public:
    explicit QtRows(const QImage& picture);

    std::int32_t width() const override { return surface_.image().width(); }
    std::int32_t height() const override { return surface_.image().height(); }
    PixelLayout layout() const override { return layout_; }
    const IndexedColours* colourTable() const override { return surface_.indexedColours(); }
    std::span<const std::uint8_t> nextRow() override;

private:
    ImageSurface surface_;
    PixelLayout layout_;
    std::int32_t next_ = 0;
};

}  // namespace palshift
