#include "convert/fused_convert.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <numeric>
#include <thread>
#include <tuple>

namespace palshift {

namespace {

const std::thread::id testThread = std::this_thread::get_id();

struct Window {
    ConversionState state;
    ImageSurface picture1, picture2;
    test::RecordingStatusLine status;
};

// Pixels of source colours, of other colours, and (Indexed8) table entries past the table.
QImage testPicture(std::mt19937& random, const Palette& source, QImage::Format format, int width, int height)
{
    std::uniform_int_distribution<int> entry(0, 255), percent(0, 99);
    QImage picture(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 250; ++i) {
        const Rgb& colour = source[std::size_t(entry(random))];
        table.push_back(percent(random) < 85 ? qRgb(colour.red, colour.green, colour.blue) : qRgb(1, 2, i));
    }
    picture.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.scanLine(y)[x] = std::uint8_t(entry(random));
    if (format == QImage::Format_Indexed8)
        return picture;
    QImage converted = picture.convertToFormat(format);
    if (format == QImage::Format_ARGB32)  // alpha plays no part
        for (int y = 0; y < height; ++y)
            converted.setPixel(0, y, converted.pixel(0, y) & 0x00FFFFFFu);
    return converted;
}

}  // namespace

// The one pass leaves what "Load Pals", "New Pal" and "Draw Pic" leave: both maps over an earlier
// run's elements (which unmatched pixels keep), the distance tables, the unmatched count, the painting
// and the status texts; for every picture form, and refusing maps a column short alike. A large
// picture has its rows shared out among threads, in chunks that do not divide its odd height and of a
// width that is no multiple of the pixels done at once; progress tells every row in order, on the
// calling thread.
TEST(FusedConvert, LeavesWhatTheThreeStepsLeave)
{
    std::mt19937 random(5);
    // Palettes of a few levels each (repeats and ties), written where the one pass reads them.
    const Palette source = test::coarsePalette(random, 60), target = test::coarsePalette(random, 15);
    const test::PaletteFolder palettes({source, target});
    const PaletteFiles& files = palettes.files;
    std::uniform_int_distribution<int> entry(0, 255);
    const std::tuple<QImage::Format, int, int, int> cases[] = {
        {QImage::Format_RGB32, 9, 6, 9}, {QImage::Format_ARGB32, 9, 6, 9}, {QImage::Format_Indexed8, 9, 6, 9},
        {QImage::Format_RGB32, 9, 6, 8}, {QImage::Format_Indexed8, 9, 6, 8},
        {QImage::Format_RGB32, 613, 449, 613}, {QImage::Format_Indexed8, 613, 449, 613}};
    for (const auto& [format, width, height, columns] : cases) {
        const QImage picture = testPicture(random, source, format, width, height);
        Window steps, fused;
        for (Window* window : {&steps, &fused}) {
            window->picture1.setPicture(picture);
            window->picture2.resize(width, height);
            window->state.SourceIndexMap.redim(columns - 1, height - 1);
            window->state.TargetIndexMap.redim(columns - 1, height - 1);
        }
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < columns; ++x) {
                const auto kept = std::int16_t(entry(random));
                steps.state.SourceIndexMap.set(x, y, kept);
                fused.state.SourceIndexMap.set(x, y, kept);
            }
        std::string stepsError, fusedError;
        try {
            loadPals(steps.state, steps.picture1, steps.status, files);
            newPal(steps.state, steps.picture1, steps.status);
            drawPic(steps.state, steps.picture1, steps.picture2, steps.status);
        } catch (const std::out_of_range& error) {
            stepsError = error.what();
        }
        std::vector<std::int64_t> told;
        bool allOnCallingThread = true;
        try {
            convertInOnePass(fused.state, fused.picture1, fused.picture2, fused.status, files,
                             [&, rows = height](std::int64_t done, std::int64_t total) {
                told.push_back(total == rows ? done : -total);
                allOnCallingThread = allOnCallingThread && std::this_thread::get_id() == testThread;
            });
        } catch (const std::out_of_range& error) {
            fusedError = error.what();
        }
        const std::string what = "format " + std::to_string(format) + ", " + std::to_string(width) + " wide, " + std::to_string(columns) + " columns";
        EXPECT_EQ(fusedError, stepsError) << what;
        EXPECT_EQ(stepsError.empty(), columns == width) << what;
        int rowsAlike = 0;
        for (int y = 0; y < height; ++y)
            rowsAlike += std::ranges::equal(steps.state.SourceIndexMap.row(y), fused.state.SourceIndexMap.row(y))
                         && std::ranges::equal(steps.state.TargetIndexMap.row(y), fused.state.TargetIndexMap.row(y));
        EXPECT_EQ(rowsAlike, height) << what;
        EXPECT_TRUE(std::tie(steps.state.TotalDist, steps.state.RedDist, steps.state.unmatchedPixels, steps.state.PalCounter)
                    == std::tie(fused.state.TotalDist, fused.state.RedDist, fused.state.unmatchedPixels, fused.state.PalCounter)) << what;
        EXPECT_TRUE(fused.picture2.image() == steps.picture2.image()) << what;
        EXPECT_EQ(fused.status.texts, steps.status.texts) << what;
        if (columns < width)
            continue;
        EXPECT_GT(steps.state.unmatchedPixels, 0) << what;
        std::vector<std::int64_t> everyRow(static_cast<std::size_t>(height));
        std::iota(everyRow.begin(), everyRow.end(), 1);
        EXPECT_EQ(told, everyRow) << what;
        EXPECT_TRUE(allOnCallingThread) << what;
    }
}

