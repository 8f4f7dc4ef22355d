#pragma once

#include "palettes/palette.h"

#include <QImage>

namespace palshift::bench {

// How a picture's pixels are chosen from the Diablo 1 palette.
enum class Content {
    Random,  // each pixel an independent random entry: neighbours seldom alike, the hard case
    Sprite,  // the start-up sword tiled over the picture: runs of a few dozen colours, mostly black
};

// data/diablo.pal and data/diablo2.pal (the build names the folder).
Palette sourcePalette();
Palette targetPalette();

// A side x side picture drawn in the Diablo 1 palette, as decoding a PNG gives it: Format_Indexed8
// with the palette as colour table (a palette PNG), or Format_RGB32 (an RGB PNG). Same seed, same picture.
QImage benchPicture(int side, Content content, QImage::Format format);

const char* contentName(Content content);
const char* formatName(QImage::Format format);

}  // namespace palshift::bench
