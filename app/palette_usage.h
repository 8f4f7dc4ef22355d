#pragma once

#include "app/conversion_view.h"
#include "convert/mapping_table.h"

#include <array>
#include <bitset>
#include <stop_token>

namespace palshift {

// The entries the picture uses: Diablo 1 entries of its identified pixels, Diablo 2 entries of its
// converted ones. Empty sets for what is not known yet; what was counted so far once stop is
// requested.
struct PaletteUsage {
    std::bitset<256> source;
    std::bitset<256> target;
};
PaletteUsage paletteUsage(const ConversionView& view, std::stop_token stop = {});

// The Diablo 1 entries whose nearest Diablo 2 entry is farther than farMatch.
std::bitset<256> farMatches(const MappingTable& matches, int farMatch);

}  // namespace palshift
