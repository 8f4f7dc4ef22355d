#pragma once

#include <QtGlobal>

#include <algorithm>

namespace palshift {

// How much of its result a conversion holds: a MiB of rows on their way to a file that can seek,
// or all of it (a byte per pixel) for a pipe, a PNG or a PCX, which go out at the end.
enum class ResultHeld { Chunk, Whole };

// The bytes of the result held for a picture of width x height.
inline qint64 resultBytes(qint64 width, qint64 height, ResultHeld held)
{
    const qint64 stride = (width + 3) / 4 * 4;  // a BMP row; PNG and PCX rows are no longer
    return held == ResultHeld::Whole ? stride * height : std::min(stride * height, (qint64{1} << 20) + stride);
}

}  // namespace palshift
