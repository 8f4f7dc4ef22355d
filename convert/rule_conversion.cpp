#include "convert/rule_conversion.h"

#include "convert/rule_lookup.h"
#include "pictures/qt_rows.h"

#include <algorithm>

namespace palshift {

TargetPicture convertWithRules(const QImage& picture, const Palette& source, const Palette& target,
                               const ConversionRules& rules)
{
    QtRows rows(picture, QtRows::Alpha::Kept);
    TargetPicture result{rows.width(), rows.height(), {}, 0};
    const auto width = static_cast<std::size_t>(result.width);
    result.indices.resize(width * static_cast<std::size_t>(result.height));
    result.unmatchedPixels = lookUpRows(rows, lookupUnderRules(source, target, rules), rules,
                                        [&](std::int32_t y, std::span<const std::uint8_t> entries) {
                                            std::copy(entries.begin(), entries.end(),
                                                      result.indices.begin() + static_cast<std::ptrdiff_t>(y * width));
                                        });
    return result;
}

}  // namespace palshift
