#include "app/pixel_description.h"

#include <QFontMetrics>

namespace palshift {

QString describePixel(const ConversionView& view, QPoint position)
{
    if (!view.picture.rect().contains(position))
        return {};
    const int x = position.x(), y = position.y();
    const Rgb colour = rgbOf(view.picture.pixel(x, y));
    QString text = QStringLiteral("(%1, %2) %3").arg(x).arg(y).arg(hexColour(colour));
    if (!view.identified)
        return text;
    const std::optional<int> source = view.sourceEntry(x, y);
    text += source ? QStringLiteral(" · Diablo 1: %1").arg(*source) : QStringLiteral(" · no match");
    if (!view.converted)
        return text;
    const int target = view.state.TargetIndexMap.at(x, y);
    const Rgb chosen = view.state.TargetPal.at(static_cast<std::size_t>(target));
    return text + QStringLiteral(" · Diablo 2: %1 %2 · distance %3")
                      .arg(target)
                      .arg(hexColour(chosen))
                      .arg(colourDistance(colour, chosen));
}

int describedPixelWidth(const QFontMetrics& metrics)
{
    return metrics.horizontalAdvance(
        QStringLiteral("(8888, 8888) #DDDDDD · Diablo 1: 888 · Diablo 2: 888 #DDDDDD · distance 888"));
}

}  // namespace palshift
