#include "pictures/png_rows.h"

#include "platform/file_error.h"
#include "platform/picture_loading.h"

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace palshift {

namespace {

// Ancillary chunks are skipped by the conversion; a hostile file must not make them fill memory.
constexpr std::size_t largestChunk = std::size_t{64} << 20;
constexpr std::size_t largestChunkCache = std::size_t{64} << 20;

constexpr std::array<std::uint8_t, 12> iendChunk = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

}  // namespace

// The input, keeping the last bytes read: the file must end its chunks with IEND.
struct PngRows::Reading {
    ByteInput& input;
    std::array<std::uint8_t, iendChunk.size()> last{};

    static int read(spng_ctx*, void* user, void* into, std::size_t length)
    {
        auto& reading = *static_cast<Reading*>(user);
        const std::span<std::uint8_t> bytes(static_cast<std::uint8_t*>(into), length);
        try {
            if (reading.input.read(bytes) != length)
                return SPNG_IO_EOF;
        } catch (const FileError&) {
            return SPNG_IO_ERROR;
        }
        const std::size_t kept = std::min(length, reading.last.size());
        std::shift_left(reading.last.begin(), reading.last.end(), static_cast<std::ptrdiff_t>(kept));
        std::copy(bytes.end() - static_cast<std::ptrdiff_t>(kept), bytes.end(), reading.last.end() - static_cast<std::ptrdiff_t>(kept));
        return 0;
    }
};


PngRows::PngRows(ByteInput& input)
    : input_(input), reading_(std::make_unique<Reading>(Reading{input})), context_(spng_ctx_new(0), spng_ctx_free)
{
    if (!context_)
        throw std::bad_alloc();
    spng_ctx* const png = context_.get();
    spng_set_chunk_limits(png, largestChunk, largestChunkCache);
    // libspng drops an ancillary chunk that fails its CRC without a word, where libpng warns: such a
    // file is left to Qt's decoder, so that its warning names the picture on every path.
    spng_set_crc_action(png, SPNG_CRC_ERROR, SPNG_CRC_ERROR);
    if (int error = spng_set_png_stream(png, Reading::read, reading_.get()))
        fail(error);

    spng_ihdr header{};
    if (int error = spng_get_ihdr(png, &header))
        fail(error);
    if (header.bit_depth != 8 || header.interlace_method != 0)
        throw FileError(input_.name(), QStringLiteral("%1: only non-interlaced PNGs of 8 bits per channel are read "
                                                      "row by row").arg(input_.name()));
    if (std::uint64_t{header.width} * header.height > static_cast<std::uint64_t>(largestPicturePixels))
        throw FileError(input_.name(), QStringLiteral("%1 is %2 x %3 pixels; the largest picture that loads has "
                                                      "16384 x 16384 pixels")
                                           .arg(input_.name(), QString::number(header.width), QString::number(header.height)));
    width_ = static_cast<std::int32_t>(header.width);
    height_ = static_cast<std::int32_t>(header.height);

    table_.fill(-1);
    switch (header.color_type) {
    case SPNG_COLOR_TYPE_GRAYSCALE:
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
        layout_ = header.color_type == SPNG_COLOR_TYPE_GRAYSCALE ? PixelLayout::Indexed8 : PixelLayout::IndexedAlpha8;
        for (int grey = 0; grey < 256; ++grey)
            table_[static_cast<std::size_t>(grey)] = grey * 0x010101;
        break;
    case SPNG_COLOR_TYPE_TRUECOLOR:
        layout_ = PixelLayout::Rgb8;
        break;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
        layout_ = PixelLayout::Rgba8;
        break;
    case SPNG_COLOR_TYPE_INDEXED: {
        layout_ = PixelLayout::Indexed8;
        spng_plte palette{};
        if (int error = spng_get_plte(png, &palette))
            fail(error);
        for (std::uint32_t entry = 0; entry < palette.n_entries && entry < 256; ++entry) {
            const spng_plte_entry& colour = palette.entries[entry];
            table_[entry] = colour.red + 256 * colour.green + 65536 * colour.blue;
        }
        // An index past the palette reads as index 0, as Qt's PNG reader makes it.
        std::fill(table_.begin() + palette.n_entries, table_.end(), table_[0]);
        paletteEntries_ = palette.n_entries;
        break;
    }
    default:
        fail(SPNG_ECOLOR_TYPE);
    }

    if (int error = spng_decode_image(png, nullptr, 0, SPNG_FMT_PNG, SPNG_DECODE_PROGRESSIVE))
        fail(error);
    row_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(bytesPerPixel(layout_)));
}

PngRows::~PngRows() = default;

std::span<const std::uint8_t> PngRows::nextRow()
{
    if (next_ >= height_)
        throw std::out_of_range("every row of the picture has been read");
    const int result = spng_decode_row(context_.get(), row_.data(), row_.size());
    ++next_;
    if (result == SPNG_EOI && next_ == height_) {
        // Whatever follows the pixels must be whole too, up to IEND.
        if (int error = spng_decode_chunks(context_.get()))
            fail(error);
        if (reading_->last != iendChunk)
            fail(SPNG_IO_EOF);
    } else if (result != 0) {
        fail(result);
    }
    // libpng warns of an index past the palette, through Qt's messages: such a file is left to Qt's
    // decoder, so that the warning names the picture on every path.
    if (paletteEntries_ < 256
        && std::any_of(row_.begin(), row_.end(), [&](std::uint8_t index) { return index >= paletteEntries_; }))
        throw FileError(input_.name(), QStringLiteral("Cannot decode %1: a palette index past its %2 colours")
                                           .arg(input_.name(), QString::number(paletteEntries_)));
    return row_;
}

void PngRows::fail(int error) const
{
    const QString reason = error == SPNG_IO_EOF ? QStringLiteral("truncated: the file ends before the picture does")
                                                : QString::fromUtf8(spng_strerror(error));
    throw FileError(input_.name(), QStringLiteral("Cannot decode %1: %2").arg(input_.name(), reason));
}

}  // namespace palshift
