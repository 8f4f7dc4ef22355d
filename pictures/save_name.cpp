#include "pictures/save_name.h"

namespace palshift {

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

QString savedName(const QString& name, OutputFormat chosen)
{
    // Exactly ".bmp", as the design's save has always asked: "x.BMP" becomes "x.BMP.bmp".
    if (outputFormatOfFile(name) != OutputFormat::Bmp || name.endsWith(QLatin1String(".bmp"), Qt::CaseSensitive))
        return name;
    return name + QLatin1Char('.') + outputFormatName(chosen);
}

}  // namespace palshift
