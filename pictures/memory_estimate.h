#pragma once

#include "pictures/result_held.h"

#include <QIODevice>
#include <QImage>
#include <QSize>
#include <QString>

namespace palshift {

// The most memory one conversion holds at once for a picture of size decoded by Qt as format: the
// decoded picture with its 32-bit copy when it needs one, then the readable one and the result.
qint64 estimatedPeakBytes(QSize size, QImage::Format format, ResultHeld held = ResultHeld::Chunk);

// The most memory one conversion holds at once for a picture read row by row by a streaming
// reader: a few rows and the result.
qint64 estimatedStreamingPeakBytes(QSize size, ResultHeld held = ResultHeld::Chunk);

// The same for a picture decoded whole, from the header on picture, without the bytes it is read
// from; 0 when the header tells nothing.
qint64 estimatedDecodedPeakBytes(QIODevice& picture, ResultHeld held = ResultHeld::Chunk);

// The same from the picture file's header, read without decoding, for the reader that will take
// it, with the file's bytes where they are read whole; 0 when the header tells nothing or the file
// is not a regular one (the loading then says what is wrong). With a transparent entry, a PNG whose colour key or palette alpha Qt's decoder
// must turn into alpha is decoded whole and its result held whole.
qint64 estimatedPeakBytes(const QString& picture, ResultHeld held = ResultHeld::Chunk, bool transparentEntry = false);

}  // namespace palshift
