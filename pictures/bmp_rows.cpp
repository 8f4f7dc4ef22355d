#include "pictures/bmp_rows.h"

#include "platform/file_error.h"

#include <algorithm>
#include <stdexcept>

namespace palshift {

namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t headBytes = fileHeaderSize + 40;
// Wider or taller pictures are left to Qt's reader, which has limits of its own.
constexpr std::int64_t longestSide = 16384;

std::uint32_t u16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return bytes[at] | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
}

std::uint32_t u32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return u16(bytes, at) | u16(bytes, at + 2) << 16;
}

}  // namespace

std::optional<BmpHeader> bmpHeader(std::span<const std::uint8_t> head)
{
    if (head.size() < fileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M')
        return std::nullopt;
    BmpHeader header;
    header.pixelOffset = u32(head, 10);
    header.infoSize = u32(head, 14);
    switch (header.infoSize) {
    case 12:
        if (head.size() >= fileHeaderSize + 12) {
            header.infoRead = true;
            header.width = static_cast<std::int16_t>(u16(head, 18));
            header.height = static_cast<std::int16_t>(u16(head, 20));
            header.planes = u16(head, 22);
            header.bits = u16(head, 24);
        }
        return header;
    case 40: case 52: case 56: case 64: case 108: case 124:
        if (head.size() >= headBytes) {
            header.infoRead = true;
            header.width = static_cast<std::int32_t>(u32(head, 18));
            header.height = static_cast<std::int32_t>(u32(head, 22));
            header.planes = u16(head, 26);
            header.bits = u16(head, 28);
            header.compression = u32(head, 30);
            header.imageSize = u32(head, 34);
            header.coloursUsed = u32(head, 46);
        }
        return header;
    default:
        return std::nullopt;
    }
}

std::optional<BmpLayout> bmpLayout(std::span<const std::uint8_t> head)
{
    const std::optional<BmpHeader> header = bmpHeader(head);
    if (!header || !header->infoRead)
        return std::nullopt;
    const std::uint32_t infoSize = header->infoSize;
    const std::int32_t width = header->width;
    const std::int32_t height = header->height;
    const std::uint32_t bits = header->bits;

    // Only the plain forms; V4 and V5 headers may give 32-bit pixels an alpha mask.
    const bool plainHeader = infoSize == 40 || (bits != 32 && (infoSize == 108 || infoSize == 124));
    if (!plainHeader || header->planes != 1 || header->compression != 0 || (bits != 8 && bits != 24 && bits != 32))
        return std::nullopt;
    if (width <= 0 || width > longestSide || height == 0 || height == INT32_MIN
        || std::abs(std::int64_t{height}) > longestSide)
        return std::nullopt;

    BmpLayout layout;
    layout.width = width;
    layout.height = static_cast<std::int32_t>(std::abs(std::int64_t{height}));
    layout.bottomUp = height > 0;
    layout.bitsPerPixel = static_cast<int>(bits);
    layout.colours = bits == 8 ? (header->coloursUsed == 0 ? 256 : header->coloursUsed) : 0;
    if (layout.colours > 256)
        return std::nullopt;
    layout.tableOffset = static_cast<std::uint32_t>(fileHeaderSize) + infoSize;
    layout.pixelOffset = header->pixelOffset;
    // Pixels that overlap the colour table are read differently by different readers.
    if (std::uint64_t{layout.pixelOffset} < std::uint64_t{layout.tableOffset} + 4 * std::uint64_t{layout.colours})
        return std::nullopt;
    layout.rowStride = (std::uint64_t{static_cast<std::uint32_t>(width)} * bits + 31) / 32 * 4;
    return layout;
}

BmpRows::BmpRows(ByteInput& input) : input_(input)
{
    std::vector<std::uint8_t> head(headBytes);
    head.resize(input_.read(head));
    const std::optional<BmpLayout> layout = bmpLayout(head);
    if (!layout)
        throw FileError(input_.name(), QStringLiteral("%1: not an uncompressed BMP of 8, 24 or 32 bits").arg(input_.name()));
    layout_ = *layout;

    const std::uint64_t needed = layout_.pixelOffset + layout_.rowStride * static_cast<std::uint64_t>(layout_.height);
    if (input_.size() < needed)
        throw FileError(input_.name(), QStringLiteral("%1: truncated: %2 bytes, the picture needs %3")
                                           .arg(input_.name(), QString::number(input_.size()), QString::number(needed)));

    // Skip to the colour table, read it, then skip to the pixels.
    std::vector<std::uint8_t> skipped(layout_.tableOffset - headBytes);
    readExactly(skipped);
    table_.fill(-1);
    std::vector<std::uint8_t> table(4 * std::size_t{layout_.colours});
    readExactly(table);
    for (std::size_t entry = 0; entry < layout_.colours; ++entry)
        table_[entry] = table[4 * entry + 2] + 256 * table[4 * entry + 1] + 65536 * table[4 * entry];
    std::uint64_t gap = layout_.pixelOffset - layout_.tableOffset - table.size();
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(std::min<std::uint64_t>(gap, 1 << 16)));
    for (; gap > 0; gap -= std::min<std::uint64_t>(gap, scratch.size()))
        readExactly({scratch.data(), static_cast<std::size_t>(std::min<std::uint64_t>(gap, scratch.size()))});
    row_.resize(static_cast<std::size_t>(layout_.rowStride));
}

PixelLayout BmpRows::layout() const
{
    return layout_.bitsPerPixel == 8 ? PixelLayout::Indexed8
           : layout_.bitsPerPixel == 24 ? PixelLayout::Bgr8
                                        : PixelLayout::Bgrx8;
}

std::span<const std::uint8_t> BmpRows::nextRow()
{
    if (next_ >= layout_.height)
        throw std::out_of_range("every row of the picture has been read");
    readExactly(row_);
    ++next_;
    return std::span<const std::uint8_t>(row_).first(static_cast<std::size_t>(layout_.width)
                                                     * static_cast<std::size_t>(bytesPerPixel(layout())));
}

void BmpRows::readExactly(std::span<std::uint8_t> into)
{
    if (input_.read(into) != into.size())
        throw FileError(input_.name(), QStringLiteral("%1: truncated: the file ended while it was read").arg(input_.name()));
}

}  // namespace palshift
