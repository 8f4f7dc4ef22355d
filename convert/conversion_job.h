#pragma once

#include "convert/palette.h"
#include "convert/target_lookup.h"
#include "pictures/picture_rows.h"
#include "pictures/row_source.h"
#include "platform/byte_sink.h"

#include <QString>

#include <cstdint>

namespace palshift {

// What one picture's conversion tells its caller.
struct JobReport {
    std::int64_t unmatchedPixels = 0;  // pixels of no source colour
    std::int64_t pixels = 0;
    RowReader reader = RowReader::Qt;  // which reader the picture's rows came from
};

// Converts rows, each pixel through lookup, into an 8-bit BMP in targetPal written to sink: the
// bytes the window's "Save Picture" writes after "Load Pals" and "New Pal" on the same picture.
// Holds at most about a MiB of the result when sink can seek or the rows come bottom-up, else the
// whole result (one byte per pixel) until the end. Throws as the rows, bmpSizes() and the sink do.
JobReport convertRows(RowSource& rows, const TargetLookup& lookup, const Palette& targetPal, ByteSink& sink);

// Converts the picture file input: row by row where a streaming reader takes it, else decoded by
// Qt. A file the streaming reader refuses as damaged is decoded by Qt, whose verdict stands, so
// both ways give the same bytes and the same errors. Throws FileError naming the file.
JobReport convertFile(const QString& input, const TargetLookup& lookup, const Palette& targetPal, ByteSink& sink);

}  // namespace palshift
