#pragma once

#include "convert/result_held.h"

#include <QImage>
#include <QSize>

namespace palshift {

// The most memory one conversion holds at once for a picture of size decoded by Qt as format: the
// decoded picture with its 32-bit copy when it needs one, then the readable one and the result.
qint64 estimatedPeakBytes(QSize size, QImage::Format format, ResultHeld held = ResultHeld::Chunk);

}  // namespace palshift
