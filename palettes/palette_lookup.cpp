#include "palettes/palette_lookup.h"

#include "platform/file_error.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace palshift {

PaletteFiles defaultPaletteFiles(const QString& folder)
{
    return {folder + QStringLiteral("/diablo.pal"), folder + QStringLiteral("/diablo2.pal")};
}

namespace {

// besideProgram as defaultPaletteFiles names it, so that a build runs as it always has; then the
// same name in the other folders.
QString firstExisting(const QString& besideProgram, const QStringList& folders)
{
    const QString name = QFileInfo(besideProgram).fileName();
    QStringList looked{besideProgram};
    for (const QString& folder : folders.sliced(1))
        looked << QDir(folder).filePath(name);
    for (const QString& file : looked)
        if (QFileInfo::exists(file))
            return file;
    throw FileError(name, QStringLiteral("Cannot open %1: none of %2 or %3 exists")
                              .arg(name, looked.first(looked.size() - 1).join(QStringLiteral(", ")), looked.back()));
}

}  // namespace

QStringList paletteFolders(const QString& programFolder)
{
    return {programFolder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            QDir::cleanPath(programFolder + QStringLiteral("/../share/palshift"))};
}

PaletteFiles lookUpPaletteFiles(const QString& programFolder, const PaletteFiles& given)
{
    const QStringList folders = paletteFolders(programFolder);
    const PaletteFiles besideProgram = defaultPaletteFiles(programFolder);
    return {given.source.isEmpty() ? firstExisting(besideProgram.source, folders) : given.source,
            given.target.isEmpty() ? firstExisting(besideProgram.target, folders) : given.target,
            given.sourceFormat, given.targetFormat};
}

}  // namespace palshift
