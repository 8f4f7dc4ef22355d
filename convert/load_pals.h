#pragma once

#include "convert/conversion_state.h"
#include "convert/palette_file.h"
#include "convert/step_progress.h"
#include "platform/picture_surface.h"
#include "platform/status_line.h"

namespace palshift {

// "Load Pals": reads SourcePal, then TargetPal, then identifies every pixel of picture1.
// Stops at the first failure with the status line at that step's text.
void loadPals(ConversionState& state, const PictureSurface& picture1, StatusLine& status,
              const PaletteFiles& files, const StepProgress& progress = {});

}  // namespace palshift
