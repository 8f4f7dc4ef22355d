#include "app/file_dialog.h"

#include <QFileDialog>
#include <QImageReader>
#include <QStringList>

namespace palshift {

QString fileDialogFilter()
{
    QStringList decodable;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        decodable << QStringLiteral("*.") + QString::fromLatin1(format);
    return QStringLiteral("Bitmaps(*.bmp);;All Images (*.jpg *.bmp *.gif *.tga *.ico *.cur *.wma);;"
                          "All Pictures (%1)")
        .arg(decodable.join(QLatin1Char(' ')));
}

namespace {

std::optional<QString> chosen(const QString& fileName)
{
    if (fileName.isEmpty())
        return std::nullopt;
    return fileName;
}

}  // namespace

std::optional<QString> QtFileDialog::showOpen(const QString& preset)
{
    return chosen(QFileDialog::getOpenFileName(parent_, QString(), preset, fileDialogFilter()));
}

std::optional<QString> QtFileDialog::showSave()
{
    return chosen(QFileDialog::getSaveFileName(parent_, QString(), QString(), fileDialogFilter()));
}

}  // namespace palshift
