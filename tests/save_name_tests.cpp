#include "pictures/save_name.h"

#include <gtest/gtest.h>

namespace palshift {
namespace {

// A name keeps an ending the program writes, in any case but ".bmp"'s, which counts only exactly; any
// other name takes the chosen type's.
TEST(SavedName, KeepsAKnownEndingInAnyCaseElseTakesTheChosenTypes)
{
    EXPECT_EQ(savedName("sprite"), "sprite.bmp");
    EXPECT_EQ(savedName("sprite", OutputFormat::Png), "sprite.png");
    EXPECT_EQ(savedName("sprite", OutputFormat::Pcx), "sprite.pcx");
    EXPECT_EQ(savedName("sprite", OutputFormat::Dc6), "sprite.dc6");
    EXPECT_EQ(savedName("sprite.bm"), "sprite.bm.bmp");
    EXPECT_EQ(savedName("sprite.BMP"), "sprite.BMP.bmp");
    for (const char* kept : {"a.bmp", "a.PNG", "a.Pcx", "a.dC6"})
        EXPECT_EQ(savedName(kept, OutputFormat::Png), kept);
    EXPECT_EQ(outputFormatOfFile(u"a.PNG"), OutputFormat::Png);
    EXPECT_EQ(outputFormatOfFile(u"a.pCX"), OutputFormat::Pcx);
}

}  // namespace
}  // namespace palshift
