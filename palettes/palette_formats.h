#pragma once

#include "palettes/palette.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace palshift {

enum class PaletteFormat { Auto, Rgb, Bgr, Jasc, Act, Gpl, Riff, Picture };

// "auto", "rgb", "bgr", "jasc", "act", "gpl", "riff", "picture"; nullopt for any other name.
std::optional<PaletteFormat> paletteFormatFromName(QStringView name);
QString paletteFormatName(PaletteFormat format);

struct LoadedPalette {
    Palette colours{};
    PaletteFormat format = PaletteFormat::Rgb;    // the format it was read as, never Auto
    std::optional<std::uint8_t> transparentIndex;  // as an ACT file gives it
};

// The format of a palette file: from its size and name (768 bytes: bgr for a file named pal.dat in
// any case, else rgb; 772 bytes: act), whatever its first bytes, then from its content (JASC-PAL,
// GIMP, RIFF, a BMP, PNG, GIF or PCX picture). nullopt when none fits.
std::optional<PaletteFormat> detectPaletteFormat(QByteArrayView bytes, const QString& file);

// The colour table of a picture, for PaletteFormat::Picture: the picture readers give it
// (pictures/palette_picture.h), so that no picture is decoded on this floor.
using PictureTableReader = Palette (*)(QByteArrayView bytes, const QString& file);

// Reads bytes as format, detecting it for Auto. Throws FileError "<file>: <reason>", also
// "not a palette: ..." when no format fits. Without pictureTable a picture is no palette.
LoadedPalette decodePalette(QByteArrayView bytes, const QString& file, PaletteFormat format = PaletteFormat::Auto,
                            PictureTableReader pictureTable = nullptr);

// Reads the file and decodes it as above. FileError "Cannot open <file>: <reason>" too.
LoadedPalette readPalette(const QString& file, PaletteFormat format = PaletteFormat::Auto,
                          PictureTableReader pictureTable = nullptr);

}  // namespace palshift
