#pragma once

#include "palettes/palette.h"
#include "platform/byte_sink.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <vector>

namespace palshift {

// Writes an 8-bit indexed PNG through a byte sink, one row of palette indices at a time, top row
// first: PLTE holds the 256 entries in order; with a transparent index, tRNS marks that entry
// alone as transparent. The header goes out on construction, the end on finish().
class PngWriter {
public:
    // std::out_of_range for a picture without pixels; what the sink throws, or std::runtime_error
    // from the PNG library (a picture wider or higher than it writes), from any call.
    PngWriter(std::int32_t width, std::int32_t height, const Palette& palette,
              std::optional<std::uint8_t> transparentIndex, ByteSink& sink);
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // The next row; std::out_of_range unless it holds width indices and rows are left.
    void writeRow(std::span<const std::uint8_t> indices);
    // std::out_of_range unless every row has been written.
    void finish();

    // libpng's callbacks; not for callers.
    struct Callbacks;

private:
    [[noreturn]] void rethrowFailure();
    void destroy();
    void checkUsable() const;
    void writePending();

    static constexpr std::size_t pendingBytes = 64 * 1024;

    std::int32_t width_;
    std::int32_t height_;
    std::int32_t rowsWritten_ = 0;
    ByteAppender sink_;
    std::vector<std::uint8_t> pending_;  // written, not yet handed to the sink
    void* png_ = nullptr;
    void* info_ = nullptr;
    std::exception_ptr failure_;
    bool broken_ = false;
};

}  // namespace palshift
