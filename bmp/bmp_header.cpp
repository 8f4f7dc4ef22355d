#include "bmp/bmp_header.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace palshift {

void InitBmpHeader(BmpHeaderBytes& BmpFileHeader)
{
    BmpFileHeader[0] = 'B';
    BmpFileHeader[1] = 'M';
    for (std::size_t reserved = 6; reserved <= 9; ++reserved)
        BmpFileHeader[reserved] = 0;
    BmpFileHeader[10] = bmpPixelDataOffset & 0xFF;
    BmpFileHeader[11] = bmpPixelDataOffset >> 8;
    BmpFileHeader[12] = 0;
    BmpFileHeader[13] = 0;
}

BmpSizes bmpSizes(std::int32_t cWidth, std::int32_t CHeight)
{
    if (cWidth < 0 || CHeight < 0)
        throw std::invalid_argument("a picture cannot be " + std::to_string(cWidth) + " x "
                                    + std::to_string(CHeight) + " pixels");
    const std::int64_t rowStride = (static_cast<std::int64_t>(cWidth) + 3) / 4 * 4;
    const std::int64_t imageSize = rowStride * CHeight;
    const std::int64_t fileSize = bmpPixelDataOffset + imageSize;
    if (rowStride > std::numeric_limits<std::int32_t>::max() || fileSize > std::numeric_limits<std::int32_t>::max())
        throw std::overflow_error("a picture of " + std::to_string(cWidth) + " x " + std::to_string(CHeight)
                                  + " pixels is too large for a BMP file");
    return {static_cast<std::int32_t>(rowStride), static_cast<std::int32_t>(imageSize),
            static_cast<std::int32_t>(fileSize)};
}

}  // namespace palshift
