#include "app/palette_usage.h"

#include "convert/nearest_colour.h"

namespace palshift {

PaletteUsage paletteUsage(const ConversionView& view)
{
    PaletteUsage usage;
    for (int y = 0; y < view.picture.height(); ++y) {
        for (int x = 0; x < view.picture.width(); ++x) {
            if (const std::optional<int> entry = view.sourceEntry(x, y))
                usage.source.set(static_cast<std::size_t>(*entry));
            if (view.converted)
                usage.target.set(static_cast<std::size_t>(view.state.TargetIndexMap.at(x, y)));
        }
    }
    return usage;
}

std::array<Match, 256> bestMatches(const Palette& source, const Palette& target)
{
    const std::array<std::uint8_t, 256> nearest = nearestEntries(source, target);
    std::array<Match, 256> matches;
    for (std::size_t entry = 0; entry < matches.size(); ++entry)
        matches[entry] = {nearest[entry], colourDistance(source[entry], target[nearest[entry]])};
    return matches;
}

std::bitset<256> farMatches(const std::array<Match, 256>& matches, int farMatch)
{
    std::bitset<256> far;
    for (std::size_t entry = 0; entry < matches.size(); ++entry)
        far.set(entry, matches[entry].distance > farMatch);
    return far;
}

}  // namespace palshift
