#pragma once

#include "convert/conversion_state.h"
#include "convert/step_progress.h"
#include "pictures/picture_surface.h"

namespace palshift {

// For every pixel of picture1 whose colour is exactly a SourcePal entry, stores the lowest such
// entry in SourceIndexMap; other elements keep their value. Counts those in unmatchedPixels.
// std::out_of_range, with nothing changed, when a matching pixel lies outside the map.
void InitPicturePal(ConversionState& state, const PictureSurface& picture1, const StepProgress& progress = {});

}  // namespace palshift
