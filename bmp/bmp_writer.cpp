#include "bmp/bmp_writer.h"

#include "platform/atomic_file.h"
#include "platform/file_error.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace palshift {

namespace {

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int width)
{
    for (int byte = 0; byte < width; ++byte)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * byte)));
}

std::vector<std::uint8_t> headersAndColourTable(const BmpHeaderBytes& fileHeader, const PaletteBlock& PalCol,
                                                std::int32_t cWidth, std::int32_t CHeight,
                                                std::int32_t imageSize)
{
    std::vector<std::uint8_t> bytes(fileHeader.begin(), fileHeader.end());
    bytes.reserve(bmpPixelDataOffset);
    const std::pair<std::uint32_t, int> infoHeader[] = {
        {40, 4}, {static_cast<std::uint32_t>(cWidth), 4}, {static_cast<std::uint32_t>(CHeight), 4},
        {1, 2},  {8, 2}, {0, 4}, {static_cast<std::uint32_t>(imageSize), 4}, {0, 4}, {0, 4}, {0, 4}, {0, 4},
    };
    for (const auto& [value, width] : infoHeader)
        putLittleEndian(bytes, value, width);
    for (std::size_t c = 0; c < PalCol.size(); c += 3) {
        bytes.push_back(PalCol[c + 2]);
        bytes.push_back(PalCol[c + 1]);
        bytes.push_back(PalCol[c]);
        bytes.push_back(0);
    }
    return bytes;
}

}  // namespace

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

    for (int byte = 0; byte < 4; ++byte)
        BmpFileHeader[static_cast<std::size_t>(2 + byte)] = static_cast<std::uint8_t>(sizes.fileSize >> (8 * byte));

    AtomicFile file(FileName);
    file.write(headersAndColourTable(BmpFileHeader, PalCol, cWidth, CHeight, sizes.imageSize));

    // Rows go out in chunks of about a megabyte: few writes, little memory.
    const auto stride = static_cast<std::size_t>(sizes.rowStride);
    const std::size_t rowsPerChunk = std::max<std::size_t>(1, (std::size_t{1} << 20) / std::max<std::size_t>(stride, 1));
    std::vector<std::uint8_t> chunk;
    for (std::size_t row = 0; row < static_cast<std::size_t>(CHeight); row += rowsPerChunk) {
        const std::size_t rows = std::min(rowsPerChunk, static_cast<std::size_t>(CHeight) - row);
        chunk.assign(rows * stride, 0);
        for (std::size_t r = 0; r < rows; ++r)
            std::copy_n(PixelBuffer.begin() + static_cast<std::ptrdiff_t>((row + r) * width), width,
                        chunk.begin() + static_cast<std::ptrdiff_t>(r * stride));
        file.write(chunk);
    }
    file.commit();
}

}  // namespace palshift
