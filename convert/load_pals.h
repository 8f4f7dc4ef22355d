#pragma once

#include "convert/conversion_state.h"
#include "convert/palette_file.h"
#include "convert/step_progress.h"
#include "palettes/palette_formats.h"
#include "pictures/picture_surface.h"
#include "convert/status_line.h"

#include <optional>

namespace palshift {

// The formats the two palette files are read in (readPalette), once a user has chosen them.
struct PaletteFormats {
    PaletteFormat source = PaletteFormat::Auto;
    PaletteFormat target = PaletteFormat::Auto;
};

// Reads SourcePal, then TargetPal, each after its status text: in formats when given, else in the
// formats files names (automatic by default: a 768-byte file is read as today). PalCounter ends at 256. Throws FileError naming the file.
void readPals(ConversionState& state, StatusLine& status, const PaletteFiles& files,
              const std::optional<PaletteFormats>& formats = {});

// "Load Pals": readPals, then identifies every pixel of picture1.
// Stops at the first failure with the status line at that step's text.
void loadPals(ConversionState& state, const PictureSurface& picture1, StatusLine& status,
              const PaletteFiles& files, const StepProgress& progress = {},
              const std::optional<PaletteFormats>& formats = {});

}  // namespace palshift
