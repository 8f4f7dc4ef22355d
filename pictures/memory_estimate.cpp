#include "pictures/memory_estimate.h"

#include "palettes/picture_signature.h"
#include "pictures/decoder_messages.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_loading.h"

#include <QImageReader>

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

qint64 estimatedDecodedPeakBytes(QIODevice& picture, ResultHeld held)
{
    const DecoderMessages quiet;  // the decoding itself says what is wrong with the picture, naming it
    const QByteArray head = picture.peek(128);  // a PCX header
    if (looksLikePcx(head)) {
        // Qt reads no PCX; the program's reader gives 8-bit pixels, or 32-bit for three planes.
        const auto at = [&](qsizetype offset) { return std::uint8_t(head[offset]) | std::uint8_t(head[offset + 1]) << 8; };
        const QSize size(at(8) - at(4) + 1, at(10) - at(6) + 1);
        return estimatedPeakBytes(size, std::uint8_t(head[65]) == 3 ? QImage::Format_RGB32 : QImage::Format_Indexed8, held);
    }
    QImageReader reader(&picture);
    reader.setAutoTransform(false);
    return estimatedPeakBytes(reader.size(), announcedFormat(reader), held);
}

}  // namespace palshift
