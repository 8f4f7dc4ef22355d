#pragma once

#include "palettes/palette_formats.h"

#include <QString>
#include <QStringList>

namespace palshift {

// The two palette files "Load Pals" reads.
struct PaletteFiles {
    QString source;  // diablo.pal
    QString target;  // diablo2.pal
    PaletteFormat sourceFormat = PaletteFormat::Auto;
    PaletteFormat targetFormat = PaletteFormat::Auto;
};

// diablo.pal and diablo2.pal in folder: folder + "/diablo.pal", even when folder ends in a separator.
PaletteFiles defaultPaletteFiles(const QString& folder);

// Where a palette that nobody named is looked for, first to last: the folder of the executable
// (programFolder), the user's data folder (QStandardPaths::AppDataLocation, ~/.local/share/palshift)
// and share/palshift of the prefix the executable is installed in (programFolder/../share/palshift).
QStringList paletteFolders(const QString& programFolder);

// given, with each empty file replaced by the first of paletteFolders(programFolder) that holds it
// (diablo.pal, diablo2.pal). A file that is there but unreadable is still the one taken. Throws
// FileError "Cannot open diablo.pal: none of A, B or C exists" when no folder holds one.
PaletteFiles lookUpPaletteFiles(const QString& programFolder, const PaletteFiles& given = {});

}  // namespace palshift
