#pragma once

#include "palettes/palette.h"

#include <QImage>
#include <QString>

namespace palshift {

// The DC6 file's sheet (dc6Sheet) as an 8-bit picture in palette, for the window. Throws FileError
// naming it.
QImage dc6SheetPicture(const QString& file, const Palette& palette);

}  // namespace palshift
