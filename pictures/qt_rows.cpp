#include "pictures/qt_rows.h"

#include <bit>
#include <stdexcept>

namespace palshift {

// A QImage's 32-bit pixel 0xAARRGGBB lies in memory as blue, green, red, alpha.
static_assert(std::endian::native == std::endian::little);

QtRows::QtRows(const QImage& picture)
    : surface_(picture),
      layout_(surface_.image().format() == QImage::Format_Indexed8 ? PixelLayout::Indexed8 : PixelLayout::Bgra8)
{
}

std::span<const std::uint8_t> QtRows::nextRow()
{
    if (next_ >= height())
        throw std::out_of_range("every row of the picture has been read");
    const QImage& image = surface_.image();
    const std::uint8_t* const row = image.constScanLine(next_++);
    return {row, static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(bytesPerPixel(layout_))};
}

}  // namespace palshift
