#include "convert/rule_conversion.h"

#include "convert/target_resolver.h"

#include <span>

namespace palshift {

TargetPicture convertWithRules(const QImage& picture, const Palette& source, const Palette& target,
                               const ConversionRules& rules)
{
    // ARGB32 keeps each pixel's colour as stored, where a premultiplied form would darken the
    // colour of a pixel that is not opaque.
    const QImage argb = picture.format() == QImage::Format_ARGB32 ? picture
                                                                  : picture.convertToFormat(QImage::Format_ARGB32);
    TargetPicture result{argb.width(), argb.height(), {}, 0};
    result.indices.resize(static_cast<std::size_t>(result.width) * static_cast<std::size_t>(result.height));
    TargetResolver resolver(source, target, rules);
    const auto width = static_cast<std::size_t>(result.width);
    for (std::int32_t y = 0; y < result.height; ++y)
        resolver.resolveRow(y, {reinterpret_cast<const QRgb*>(argb.constScanLine(y)), width},
                            std::span(result.indices).subspan(static_cast<std::size_t>(y) * width, width));
    resolver.finish();
    result.unmatchedPixels = resolver.unmatchedPixels();
    return result;
}

}  // namespace palshift
