#pragma once

#include "palettes/palette.h"

#include <array>
#include <cstdint>
#include <optional>

namespace palshift {

// The sum of the absolute red, green and blue differences.
int colourDistance(const Rgb& a, const Rgb& b);

// The lowest target entry at the smallest distance from colour, never excluded (the transparent
// entry, which no opaque pixel may take).
std::uint8_t nearestTarget(const Rgb& colour, const Palette& target, std::optional<std::uint8_t> excluded = {});

// nearestTarget of every source entry.
std::array<std::uint8_t, 256> nearestTargets(const Palette& source, const Palette& target,
                                             std::optional<std::uint8_t> excluded = {});

}  // namespace palshift
