#pragma once

#include <QtGlobal>

namespace palshift {

// The most pixels a picture may have: 16384 x 16384.
constexpr qint64 largestPicturePixels = qint64{16384} * 16384;
// The largest picture file read: more than any picture of largestPicturePixels needs.
constexpr qint64 largestPictureFileBytes = qint64{3} << 30;

}  // namespace palshift
