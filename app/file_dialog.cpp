#include "app/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>

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
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(saveFilters());
    return chosen(dialog);
}

}  // namespace palshift

namespace palshift {

std::optional<QString> QtFileDialog::showExportMapping(const QString& folder)
{
    QFileDialog dialog(parent_, QStringLiteral("Export Mapping"), folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(mappingFilters());
    return chosen(dialog);
}

}  // namespace palshift
