#pragma once

#include "convert/colour_hash.h"
#include "palettes/palette.h"
#include "pictures/row_source.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace palshift {

// From a pixel's colour straight to its target entry: the target entry of the lowest source entry
// of exactly that colour. A colour of no source entry is unmatched and, by default, takes the
// target entry of source entry 0, as a pixel whose index map element stayed 0 does.
class TargetLookup {
public:
    // targetOfSource[s] is the target entry of source entry s (nearestTargets(source, target)).
    TargetLookup(const Palette& source, const std::array<std::uint8_t, 256>& targetOfSource);

    // The target entry of an unmatched colour, asked once per unmatched pixel, or once per table
    // entry of an indexed picture (for rules such as the nearest entry to the colour itself, or
    // refusing the picture by throwing). An index past the table has no colour and is not asked.
    using UnmatchedResolver = std::function<std::uint8_t(ColourValue colour)>;
    void setUnmatchedResolver(UnmatchedResolver resolver) { resolver_ = std::move(resolver); }

    // The target entry of colour, or -1 when it matches no source entry.
    int matchedTarget(ColourValue colour) const { return byRgb_.find(static_cast<std::uint32_t>(colour)); }

    // The rows of one picture: its layout and colour table, looked up once per table entry.
    class Rows {
    public:
        // Writes the target entry of each pixel of row to entries (at least as many as pixels);
        // gives how many pixels matched no source entry. Transparent pixels are not counted.
        std::int64_t map(std::span<const std::uint8_t> row, std::span<std::uint8_t> entries) const;
        // With a transparent entry, whether pixel x of row has alpha below 128.
        bool transparentAt(std::span<const std::uint8_t> row, std::size_t x) const;

    private:
        friend class TargetLookup;
        Rows(const TargetLookup& lookup, PixelLayout layout, const IndexedColours* table,
             std::optional<std::uint8_t> transparent);
        void resolveUnmatched(std::span<const std::uint8_t> row, std::span<std::uint8_t> entries) const;
        std::int64_t makeTransparent(std::span<const std::uint8_t> row, std::span<std::uint8_t> entries) const;

        const TargetLookup& lookup_;
        PixelLayout layout_;
        std::optional<std::uint8_t> transparent_;
        std::array<std::uint8_t, 256> entryOfIndex_{};
        std::array<std::uint8_t, 256> indexUnmatched_{};
        std::array<bool, 256> indexTransparent_{};
        bool anyIndexUnmatched_ = false;
    };
    // table is required for the indexed layouts (std::invalid_argument without one). With
    // transparent, pixels of alpha below 128 take that entry, which targetOfSource should not hold.
    Rows rows(PixelLayout layout, const IndexedColours* table, std::optional<std::uint8_t> transparent = {}) const
    {
        return {*this, layout, table, transparent};
    }

private:
    ColourHash byRgb_;  // keyed red + 256 green + 65536 blue
    std::uint8_t unmatchedEntry_;
    UnmatchedResolver resolver_;
};

}  // namespace palshift
