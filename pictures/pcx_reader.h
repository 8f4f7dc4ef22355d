#pragma once

#include "palettes/picture_signature.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace palshift {

// The most columns or rows a PCX picture may have.
constexpr int largestPcxSide = 16384;

// Decodes a ZSoft PCX picture: 8 bits in one plane with the 256-colour table after 0x0C, 24 bits
// in three planes, 1 bit in one to four planes or 4 bits in one plane (colour table in the header;
// one plane of 1 bit is black and white). Run-length encoded or not; rows may be padded. Gives
// Indexed8 for indexed pictures, RGB32 for 24 bits. Throws FileError "<file>: <reason>" for
// truncated data, sizes over largestPcxSide, or any other plane and depth.
QImage readPcx(QByteArrayView bytes, const QString& file);

}  // namespace palshift
