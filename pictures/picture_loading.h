#pragma once

#include "pictures/picture_limits.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QString>

namespace palshift {

// Reads a picture file with readPictureFile (":/..." for built-in pictures, "-" for standard input)
// and decodes it with decodePicture. Throws FileError naming the file and the reason; a file that
// is not a regular file is refused without waiting on it.
QImage loadPicture(const QString& file);

// Decodes a picture from its bytes, pixels as stored: no gamma, colour-space or orientation
// change; a PNG colour key keeps its stored colour and only makes its pixels transparent. Throws
// FileError naming name and the reason when the bytes are truncated, cannot be decoded, hold more
// than largestPicturePixels, or need more memory than there is. Qt's messages while decoding are
// folded into the error, or printed as "palshift: <name>: <message>".
QImage decodePicture(const QByteArray& bytes, const QString& name);

// The pixel format reader's header announces, or Format_Invalid: some image plugins announce a
// value that is no format at all.
QImage::Format announcedFormat(const QImageReader& reader);

}  // namespace palshift
