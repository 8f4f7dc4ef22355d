#pragma once

#include "convert/conversion_state.h"
#include "convert/palette_file.h"
#include "platform/image_surface.h"
#include "platform/status_line.h"

namespace palshift {

// "&Convert": "Load Pals", "New Pal" and "Draw Pic" with their status texts, the pixels identified,
// remapped and painted in one pass. Leaves SourceIndexMap, TargetIndexMap, the distance tables,
// unmatchedPixels, PalCounter and picture2 exactly as the three steps do. Where the maps or picture2
// do not have picture1's size, runs the three steps one after another instead. Throws as they do.
void convertInOnePass(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2, StatusLine& status,
                      const PaletteFiles& files);

// The pass alone, on the palettes state holds: the work of InitPicturePal, CreateNewPal and the
// painting of drawPic, with no status texts.
void identifyRemapAndPaint(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2);

}  // namespace palshift
