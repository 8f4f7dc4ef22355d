#include "app/palette_usage.h"

#include <vector>

namespace palshift {

PaletteUsage paletteUsage(const ConversionView& view, std::stop_token stop)
{
    PaletteUsage usage;
    const int width = view.picture.width();
    if (view.converted)
        view.state.TargetIndexMap.checkCovers(width, view.picture.height());
    std::vector<int> entries(static_cast<std::size_t>(width));
    for (int y = 0; y < view.picture.height() && !stop.stop_requested(); ++y) {
        if (view.identified) {
            view.sourceEntries(y, entries);
            for (const int entry : entries)
                if (entry >= 0)
                    usage.source.set(static_cast<std::size_t>(entry));
        }
        if (view.converted) {
            const std::span<const std::int16_t> targets = view.state.TargetIndexMap.row(y);
            for (int x = 0; x < width; ++x)
                usage.target.set(static_cast<std::size_t>(targets[static_cast<std::size_t>(x)]));
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
