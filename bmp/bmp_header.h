#pragma once

#include <array>
#include <cstdint>

namespace palshift {

using BmpHeaderBytes = std::array<std::uint8_t, 14>;

// 14-byte file header + 40-byte info header + 256 colour table entries of 4 bytes.
constexpr std::int32_t bmpPixelDataOffset = 1078;

// Fills the bytes of the file header that every file shares: "BM", the reserved fields and the
// pixel data offset. Bytes 2 to 5 (the file size) are each file's own.
void InitBmpHeader(BmpHeaderBytes& BmpFileHeader);

struct BmpSizes {
    std::int32_t rowStride;  // a row's bytes, padded to a multiple of 4
    std::int32_t imageSize;
    std::int32_t fileSize;
};

// std::overflow_error when a size does not fit the file's signed 32-bit fields;
// std::invalid_argument for a negative side.
BmpSizes bmpSizes(std::int32_t cWidth, std::int32_t CHeight);

}  // namespace palshift
