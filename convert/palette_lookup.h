#pragma once

#include "convert/palette_file.h"

#include <QStringList>

namespace palshift {

// Where a palette that nobody named is looked for, first to last: the folder of the executable
// (programFolder), the user's data folder (QStandardPaths::AppDataLocation, ~/.local/share/palshift)
// and share/palshift of the prefix the executable is installed in (programFolder/../share/palshift).
QStringList paletteFolders(const QString& programFolder);

// given, with each empty file replaced by the first of paletteFolders(programFolder) that holds it
// (diablo.pal, diablo2.pal). A file that is there but unreadable is still the one taken. Throws
// FileError "Cannot open diablo.pal: none of A, B or C exists" when no folder holds one.
PaletteFiles lookUpPaletteFiles(const QString& programFolder, const PaletteFiles& given = {});

}  // namespace palshift
