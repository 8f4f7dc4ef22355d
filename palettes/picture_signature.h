#pragma once

#include <QByteArrayView>

namespace palshift {

constexpr qsizetype pcxHeaderBytes = 128;

// Whether bytes begin like a ZSoft PCX header (manufacturer 0x0A, a known version, encoding and depth).
bool looksLikePcx(QByteArrayView bytes);

// Whether bytes begin like a BMP, PNG, GIF or PCX picture, whose colour table may be a palette.
bool looksLikePicture(QByteArrayView bytes);

}  // namespace palshift
