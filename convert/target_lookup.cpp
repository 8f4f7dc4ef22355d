#include "convert/target_lookup.h"

#include "convert/byte_translation.h"

#include <cstring>
#include <stdexcept>

namespace palshift {

namespace {

ColourHash hashOf(const Palette& source, const std::array<std::uint8_t, 256>& targetOfSource)
{
    std::array<std::uint32_t, 256> keys{};
    for (std::size_t entry = 0; entry < 256; ++entry) {
        const Rgb& colour = source[entry];
        keys[entry] = colour.red | colour.green << 8 | colour.blue << 16;
    }
    return ColourHash(keys, targetOfSource);  // the lowest entry of a repeated colour stays
}

std::uint32_t load24(const std::uint8_t* bytes)
{
    return bytes[0] | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16;
}

std::uint32_t load32Low24(const std::uint8_t* bytes)
{
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word & 0xFFFFFFu;  // little-endian: the first three bytes
}

// A blue, green, red pixel as the key of its colour, so that one hash serves both byte orders.
// Three loads measure faster than a swap of three bytes; four bytes swap faster.
std::uint32_t loadBgr24(const std::uint8_t* bytes)
{
    return bytes[2] | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[0]} << 16;
}

std::uint32_t loadBgr32(const std::uint8_t* bytes)
{
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return __builtin_bswap32(word) >> 8;  // the fourth byte goes
}

// Where a layout keeps alpha in a pixel's bytes.
std::optional<std::size_t> alphaByte(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::IndexedAlpha8: return 1;
    case PixelLayout::Rgba8:
    case PixelLayout::Bgra8: return 3;
    default: return std::nullopt;
    }
}

// One loop per pixel form, so that the compiler sees fixed strides and byte orders.
template <int Stride, std::uint32_t (*Load)(const std::uint8_t*)>
std::int64_t mapColours(const ColourHash& hash, std::uint8_t unmatched, const std::uint8_t* pixels, std::size_t count,
                        std::uint8_t* entries)
{
    std::int64_t misses = 0;
    for (std::size_t x = 0; x < count; ++x) {
        const std::uint32_t key = Load(pixels + x * Stride);
        const std::uint32_t slot = hash.slot(key);
        const bool found = ColourHash::holds(slot, key);
        entries[x] = found ? static_cast<std::uint8_t>(slot >> 24) : unmatched;
        misses += !found;
    }
    return misses;
}

template <int Stride>
std::int64_t mapIndices(const std::array<std::uint8_t, 256>& entryOfIndex, const std::uint8_t* pixels,
                        std::size_t count, std::uint8_t* entries)
{
    for (std::size_t x = 0; x < count; ++x)
        entries[x] = entryOfIndex[pixels[x * Stride]];
    return 0;
}

template <int Stride>
std::int64_t countIndices(const std::array<std::uint8_t, 256>& flagged, const std::uint8_t* pixels, std::size_t count)
{
    std::int64_t total = 0;
    for (std::size_t x = 0; x < count; ++x)
        total += flagged[pixels[x * Stride]];
    return total;
}

}  // namespace

TargetLookup::TargetLookup(const Palette& source, const std::array<std::uint8_t, 256>& targetOfSource)
    : byRgb_(hashOf(source, targetOfSource)),
      unmatchedEntry_(targetOfSource[0])
{
}

TargetLookup::Rows::Rows(const TargetLookup& lookup, PixelLayout layout, const IndexedColours* table,
                         std::optional<std::uint8_t> transparent)
    : lookup_(lookup), layout_(layout), transparent_(transparent)
{
    if (!hasColourTable(layout))
        return;
    if (!table)
        throw std::invalid_argument("an indexed picture needs its colour table");
    for (std::size_t index = 0; index < 256; ++index) {
        const int target = lookup.matchedTarget((*table)[index]);
        // Without a colour, an index converts to no alpha where transparency counts, as in Qt's
        // conversion to 32 bits.
        indexTransparent_[index] = transparent && (*table)[index] < 0;
        if (indexTransparent_[index]) {
            entryOfIndex_[index] = *transparent;
            continue;
        }
        indexUnmatched_[index] = target < 0;
        anyIndexUnmatched_ = anyIndexUnmatched_ || target < 0;
        // An index past the table has no colour to resolve.
        const bool resolved = target < 0 && lookup.resolver_ && (*table)[index] >= 0;
        entryOfIndex_[index] = target >= 0 ? static_cast<std::uint8_t>(target)
                               : resolved  ? lookup.resolver_((*table)[index])
                                           : lookup.unmatchedEntry_;
    }
}

