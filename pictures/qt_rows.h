#pragma once

#include "pictures/image_surface.h"
#include "pictures/row_source.h"

#include <QImage>

namespace palshift {

// The rows of a picture decoded by Qt, in the colours an ImageSurface reads from it: Indexed8
// through its colour table, every other form as 32-bit pixels, alpha kept apart from the colour.
// With alpha kept, an indexed picture's rows come as 32-bit pixels too, so that the alpha of its
// colour table shows; they are converted a band of rows at a time, not whole.
class QtRows final : public RowSource {
public:
    enum class Alpha { Ignored, Kept };
    explicit QtRows(const QImage& picture, Alpha alpha = Alpha::Ignored);

    std::int32_t width() const override { return surface_.image().width(); }
    std::int32_t height() const override { return surface_.image().height(); }
    PixelLayout layout() const override { return layout_; }
    const IndexedColours* colourTable() const override
    {
        return layout_ == PixelLayout::Indexed8 ? surface_.indexedColours() : nullptr;
    }
    std::span<const std::uint8_t> nextRow() override;

private:
    ImageSurface surface_;
    PixelLayout layout_;
    bool inBands_;
    QImage band_;
    std::int32_t next_ = 0;
};

}  // namespace palshift
