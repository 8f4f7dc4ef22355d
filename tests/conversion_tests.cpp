#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "convert/source_index_map.h"
#include "platform/file_error.h"
#include "pictures/image_surface.h"
#include "pictures/picture_loading.h"
#include "picture_files.h"
#include "test_support.h"

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>
#include <stdexcept>

namespace palshift {

TEST(IndexMap, EveryAccessIsCheckedAtExactlyWidthAndHeight)
{
    IndexMap map;
    map.redim(2, 1);  // 3 x 2
    map.set(2, 1, 7);
    EXPECT_EQ(map.at(2, 1), 7);
    for (const auto& [x, y] : {std::pair{3, 0}, {0, 2}, {-1, 0}, {0, -1}})
        EXPECT_THROW(map.set(x, y, 1), std::out_of_range) << x << ", " << y;
    EXPECT_THROW(map.row(2), std::out_of_range);
}

// Maps dimensioned for 2 x 2 and a picture one column larger: each step refuses before it changes
// anything, except that the identification goes on while only unmatched pixels lie outside.
TEST(Conversion, APictureThatOutgrewItsIndexMapsIsRefusedUnchanged)
{
    ConversionState state;
    state.SourcePal[0] = {0, 200, 0};  // entry 0 too must lie inside the map
    QImage green(3, 2, QImage::Format_RGB32);
    green.fill(qRgb(0, 200, 0));
    ImageSurface small(green.copy(0, 0, 2, 2)), larger(green), picture2;
    picture2.resize(3, 2);
    dimensionIndexMaps(state, small);
    state.SourceIndexMap.set(1, 1, 2);
    state.TargetIndexMap.set(1, 1, 9);
    const ConversionState loaded = state;
    const auto unchanged = [&] {
        return state.SourceIndexMap.width() == 2 && std::ranges::equal(state.SourceIndexMap.row(1), loaded.SourceIndexMap.row(1))
               && std::ranges::equal(state.TargetIndexMap.row(1), loaded.TargetIndexMap.row(1));
    };
    SilentStatusLine status;
    EXPECT_THROW(InitPicturePal(state, larger), std::out_of_range);
    EXPECT_TRUE(unchanged());
    EXPECT_THROW(CreateNewPal(state, larger), std::out_of_range);
    EXPECT_TRUE(unchanged());
    EXPECT_THROW(drawPic(state, larger, picture2, status), std::out_of_range);
    EXPECT_TRUE(picture2.image().isNull());  // nothing painted
    green.fill(qRgb(1, 200, 0));  // no palette colour
    larger.setPicture(green);
    InitPicturePal(state, larger);
    EXPECT_EQ(state.unmatchedPixels, 6);
}

// A black PNG of one bit per pixel: a picture of 16384 x 16384 pixels in 33 KB, and 32 MiB decoded.
static QByteArray blackPng(quint32 width, quint32 height)
{
    return test::chunkedPng(width, height, 1, 0, QByteArray((width + 7) / 8 * height + height, '\0'));
}

// The largest picture loads; one more row is refused by the header before anything is decoded.
TEST(PictureLoading, LoadsUpTo16384By16384Pixels)
{
    QTemporaryDir dir;
    const QString largest = dir.filePath("largest.png"), taller = dir.filePath("taller.png");
    test::writeBytes(largest, blackPng(16384, 16384));
    test::writeBytes(taller, blackPng(16384, 16385));
    EXPECT_EQ(loadPicture(largest).size(), QSize(16384, 16384));
    EXPECT_EQ(test::fileErrorOf([&] { loadPicture(taller); }),
              (taller + " is 16384 x 16385 pixels; the largest picture that loads has 16384 x 16384 pixels").toStdString());

    // Qt tells no MNG's size before decoding; its decoder would allocate what the header says.
    const QString mng = dir.filePath("tall.mng");
    test::writeBytes(mng, QByteArray::fromHex("8a4d4e470d0a1a0a") + test::pngChunk("IHDR", QByteArray::fromHex("00000004050000031006000000")));
    EXPECT_EQ(test::fileErrorOf([&] { loadPicture(mng); }),
              (mng + " is 4 x 83886083 pixels; the largest picture that loads has 16384 x 16384 pixels").toStdString());
}

// Pixels as stored: a JPEG whose EXIF orientation says to turn it is not turned.
TEST(PictureLoading, KeepsTheStoredOrientation)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("turned.jpg");
    QImage stored(16, 8, QImage::Format_RGB32);
    stored.fill(qRgb(250, 0, 0));
    const QByteArray jpeg = test::encoded(stored, "JPEG", 95);
    // After the start of image: an APP1 segment of EXIF with one tag, orientation 6 (turn right).
    test::writeBytes(file, jpeg.left(2) + QByteArray::fromHex("ffe10022" "457869660000" "4d4d002a00000008"
                                                              "0001" "011200030000000100060000" "00000000")
                               + jpeg.mid(2));
    QImageReader turning(file);
    turning.setAutoTransform(true);
    ASSERT_EQ(turning.read().size(), QSize(8, 16));  // the tag is there
    EXPECT_EQ(loadPicture(file).size(), QSize(16, 8));
}

}  // namespace palshift
