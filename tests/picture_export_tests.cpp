#include "convert/picture_export.h"
#include "pictures/image_surface.h"
#include "test_support.h"

#include <QTemporaryDir>

namespace palshift {

namespace {

// "Save Picture" of map onto a picture of width x height into file, on state.
QByteArray saved(ConversionState& state, const QString& file, int width, int height, const IndexMap& map)
{
    ImageSurface picture2;
    picture2.resize(width, height);
    SilentStatusLine status;
    state.TargetIndexMap = map;
    state.SaveFileName = file;
    savePicture(state, picture2, status);
    return test::readBytes(file);
}

IndexMap filledMap(std::int32_t width, std::int32_t height, std::int16_t first)
{
    IndexMap map;
    map.redim(width - 1, height - 1);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            map.set(x, y, static_cast<std::int16_t>(first + 7 * y + x));
    return map;
}

}  // namespace

// The window saves again and again on one state: each save writes what a save on a fresh state
// writes, whatever the saves before it left in the pixel buffer, also where the map covers less
// than the picture (zeros there) and when the picture's size changes.
TEST(SavePicture, RepeatedSavesWriteWhatAFreshSaveWrites)
{
    QTemporaryDir dir;
    ConversionState reused;
    reused.TargetPal = test::distinctPalette();
    const struct { int width, height; IndexMap map; } saves[] = {
        {3, 2, filledMap(3, 2, 200)},
        {3, 2, filledMap(3, 1, 10)},  // the second row left from the first save must not show
        {2, 3, filledMap(2, 3, 90)},
        {4, 1, filledMap(4, 1, 1)},
    };
    for (const auto& [width, height, map] : saves) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << ", map " << map.width() << " x " << map.height());
        ConversionState fresh;
        fresh.TargetPal = reused.TargetPal;
        const QByteArray expected = saved(fresh, dir.filePath("fresh.bmp"), width, height, map);
        EXPECT_EQ(saved(reused, dir.filePath("reused.bmp"), width, height, map), expected);
        EXPECT_EQ(reused.PixelBuffer, fresh.PixelBuffer);
    }
}

}  // namespace palshift
