#pragma once

#include "convert/conversion_rules.h"
#include "convert/conversion_state.h"
#include "convert/load_pals.h"
#include "convert/step_progress.h"
#include "pictures/image_surface.h"
#include "convert/status_line.h"

namespace palshift {

// True for rules that change a conversion: a transparent index, or an unmatched rule but Zero.
bool changesConversion(const ConversionRules& rules);

// "Load Pals" under rules: as loadPals, but unmatchedPixels counts what lookupUnderRules counts (a
// transparent pixel is never unmatched), and under UnmatchedRule::Fail a picture with such pixels
// throws UnmatchedColoursError during "Intializing Picture Pal".
void loadPalsUnderRules(ConversionState& state, const ImageSurface& picture1, StatusLine& status,
                        const PaletteFiles& files, const ConversionRules& rules, const StepProgress& progress = {},
                        const std::optional<PaletteFormats>& formats = {});

// "New Pal" under rules: TargetIndexMap takes, for every pixel of picture1, the target entry that
// lookupUnderRules gives it, alpha included. std::out_of_range when the map does not cover the
// picture, UnmatchedColoursError under UnmatchedRule::Fail: both before the map changes.
void newPalUnderRules(ConversionState& state, const ImageSurface& picture1, StatusLine& status,
                      const ConversionRules& rules, const StepProgress& progress = {});

}  // namespace palshift
