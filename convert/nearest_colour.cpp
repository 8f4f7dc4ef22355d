#include "convert/nearest_colour.h"

#include "convert/nearest_target.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace palshift {

std::int16_t nearestEntry(const Rgb& source, const Palette& target, const DistanceTables& distances)
{
    std::int16_t minimum = 30000;  // above any sum, which is at most 765
    for (std::size_t m = 0; m <= 255; ++m) {
        const Rgb& candidate = target[m];
        distances.RedDist[m] = static_cast<std::int16_t>(std::abs(source.red - candidate.red));
        distances.GreenDist[m] = static_cast<std::int16_t>(std::abs(source.green - candidate.green));
        distances.BlueDist[m] = static_cast<std::int16_t>(std::abs(source.blue - candidate.blue));
        distances.TotalDist[m] = static_cast<std::int16_t>(distances.RedDist[m] + distances.GreenDist[m]
                                                           + distances.BlueDist[m]);
        if (distances.TotalDist[m] < minimum)
            minimum = distances.TotalDist[m];
    }
    std::int16_t m = 0;
    while (distances.TotalDist[static_cast<std::size_t>(m)] != minimum)
        ++m;
    return m;
}

void CreateNewPal(ConversionState& state, const PictureSurface& picture1, const StepProgress& progress)
{
    const auto [columns, rows] = pixelExtent(picture1);
    if (columns <= 0 || rows <= 0)
        return;
    state.SourceIndexMap.checkCovers(columns, rows);
    state.TargetIndexMap.checkCovers(columns, rows);

    // The result depends on a pixel's source entry alone, so each entry is remapped once.
    const std::array<std::uint8_t, 256> nearest = nearestTargets(state.SourcePal, state.TargetPal);
    for (std::int32_t y = 0; y < rows; ++y) {
        const std::int16_t* const source = state.SourceIndexMap.row(y).data();
        std::int16_t* const target = state.TargetIndexMap.row(y).data();
        for (std::int32_t x = 0; x < columns; ++x) {
            const auto s = static_cast<std::uint16_t>(source[x]);
            if (s > 255)
                throw std::out_of_range("source index map element (" + std::to_string(x) + ", "
                                        + std::to_string(y) + ") holds " + std::to_string(source[x])
                                        + ", which is no palette entry");
            target[x] = nearest[s];
        }
        if (progress)
            progress(y + 1, rows);
    }

    const std::int16_t last = state.SourceIndexMap.at(columns - 1, rows - 1);
    nearestEntry(state.SourcePal[static_cast<std::size_t>(last)], state.TargetPal,
                 {state.RedDist, state.GreenDist, state.BlueDist, state.TotalDist});
}

void newPal(ConversionState& state, const PictureSurface& picture1, StatusLine& status,
            const StepProgress& progress)
{
    status.setText("Creating Pal...");
    CreateNewPal(state, picture1, progress);
    status.setText("Ready...");
}

}  // namespace palshift
