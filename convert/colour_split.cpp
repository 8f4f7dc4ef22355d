#include "convert/colour_split.h"

#include "convert/checked_int.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace palshift {

void ConvertBack256(double Formula, double& Red, double& Green, double& Blue)
{
    // The C++ remainder takes the sign of the dividend, as the split expects.
    Red = static_cast<double>(toInt32(Formula) % 256);
    Formula -= Red;

    // Number format "0.0000000": sign if negative, at least one digit, seven decimals.
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, Formula / 65536.0,
                                       std::chars_format::fixed, 7);
    if (written.ec != std::errc())
        throw std::overflow_error("a colour value is too large to split");
    const std::string_view formatted(text, static_cast<std::size_t>(written.ptr - text));
    const std::string_view wholePart = formatted.substr(0, formatted.find('.'));

    double blue = 0.0;
    const auto parsed = std::from_chars(wholePart.data(), wholePart.data() + wholePart.size(), blue);
    if (parsed.ec != std::errc())
        throw std::overflow_error("a colour value could not be split");
    Blue = blue;

    Formula -= Blue * 65536.0;
    Green = std::trunc(Formula / 256.0);
}

}  // namespace palshift
