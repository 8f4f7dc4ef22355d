#include "pictures/png_rows.h"

#include "pictures/png_unfilter.h"
#include "platform/file_error.h"
#include "pictures/picture_limits.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace palshift {

namespace {

constexpr std::array<std::uint8_t, 8> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t compressedBlock = 256 * 1024;

enum ColourType : std::uint8_t { Grey = 0, Truecolour = 2, Indexed = 3, GreyAlpha = 4, TruecolourAlpha = 6 };

std::uint32_t bigEndian32(const std::uint8_t* bytes)
{
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

std::uint32_t crcOf(std::uint32_t crc, std::span<const std::uint8_t> bytes)
{
    return crc32_gzip_refl(crc, bytes.data(), bytes.size());
}

const QString truncated = QStringLiteral("truncated: the file ends before the picture does");

}  // namespace

bool PngRows::ChunkHeader::is(const char* name) const
{
    return std::memcmp(type.data(), name, 4) == 0;
}

bool PngRows::ChunkHeader::critical() const
{
    return std::isupper(static_cast<unsigned char>(type[0])) != 0;
}

PngRows::PngRows(ByteInput& input) : input_(input), inflater_(std::make_unique<inflate_state>())
{
    readHeader();
    ChunkHeader chunk = readChunkHeader();
    for (; !chunk.is("IDAT"); chunk = readChunkHeader()) {
        if (chunk.is("PLTE")) {
            readPalette(chunk);
        } else if (chunk.critical()) {
            fail(QStringLiteral("a %1 chunk before the image data").arg(QString::fromLatin1(chunk.type.data(), 4)));
        } else {
            keysTransparency_ = keysTransparency_ || chunk.is("tRNS");
            skipChunkData(chunk.length);
            checkChunkCrc();
        }
    }
    if (colourType_ == Indexed && paletteEntries_ == 0)
        fail(QStringLiteral("a palette picture without a palette"));
    idatLeft_ = chunk.length;
    compressed_.resize(compressedBlock);
    startStream();

    const std::size_t rowBytes = static_cast<std::size_t>(width_) * static_cast<std::size_t>(bytesPerPixel(layout_));
    above_.assign(1 + rowBytes, 0);
    row_.resize(1 + rowBytes);
}

PngRows::~PngRows() = default;

void PngRows::fail(const QString& reason) const
{
    throw FileError(input_.name(), QStringLiteral("Cannot decode %1: %2").arg(input_.name(), reason));
}

void PngRows::readExactly(std::span<std::uint8_t> into)
{
    if (input_.read(into) != into.size())
        fail(truncated);
}

PngRows::ChunkHeader PngRows::readChunkHeader()
{
    std::array<std::uint8_t, 8> bytes{};
    readExactly(bytes);
    ChunkHeader chunk{bigEndian32(bytes.data()), {}};
    std::memcpy(chunk.type.data(), bytes.data() + 4, 4);
    if (chunk.length > 0x7fffffff)
        fail(QStringLiteral("a chunk longer than a PNG allows"));
    crc_ = crcOf(0, std::span(bytes).subspan(4));
    return chunk;
}

void PngRows::readChunkData(std::span<std::uint8_t> into)
{
    readExactly(into);
    crc_ = crcOf(crc_, into);
}

void PngRows::skipChunkData(std::uint32_t length)
{
    std::array<std::uint8_t, 4096> block;
    for (std::uint32_t left = length; left > 0;) {
        const std::size_t count = std::min<std::size_t>(left, block.size());
        readChunkData(std::span(block).first(count));
        left -= static_cast<std::uint32_t>(count);
    }
}

void PngRows::checkChunkCrc()
{
    std::array<std::uint8_t, 4> stored{};
    readExactly(stored);
    if (bigEndian32(stored.data()) != crc_)
        fail(QStringLiteral("a chunk fails its CRC check"));
}

void PngRows::readHeader()
{
    std::array<std::uint8_t, 8> start{};
    readExactly(start);
    if (start != signature)
        fail(QStringLiteral("not a PNG file"));
    const ChunkHeader chunk = readChunkHeader();
    if (!chunk.is("IHDR") || chunk.length != 13)
        fail(QStringLiteral("the file does not start with its header"));
    std::array<std::uint8_t, 13> header{};
    readChunkData(header);
    checkChunkCrc();

    const std::uint32_t width = bigEndian32(header.data());
    const std::uint32_t height = bigEndian32(header.data() + 4);
    const std::uint8_t depth = header[8], compression = header[10], filtering = header[11], interlace = header[12];
    colourType_ = header[9];
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff || compression != 0 || filtering != 0
        || interlace > 1)
        fail(QStringLiteral("its header is not valid"));
    if (depth != 8 || interlace != 0)
        fail(QStringLiteral("only non-interlaced PNGs of 8 bits per channel are read row by row"));
    if (std::uint64_t{width} * height > static_cast<std::uint64_t>(largestPicturePixels))
        throw FileError(input_.name(), QStringLiteral("%1 is %2 x %3 pixels; the largest picture that loads has "
                                                      "16384 x 16384 pixels")
                                           .arg(input_.name(), QString::number(width), QString::number(height)));
    width_ = static_cast<std::int32_t>(width);
    height_ = static_cast<std::int32_t>(height);

