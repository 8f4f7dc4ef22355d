#include "platform/qt_pictures.h"

#include "convert/rule_conversion.h"
#include "palettes/palette_readers.h"
#include "pictures/pcx_signature.h"
#include "pictures/qt_rows.h"
#include "platform/decoded_peak.h"
#include "platform/decoder_messages.h"
#include "platform/native_path.h"
#include "platform/picture_loading.h"

#include <QFile>
#include <QImageReader>

namespace palshift {

std::unique_ptr<RowSource> openDecodedRows(const QString& file)
{
    return std::make_unique<QtRows>(loadPicture(file));
}

TargetPicture convertDecodedWithRules(const QString& file, const Palette& source, const Palette& target,
                                      const ConversionRules& rules)
{
    return convertWithRules(loadPicture(file), source, target, rules);
}

qint64 estimatedDecodedPeakBytes(const QString& picture, ResultHeld held)
{
    QFile input;
    QString reason;
    if (!openForReading(picture, input, reason))
        return 0;
    const DecoderMessages quiet;  // the decoding itself says what is wrong with the picture, naming it
    const QByteArray head = input.peek(128);  // a PCX header
    if (looksLikePcx(head)) {
        // Qt reads no PCX; the program's reader gives 8-bit pixels, or 32-bit for three planes.
        const auto at = [&](qsizetype offset) { return std::uint8_t(head[offset]) | std::uint8_t(head[offset + 1]) << 8; };
        const QSize size(at(8) - at(4) + 1, at(10) - at(6) + 1);
        return estimatedPeakBytes(size, std::uint8_t(head[65]) == 3 ? QImage::Format_RGB32 : QImage::Format_Indexed8, held);
    }
    QImageReader reader(&input);
    reader.setAutoTransform(false);
    return estimatedPeakBytes(reader.size(), announcedFormat(reader), held);
}

Palette readPicturePalette(QByteArrayView bytes, const QString& file)
{
    return decodePicturePalette(bytes, file);
}

}  // namespace palshift
