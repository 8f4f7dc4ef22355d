#pragma once

#include "palettes/palette.h"

#include <QStringView>

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace palshift {

// What becomes of a pixel whose colour is in no source palette entry.
enum class UnmatchedRule {
    Zero,     // converted as source entry 0, and counted for a warning (the default)
    Nearest,  // the target entry nearest to its own colour
    Fail,     // the picture is refused
};

// "zero", "nearest", "fail"; nullopt for any other name.
std::optional<UnmatchedRule> unmatchedRuleFromName(QStringView name);

struct ConversionRules {
    UnmatchedRule unmatched = UnmatchedRule::Zero;
    // Pixels with alpha below 128 become this target entry, and no other pixel does. Without
    // it, alpha is ignored.
    std::optional<std::uint8_t> transparentIndex;
};

// A picture refused under UnmatchedRule::Fail; what() names the count and the first pixel.
class UnmatchedColoursError : public std::runtime_error {
public:
    UnmatchedColoursError(std::int64_t pixels, std::int32_t x, std::int32_t y, const Rgb& colour);

    std::int64_t pixels;
    std::int32_t x, y;  // the first pixel, rows top-down and each row left to right
    Rgb colour;
};

}  // namespace palshift
