// PNG and BMP files of any content through the streaming row readers: each gives all its rows or
// is refused with a FileError, never anything else, and every row is as long as its width says.

#include "fuzz_start.h"
#include "pictures/bmp_rows.h"
#include "pictures/byte_input.h"
#include "pictures/png_rows.h"
#include "platform/file_error.h"

#include <cstdlib>
#include <memory>

using namespace palshift;

namespace {

// Larger pictures are passed over once their header is read: they find nothing a small one would not.
constexpr std::int64_t largestFuzzedPixels = std::int64_t{512} * 512;

void readAllRows(RowSource& rows)
{
    if (std::int64_t{rows.width()} * rows.height() > largestFuzzedPixels)
        return;
    const auto rowBytes = static_cast<std::size_t>(rows.width() * bytesPerPixel(rows.layout()));
    for (std::int32_t y = 0; y < rows.height(); ++y)
        if (rows.nextRow().size() != rowBytes)
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        MemoryInput input(bytes, QStringLiteral("fuzz.png"));
        PngRows rows(input);
        readAllRows(rows);
    } catch (const FileError&) {
    }
    try {
        MemoryInput input(bytes, QStringLiteral("fuzz.bmp"));
        BmpRows rows(input);
        readAllRows(rows);
    } catch (const FileError&) {
    }
    return 0;
}
