#pragma once

#include "convert/conversion_rules.h"
#include "convert/load_pals.h"
#include "convert/palette_file.h"

namespace palshift {

// The palettes and rules a user chose in File > Palettes...
struct PaletteChoice {
    PaletteFiles files;
    PaletteFormats formats;
    ConversionRules rules;
};

}  // namespace palshift
