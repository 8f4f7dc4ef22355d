#include "pictures/picture_loading.h"

#include "pictures/pcx_reader.h"
#include "pictures/decoder_messages.h"
#include "platform/file_error.h"
#include "pictures/mng_size.h"
#include "pictures/picture_completeness.h"
#include "pictures/png_colour_key.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include <cstring>
#include <new>
#include <optional>
#include <type_traits>

namespace palshift {

namespace {

[[noreturn]] void refuseOutOfMemory(const QString& name, QSize size)
{
    const QString picture = size.isValid()
                                ? QStringLiteral("a %1 x %2 picture").arg(size.width()).arg(size.height())
                                : QStringLiteral("it");
    throw FileError(name, QStringLiteral("%1: not enough memory to decode %2").arg(name, picture));
}

// Qt's decoders fail without a word when the picture cannot be allocated: a second attempt at the
// same allocation tells that failure from a damaged file.
bool cannotAllocate(QSize size, QImage::Format format)
{
    if (!size.isValid())
        return false;
    const QImage attempt(size, format == QImage::Format_Invalid ? QImage::Format_ARGB32 : format);
    return attempt.isNull();
}

bool isPcxName(const QString& name)
{
    return QFileInfo(name).suffix().compare(QLatin1String("pcx"), Qt::CaseInsensitive) == 0;
}

// Qt has no PCX reader: the program's own takes what looks like PCX.
QImage decodePcx(const QByteArray& bytes, const QString& name)
{
    try {
        return readPcx(bytes, name);
    } catch (const std::bad_alloc&) {
        refuseOutOfMemory(name, QSize());
    }
}

QImage decodeChecked(const QByteArray& bytes, const QString& name, DecoderMessages& messages)
{
    const std::optional<KeyedPng> keyed = splitColourKey(bytes);
    QBuffer device;
    device.setData(keyed ? keyed->withoutKey : bytes);
    device.open(QIODevice::ReadOnly);
    // The name's suffix first, as formats without a signature (TGA) need; the content where that
    // format's reader does not recognise the bytes.
    const auto readable = [&](const QByteArray& format) {
        const DecoderMessages quiet;  // what a reader says of bytes not its own is not about the picture
        device.seek(0);
        return QImageReader(&device, format).canRead();
    };
    QByteArray readerFormat = QFileInfo(name).suffix().toLower().toLatin1();
    if (readerFormat.isEmpty() || !readable(readerFormat)) {
        device.seek(0);
        const QByteArray detected = QImageReader::imageFormat(&device);
        // Without its suffix (from standard input) a TGA is told by its header, which the readers of
        // formats with a weak signature (ICO and CUR: two zero bytes, then 1 or 2; WBMP) claim too.
        const bool weak = detected.isEmpty() || detected == "ico" || detected == "cur" || detected == "wbmp";
        readerFormat = weak && readable("tga") ? QByteArray("tga") : QByteArray();
    }
    device.seek(0);
    QImageReader reader(&device, readerFormat);
    reader.setAutoTransform(false);

    const QSize size = reader.size().isValid() ? reader.size() : mngDeclaredSize(bytes).value_or(QSize());
    if (size.isValid() && qint64{size.width()} * size.height() > largestPicturePixels)
        throw FileError(name, QStringLiteral("%1 is %2 x %3 pixels; the largest picture that loads has "
                                             "16384 x 16384 pixels")
                                  .arg(name, QString::number(size.width()), QString::number(size.height())));
    const QImage::Format format = announcedFormat(reader);
    QImage picture;
    try {
        picture = reader.read();
        if (!picture.isNull() && keyed)
            picture = applyColourKey(picture, keyed->key);
    } catch (const std::bad_alloc&) {
        refuseOutOfMemory(name, size);
    }
    if (picture.isNull() && (messages.mentionOutOfMemory() || cannotAllocate(size, format)))
        refuseOutOfMemory(name, size);
    if (picture.isNull() && isPcxName(name))
        readPcx(bytes, name);  // throws the PCX reader's own reason
    if (!picture.isNull()) {
        if (const std::optional<QString> damage = messages.damage())
            throw FileError(name, QStringLiteral("Cannot decode %1: %2").arg(name, *damage));
        if (reader.format() == "tga")
            if (const std::optional<QString> missing = tgaTruncation(bytes))
                throw FileError(name, QStringLiteral("%1: truncated: %2 bytes, %3").arg(name, QString::number(bytes.size()), *missing));
    }
    if (picture.isNull()) {
        QString reason = reader.errorString();
        QStringList said = messages.kept();
        said.removeDuplicates();
        if (!said.isEmpty())
            reason += QStringLiteral(" (%1)").arg(said.join(QStringLiteral("; ")));
        throw FileError(name, QStringLiteral("Cannot decode %1: %2").arg(name, reason));
    }
    return picture;
}

}  // namespace

QImage::Format announcedFormat(const QImageReader& reader)
{
    // Copied as bytes: loading a value outside the enumeration as the enumeration is undefined.
    const QImage::Format announced = reader.imageFormat();
    std::underlying_type_t<QImage::Format> value;
    std::memcpy(&value, &announced, sizeof value);
    return value > QImage::Format_Invalid && value < QImage::NImageFormats ? static_cast<QImage::Format>(value)
                                                                          : QImage::Format_Invalid;
}

QImage decodePicture(const QByteArray& bytes, const QString& name)
{
    // Qt refuses images above 256 MiB by default; a 16384 x 16384 picture of 64-bit pixels needs 2 GiB.
    QImageReader::setAllocationLimit(2048);

    if (bytes.isEmpty())
        throw FileError(name, QStringLiteral("%1: the file is empty").arg(name));
    if (looksLikePcx(bytes))
        return decodePcx(bytes, name);
    checkPictureComplete(bytes, name);
    QImage picture;
    {
        DecoderMessages messages;
        picture = decodeChecked(bytes, name, messages);
        messages.passOn(name);
    }
    return picture;
}

}  // namespace palshift
