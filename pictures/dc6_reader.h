#pragma once

#include "pictures/dc6_frame.h"

#include <QByteArrayView>
#include <QString>

namespace palshift {

// Whether bytes begin like a DC6 file: version 6, flags 0 or 1, encoding 0.
bool looksLikeDc6(QByteArrayView bytes);

// Reads a DC6 sprite, skipped pixels as entry 0. Throws FileError "<file>: <reason>" for a file
// that is not a DC6 or is damaged: pointers or lengths past its end, runs past a row, a row
// without its end, frames wider or higher than 16384 or more pixels in all than a picture may have.
Dc6Sprite readDc6(QByteArrayView bytes, const QString& file);

}  // namespace palshift
