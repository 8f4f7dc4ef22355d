#pragma once

#include "convert/conversion_state.h"
#include "convert/step_progress.h"
#include "pictures/picture_surface.h"
#include "convert/status_line.h"

namespace palshift {

// "Save Picture": lays TargetIndexMap out in PixelBuffer bottom row first, packs TargetPal
// (PalCounter ends at 768) and writes SaveFileName at picture2's size.
// Throws as Save_Pic does, and std::runtime_error for a picture of no pixels.
void savePicture(ConversionState& state, const PictureSurface& picture2, StatusLine& status,
                 const StepProgress& progress = {});

}  // namespace palshift
