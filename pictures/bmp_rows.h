#pragma once

#include "pictures/byte_input.h"
#include "pictures/row_source.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace palshift {

// The fields of a BMP file's headers as stored, from its first bytes: nothing unless they begin
// "BM" and hold at least 18 bytes and an info header of a size BMP files have (12, the old core
// header; 40, 52, 56, 64, 108 or 124). The info header's fields are read when head holds its
// first 40 bytes (12 for a core header); infoRead says so.
struct BmpHeader {
    std::uint32_t pixelOffset = 0;
    std::uint32_t infoSize = 0;
    bool infoRead = false;
    std::int32_t width = 0;
    std::int32_t height = 0;        // negative for rows stored top-down
    std::uint32_t planes = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;  // this and the rest are 0 in a core header
    std::uint32_t imageSize = 0;
    std::uint32_t coloursUsed = 0;
};
std::optional<BmpHeader> bmpHeader(std::span<const std::uint8_t> head);

// What a BMP file's headers say, for the files read row by row: uncompressed, 8 bits with a
// colour table of at most 256 entries, or 24 or 32 bits, bottom-up or top-down.
struct BmpLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;  // rows, always positive
    bool bottomUp = true;
    int bitsPerPixel = 0;
    std::uint32_t colours = 0;     // colour table entries (8 bits only)
    std::uint32_t tableOffset = 0;  // where the colour table starts
    std::uint32_t pixelOffset = 0;  // where the first stored row starts
    std::uint64_t rowStride = 0;    // a stored row's bytes, padded to 4
};

// The layout of a BMP file from its first bytes (at least 54), or nothing when the file is not one
// that BmpRows reads (another reader is then asked). Safe against any sizes in the header.
std::optional<BmpLayout> bmpLayout(std::span<const std::uint8_t> head);

// The rows of such a BMP file, in the order it stores them. FileError when the file is shorter than
// its header says (checked before the first row) or cannot be read.
class BmpRows final : public RowSource {
public:
    // FileError for a file that bmpLayout() does not take.
    explicit BmpRows(ByteInput& input);

    std::int32_t width() const override { return layout_.width; }
    std::int32_t height() const override { return layout_.height; }
    PixelLayout layout() const override;
    const IndexedColours* colourTable() const override { return layout_.bitsPerPixel == 8 ? &table_ : nullptr; }
    bool bottomUp() const override { return layout_.bottomUp; }
    std::span<const std::uint8_t> nextRow() override;

private:
    void readExactly(std::span<std::uint8_t> into);

    ByteInput& input_;
    BmpLayout layout_;
    IndexedColours table_{};
    std::vector<std::uint8_t> row_;
    std::int32_t next_ = 0;
};

}  // namespace palshift
