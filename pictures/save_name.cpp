#include "pictures/save_name.h"

namespace palshift {

QString withBmpExtension(const QString& name)
{
    const QString extension = QStringLiteral(".bmp");
    return name.endsWith(extension, Qt::CaseSensitive) ? name : name + extension;
}

SaveFormat saveFormatOf(const QString& name)
{
    if (name.endsWith(QStringLiteral(".png"), Qt::CaseSensitive))
        return SaveFormat::Png;
    if (name.endsWith(QStringLiteral(".pcx"), Qt::CaseSensitive))
        return SaveFormat::Pcx;
    if (name.endsWith(QStringLiteral(".dc6"), Qt::CaseInsensitive))
        return SaveFormat::Dc6;
    return SaveFormat::Bmp;
}

QString savedName(const QString& name)
{
    return saveFormatOf(name) == SaveFormat::Bmp ? withBmpExtension(name) : name;
}

}  // namespace palshift
