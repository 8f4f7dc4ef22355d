#include "convert/nearest_target.h"

#include <cstdlib>

namespace palshift {

int colourDistance(const Rgb& a, const Rgb& b)
{
    return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
}

std::uint8_t nearestTarget(const Rgb& colour, const Palette& target, std::optional<std::uint8_t> excluded)
{
    int best = -1, bestDistance = 0;
    for (int entry = 0; entry < 256; ++entry) {
        if (excluded && entry == *excluded)
            continue;
        const int distance = colourDistance(colour, target[static_cast<std::size_t>(entry)]);
        if (best < 0 || distance < bestDistance) {
            best = entry;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::array<std::uint8_t, 256> nearestTargets(const Palette& source, const Palette& target,
                                             std::optional<std::uint8_t> excluded)
{
    std::array<std::uint8_t, 256> nearest{};
    for (std::size_t entry = 0; entry < nearest.size(); ++entry)
        nearest[entry] = nearestTarget(source[entry], target, excluded);
    return nearest;
}

}  // namespace palshift
