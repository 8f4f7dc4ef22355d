#pragma once

#include "convert/nearest_target.h"  // colourDistance

#include "convert/conversion_state.h"

#include <QImage>

#include <optional>
#include <span>

namespace palshift {

// What the window knows of the picture shown: its pixels, and the conversion state with which of
// its index maps belong to this picture (an open or a resize leaves maps of another picture, or
// none, until "Load Pals" and "New Pal" run again). A map that does not belong is never read.
struct ConversionView {
    const QImage& picture;  // Picture1's, 32-bit
    const ConversionState& state;
    bool identified = false;  // SourceIndexMap holds this picture's Diablo 1 entries
    bool converted = false;   // TargetIndexMap holds its Diablo 2 entries

    // The Diablo 1 entry of the pixel at (x, y) when identified and its colour has one.
    std::optional<int> sourceEntry(int x, int y) const;
    // The same for each pixel of row y, -1 for none; entries past the picture's width are -1.
    void sourceEntries(int y, std::span<int> entries) const;
};

Rgb rgbOf(QRgb colour);
// "#RRGGBB", in capitals.
QString hexColour(const Rgb& colour);

}  // namespace palshift
