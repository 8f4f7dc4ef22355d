#pragma once

#include "palettes/palette.h"

#include <QByteArrayView>

#include <optional>
#include <vector>

namespace palshift {

// The lines of a text palette, LF or CR LF, each without its line end. Line 1 is element 0.
std::vector<QByteArrayView> paletteTextLines(QByteArrayView bytes);

// The line without leading and trailing spaces and tabs.
QByteArrayView trimmedLine(QByteArrayView line);

// "R G B" as three whole numbers from 0 to 255 apart by spaces or tabs, then, when allowName, any
// text after further white space; nullopt for anything else.
std::optional<Rgb> parseRgbLine(QByteArrayView line, bool allowName);

}  // namespace palshift
