#include "pictures/picture_file.h"

#include "pictures/picture_bytes.h"
#include "pictures/picture_limits.h"
#include "pictures/qt_decoding.h"
#include "platform/file_error.h"
#include "platform/regular_file.h"
#include "platform/standard_input.h"

#include <QBuffer>

#include <new>

namespace palshift {

namespace {

[[noreturn]] void refuseFileSize(const QString& name, qint64 size)
{
    throw FileError(name, QStringLiteral("%1 holds %2 bytes; the largest picture file that loads holds %3")
                              .arg(name, QString::number(size), QString::number(largestPictureFileBytes)));
}

QByteArray readStandardInputPicture()
{
    const QString name = pictureName(QStringLiteral("-"));
    const QByteArray bytes = readStandardInput(largestPictureFileBytes + 1);
    if (bytes.size() > largestPictureFileBytes)
        refuseFileSize(name, bytes.size());
    QBuffer picture;
    picture.setData(bytes);
    picture.open(QIODevice::ReadOnly);
    checkStandardInputNeed(bytes.size() + qtDecoding().peakBytes(picture, ResultHeld::Chunk));
    return bytes;
}

}  // namespace

QByteArray readPictureFile(const QString& file)
{
    if (file == QStringLiteral("-"))
        return readStandardInputPicture();
    RegularFile input(file);
    if (input.size() > largestPictureFileBytes)
        refuseFileSize(file, input.size());
    QByteArray bytes;
    try {
        bytes = readPictureBytes(input, file, largestPictureFileBytes + 1);
    } catch (const std::bad_alloc&) {
        throw FileError(file, QStringLiteral("%1: not enough memory to decode it").arg(file));
    }
    if (bytes.size() > largestPictureFileBytes)
        refuseFileSize(file, bytes.size());
    return bytes;
}

QString pictureName(const QString& file)
{
    return file == QStringLiteral("-") ? QStringLiteral("standard input") : file;
}

}  // namespace palshift
