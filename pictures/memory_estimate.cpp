#include "pictures/memory_estimate.h"

#include "palettes/picture_signature.h"
#include "pictures/decoder_messages.h"
#include "pictures/picture_end.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_loading.h"
#include "pictures/picture_rows.h"
#include "platform/file_error.h"
#include "platform/native_path.h"
#include "platform/regular_file.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

#include <array>

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

qint64 estimatedStreamingPeakBytes(QSize size, ResultHeld held)
{
    if (!size.isValid() || size.isEmpty() || qint64{size.width()} * size.height() > largestPicturePixels)
        return 0;
    // The row being read and the one before it (PNG filters), four bytes a pixel at most, and the
    // reader's buffers.
    const qint64 rows = 2 * 4 * qint64{size.width()} + (qint64{256} << 10);
    return rows + resultBytes(size.width(), size.height(), held);
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

namespace {

// Whether the streaming reader converts picture under a transparent entry: not a PNG whose colour
// key or palette alpha Qt's decoder must turn into alpha, nor a picture it refuses past its header.
bool streamsWithTransparentEntry(const QString& picture, std::span<const std::uint8_t> head)
{
    try {
        return !openRows(picture, rowReaderFor(head))->keysTransparency();
    } catch (const FileError&) {
        return false;
    }
}

// The bytes of picture file that its loading holds, found without holding them.
qint64 heldFileBytes(const QString& picture, qint64 size)
{
    try {
        RegularFile input(picture);
        PictureHead head(input, largestPictureFileBytes + 1, PictureHead::Held::Recent);
        return std::min(pictureEnd(head).value_or(size), size);
    } catch (const FileError&) {
        return size;  // the loading says what is wrong with the file
    }
}

// The estimate of a picture decoded whole, with the file's bytes, which are read before it is
// decoded.
qint64 estimatedDecodedPeakBytes(const QString& picture, ResultHeld held)
{
    QFile input;
    QString reason;
    if (!openForReading(picture, input, reason))
        return 0;
    const qint64 decoded = estimatedDecodedPeakBytes(input, held);
    return decoded > 0 ? decoded + heldFileBytes(picture, input.size()) : 0;
}

}  // namespace

qint64 estimatedPeakBytes(const QString& picture, ResultHeld held, bool transparentEntry)
{
    struct stat status{};
    if (::stat(nativePath(picture).constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return 0;  // opening a FIFO could wait for ever; the loading refuses it
    // Qt's reader would look through its format plugins first, which takes longer than a small conversion.
    std::array<std::uint8_t, rowReaderHeadBytes> buffer{};
    const std::span<const std::uint8_t> head = readHead(picture, buffer);
    if (const auto size = streamedPictureSize(head)) {
        if (!transparentEntry || streamsWithTransparentEntry(picture, head))
            return estimatedStreamingPeakBytes(QSize(size->first, size->second), held);
        held = ResultHeld::Whole;  // decoded by Qt and converted whole by the rules
    }
    return estimatedDecodedPeakBytes(picture, held);
}

}  // namespace palshift
