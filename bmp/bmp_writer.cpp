#include "bmp/bmp_writer.h"

#include "bmp/bmp_headers.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace palshift {

namespace {

constexpr std::size_t pieceBytes = std::size_t{1} << 20;

}  // namespace

BmpWriter::BmpWriter(std::int32_t width, std::int32_t height, const Palette& palette, bool bottomUp, ByteSink& sink,
                     bool holdAll)
    : width_(static_cast<std::size_t>(std::max(width, 0))),
      rows_(static_cast<std::size_t>(std::max(height, 0))),
      stride_(static_cast<std::size_t>(bmpSizes(width, height).rowStride)),
      bottomUp_(bottomUp),
      sink_(sink),
      headers_(bmpHeaders(width, height, palette))
{
    // A pipe takes rows from the top only once the bottom one is known.
    const bool whole = holdAll || (!bottomUp && !sink.canSeek());
    const std::size_t allRows = std::max<std::size_t>(rows_, 1);
    rowsPerPiece_ = whole ? allRows : std::clamp<std::size_t>(pieceBytes / std::max<std::size_t>(stride_, 1), 1, allRows);
    piece_.assign(rowsPerPiece_ * stride_, 0);
}

std::span<std::uint8_t> BmpWriter::nextRow()
{
    if (first_ + held_ >= rows_)
        throw std::out_of_range("every row of the BMP has been written");
    if (held_ == rowsPerPiece_)
        writeHeld();
    // Rows from the top fill the piece from its end: the file stores the bottom row first.
    const std::size_t count = std::min(rowsPerPiece_, rows_ - first_);
    const std::size_t place = bottomUp_ ? held_ : count - 1 - held_;
    ++held_;
    return std::span(piece_).subspan(place * stride_, width_);
}

void BmpWriter::finish()
{
    if (first_ + held_ != rows_)
        throw std::out_of_range("BMP finished after " + std::to_string(first_ + held_) + " of "
                                + std::to_string(rows_) + " rows");
    writeHeld();
}

void BmpWriter::writeHeld()
{
    if (first_ == 0)
        sink_.writeAt(0, headers_);
    // The piece's first row in file order: its own first row, or its last row when from the top.
    const std::size_t fileRow = bottomUp_ ? first_ : rows_ - first_ - held_;
    if (held_ > 0)
        sink_.writeAt(bmpPixelDataOffset + fileRow * stride_, std::span(piece_).first(held_ * stride_));
    first_ += held_;
    held_ = 0;
}

void Save_Pic(const QString& FileName, const PaletteBlock& PalCol, std::int32_t cWidth, std::int32_t CHeight,
              BmpHeaderBytes& BmpFileHeader, std::span<const std::uint8_t> PixelBuffer)
{
    const BmpSizes sizes = bmpSizes(cWidth, CHeight);
    const auto width = static_cast<std::size_t>(cWidth);
    const auto pixelCount = width * static_cast<std::size_t>(CHeight);
    if (PixelBuffer.size() < pixelCount)
        throw std::out_of_range("the pixel buffer holds " + std::to_string(PixelBuffer.size())
                                + " bytes, fewer than the " + std::to_string(pixelCount) + " pixels to save");
    if (FileName.isEmpty())
        throw FileError(FileName, QStringLiteral("No file name has been chosen to save the picture to"));

    InitBmpHeader(BmpFileHeader);
    for (int byte = 0; byte < 4; ++byte)
        BmpFileHeader[static_cast<std::size_t>(2 + byte)] = static_cast<std::uint8_t>(sizes.fileSize >> (8 * byte));
    Palette palette{};
    for (std::size_t entry = 0; entry < palette.size(); ++entry)
        palette[entry] = {PalCol[3 * entry], PalCol[3 * entry + 1], PalCol[3 * entry + 2]};

    AtomicFile file(FileName);
    BmpWriter writer(cWidth, CHeight, palette, true, file);
    for (std::size_t row = 0; row < static_cast<std::size_t>(CHeight); ++row)
        std::ranges::copy(PixelBuffer.subspan(row * width, width), writer.nextRow().begin());
    writer.finish();
    file.commit();
}

}  // namespace palshift