// A row that holds no palette entry ends the pass as on one thread: the lowest such row is named, and
// progress has been told for exactly the rows before it. A cancel from progress stops the pass there.
TEST(FusedConvert, LargePicturesStopWhereOneThreadWould)
{
    std::mt19937 random(8);
    const Palette source = test::coarsePalette(random, 60);
    const int width = 613, height = 449;
    const QImage picture = testPicture(random, source, QImage::Format_RGB32, width, height);
    std::vector<int> firstUnmatched(height, -1);  // per row, its first pixel of no source colour
    for (int y = 0; y < height; ++y)
        for (int x = width - 1; x >= 0; --x)
            if ((picture.pixel(x, y) & 0xFFFF00u) == 0x010200u)
                firstUnmatched[std::size_t(y)] = x;

    const auto run = [&](std::vector<int> badRows, int cancelAt) {
        Window window;
        window.state.SourcePal = source;
        window.picture1.setPicture(picture);
        window.picture2.resize(width, height);
        dimensionIndexMaps(window.state, window.picture1);
        for (const int row : badRows)
            window.state.SourceIndexMap.set(firstUnmatched[std::size_t(row)], row, 300);
        std::vector<std::int64_t> told;
        std::string error;
        try {
            identifyRemapAndPaint(window.state, window.picture1, window.picture2, [&](std::int64_t done, std::int64_t) {
                told.push_back(done);
                if (done == cancelAt)
                    throw std::runtime_error("cancelled");
            });
        } catch (const std::exception& stopped) {
            error = stopped.what();
        }
        // An unmatched pixel's element keeps what it held, as the steps leave it.
        return std::tuple(error, told, window.state.SourceIndexMap.at(firstUnmatched[300], 300));
    };
    std::vector<std::int64_t> rowsBefore(300);
    std::iota(rowsBefore.begin(), rowsBefore.end(), 1);
    for (const auto& badRows : {std::vector{300}, std::vector{448, 300}, std::vector{300, 301, 447}})
        EXPECT_EQ(run(badRows, -1), std::tuple(std::string("source index map row 300 holds a value that is no palette entry"), rowsBefore, std::int16_t{300}));
    // Two rows ending the first two chunks, likely on two threads: the one found later is not the lower.
    for (int repeat = 0; repeat < 5; ++repeat)
        EXPECT_EQ(std::get<0>(run({105, 211}, -1)), "source index map row 105 holds a value that is no palette entry");
    rowsBefore.push_back(301);
    EXPECT_EQ(run({400}, 301), std::tuple(std::string("cancelled"), rowsBefore, std::int16_t{0}));
    EXPECT_EQ(run({}, 301), std::tuple(std::string("cancelled"), rowsBefore, std::int16_t{0}));
}

}  // namespace palshift