std::int64_t TargetLookup::Rows::map(std::span<const std::uint8_t> row, std::span<std::uint8_t> entries) const
{
    const std::size_t count = row.size() / static_cast<std::size_t>(bytesPerPixel(layout_));
    if (entries.size() < count)
        throw std::out_of_range("a row of entries is shorter than the row of pixels");
    const std::uint8_t* const pixels = row.data();
    std::uint8_t* const out = entries.data();
    const TargetLookup& l = lookup_;
    std::int64_t misses = 0;
    switch (layout_) {
    case PixelLayout::Indexed8:
        translateBytes(entryOfIndex_, row.first(count), out);
        return anyIndexUnmatched_ ? countIndices<1>(indexUnmatched_, pixels, count) : 0;
    case PixelLayout::IndexedAlpha8:
        mapIndices<2>(entryOfIndex_, pixels, count, out);
        misses = anyIndexUnmatched_ ? countIndices<2>(indexUnmatched_, pixels, count) : 0;
        return transparent_ ? misses - makeTransparent(row, entries) : misses;
    case PixelLayout::Rgb8:
        misses = mapColours<3, load24>(l.byRgb_, l.unmatchedEntry_, pixels, count, out);
        break;
    case PixelLayout::Rgba8:
        misses = mapColours<4, load32Low24>(l.byRgb_, l.unmatchedEntry_, pixels, count, out);
        break;
    case PixelLayout::Bgr8:
        misses = mapColours<3, loadBgr24>(l.byRgb_, l.unmatchedEntry_, pixels, count, out);
        break;
    case PixelLayout::Bgra8:
    case PixelLayout::Bgrx8:
        misses = mapColours<4, loadBgr32>(l.byRgb_, l.unmatchedEntry_, pixels, count, out);
        break;
    }
    if (misses > 0 && l.resolver_)
        resolveUnmatched(row, entries);
    return transparent_ && alphaByte(layout_) ? misses - makeTransparent(row, entries) : misses;
}

bool TargetLookup::Rows::transparentAt(std::span<const std::uint8_t> row, std::size_t x) const
{
    if (!transparent_)
        return false;
    const std::uint8_t* const pixel = row.data() + x * static_cast<std::size_t>(bytesPerPixel(layout_));
    const std::optional<std::size_t> alpha = alphaByte(layout_);
    return (hasColourTable(layout_) && indexTransparent_[pixel[0]]) || (alpha && pixel[*alpha] < 128);
}

// Gives the transparent pixels their entry, and how many of them were counted unmatched.
std::int64_t TargetLookup::Rows::makeTransparent(std::span<const std::uint8_t> row, std::span<std::uint8_t> entries) const
{
    const auto stride = static_cast<std::size_t>(bytesPerPixel(layout_));
    std::int64_t wereUnmatched = 0;
    for (std::size_t x = 0; x < row.size() / stride; ++x) {
        if (!transparentAt(row, x))
            continue;
        const std::uint8_t* const pixel = row.data() + x * stride;
        const bool unmatched = layout_ == PixelLayout::IndexedAlpha8 ? indexUnmatched_[pixel[0]] != 0
                               : layout_ == PixelLayout::Rgba8       ? lookup_.byRgb_.find(load24(pixel)) < 0
                                                                     : lookup_.byRgb_.find(loadBgr24(pixel)) < 0;
        wereUnmatched += unmatched;
        entries[x] = *transparent_;
    }
    return wereUnmatched;
}

void TargetLookup::Rows::resolveUnmatched(std::span<const std::uint8_t> row, std::span<std::uint8_t> entries) const
{
    const auto stride = static_cast<std::size_t>(bytesPerPixel(layout_));
    const bool bgr = layout_ == PixelLayout::Bgr8 || layout_ == PixelLayout::Bgra8 || layout_ == PixelLayout::Bgrx8;
    const auto load = bgr ? loadBgr24 : load24;
    for (std::size_t x = 0; x < row.size() / stride; ++x) {
        const auto colour = static_cast<ColourValue>(load(row.data() + x * stride));
        if (lookup_.matchedTarget(colour) < 0)
            entries[x] = lookup_.resolver_(colour);
    }
}

}  // namespace palshift
