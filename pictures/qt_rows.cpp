#include "pictures/qt_rows.h"

#include "pictures/image_conversion.h"

#include <algorithm>
#include <bit>
#include <new>
#include <stdexcept>

namespace palshift {

namespace {

// A QImage's 32-bit pixel 0xAARRGGBB lies in memory as blue, green, red, alpha.
static_assert(std::endian::native == std::endian::little);

constexpr std::int32_t bandRows = 64;

}  // namespace

QtRows::QtRows(const QImage& picture, Alpha alpha)
    : surface_(picture),
      layout_(surface_.image().format() == QImage::Format_Indexed8 && alpha == Alpha::Ignored ? PixelLayout::Indexed8
                                                                                               : PixelLayout::Bgra8),
      inBands_(surface_.image().format() == QImage::Format_Indexed8 && alpha == Alpha::Kept)
{
}

std::span<const std::uint8_t> QtRows::nextRow()
{
    if (next_ >= height())
        throw std::out_of_range("every row of the picture has been read");
    const QImage& image = surface_.image();
    const std::int32_t y = next_++;
    const auto bytes = static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(bytesPerPixel(layout_));
    if (!inBands_)
        return {image.constScanLine(y), bytes};
    if (y % bandRows == 0) {
        // ARGB32 keeps each pixel's colour as stored, where a premultiplied form would darken it.
        band_ = convertedHere(image.copy(0, y, image.width(), std::min(bandRows, height() - y)), QImage::Format_ARGB32);
    }
    return {band_.constScanLine(y % bandRows), bytes};
}

}  // namespace palshift
