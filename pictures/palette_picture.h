#pragma once

#include "palettes/palette.h"

#include <QByteArrayView>
#include <QString>

namespace palshift {

// The colour table of an 8-bit indexed picture: BMP or PNG through Qt's readers, PCX through the
// program's own, GIF's global colour table from its header. The table must hold 256 colours.
// Throws FileError "<file>: <reason>". The reader of PaletteFormat::Picture (readPalette).
Palette decodePicturePalette(QByteArrayView bytes, const QString& file);

}  // namespace palshift
