#pragma once

#include "convert/conversion_state.h"
#include "convert/step_progress.h"
#include "pictures/picture_surface.h"
#include "convert/status_line.h"

namespace palshift {

// "Draw Pic": paints every pixel of picture1's size on picture2 in the colour of its
// TargetIndexMap entry of TargetPal, with picture2 hidden meanwhile. std::out_of_range, before
// anything is painted, when the picture outgrew the map; at an entry outside 0..255.
void drawPic(const ConversionState& state, const PictureSurface& picture1, PictureSurface& picture2,
             StatusLine& status, const StepProgress& progress = {});

}  // namespace palshift
