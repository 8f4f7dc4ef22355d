#include "pictures/mng_size.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace palshift {

namespace {

constexpr std::array<char, 8> mngSignature = {'\x8A', 'M', 'N', 'G', '\r', '\n', '\x1A', '\n'};

std::uint32_t bigEndian32(QByteArrayView bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return std::uint32_t(std::uint8_t(bytes[at + i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

}  // namespace

std::optional<QSize> mngDeclaredSize(QByteArrayView bytes)
{
    if (bytes.size() < qsizetype(mngSignature.size()) || std::memcmp(bytes.data(), mngSignature.data(), mngSignature.size()) != 0)
        return std::nullopt;
    std::optional<QSize> largest;
    std::uint64_t largestPixels = 0;
    // Each chunk: its data's length, its type, the data, a CRC.
    for (qsizetype at = qsizetype(mngSignature.size()); at + 16 <= bytes.size();) {
        const std::uint32_t length = bigEndian32(bytes, at);
        const QByteArrayView type = bytes.sliced(at + 4, 4);
        if (type == "MHDR" || type == "IHDR" || type == "JHDR" || type == "BASI") {
            const std::uint32_t width = bigEndian32(bytes, at + 8), height = bigEndian32(bytes, at + 12);
            if (std::uint64_t{width} * height >= largestPixels) {
                largestPixels = std::uint64_t{width} * height;
                // Sides past an int's range stay beyond every limit.
                largest = QSize(int(std::min<std::uint32_t>(width, INT32_MAX)), int(std::min<std::uint32_t>(height, INT32_MAX)));
            }
        }
        if (type == "MEND" || std::uint64_t{length} + 12 > std::uint64_t(bytes.size() - at))
            break;
        at += qsizetype(length) + 12;
    }
    return largest;
}

}  // namespace palshift
