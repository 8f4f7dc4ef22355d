#include "app/palette_usage.h"

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

std::bitset<256> farMatches(const MappingTable& matches, int farMatch)
{
    std::bitset<256> far;
    for (std::size_t entry = 0; entry < matches.size(); ++entry)
        far.set(entry, matches[entry].distance > farMatch);
    return far;
}

}  // namespace palshift
