#pragma once

#include "convert/conversion_state.h"
#include "convert/load_pals.h"
#include "convert/palette_file.h"
#include "convert/step_progress.h"
#include "pictures/image_surface.h"
#include "convert/status_line.h"

namespace palshift {

// "&Convert": "Load Pals", "New Pal" and "Draw Pic" with their status texts, the pixels identified,
// remapped and painted in one pass. Leaves SourceIndexMap, TargetIndexMap, the distance tables,
// unmatchedPixels, PalCounter and picture2 exactly as the three steps do. Where the maps or picture2
// do not have picture1's size, runs the three steps one after another instead. Throws as they do.
// The palettes are read as readPals reads them. A large picture's rows are shared out among the
// cores; progress is still told on the calling thread, for each row of the pass in order.
void convertInOnePass(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2, StatusLine& status,
                      const PaletteFiles& files, const StepProgress& progress = {},
                      const std::optional<PaletteFormats>& formats = {});

// The pass alone, on the palettes state holds: the work of InitPicturePal, CreateNewPal and the
// painting of drawPic, with no status texts. A row that holds no palette entry (std::out_of_range
// naming the lowest such row) or an exception from progress ends it with all its threads stopped.
void identifyRemapAndPaint(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2,
                           const StepProgress& progress = {});

}  // namespace palshift