    table_.fill(-1);
    switch (colourType_) {
    case Grey:
    case GreyAlpha:
        layout_ = colourType_ == Grey ? PixelLayout::Indexed8 : PixelLayout::IndexedAlpha8;
        for (int grey = 0; grey < 256; ++grey)
            table_[static_cast<std::size_t>(grey)] = grey * 0x010101;
        break;
    case Truecolour: layout_ = PixelLayout::Rgb8; break;
    case TruecolourAlpha: layout_ = PixelLayout::Rgba8; break;
    case Indexed:
        layout_ = PixelLayout::Indexed8;
        paletteEntries_ = 0;
        break;
    default: fail(QStringLiteral("its colour type is not valid"));
    }
}

void PngRows::readPalette(const ChunkHeader& chunk)
{
    const bool greyPicture = colourType_ == Grey || colourType_ == GreyAlpha;
    if (greyPicture || (colourType_ == Indexed && paletteEntries_ > 0) || chunk.length == 0 || chunk.length % 3 != 0
        || chunk.length > 3 * 256)
        fail(QStringLiteral("its palette is not valid"));
    std::array<std::uint8_t, 3 * 256> colours{};
    readChunkData(std::span(colours).first(chunk.length));
    checkChunkCrc();
    if (colourType_ != Indexed)
        return;  // a suggestion for truecolour pictures, which their pixels do not use
    paletteEntries_ = chunk.length / 3;
    for (std::uint32_t entry = 0; entry < paletteEntries_; ++entry) {
        const std::uint8_t* colour = colours.data() + 3 * entry;
        table_[entry] = colour[0] + 256 * colour[1] + 65536 * colour[2];
    }
    // An index past the palette reads as index 0, as Qt's PNG reader makes it.
    std::fill(table_.begin() + paletteEntries_, table_.end(), table_[0]);
}

// More of the zlib stream into compressed_, across IDAT chunks; false when the image data are over.
bool PngRows::fillInput()
{
    while (idatLeft_ == 0) {
        if (idatOver_)
            return false;
        checkChunkCrc();
        const ChunkHeader chunk = readChunkHeader();
        if (!chunk.is("IDAT")) {
            idatOver_ = true;
            afterIdat_ = chunk;
            return false;
        }
        idatLeft_ = chunk.length;
    }
    const std::size_t count = std::min<std::size_t>(idatLeft_, compressed_.size());
    readChunkData(std::span(compressed_).first(count));
    idatLeft_ -= static_cast<std::uint32_t>(count);
    inflater_->next_in = compressed_.data();
    inflater_->avail_in = static_cast<std::uint32_t>(count);
    return true;
}

