#pragma once

#include "app/conversion_view.h"

#include <QImage>

#include <optional>
#include <stop_token>

namespace palshift {

// Which pixels to mark over both pictures.
struct MarkedPixels {
    bool unmatched = false;             // colours in no Diablo 1 entry (known once identified)
    std::optional<int> sourceEntry;     // pixels identified as this Diablo 1 entry
    std::optional<int> targetEntry;     // pixels converted to this Diablo 2 entry
};

inline constexpr QRgb unmatchedMark = qRgba(255, 0, 255, 192);  // magenta, three quarters opaque
inline constexpr QRgb entryMark = qRgba(0, 200, 255, 192);      // light blue, three quarters opaque

// A picture of the view's size, transparent but where a pixel is marked: unmatched pixels in
// unmatchedMark, pixels of the chosen entries in entryMark. Null when nothing asked for is
// known yet, or nothing is asked for, or once stop is requested. Throws std::bad_alloc when the
// picture cannot be made.
QImage pixelMarks(const ConversionView& view, const MarkedPixels& marked, std::stop_token stop = {});

}  // namespace palshift
