#include "convert/indexed_export.h"
#include "pictures/pcx_reader.h"
#include "tests/test_support.h"

#include <QTemporaryDir>

namespace palshift::test {
namespace {

// A map element that is no palette entry, a map smaller than the picture, a picture without pixels,
// or a DC6 with opaque pixels of entry 0 (which a DC6 skips) is refused, and the file already there
// stays as it was.
TEST(IndexedExport, RefusesWhatIsNoPictureOfEntries)
{
    const QTemporaryDir folder;
    ConversionState state;
    state.TargetIndexMap.redim(2, 1);  // 3 x 2
    state.SaveFileName = folder.filePath("out.pcx");
    writeBytes(state.SaveFileName, "old");
    RecordingStatusLine status;

    state.TargetIndexMap.set(2, 1, 256);
    EXPECT_THROW(saveIndexedPicture(state, OutputFormat::Pcx, 3, 2, {}, status), std::overflow_error);
    state.TargetIndexMap.set(2, 1, -1);
    EXPECT_THROW(saveIndexedPicture(state, OutputFormat::Png, 3, 2, {}, status), std::overflow_error);
    state.TargetIndexMap.set(2, 1, 255);
    EXPECT_THROW(saveIndexedPicture(state, OutputFormat::Pcx, 4, 2, {}, status), std::out_of_range);
    EXPECT_THROW(saveIndexedPicture(state, OutputFormat::Pcx, 3, 0, {}, status), std::runtime_error);
    EXPECT_THROW(saveIndexedPicture(state, OutputFormat::Bmp, 3, 2, {}, status), std::invalid_argument);
    EXPECT_THROW(saveIndexedPicture(state, OutputFormat::Dc6, 3, 2, 255, status), std::runtime_error);
    EXPECT_EQ(readBytes(state.SaveFileName), "old");

    saveIndexedPicture(state, OutputFormat::Pcx, 3, 1, {}, status);  // the top row alone
    std::vector<std::string> texts(7, "Saving...");
    texts.push_back("Ready...");
    EXPECT_EQ(status.texts, texts);
    const QImage saved = readPcx(readBytes(state.SaveFileName), state.SaveFileName);
    EXPECT_EQ(saved.size(), QSize(3, 1));
    EXPECT_EQ(saved.pixelIndex(2, 0), 0);
}

}  // namespace
}  // namespace palshift::test
