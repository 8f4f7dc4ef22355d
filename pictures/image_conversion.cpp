#include "pictures/image_conversion.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace palshift {

namespace {

// Qt converts on the calling thread below 2^17 pixels.
constexpr int bandPixels = 1 << 16;

}  // namespace

QImage convertedHere(const QImage& picture, QImage::Format format)
{
    if (picture.isNull() || picture.format() == format)
        return picture;
    QImage converted(picture.size(), format);
    if (converted.isNull())
        throw std::bad_alloc();
    const int rows = std::max(1, bandPixels / std::max(1, picture.width()));
    for (int y = 0; y < picture.height(); y += rows) {
        const int count = std::min(rows, picture.height() - y);
        QImage band(picture.constScanLine(y), picture.width(), count, picture.bytesPerLine(), picture.format());
        band.setColorTable(picture.colorTable());
        const QImage done = band.convertToFormat(format);
        if (done.isNull())
            throw std::bad_alloc();
        if (y == 0)
            converted.setColorTable(done.colorTable());
        for (int row = 0; row < count; ++row)
            std::memcpy(converted.scanLine(y + row), done.constScanLine(row), std::size_t(converted.bytesPerLine()));
    }
    return converted;
}

}  // namespace palshift
