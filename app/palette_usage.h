#pragma once

#include "app/conversion_view.h"

#include <array>
#include <bitset>

namespace palshift {

// The entries the picture uses: Diablo 1 entries of its identified pixels, Diablo 2 entries of its
// converted ones. Empty sets for what is not known yet.
struct PaletteUsage {
    std::bitset<256> source;
    std::bitset<256> target;
};
PaletteUsage paletteUsage(const ConversionView& view);

// Each Diablo 1 entry's nearest Diablo 2 entry, as "New Pal" chooses it, and how far it is.
struct Match {
    int target = 0;
    int distance = 0;
};
std::array<Match, 256> bestMatches(const Palette& source, const Palette& target);

// The Diablo 1 entries whose best match is farther than farMatch.
std::bitset<256> farMatches(const std::array<Match, 256>& matches, int farMatch);

}  // namespace palshift
