#include "pictures/pcx_writer.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace palshift {

namespace {

constexpr std::size_t flushSize = 1 << 16;

void putLittleEndian16(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

std::int32_t bytesPerLine(std::int32_t width)
{
    return width + (width & 1);
}

}  // namespace

PcxWriter::PcxWriter(std::int32_t width, std::int32_t height, const Palette& palette, ByteSink& sink)
    : width_(width), height_(height), palette_(palette), sink_(sink)
{
    // The header keeps the last column and row, and the padded row length, in 16 bits.
    if (width < 1 || height < 1 || width > 65534 || height > 65534)
        throw std::out_of_range("a PCX file cannot hold a picture of " + std::to_string(width) + " x "
                                + std::to_string(height) + " pixels");
    std::uint8_t header[128]{};
    header[0] = 0x0A;  // ZSoft
    header[1] = 5;     // version 3.0 and later, with a 256-colour table
    header[2] = 1;     // run-length encoded
    header[3] = 8;     // bits per pixel in a plane
    putLittleEndian16(header + 8, static_cast<std::uint32_t>(width - 1));
    putLittleEndian16(header + 10, static_cast<std::uint32_t>(height - 1));
    putLittleEndian16(header + 12, 72);  // dots per inch
    putLittleEndian16(header + 14, 72);
    header[65] = 1;  // planes
    putLittleEndian16(header + 66, static_cast<std::uint32_t>(bytesPerLine(width)));
    putLittleEndian16(header + 68, 1);  // colour, not grey
    pending_.assign(std::begin(header), std::end(header));
}

void PcxWriter::writeRow(std::span<const std::uint8_t> indices)
{
    if (indices.size() != static_cast<std::size_t>(width_) || rowsWritten_ >= height_)
        throw std::out_of_range("PCX row " + std::to_string(rowsWritten_) + " of " + std::to_string(height_)
                                + " with " + std::to_string(indices.size()) + " pixels; the picture is "
                                + std::to_string(width_) + " wide");
    // Runs stay within the row and its padding byte (0), as the format asks.
    const auto lineLength = static_cast<std::size_t>(bytesPerLine(width_));
    const auto at = [&](std::size_t x) -> std::uint8_t { return x < indices.size() ? indices[x] : 0; };
    for (std::size_t x = 0; x < lineLength;) {
        const std::uint8_t value = at(x);
        std::size_t run = 1;
        while (run < 63 && x + run < lineLength && at(x + run) == value)
            ++run;
        if (run > 1 || value >= 0xC0)
            pending_.push_back(static_cast<std::uint8_t>(0xC0 | run));
        pending_.push_back(value);
        x += run;
    }
    ++rowsWritten_;
    if (pending_.size() >= flushSize)
        flush();
}

void PcxWriter::finish()
{
    if (rowsWritten_ != height_)
        throw std::out_of_range("PCX picture finished after " + std::to_string(rowsWritten_) + " of "
                                + std::to_string(height_) + " rows");
    pending_.push_back(0x0C);
    for (const Rgb& entry : palette_)
        pending_.insert(pending_.end(), {entry.red, entry.green, entry.blue});
    flush();
}

void PcxWriter::flush()
{
    sink_(pending_);
    pending_.clear();
}

}  // namespace palshift
