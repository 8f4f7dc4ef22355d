#include "platform/decoded_peak.h"

#include "platform/picture_limits.h"

#include <algorithm>

namespace palshift {

qint64 estimatedPeakBytes(QSize size, QImage::Format format, ResultHeld held)
{
    if (!size.isValid() || size.isEmpty() || qint64{size.width()} * size.height() > largestPicturePixels)
        return 0;  // refused before decoding
    const qint64 width = size.width(), height = size.height(), pixels = width * height;
    const int bits = format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 decoded = (width * bits + 31) / 32 * 4 * height;

    // The conversion reads 8-bit and 32-bit pictures as they are and converts the others.
    qint64 converted = 0;
    if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB)
        converted = (width + 3) / 4 * 4 * height;
    else if (format != QImage::Format_Indexed8 && format != QImage::Format_RGB32
             && format != QImage::Format_ARGB32 && format != QImage::Format_Invalid)
        converted = 4 * pixels;
    const qint64 readable = converted > 0 ? converted : decoded;
    return std::max(decoded + converted, readable + resultBytes(width, height, held));
}

}  // namespace palshift
