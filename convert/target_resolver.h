#pragma once

#include "convert/colour_lookup.h"
#include "convert/conversion_rules.h"

#include <QRgb>

#include <array>
#include <cstdint>
#include <span>

namespace palshift {

// The target entry of each pixel under the rules: transparent pixels to the transparent entry,
// a source palette colour to the target entry nearest its lowest source entry, any other colour
// as the unmatched rule says. With the default rules the result is the plain conversion's.
class TargetResolver {
public:
    TargetResolver(const Palette& source, const Palette& target, const ConversionRules& rules);

    // Resolves row y of a picture (pixels as 0xAARRGGBB, not premultiplied) into targets, which
    // must be as long; counts the unmatched pixels and keeps the first one.
    void resolveRow(std::int32_t y, std::span<const QRgb> pixels, std::span<std::uint8_t> targets);

    std::int64_t unmatchedPixels() const { return unmatched_; }
    // Under UnmatchedRule::Fail, throws UnmatchedColoursError if any pixel matched nothing.
    void finish() const;

private:
    std::uint8_t unmatchedTarget(const Rgb& colour);

    Palette target_;
    ConversionRules rules_;
    ColourLookup sourceLookup_;
    std::array<std::uint8_t, 256> nearest_;  // per source entry
    std::int64_t unmatched_ = 0;
    std::int32_t firstX_ = 0, firstY_ = 0;
    Rgb firstColour_;
    // Off-palette pixels come in areas of one colour, so the last one's target is kept.
    std::optional<Rgb> lastUnmatched_;
    std::uint8_t lastUnmatchedTarget_ = 0;
};

}  // namespace palshift
