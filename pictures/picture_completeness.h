#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace palshift {

// Throws FileError "<name>: truncated: <N> bytes, <what is missing>" when bytes end before the
// picture they hold: a BMP before the pixel data its header describes, a GIF inside a block or
// before its trailer, a PNG inside a chunk or before IEND. Other formats, and headers these checks
// do not know, are left for the decoder to judge. Throws "<name>: its image data ends early: <what>"
// for a whole GIF whose LZW codes give fewer pixels than an image holds, "<name>: its image data
// hold more than <N> bytes past ..." for a PNG whose image data inflate to far more than its rows
// (which libpng would inflate whole), and "<name>: damaged: <what>" for a PNG whose critical chunk
// fails its CRC check.
void checkPictureComplete(QByteArrayView bytes, const QString& name);

// One check per format: what is missing, or nothing when complete, not that format, or unknown.
std::optional<QString> bmpTruncation(QByteArrayView bytes);
std::optional<QString> gifTruncation(QByteArrayView bytes);
std::optional<QString> gifMissingPixels(QByteArrayView bytes);
std::optional<QString> pngTruncation(QByteArrayView bytes);
std::optional<QString> pngDamage(QByteArrayView bytes);
std::optional<QString> pngSurplus(QByteArrayView bytes);
// A TGA has no signature: this one is asked only of bytes that Qt's TGA reader takes.
std::optional<QString> tgaTruncation(QByteArrayView bytes);

}  // namespace palshift
