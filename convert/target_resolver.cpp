#include "convert/target_resolver.h"

#include "convert/nearest_target.h"

#include <stdexcept>
#include <string>

namespace palshift {

TargetResolver::TargetResolver(const Palette& source, const Palette& target, const ConversionRules& rules)
    : target_(target), rules_(rules), sourceLookup_(source),
      nearest_(nearestTargets(source, target, rules.transparentIndex))
{
}

void TargetResolver::resolveRow(std::int32_t y, std::span<const QRgb> pixels, std::span<std::uint8_t> targets)
{
    if (targets.size() != pixels.size())
        throw std::out_of_range("a row of " + std::to_string(pixels.size()) + " pixels resolved into "
                                + std::to_string(targets.size()) + " targets");
    for (std::size_t x = 0; x < pixels.size(); ++x) {
        const QRgb pixel = pixels[x];
        if (rules_.transparentIndex && qAlpha(pixel) < 128) {
            targets[x] = *rules_.transparentIndex;
            continue;
        }
        const Rgb colour{static_cast<std::uint8_t>(qRed(pixel)), static_cast<std::uint8_t>(qGreen(pixel)),
                         static_cast<std::uint8_t>(qBlue(pixel))};
        const int entry = sourceLookup_.lowestEntry(colourValue(colour));
        if (entry >= 0) {
            targets[x] = nearest_[static_cast<std::size_t>(entry)];
            continue;
        }
        if (unmatched_++ == 0) {
            firstX_ = static_cast<std::int32_t>(x);
            firstY_ = y;
            firstColour_ = colour;
        }
        targets[x] = unmatchedTarget(colour);
    }
}

std::uint8_t TargetResolver::unmatchedTarget(const Rgb& colour)
{
    if (rules_.unmatched != UnmatchedRule::Nearest)
        return nearest_[0];  // as source entry 0, which an element that matched nothing holds
    if (lastUnmatched_ != colour) {
        lastUnmatched_ = colour;
        lastUnmatchedTarget_ = nearestTarget(colour, target_, rules_.transparentIndex);
    }
    return lastUnmatchedTarget_;
}

void TargetResolver::finish() const
{
    if (rules_.unmatched == UnmatchedRule::Fail && unmatched_ > 0)
        throw UnmatchedColoursError(unmatched_, firstX_, firstY_, firstColour_);
}

}  // namespace palshift
