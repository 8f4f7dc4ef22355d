#pragma once

#include "pictures/save_name.h"
#include "convert/conversion_rules.h"
#include "convert/dc6_layout.h"
#include "palettes/palette.h"
#include "pictures/picture_rows.h"
#include "pictures/row_source.h"
#include "platform/byte_sink.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace palshift {

// Everything one picture's conversion needs besides the picture and where it goes.
struct ConversionJob {
    Palette source{};
    Palette target{};
    ConversionRules rules;
    OutputFormat format = OutputFormat::Bmp;
    Dc6Layout dc6 = {};  // how pictures become a DC6's frames
};

// Which readers a conversion may take a picture's rows from.
enum class RowReaders {
    Streaming,  // the streaming readers for the forms they take, Qt for the rest
    QtOnly,     // Qt's decoding for every picture
};

// What one picture's conversion tells its caller.
struct JobReport {
    std::int64_t unmatchedPixels = 0;  // pixels of no source colour
    std::int64_t pixels = 0;
    RowReader reader = RowReader::Qt;  // which reader the picture's rows came from
};

// Converts the picture file input ("-" for standard input) under job into sink: row by row where
// a streaming reader takes it, else decoded by Qt, with the same bytes either way. A file the
// streaming reader refuses as damaged is decoded by Qt, whose verdict stands. With a transparent
// index the picture is decoded by Qt, whose loading gives every form's alpha and colour key.
// A DC6 input gives its frames as one sheet (dc6Sheet) without any colour change; a DC6 result
// holds the picture's frames as convertToDc6 makes them.
// Throws FileError naming the file, UnmatchedColoursError under UnmatchedRule::Fail (before the
// last bytes reach a sink that cannot seek), and what the sink throws. The caller commits.
JobReport convertFile(const QString& input, const ConversionJob& job, ByteSink& sink,
                      RowReaders readers = RowReaders::Streaming);

}  // namespace palshift
