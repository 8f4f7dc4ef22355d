#pragma once

#include "palettes/palette.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace palshift {

// One reader per palette format: the file's bytes in, 256 colours out. file names the file in
// messages. Each throws FileError "<file>: <what was wrong>" (the line or offset, and what was
// expected); none guesses at another format.

// Exactly 768 bytes, red, green, blue per entry.
Palette readRgbPalette(QByteArrayView bytes, const QString& file);
// Exactly 768 bytes, blue, green, red per entry (the second game's pal.dat).
Palette readBgrPalette(QByteArrayView bytes, const QString& file);

// JASC-PAL text: "JASC-PAL", "0100", the count, then one "R G B" line per entry; LF or CR LF.
bool looksLikeJascPalette(QByteArrayView bytes);
Palette readJascPalette(QByteArrayView bytes, const QString& file);

// GIMP palette text: "GIMP Palette", optional Name: and Columns: lines, # comments, "R G B [name]".
bool looksLikeGimpPalette(QByteArrayView bytes);
Palette readGimpPalette(QByteArrayView bytes, const QString& file);

// Microsoft RIFF palette: "RIFF", size, "PAL ", a "data" chunk of version 0x0300, the count and
// R, G, B, flags per entry.
bool looksLikeRiffPalette(QByteArrayView bytes);
Palette readRiffPalette(QByteArrayView bytes, const QString& file);

// Photoshop colour table: 768 bytes of RGB, or 772 whose last four bytes are the count of colours
// and the transparent entry (big-endian 16-bit each; 0xFFFF for none). The count must be 256.
struct ActPalette {
    Palette colours{};
    std::optional<std::uint8_t> transparentIndex;
};
ActPalette readActPalette(QByteArrayView bytes, const QString& file);

}  // namespace palshift
