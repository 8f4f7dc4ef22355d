#include "convert/source_index_map.h"

#include "convert/colour_lookup.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace palshift {

namespace {

// A matching pixel would be stored outside the map only if the picture outgrew it.
void checkMatchesFitMap(const ColourLookup& lookup, const PictureSurface& picture1, const IndexMap& map,
                        std::int32_t columns, std::int32_t rows, std::vector<ColourValue>& row)
{
    for (std::int32_t y = 0; y < rows; ++y) {
        picture1.readRow(y, row);
        const std::int32_t firstOutside = y < map.height() ? map.width() : 0;
        for (std::int32_t x = firstOutside; x < columns; ++x)
            if (lookup.lowestEntry(row[static_cast<std::size_t>(x)]) >= 0)
                throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(y)
                                        + ") lies outside the source index map");
    }
}

}  // namespace

void InitPicturePal(ConversionState& state, const PictureSurface& picture1, const StepProgress& progress)
{
    const auto [columns, rows] = pixelExtent(picture1);
    state.unmatchedPixels = 0;
    if (columns <= 0 || rows <= 0)
        return;

    const ColourLookup lookup(state.SourcePal);
    IndexMap& map = state.SourceIndexMap;
    std::vector<ColourValue> row(static_cast<std::size_t>(columns));
    if (columns > map.width() || rows > map.height())
        checkMatchesFitMap(lookup, picture1, map, columns, rows, row);

    // Each row is looked up whole and then merged into the map: two short loops, the second of
    // which vectorises (its count is kept per row in 32 bits for that), run faster than one.
    const std::int32_t storedColumns = std::min(columns, map.width());
    std::vector<std::int16_t> entries(static_cast<std::size_t>(columns));
    const IndexedColours* const indexed = picture1.indexedColours();
    std::array<std::int16_t, 256> entryOfIndex{};
    if (indexed)
        for (std::size_t index = 0; index < entryOfIndex.size(); ++index)
            entryOfIndex[index] = static_cast<std::int16_t>(lookup.lowestEntry((*indexed)[index]));
    std::int64_t unmatched = 0;
    for (std::int32_t y = 0; y < rows; ++y) {
        const std::span<const std::uint8_t> indices = indexed ? picture1.indexRow(y) : std::span<const std::uint8_t>();
        if (indices.size() >= entries.size()) {
            for (std::size_t x = 0; x < entries.size(); ++x)
                entries[x] = entryOfIndex[indices[x]];
        } else {
            picture1.readRow(y, row);
            for (std::size_t x = 0; x < entries.size(); ++x)
                entries[x] = static_cast<std::int16_t>(lookup.lowestEntry(row[x]));
        }
        const std::int32_t stored = y < map.height() ? storedColumns : 0;
        std::int16_t* const elements = stored > 0 ? map.row(y).data() : nullptr;
        std::int32_t rowUnmatched = 0;
        for (std::int32_t x = 0; x < stored; ++x) {
            const std::int16_t entry = entries[static_cast<std::size_t>(x)];
            rowUnmatched += entry < 0;
            elements[x] = entry < 0 ? elements[x] : entry;
        }
        for (std::int32_t x = stored; x < columns; ++x)
            rowUnmatched += entries[static_cast<std::size_t>(x)] < 0;
        unmatched += rowUnmatched;
        if (progress)
            progress(y + 1, rows);
    }
    state.unmatchedPixels = unmatched;
}

}  // namespace palshift
