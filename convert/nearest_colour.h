#pragma once

#include "convert/conversion_state.h"
#include "convert/step_progress.h"
#include "pictures/picture_surface.h"
#include "convert/status_line.h"

#include <array>
#include <cstdint>

namespace palshift {

struct DistanceTables {
    std::array<std::int16_t, 256>& RedDist;
    std::array<std::int16_t, 256>& GreenDist;
    std::array<std::int16_t, 256>& BlueDist;
    std::array<std::int16_t, 256>& TotalDist;
};

// The lowest target entry at the smallest sum of absolute channel differences from source,
// leaving every entry's distances in distances.
std::int16_t nearestEntry(const Rgb& source, const Palette& target, const DistanceTables& distances);

// Writes the nearest TargetPal entry of each pixel's SourcePal entry into TargetIndexMap over
// picture1's size; the distance tables end holding the last pixel's. std::out_of_range when the
// picture outgrew a map (nothing changed) or at a source entry outside 0..255.
void CreateNewPal(ConversionState& state, const PictureSurface& picture1, const StepProgress& progress = {});

// "New Pal".
void newPal(ConversionState& state, const PictureSurface& picture1, StatusLine& status,
            const StepProgress& progress = {});

}  // namespace palshift
