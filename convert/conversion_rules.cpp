#include "convert/conversion_rules.h"

#include <QString>

#include <cstdio>
#include <string>

namespace palshift {

namespace {

std::string describe(std::int64_t pixels, std::int32_t x, std::int32_t y, const Rgb& colour)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    return std::to_string(pixels) + (pixels == 1 ? " pixel matches" : " pixels match")
           + " no colour of the source palette; the first is at (" + std::to_string(x) + ", " + std::to_string(y)
           + "): " + hex;
}

}  // namespace

std::optional<UnmatchedRule> unmatchedRuleFromName(QStringView name)
{
    if (name == QLatin1String("zero"))
        return UnmatchedRule::Zero;
    if (name == QLatin1String("nearest"))
        return UnmatchedRule::Nearest;
    if (name == QLatin1String("fail"))
        return UnmatchedRule::Fail;
    return std::nullopt;
}

UnmatchedColoursError::UnmatchedColoursError(std::int64_t pixels, std::int32_t x, std::int32_t y, const Rgb& colour)
    : std::runtime_error(describe(pixels, x, y, colour)), pixels(pixels), x(x), y(y), colour(colour)
{
}

}  // namespace palshift
