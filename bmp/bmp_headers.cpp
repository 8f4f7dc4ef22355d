#include "bmp/bmp_headers.h"

namespace palshift {

std::array<std::uint8_t, bmpPixelDataOffset> bmpHeaders(std::int32_t width, std::int32_t height, const Palette& palette)
{
    const BmpSizes sizes = bmpSizes(width, height);
    std::array<std::uint8_t, bmpPixelDataOffset> bytes{};
    BmpHeaderBytes fileHeader{};
    InitBmpHeader(fileHeader);
    std::copy(fileHeader.begin(), fileHeader.end(), bytes.begin());

    std::size_t at = 2;
    const auto put = [&bytes, &at](std::uint32_t value, int width) {
        for (int byte = 0; byte < width; ++byte)
            bytes[at++] = static_cast<std::uint8_t>(value >> (8 * byte));
    };
    put(static_cast<std::uint32_t>(sizes.fileSize), 4);
    at = 14;
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(8, 2);
    put(0, 4);
    put(static_cast<std::uint32_t>(sizes.imageSize), 4);
    at += 16;  // resolution and colour counts, all 0
    for (const Rgb& entry : palette) {
        bytes[at++] = entry.blue;
        bytes[at++] = entry.green;
        bytes[at++] = entry.red;
        bytes[at++] = 0;
    }
    return bytes;
}

}  // namespace palshift
