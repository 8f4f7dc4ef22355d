#pragma once

#include "app/conversion_view.h"

#include <QPoint>
#include <QString>

class QFontMetrics;

namespace palshift {

// What the pixel inspector says of the pixel at position: "(x, y) #RRGGBB", then, once the
// picture is identified, its Diablo 1 entry or "no match", and once it is converted, the Diablo 2
// entry chosen with its colour and the distance |dR| + |dG| + |dB| from the pixel's colour.
// Empty outside the picture.
QString describePixel(const ConversionView& view, QPoint position);

// The room the inspector's longest text takes.
int describedPixelWidth(const QFontMetrics& metrics);

}  // namespace palshift
