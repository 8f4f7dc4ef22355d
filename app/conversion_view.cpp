#include "app/conversion_view.h"

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
