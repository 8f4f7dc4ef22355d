// Pictures of any content read from a file and decoded by the program's own loader, then identified
// and remapped as a conversion does: each is converted or refused with a FileError, never anything else.

#include "convert/nearest_colour.h"
#include "convert/palette_file.h"
#include "convert/source_index_map.h"
#include "fuzz_start.h"
#include "memory_file.h"
#include "platform/file_error.h"
#include "platform/regular_file.h"
#include "pictures/image_surface.h"
#include "pictures/mng_size.h"
#include "pictures/picture_bytes.h"
#include "pictures/picture_end.h"
#include "pictures/picture_loading.h"

#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace palshift;

namespace {

// Pictures over this many pixels are passed over, by their header before decoding and by their size
// after it: under the sanitizers they are slow, take most of the fuzzer's memory, and find nothing a
// small one would not. The refusal above the loader's limit is still reached.
constexpr qint64 largestFuzzedPixels = qint64{512} * 512;

// The default palettes, as a conversion reads them.
ConversionState readPalettes()
{
    ConversionState state;
    const PaletteFiles files = defaultPaletteFiles(QStringLiteral(PALSHIFT_DATA_DIR));
    readPaletteFile(files.source, state.SourcePal, state.PalCounter);
    readPaletteFile(files.target, state.TargetPal, state.PalCounter);
    return state;
}

// Qt gives a GIF's first frame as its size, but decodes the GIF onto its whole screen.
qint64 gifScreenPixels(const std::uint8_t* data, std::size_t size)
{
    if (size < 10 || std::memcmp(data, "GIF8", 4) != 0)
        return 0;
    return qint64{data[6] | data[7] << 8} * (data[8] | data[9] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::MemoryFile file;
    file.hold(data, size);

    QSize claimed = QImageReader(file.path()).size();
    if (!claimed.isValid())  // as the loader reads an MNG's size
        claimed = mngDeclaredSize(QByteArrayView(data, qsizetype(size))).value_or(QSize());
    const qint64 claimedPixels = std::max(claimed.isValid() ? qint64{claimed.width()} * claimed.height() : 0,
                                          gifScreenPixels(data, size));
    if (claimedPixels > largestFuzzedPixels && claimedPixels <= largestPicturePixels)
        return 0;

    QImage decoded;
    try {
        RegularFile input(file.path());
        const QByteArray bytes = readPictureBytes(input, file.path(), largestPictureFileBytes + 1);
        if (bytes.size() > qsizetype(size) || !QByteArrayView(data, qsizetype(size)).startsWith(bytes))
            std::abort();  // the read holds the file's first bytes, no others
        RegularFile again(file.path());
        PictureHead recent(again, largestPictureFileBytes + 1, PictureHead::Held::Recent);
        if (pictureEnd(recent).value_or(qint64(size)) != bytes.size())
            std::abort();  // the estimate's walk, which holds only its last piece, ends elsewhere
        decoded = decodePicture(bytes, QStringLiteral("fuzz"));
    } catch (const FileError&) {
        return 0;
    }
    const qint64 pixels = qint64{decoded.width()} * decoded.height();
    if (decoded.isNull() || pixels > largestPicturePixels)
        std::abort();
    if (pixels > largestFuzzedPixels)
        return 0;

    static const ConversionState palettes = readPalettes();
    ConversionState state = palettes;
    const ImageSurface picture1(decoded);
    dimensionIndexMaps(state, picture1);
    InitPicturePal(state, picture1);
    if (state.unmatchedPixels < 0 || state.unmatchedPixels > pixels)
        std::abort();
    CreateNewPal(state, picture1);
    return 0;
}
