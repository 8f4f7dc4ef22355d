#pragma once

#include "palettes/palette.h"
#include "platform/byte_sink.h"

#include <cstdint>
#include <span>
#include <vector>

namespace palshift {

// Writes an 8-bit PCX picture (version 5, one plane, run-length encoded, rows padded to an even
// length, palette after 0x0C at the end) through a byte sink, one row of palette indices at a
// time, top row first. The header goes out on construction, the palette on finish().
class PcxWriter {
public:
    // std::out_of_range for a picture without pixels or wider or higher than 65,534.
    PcxWriter(std::int32_t width, std::int32_t height, const Palette& palette, ByteSink& sink);

    // The next row; std::out_of_range unless it holds width indices and rows are left.
    void writeRow(std::span<const std::uint8_t> indices);
    // std::out_of_range unless every row has been written.
    void finish();

private:
    void flush();

    std::int32_t width_;
    std::int32_t height_;
    std::int32_t rowsWritten_ = 0;
    Palette palette_;
    ByteAppender sink_;
    std::vector<std::uint8_t> pending_;
};

}  // namespace palshift
