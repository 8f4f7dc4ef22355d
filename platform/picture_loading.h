#pragma once

#include <QImage>
#include <QString>

namespace palshift {

// The most pixels a picture may have: 16384 x 16384.
constexpr qint64 largestPicturePixels = qint64{16384} * 16384;

// Decodes a picture file (any format Qt's image plugins read; ":/..." for built-in pictures),
// pixels as stored: no gamma, colour-space or orientation change. Throws FileError naming the
// file and the reason when it cannot be read or decoded, or has more than largestPicturePixels.
QImage loadPicture(const QString& file);

}  // namespace palshift
