#include "convert/colour_split.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace palshift {

// The split goes through seven-decimal text; every colour value must still come back as its bytes.
TEST(ConvertBack256, GivesTheThreeBytesOfEveryColourValue)
{
    long wrong = 0, firstWrong = -1;
    for (long value = 0; value <= 0xFFFFFF; ++value) {
        double red = -9, green = -9, blue = -9;
        ConvertBack256(static_cast<double>(value), red, green, blue);
        if (red != (value & 0xFF) || green != (value >> 8 & 0xFF) || blue != value >> 16)
            firstWrong = wrong++ ? firstWrong : value;
    }
    EXPECT_EQ(wrong, 0) << "first wrong colour value: " << firstWrong;
}

TEST(ConvertBack256, UnreadablePixelGivesRedMinusOneAndNothingElse)
{
    double red = 7, green = 7, blue = 7;
    ConvertBack256(-1.0, red, green, blue);
    EXPECT_EQ(red, -1.0);
    EXPECT_EQ(green, 0.0);
    EXPECT_EQ(blue, 0.0);
    EXPECT_THROW(ConvertBack256(4294967296.0, red, green, blue), std::overflow_error);
}

}  // namespace palshift