// Reads and checks the zlib header, as zlib would.
void PngRows::startStream()
{
    isal_inflate_init(inflater_.get());
    std::array<std::uint8_t, 2> header{};
    for (std::uint8_t& byte : header) {
        while (inflater_->avail_in == 0)
            if (!fillInput())
                fail(truncated);
        byte = *inflater_->next_in++;
        --inflater_->avail_in;
    }
    const bool deflate = (header[0] & 0x0F) == 8 && header[0] >> 4 <= 7;
    const bool presetDictionary = (header[1] & 0x20) != 0;
    if (!deflate || presetDictionary || (header[0] * 256 + header[1]) % 31 != 0)
        fail(QStringLiteral("its zlib header is not valid"));
    // The inflater does not hold a stream to the window its header declares, as zlib does: a stream
    // that could reach back further is left to Qt's decoder. Encoders declare a small window only
    // for small pictures, whose whole data fit in it.
    const std::uint64_t window = std::uint64_t{1} << ((header[0] >> 4) + 8);
    const std::uint64_t inflatedSize = std::uint64_t{static_cast<std::uint32_t>(height_)}
                                       * (1 + std::uint64_t{static_cast<std::uint32_t>(width_)} * static_cast<std::uint32_t>(bytesPerPixel(layout_)));
    if (inflatedSize > window && window < 32768)
        fail(QStringLiteral("its zlib stream declares a window smaller than the picture"));
    inflater_->crc_flag = ISAL_ZLIB_NO_HDR_VER;
}

// One call of the inflater, with more input only when it can make no progress without: it keeps
// some input of its own, so an empty input buffer does not mean the output is complete.
void PngRows::inflateStep()
{
    const std::uint32_t outBefore = inflater_->avail_out;
    const std::uint32_t inBefore = inflater_->avail_in;
    if (isal_inflate(inflater_.get()) < 0)
        fail(QStringLiteral("its image data are damaged"));
    const bool progress = inflater_->avail_out != outBefore || inflater_->avail_in != inBefore;
    if (inflater_->avail_in == 0 && inflater_->block_state != ISAL_BLOCK_FINISH && !fillInput() && !progress)
        fail(truncated);
}

void PngRows::inflateInto(std::span<std::uint8_t> into)
{
    inflater_->next_out = into.data();
    inflater_->avail_out = static_cast<std::uint32_t>(into.size());
    while (inflater_->avail_out > 0) {
        if (inflater_->block_state == ISAL_BLOCK_FINISH)
            fail(QStringLiteral("its image data end before the picture does"));
        inflateStep();
    }
}

// The zlib stream must end, checksum and all, with the last row, and the image data with it.
void PngRows::finishStream()
{
    while (inflater_->block_state != ISAL_BLOCK_FINISH) {
        std::uint8_t extra = 0;
        inflater_->next_out = &extra;
        inflater_->avail_out = 1;
        inflateStep();
        if (inflater_->avail_out == 0)
            fail(QStringLiteral("its image data hold more than the picture"));
    }
    // The inflater reads ahead into a bit buffer of its own: bytes left there follow the stream too.
    if (inflater_->avail_in > 0 || inflater_->read_in_length > 0 || fillInput())
        fail(QStringLiteral("its image data hold more than the picture"));
    readToEnd(afterIdat_);
}

// Whatever follows the image data must be whole too, up to IEND.
void PngRows::readToEnd(ChunkHeader chunk)
{
    for (;; chunk = readChunkHeader()) {
        if (chunk.is("IEND")) {
            if (chunk.length != 0)
                fail(QStringLiteral("its IEND chunk is not empty"));
            checkChunkCrc();
            return;
        }
        if (chunk.critical())
            fail(QStringLiteral("a %1 chunk after the image data").arg(QString::fromLatin1(chunk.type.data(), 4)));
        skipChunkData(chunk.length);
        checkChunkCrc();
    }
}

std::span<const std::uint8_t> PngRows::nextRow()
{
    if (next_ >= height_)
        throw std::out_of_range("every row of the picture has been read");
    inflateInto(row_);
    const std::span<std::uint8_t> pixels = std::span(row_).subspan(1);
    if (!unfilterPngRow(row_[0], pixels, std::span(above_).subspan(1), bytesPerPixel(layout_)))
        fail(QStringLiteral("a row of an unknown filter type"));
    std::swap(above_, row_);
    if (++next_ == height_)
        finishStream();
    // libpng warns of an index past the palette, through Qt's messages: such a file is left to Qt's
    // decoder, so that the warning names the picture on every path.
    if (paletteEntries_ < 256
        && std::any_of(above_.begin() + 1, above_.end(), [&](std::uint8_t index) { return index >= paletteEntries_; }))
        fail(QStringLiteral("a palette index past its %1 colours").arg(paletteEntries_));
    return std::span(above_).subspan(1);
}

}  // namespace palshift
