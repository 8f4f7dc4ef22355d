#include "pictures/save_name.h"

namespace palshift {

QString withBmpExtension(const QString& name)
{
    const QString extension = QStringLiteral(".bmp");
    return name.endsWith(extension, Qt::CaseSensitive) ? name : name + extension;
}

std::optional<OutputFormat> outputFormatFromName(QStringView name)
{
    if (name == QLatin1String("bmp"))
        return OutputFormat::Bmp;
    if (name == QLatin1String("png"))
        return OutputFormat::Png;
    if (name == QLatin1String("pcx"))
        return OutputFormat::Pcx;
    if (name == QLatin1String("dc6"))
        return OutputFormat::Dc6;
    return std::nullopt;
}

QString outputFormatName(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Png: return QStringLiteral("png");
    case OutputFormat::Pcx: return QStringLiteral("pcx");
    case OutputFormat::Dc6: return QStringLiteral("dc6");
    case OutputFormat::Bmp: break;
    }
    return QStringLiteral("bmp");
}

OutputFormat outputFormatOfFile(QStringView file, Qt::CaseSensitivity endings)
{
    if (file.endsWith(QLatin1String(".png"), endings))
        return OutputFormat::Png;
    if (file.endsWith(QLatin1String(".pcx"), endings))
        return OutputFormat::Pcx;
    if (file.endsWith(QLatin1String(".dc6"), Qt::CaseInsensitive))
        return OutputFormat::Dc6;
    return OutputFormat::Bmp;
}

QString savedName(const QString& name)
{
    return outputFormatOfFile(name, Qt::CaseSensitive) == OutputFormat::Bmp ? withBmpExtension(name) : name;
}

}  // namespace palshift
