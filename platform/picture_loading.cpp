#include "platform/picture_loading.h"

#include "platform/file_error.h"
#include "platform/native_path.h"

#include <QFile>
#include <QImageReader>

namespace palshift {

QImage loadPicture(const QString& file)
{
    // Qt refuses images above 256 MiB by default; a 16384 x 16384 picture of 64-bit pixels needs 2 GiB.
    QImageReader::setAllocationLimit(2048);

    QFile input;
    QString reason;
    if (!openForReading(file, input, reason))
        throw FileError(file, QStringLiteral("Cannot open %1: %2").arg(file, reason));
    QImageReader reader(&input);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && qint64{size.width()} * size.height() > largestPicturePixels)
        throw FileError(file, QStringLiteral("%1 is %2 x %3 pixels; the largest picture that loads has "
                                             "16384 x 16384 pixels")
                                  .arg(file, QString::number(size.width()), QString::number(size.height())));
    QImage picture = reader.read();
    if (picture.isNull())
        throw FileError(file, QStringLiteral("Cannot decode %1: %2").arg(file, reader.errorString()));
    return picture;
}

}  // namespace palshift
