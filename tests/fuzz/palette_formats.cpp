// Palettes of any content in every format: each is read or refused with a FileError, never anything
// else, and what is read is always 256 colours in a named format.

#include "fuzz_start.h"
#include "palettes/palette_formats.h"
#include "pictures/palette_picture.h"
#include "platform/file_error.h"

#include <array>
#include <cstdlib>

using namespace palshift;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte picks the format, so that each reader sees every input and not only those
    // the detection gives it; the name "pal.dat" takes the detection's name rule too.
    static constexpr std::array formats{PaletteFormat::Auto, PaletteFormat::Rgb, PaletteFormat::Bgr,
                                        PaletteFormat::Jasc, PaletteFormat::Act, PaletteFormat::Gpl,
                                        PaletteFormat::Riff, PaletteFormat::Picture};
    if (size == 0)
        return 0;
    const PaletteFormat format = formats[data[0] % formats.size()];
    const QString name = data[0] & 0x80 ? QStringLiteral("pal.dat") : QStringLiteral("fuzz.pal");
    try {
        const LoadedPalette loaded =
            decodePalette(QByteArrayView(data + 1, static_cast<qsizetype>(size - 1)), name, format, decodePicturePalette);
        if (loaded.format == PaletteFormat::Auto || (format != PaletteFormat::Auto && loaded.format != format))
            std::abort();
    } catch (const FileError&) {
    }
    return 0;
}
