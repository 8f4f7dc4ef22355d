#include "convert/palette_file.h"
#include "picture_files.h"
#include "test_support.h"

#include <QTemporaryDir>

namespace palshift {

// A palette file may be an 8-bit picture, whose colour table is read through Qt GUI's decoding.
TEST(PaletteFile, TakesThePaletteOfAPicture)
{
    const QTemporaryDir dir;
    const Palette colours = test::distinctPalette();
    test::writeBytes(dir.filePath("sword.bmp"), test::bmpFile(1, 1, 8, {0}, true, {colours.begin(), colours.end()}));
    Palette palette{};
    std::int16_t counter = 0;
    readPaletteFile(dir.filePath("sword.bmp"), palette, counter);
    EXPECT_EQ(std::pair(palette, counter), std::pair(colours, std::int16_t{256}));
}

}  // namespace palshift
