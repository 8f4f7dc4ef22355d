#pragma once

#include "pictures/byte_input.h"
#include "pictures/row_source.h"

#include <memory>
#include <vector>

struct spng_ctx;

namespace palshift {

// The rows of a non-interlaced PNG of 8 bits per channel (grey, grey + alpha, RGB, RGBA or
// palette), top row first, as the file stores them: no gamma, and a tRNS colour key changes no
// colour. Grey pictures come as indices into a table of 256 greys. Reads up to IEND: data cut
// short, a bad CRC of a critical chunk or a damaged zlib stream throw FileError naming the input.
class PngRows final : public RowSource {
public:
    // Reads the header; FileError for anything else than the pictures above.
    explicit PngRows(ByteInput& input);
    ~PngRows() override;

    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    PixelLayout layout() const override { return layout_; }
    const IndexedColours* colourTable() const override { return hasColourTable(layout_) ? &table_ : nullptr; }
    std::span<const std::uint8_t> nextRow() override;

private:
    [[noreturn]] void fail(int error) const;

    struct Reading;

    ByteInput& input_;
    std::unique_ptr<Reading> reading_;
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t next_ = 0;
    PixelLayout layout_ = PixelLayout::Rgb8;
    IndexedColours table_{};
    std::uint32_t paletteEntries_ = 256;  // a palette picture's PLTE entries
    std::vector<std::uint8_t> row_;
};

}  // namespace palshift
