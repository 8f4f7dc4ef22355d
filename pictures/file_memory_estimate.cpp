#include "pictures/memory_estimate.h"

#include "pictures/picture_end.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_rows.h"
#include "pictures/qt_decoding.h"
#include "platform/file_error.h"
#include "platform/native_path.h"
#include "platform/regular_file.h"

#include <QFile>

#include <sys/stat.h>

#include <algorithm>
#include <array>

// The estimates from a picture file, apart from Qt GUI's: a picture that a streaming reader takes
// is estimated without loading Qt GUI's decoding.

namespace palshift {

qint64 estimatedStreamingPeakBytes(QSize size, ResultHeld held)
{
    if (!size.isValid() || size.isEmpty() || qint64{size.width()} * size.height() > largestPicturePixels)
        return 0;
    // The row being read and the one before it (PNG filters), four bytes a pixel at most, and the
    // reader's buffers.
    const qint64 rows = 2 * 4 * qint64{size.width()} + (qint64{256} << 10);
    return rows + resultBytes(size.width(), size.height(), held);
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
    const qint64 decoded = qtDecoding().peakBytes(input, held);
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
