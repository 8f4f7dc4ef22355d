#pragma once

#include "convert/conversion_state.h"

#include <QString>

#include <cstdint>

namespace palshift {

// What one picture's conversion tells its caller.
struct ConversionReport {
    std::int64_t unmatchedPixels = 0;  // pixels of no Diablo 1 colour, converted as entry 0
    std::int64_t pixels = 0;
};

// Runs "&Open" on input, "Load Pals" with the palettes of loaded (read beforehand), "New Pal" and
// "Save Picture" to output, as the window does in that order. Throws as those steps do.
ConversionReport convertPicture(const ConversionState& loaded, const QString& input, const QString& output);

}  // namespace palshift
