#pragma once

#include "pictures/byte_input.h"
#include "pictures/row_source.h"

#include <array>
#include <memory>
#include <vector>

struct inflate_state;

namespace palshift {

// The rows of a non-interlaced PNG of 8 bits per channel (grey, grey + alpha, RGB, RGBA or
// palette), top row first, as the file stores them: no gamma, and a tRNS colour key changes no
// colour. Grey pictures come as indices into a table of 256 greys. Reads up to IEND and checks every
// chunk's CRC and the zlib stream's Adler-32. Throws FileError naming the input for data cut short or
// damaged, and for anything out of the ordinary that Qt's decoder should judge instead: a chunk out
// of order, data after the zlib stream, an unknown critical chunk, an index past a short palette.
class PngRows final : public RowSource {
public:
    // Reads up to the first IDAT chunk; FileError for anything else than the pictures above.
    explicit PngRows(ByteInput& input);
    ~PngRows() override;

    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    PixelLayout layout() const override { return layout_; }
    const IndexedColours* colourTable() const override { return hasColourTable(layout_) ? &table_ : nullptr; }
    bool keysTransparency() const override { return keysTransparency_; }
    std::span<const std::uint8_t> nextRow() override;

private:
    struct ChunkHeader {
        std::uint32_t length;
        std::array<char, 4> type;
        bool is(const char* name) const;
        bool critical() const;  // one a reader must understand
    };

    [[noreturn]] void fail(const QString& reason) const;
    void readExactly(std::span<std::uint8_t> into);
    ChunkHeader readChunkHeader();
    void readChunkData(std::span<std::uint8_t> into);
    void skipChunkData(std::uint32_t length);
    void checkChunkCrc();
    void readHeader();
    void readPalette(const ChunkHeader& chunk);
    bool fillInput();
    void startStream();
    void inflateStep();
    void inflateInto(std::span<std::uint8_t> into);
    void finishStream();
    void readToEnd(ChunkHeader chunk);

    ByteInput& input_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t next_ = 0;
    PixelLayout layout_ = PixelLayout::Rgb8;
    std::uint8_t colourType_ = 0;
    IndexedColours table_{};
    std::uint32_t paletteEntries_ = 256;  // a palette picture's PLTE entries
    bool keysTransparency_ = false;

    std::uint32_t crc_ = 0;           // of the chunk being read, from its type on
    std::uint32_t idatLeft_ = 0;      // data bytes of the current IDAT chunk not yet read
    bool idatOver_ = false;           // a chunk other than IDAT follows the image data
    ChunkHeader afterIdat_{};
    std::vector<std::uint8_t> compressed_;
    std::unique_ptr<inflate_state> inflater_;
    // Each a row's filter type, then its bytes, unfiltered in place.
    std::vector<std::uint8_t> row_;
    std::vector<std::uint8_t> above_;  // the last row given, zeros before the first
};

}  // namespace palshift
