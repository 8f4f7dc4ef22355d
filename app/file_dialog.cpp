#include "app/file_dialog.h"

#include "pictures/save_name.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace palshift {

QStringList openFilters()
{
    QStringList decodable;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        decodable << QStringLiteral("*.") + QString::fromLatin1(format);
    decodable << QStringLiteral("*.pcx") << QStringLiteral("*.dc6");  // the program's own readers
    return {QStringLiteral("Bitmaps(*.bmp)"), QStringLiteral("All Images (*.jpg *.bmp *.gif *.tga *.ico *.cur *.wma)"),
            QStringLiteral("All Pictures (%1)").arg(decodable.join(QLatin1Char(' '))), QStringLiteral("All files (*)")};
}

QStringList saveFilters()
{
    return {QStringLiteral("Bitmap (*.bmp)"), QStringLiteral("PNG (*.png)"), QStringLiteral("PCX (*.pcx)"),
            QStringLiteral("DC6 sprite (*.dc6)")};
}

QStringList mappingFilters()
{
    return {QStringLiteral("CSV (*.csv)"), QStringLiteral("Colour map (*.dat)")};
}

namespace {

std::optional<QString> chosen(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty() || dialog.selectedFiles().front().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

// A save dialog that leaves the question about an existing file to the window, which asks it once
// the name has its ending, and for every name alike.
void prepareSave(QFileDialog& dialog, const QStringList& filters)
{
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filters);
}

int chosenFilter(const QFileDialog& dialog, const QStringList& filters)
{
    return std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
}

}  // namespace

std::optional<QString> QtFileDialog::showOpen(const QString& preset, const QString& folder)
{
    QFileDialog dialog(parent_, QString(), folder);
    if (!preset.isEmpty()) {
        dialog.setDirectory(QFileInfo(preset).absolutePath());
        dialog.selectFile(preset);
    }
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(openFilters());
    dialog.selectNameFilter(openFilters().value(2));  // every picture the program reads
    return chosen(dialog);
}

std::optional<QString> QtFileDialog::showSave(const QString& folder)
{
    QFileDialog dialog(parent_, QString(), folder);
    prepareSave(dialog, saveFilters());
    const std::optional<QString> name = chosen(dialog);
    constexpr OutputFormat types[] = {OutputFormat::Bmp, OutputFormat::Png, OutputFormat::Pcx, OutputFormat::Dc6};
    return name ? std::optional(savedName(*name, types[chosenFilter(dialog, saveFilters())])) : std::nullopt;
}

}  // namespace palshift

namespace palshift {

std::optional<QString> QtFileDialog::showExportMapping(const QString& folder)
{
    QFileDialog dialog(parent_, QStringLiteral("Export Mapping"), folder);
    prepareSave(dialog, mappingFilters());
    const std::optional<QString> name = chosen(dialog);
    if (!name)
        return std::nullopt;
    // As the table is written: 256 bytes for a name ending in ".dat", in any case, else CSV.
    for (const char* ending : {".csv", ".dat"})
        if (name->endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return name;
    return *name + (chosenFilter(dialog, mappingFilters()) == 1 ? QStringLiteral(".dat") : QStringLiteral(".csv"));
}

}  // namespace palshift
