#include "pictures/palette_picture.h"

#include "palettes/palette_failure.h"
#include "pictures/decoder_messages.h"
#include "pictures/pcx_reader.h"

#include <QBuffer>
#include <QImageReader>

namespace palshift {

namespace {

// Qt reads a picture of fewer than 256 colours to Indexed8 too, with a shorter table.
Palette tableOf(const QImage& picture, const QString& file)
{
    if (picture.format() != QImage::Format_Indexed8)
        refusePalette(file, QStringLiteral("not an 8-bit indexed picture, so it has no palette to take"));
    const QList<QRgb> table = picture.colorTable();
    checkPaletteCount(file, table.size());
    Palette palette;
    for (std::size_t entry = 0; entry < palette.size(); ++entry) {
        const QRgb colour = table[qsizetype(entry)];
        palette[entry] = {static_cast<std::uint8_t>(qRed(colour)), static_cast<std::uint8_t>(qGreen(colour)),
                          static_cast<std::uint8_t>(qBlue(colour))};
    }
    return palette;
}

// Qt decodes a GIF to 32 bits, dropping its table, so the table is taken from the header: the
// global colour table that follows the 13-byte screen descriptor.
Palette gifTable(QByteArrayView bytes, const QString& file)
{
    if (bytes.size() < 13)
        refusePalette(file, QStringLiteral("truncated: %1 bytes, a GIF header needs 13").arg(bytes.size()));
    const auto flags = static_cast<std::uint8_t>(bytes[10]);
    if (!(flags & 0x80))
        refusePalette(file, QStringLiteral("offset 10: no global colour table, so it has no palette to take"));
    const int colours = 2 << (flags & 0x07);
    checkPaletteCount(file, colours);
    if (bytes.size() < 13 + 768)
        refusePalette(file, QStringLiteral("truncated: %1 bytes, the colour table ends at %2").arg(bytes.size()).arg(13 + 768));
    Palette palette;
    for (std::size_t entry = 0; entry < palette.size(); ++entry) {
        const qsizetype at = 13 + 3 * qsizetype(entry);
        palette[entry] = {static_cast<std::uint8_t>(bytes[at]), static_cast<std::uint8_t>(bytes[at + 1]),
                          static_cast<std::uint8_t>(bytes[at + 2])};
    }
    return palette;
}

}  // namespace

Palette decodePicturePalette(QByteArrayView bytes, const QString& file)
{
    if (looksLikePcx(bytes))
        return tableOf(readPcx(bytes, file), file);
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return gifTable(bytes, file);

    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    if (format != "bmp" && format != "png")
        refusePalette(file, QStringLiteral("not a BMP, PNG, GIF or PCX picture"));
    const QSize size = reader.size();
    if (size.width() > largestPcxSide || size.height() > largestPcxSide)
        refusePalette(file, QStringLiteral("%1 x %2 pixels; the largest picture is %3 x %3")
                                .arg(size.width()).arg(size.height()).arg(largestPcxSide));
    QImageReader::setAllocationLimit(2048);  // as for a picture: Qt refuses 16384 x 16384 pixels by default
    const DecoderMessages messages;
    const QImage picture = reader.read();
    if (picture.isNull()) {
        QStringList said = messages.kept();
        said.removeDuplicates();
        const QString decoderSaid = said.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(said.join(QStringLiteral("; ")));
        refusePalette(file, QStringLiteral("cannot be read as %1: %2%3")
                                .arg(QString::fromLatin1(format.toUpper()), reader.errorString(), decoderSaid));
    }
    messages.passOn(file);
    return tableOf(picture, file);
}

}  // namespace palshift
