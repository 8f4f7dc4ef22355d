// Palette files of any content, read as the window and the command line read them: each is read or
// refused with a FileError, never anything else; a refusal changes nothing, and a 768-byte file is
// its own red, green and blue bytes.

#include "convert/palette_file.h"
#include "memory_file.h"
#include "pictures/linked_qt_decoding.h"
#include "platform/file_error.h"

#include <cstdlib>
#include <cstring>

using namespace palshift;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    handOverQtDecoding(linkedQtDecoding());  // for palettes taken from pictures
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::MemoryFile file;
    file.hold(data, size);

    Palette palette{};
    std::int16_t PalCounter = 7;
    try {
        readPaletteFile(file.path(), palette, PalCounter);
    } catch (const FileError&) {
        if (PalCounter != 7)  // a refused file changes nothing
            std::abort();
        return 0;
    }
    if (PalCounter != 256 || (size == sizeof palette && std::memcmp(palette.data(), data, sizeof palette) != 0))
        std::abort();
    return 0;
}
