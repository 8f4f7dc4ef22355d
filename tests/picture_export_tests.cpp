#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "platform/file_error.h"
#include "test_support.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace palshift {

class SavePicture : public testing::Test {
protected:
    void SetUp() override
    {
        InitBmpHeader(state.BmpFileHeader);
        for (std::size_t entry = 0; entry < 256; ++entry)
            state.TargetPal[entry] = {std::uint8_t(entry), std::uint8_t(3 * entry), std::uint8_t(255 - entry)};
        state.TargetPal[5] = {10, 20, 30};
        state.SaveFileName = dir.filePath("out.bmp");
        state.PalCounter = -3;
    }

    // A picture whose map element (x, y) is 10 y + x + 1, so that every pixel has its own entry.
    test::MemorySurface picture(int width, int height)
    {
        state.TargetIndexMap.redim(width - 1, height - 1);
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < height; ++y)
                state.TargetIndexMap.set(x, y, static_cast<std::int16_t>(10 * y + x + 1));
        return test::MemorySurface(width, height);
    }

    QTemporaryDir dir;
    ConversionState state;
    test::RecordingStatusLine status;
};

TEST_F(SavePicture, LaysOutRowsBottomFirstAndTheTargetPalette)
{
    savePicture(state, picture(3, 2), status);
    EXPECT_EQ(state.PixelBuffer, (std::vector<std::uint8_t>{11, 12, 13, 1, 2, 3}));
    EXPECT_EQ(state.PalCounter, 768);
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Saving...", "Ready..."}));
    const QByteArray file = test::readBytes(state.SaveFileName);
    EXPECT_EQ(file.mid(54 + 4 * 5, 4), QByteArray::fromHex("1e140a00"));
    EXPECT_EQ(file.mid(54 + 4 * 200, 4), QByteArray::fromHex("3758c800"));  // 200, 600 % 256, 55

    savePicture(state, picture(3, 2), status);
    EXPECT_EQ(test::readBytes(state.SaveFileName), file);
    savePicture(state, picture(1, 1), status);
    EXPECT_EQ(state.PixelBuffer, std::vector<std::uint8_t>{1});
}

// Qt's own BMP reader sees every pixel in the TargetPal colour of its map entry, the right way up.
TEST_F(SavePicture, QtReadsBackTheConvertedColours)
{
    savePicture(state, picture(5, 3), status);
    const QImage image(state.SaveFileName, "BMP");
    ASSERT_EQ(image.size(), QSize(5, 3));
    for (int x = 0; x < 5; ++x) {
        for (int y = 0; y < 3; ++y) {
            const Rgb& colour = state.TargetPal[static_cast<std::size_t>(state.TargetIndexMap.at(x, y))];
            EXPECT_EQ(image.pixel(x, y), qRgb(colour.red, colour.green, colour.blue)) << x << ", " << y;
        }
    }
}

TEST_F(SavePicture, FailuresKeepTheSavingStepShownAndWriteNothing)
{
    state.SaveFileName.clear();
    EXPECT_THROW(savePicture(state, picture(2, 2), status), FileError);
    EXPECT_EQ(status.texts, std::vector<std::string>{"Saving..."});
    EXPECT_EQ(state.PixelBuffer, (std::vector<std::uint8_t>{11, 12, 1, 2}));
    EXPECT_EQ(state.PalCounter, 768);

    state.SaveFileName = dir.filePath("out.bmp");
    const test::MemorySurface picture2 = picture(2, 2);
    state.TargetIndexMap.set(1, 0, 300);
    EXPECT_THROW(savePicture(state, picture2, status), std::overflow_error);
    EXPECT_THROW(savePicture(state, test::MemorySurface(0, 2), status), std::runtime_error);
    EXPECT_FALSE(QFileInfo::exists(state.SaveFileName));
}

}  // namespace palshift
