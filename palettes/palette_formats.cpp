#include "palettes/palette_formats.h"

#include "palettes/palette_failure.h"
#include "palettes/palette_readers.h"
#include "palettes/picture_signature.h"
#include "platform/regular_file.h"

#include <QFileInfo>
#include <QLocale>

#include <array>
#include <utility>

namespace palshift {

namespace {

constexpr std::array<std::pair<PaletteFormat, const char*>, 8> formatNames{{
    {PaletteFormat::Auto, "auto"},
    {PaletteFormat::Rgb, "rgb"},
    {PaletteFormat::Bgr, "bgr"},
    {PaletteFormat::Jasc, "jasc"},
    {PaletteFormat::Act, "act"},
    {PaletteFormat::Gpl, "gpl"},
    {PaletteFormat::Riff, "riff"},
    {PaletteFormat::Picture, "picture"},
}};

}  // namespace

std::optional<PaletteFormat> paletteFormatFromName(QStringView name)
{
    for (const auto& [format, formatName] : formatNames)
        if (name == QLatin1String(formatName))
            return format;
    return std::nullopt;
}

QString paletteFormatName(PaletteFormat format)
{
    for (const auto& [known, name] : formatNames)
        if (known == format)
            return QString::fromLatin1(name);
    return {};
}

std::optional<PaletteFormat> detectPaletteFormat(QByteArrayView bytes, const QString& file)
{
    // A raw palette may begin with any bytes, a signature among them, but no picture with a table
    // of 256 colours, and no text or RIFF palette of 256 colours, fits in 772 bytes: the size
    // decides before the signatures.
    if (bytes.size() == 768)
        return QFileInfo(file).fileName().compare(QLatin1String("pal.dat"), Qt::CaseInsensitive) == 0
                   ? PaletteFormat::Bgr
                   : PaletteFormat::Rgb;
    if (bytes.size() == 772)
        return PaletteFormat::Act;
    if (looksLikeJascPalette(bytes))
        return PaletteFormat::Jasc;
    if (looksLikeGimpPalette(bytes))
        return PaletteFormat::Gpl;
    if (looksLikeRiffPalette(bytes))
        return PaletteFormat::Riff;
    if (looksLikePicture(bytes))
        return PaletteFormat::Picture;
    return std::nullopt;
}

LoadedPalette decodePalette(QByteArrayView bytes, const QString& file, PaletteFormat format, PictureTableReader pictureTable)
{
    if (format == PaletteFormat::Auto) {
        const std::optional<PaletteFormat> detected = detectPaletteFormat(bytes, file);
        if (!detected)
            refusePalette(file, QStringLiteral("not a palette: %1 bytes; expected 768 bytes of RGB, or a JASC-PAL, "
                                               "GIMP, RIFF or ACT palette, or an 8-bit picture")
                                    .arg(QLocale(QLocale::English).toString(qint64{bytes.size()})));
        format = *detected;
    }
    LoadedPalette loaded;
    loaded.format = format;
    switch (format) {
    case PaletteFormat::Auto:
    case PaletteFormat::Rgb:
        loaded.format = PaletteFormat::Rgb;
        loaded.colours = readRgbPalette(bytes, file);
        break;
    case PaletteFormat::Bgr:
        loaded.colours = readBgrPalette(bytes, file);
        break;
    case PaletteFormat::Jasc:
        loaded.colours = readJascPalette(bytes, file);
        break;
    case PaletteFormat::Act: {
        const ActPalette act = readActPalette(bytes, file);
        loaded.colours = act.colours;
        loaded.transparentIndex = act.transparentIndex;
        break;
    }
    case PaletteFormat::Gpl:
        loaded.colours = readGimpPalette(bytes, file);
        break;
    case PaletteFormat::Riff:
        loaded.colours = readRiffPalette(bytes, file);
        break;
    case PaletteFormat::Picture:
        if (!pictureTable)
            refusePalette(file, QStringLiteral("a picture, whose colour table is not read here"));
        loaded.colours = pictureTable(bytes, file);
        break;
    }
    return loaded;
}

LoadedPalette readPalette(const QString& file, PaletteFormat format, PictureTableReader pictureTable)
{
    // No palette, not even a picture's, comes near this size: a longer file is refused by its
    // size, without reading it.
    constexpr qint64 largestPaletteFileBytes = qint64{256} << 20;
    RegularFile input(file);
    const auto refuseSize = [&](qint64 size) {
        const QLocale english(QLocale::English);
        refusePalette(file, QStringLiteral("not a palette: %1 bytes; the largest palette file holds %2 bytes")
                                .arg(english.toString(size), english.toString(largestPaletteFileBytes)));
    };
    if (input.size() > largestPaletteFileBytes)
        refuseSize(input.size());
    const QByteArray bytes = input.read(largestPaletteFileBytes + 1);
    if (bytes.size() > largestPaletteFileBytes)
        refuseSize(bytes.size());
    return decodePalette(bytes, file, format, pictureTable);
}

}  // namespace palshift
