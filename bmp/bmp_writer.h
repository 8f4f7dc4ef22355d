#pragma once

#include "bmp/bmp_header.h"
#include "palettes/palette.h"
#include "platform/byte_sink.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace palshift {

// Writes an uncompressed 8-bit BMP through a byte sink, palette as its colour table. The caller
// fills each row's width entries in the order the rows come (the bottom row first when bottomUp);
// rows go out about a MiB at a time, each piece at its place, the headers with the first. When
// holdAll, or when rows come from the top into a sink that cannot seek, nothing goes out before
// finish(). Padding bytes are zeros.
class BmpWriter {
public:
    // Throws as bmpSizes() does.
    BmpWriter(std::int32_t width, std::int32_t height, const Palette& palette, bool bottomUp, ByteSink& sink,
              bool holdAll = false);

    // Where the next row's width entries go; the rows held before go out first once they fill a
    // piece. std::out_of_range when every row has been handed out. Throws what the sink throws.
    std::span<std::uint8_t> nextRow();
    // Writes what is held. std::out_of_range unless every row has been handed out.
    void finish();

private:
    void writeHeld();

    std::size_t width_;
    std::size_t rows_;
    std::size_t stride_;
    bool bottomUp_;
    ByteSink& sink_;
    std::array<std::uint8_t, bmpPixelDataOffset> headers_;
    std::size_t rowsPerPiece_;
    std::vector<std::uint8_t> piece_;
    std::size_t first_ = 0;  // the piece's first row, in the order rows come
    std::size_t held_ = 0;   // rows handed out into the piece
};

// Red, green, blue per entry, entry 0 first.
using PaletteBlock = std::array<std::uint8_t, 768>;

// Writes FileName as an uncompressed 8-bit BMP through BmpWriter: the file header (left in
// BmpFileHeader, its file size filled in), the info header, PalCol as the colour table and
// PixelBuffer's cWidth x CHeight indices, bottom row first, through one AtomicFile ("-" is standard
// output): the file is replaced only once it is whole, and every failure leaves what was on disk.
// Size and buffer checks come before anything is opened.
// Throws FileError, std::overflow_error (too large), std::out_of_range (buffer too short).
void Save_Pic(const QString& FileName, const PaletteBlock& PalCol, std::int32_t cWidth, std::int32_t CHeight,
              BmpHeaderBytes& BmpFileHeader, std::span<const std::uint8_t> PixelBuffer);

}  // namespace palshift
