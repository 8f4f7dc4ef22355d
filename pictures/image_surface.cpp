#include "pictures/image_surface.h"

#include "pictures/image_conversion.h"

#include <algorithm>
#include <new>

namespace palshift {

namespace {

ColourValue colourValueOf(QRgb pixel)
{
    return static_cast<ColourValue>(qRed(pixel) + 256 * qGreen(pixel) + 65536 * qBlue(pixel));
}

// Only these are read directly; anything else is converted once, without premultiplying.
QImage readableForm(const QImage& picture)
{
    switch (picture.format()) {
    case QImage::Format_Indexed8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return picture;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return convertedHere(picture, QImage::Format_Indexed8);
    default:
        return convertedHere(picture, QImage::Format_ARGB32);
    }
}

}  // namespace

void ImageSurface::setPicture(const QImage& picture)
{
    image_ = readableForm(picture);
    if (image_.isNull() && !picture.isNull())
        throw std::bad_alloc();  // Qt gives a null image when the copy cannot be allocated
    width_ = image_.width();
    height_ = image_.height();
    indexedColours_.fill(-1);
    const QList<QRgb> table = image_.colorTable();
    for (qsizetype entry = 0; entry < std::min<qsizetype>(table.size(), 256); ++entry)
        indexedColours_[static_cast<std::size_t>(entry)] = colourValueOf(table[entry]);
}

void ImageSurface::resize(int width, int height)
{
    if (width == width_ && height == height_)
        return;
    width_ = width;
    height_ = height;
    cls();
}

void ImageSurface::cls()
{
    image_ = QImage();
}

void ImageSurface::readRow(std::int32_t y, std::span<ColourValue> row) const
{
    const std::size_t inside = y >= 0 && y < image_.height()
                                   ? std::min(row.size(), static_cast<std::size_t>(image_.width()))
                                   : 0;
    if (inside > 0 && image_.format() == QImage::Format_Indexed8) {
        const uchar* const pixels = image_.constScanLine(y);
        for (std::size_t x = 0; x < inside; ++x)
            row[x] = indexedColours_[pixels[x]];
    } else if (inside > 0) {
        const auto* const pixels = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        for (std::size_t x = 0; x < inside; ++x) {
            const QRgb pixel = pixels[x];
            row[x] = static_cast<ColourValue>(((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) | ((pixel & 0xFFu) << 16));
        }
    }
    std::fill(row.begin() + static_cast<std::ptrdiff_t>(inside), row.end(), -1);
}

const IndexedColours* ImageSurface::indexedColours() const
{
    return image_.format() == QImage::Format_Indexed8 ? &indexedColours_ : nullptr;
}

std::span<const std::uint8_t> ImageSurface::indexRow(std::int32_t y) const
{
    if (image_.format() != QImage::Format_Indexed8 || y < 0 || y >= image_.height())
        return {};
    return {image_.constScanLine(y), static_cast<std::size_t>(image_.width())};
}

QRgb* ImageSurface::paintScanLine(std::int32_t y)
{
    if (y < 0 || y >= height_)
        return nullptr;
    if (image_.isNull()) {
        // Unpainted pixels stay transparent, so the window's background shows through them.
        image_ = QImage(width_, height_, QImage::Format_ARGB32);
        image_.fill(Qt::transparent);
    } else if (image_.format() != QImage::Format_ARGB32) {
        image_ = convertedHere(image_, QImage::Format_ARGB32);
    }
    return reinterpret_cast<QRgb*>(image_.scanLine(y));
}

void ImageSurface::paintRow(std::int32_t y, std::span<const ColourValue> row)
{
    QRgb* const pixels = paintScanLine(y);
    if (!pixels)
        return;
    const std::size_t inside = std::min(row.size(), static_cast<std::size_t>(width_));
    for (std::size_t x = 0; x < inside; ++x) {
        const auto value = static_cast<std::uint32_t>(row[x]);
        pixels[x] = 0xFF000000u | ((value & 0xFFu) << 16) | (value & 0xFF00u) | ((value >> 16) & 0xFFu);
    }
}

}  // namespace palshift
