#include "app/conversion_view.h"

#include <algorithm>
#include <cstdlib>

namespace palshift {

std::optional<int> ConversionView::sourceEntry(int x, int y) const
{
    if (!identified)
        return std::nullopt;
    // A pixel of no Diablo 1 colour keeps whatever its element held; its colour tells it apart.
    const int entry = state.SourceIndexMap.at(x, y);
    if (state.SourcePal.at(static_cast<std::size_t>(entry)) != rgbOf(picture.pixel(x, y)))
        return std::nullopt;
    return entry;
}

void ConversionView::sourceEntries(int y, std::span<int> entries) const
{
    std::fill(entries.begin(), entries.end(), -1);
    if (!identified)
        return;
    const std::span<const std::int16_t> mapped = state.SourceIndexMap.row(y);
    const std::size_t width = std::min({entries.size(), mapped.size(), static_cast<std::size_t>(picture.width())});
    // Straight from the scan line where the format allows: QImage::pixel costs several times more.
    const uchar* const line = picture.constScanLine(y);
    const QList<QRgb> table = picture.colorTable();
    const bool direct = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
    for (std::size_t x = 0; x < width; ++x) {
        const int column = static_cast<int>(x);
        const QRgb colour = direct ? reinterpret_cast<const QRgb*>(line)[x]
                            : picture.format() == QImage::Format_Indexed8 && line[x] < table.size() ? table[line[x]]
                                                                                                     : picture.pixel(column, y);
        const int entry = mapped[x];
        if (state.SourcePal.at(static_cast<std::size_t>(entry)) == rgbOf(colour))
            entries[x] = entry;
    }
}

Rgb rgbOf(QRgb colour)
{
    return {static_cast<std::uint8_t>(qRed(colour)), static_cast<std::uint8_t>(qGreen(colour)),
            static_cast<std::uint8_t>(qBlue(colour))};
}

QString hexColour(const Rgb& colour)
{
    return QStringLiteral("#%1%2%3")
        .arg(colour.red, 2, 16, QLatin1Char('0'))
        .arg(colour.green, 2, 16, QLatin1Char('0'))
        .arg(colour.blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

}  // namespace palshift
