// The four conversion steps of the window, one picture size at a time, in pixels per second.

#include "pictures/linked_qt_decoding.h"
#include "bench_pictures.h"

#include "bmp/bmp_header.h"
#include "convert/picture_export.h"
#include "convert/fused_convert.h"
#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "convert/source_index_map.h"
#include "pictures/image_surface.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace palshift::bench {

namespace {

const int sides[] = {512, 2048, 4096};

const QImage& cachedPicture(int side, Content content, QImage::Format format)
{
    static std::map<std::tuple<int, Content, QImage::Format>, QImage> pictures;
    QImage& picture = pictures[{side, content, format}];
    if (picture.isNull())
        picture = benchPicture(side, content, format);
    return picture;
}

// The window's state right after "&Open" of picture: palettes loaded, both maps zeroed.
ConversionState openedState(const ImageSurface& picture1)
{
    ConversionState state;
    InitBmpHeader(state.BmpFileHeader);
    state.SourcePal = sourcePalette();
    state.TargetPal = targetPalette();
    dimensionIndexMaps(state, picture1);
    return state;
}

// ... and after "Load Pals" and "New Pal" on it.
ConversionState remappedState(const ImageSurface& picture1)
{
    ConversionState state = openedState(picture1);
    InitPicturePal(state, picture1);
    SilentStatusLine status;
    palshift::newPal(state, picture1, status);
    return state;
}

void countPixels(benchmark::State& run, int side)
{
    run.SetItemsProcessed(run.iterations() * std::int64_t{side} * side);
}

// "Load Pals" without its two 768-byte file reads: the identification of every pixel.
void loadPals(benchmark::State& run, int side, Content content, QImage::Format format)
{
    const ImageSurface picture1(cachedPicture(side, content, format));
    ConversionState state = openedState(picture1);
    for (auto _ : run)
        InitPicturePal(state, picture1);
    if (state.unmatchedPixels != 0)
        run.SkipWithError("the picture has colours outside the Diablo 1 palette");
    countPixels(run, side);
}

void newPal(benchmark::State& run, int side)
{
    const ImageSurface picture1(cachedPicture(side, Content::Random, QImage::Format_RGB32));
    ConversionState state = openedState(picture1);
    InitPicturePal(state, picture1);
    SilentStatusLine status;
    for (auto _ : run)
        palshift::newPal(state, picture1, status);
    countPixels(run, side);
}

// fresh: Picture2 blank before every drawing, as after "&Open"; otherwise painted over.
void drawPic(benchmark::State& run, int side, bool fresh)
{
    const ImageSurface picture1(cachedPicture(side, Content::Random, QImage::Format_RGB32));
    const ConversionState state = remappedState(picture1);
    SilentStatusLine status;
    ImageSurface picture2;
    picture2.resize(side, side);
    palshift::drawPic(state, picture1, picture2, status);
    for (auto _ : run) {
        if (fresh) {
            run.PauseTiming();
            picture2.cls();
            run.ResumeTiming();
        }
        palshift::drawPic(state, picture1, picture2, status);
    }
    countPixels(run, side);
}

// "&Convert"'s pixel work in one pass (identification, remap and painting), the palettes loaded,
// over maps and a Picture2 of the picture's size, as on a second "&Convert" of the same picture.
void fusedConvert(benchmark::State& run, int side, Content content, QImage::Format format)
{
    const ImageSurface picture1(cachedPicture(side, content, format));
    ConversionState state = openedState(picture1);
    ImageSurface picture2;
    picture2.resize(side, side);
    identifyRemapAndPaint(state, picture1, picture2);
    for (auto _ : run)
        identifyRemapAndPaint(state, picture1, picture2);
    if (state.unmatchedPixels != 0)
        run.SkipWithError("the picture has colours outside the Diablo 1 palette");
    countPixels(run, side);
}

// "Save Picture" to a file on the local disk, replaced on every run.
void savePicture(benchmark::State& run, int side)
{
    const ImageSurface picture1(cachedPicture(side, Content::Random, QImage::Format_RGB32));
    ConversionState state = remappedState(picture1);
    SilentStatusLine status;
    ImageSurface picture2;
    picture2.resize(side, side);
    QTemporaryDir folder;  // under /tmp, on the local disk here
    state.SaveFileName = folder.filePath(QStringLiteral("bench.bmp"));
    for (auto _ : run)
        palshift::savePicture(state, picture2, status);
    countPixels(run, side);
}

// The limit: copying the decoded RGB picture's bytes, 4 per pixel.
void plainCopy(benchmark::State& run, int side)
{
    const QImage& picture = cachedPicture(side, Content::Random, QImage::Format_RGB32);
    std::vector<uchar> copy(static_cast<std::size_t>(picture.sizeInBytes()));
    for (auto _ : run) {
        std::memcpy(copy.data(), picture.constBits(), copy.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    countPixels(run, side);
}

// What the first painting of a blank Picture2 costs before any pixel: a new ARGB32 picture, filled
// transparent. On a fresh allocation that is mostly the system handing out zeroed pages.
void blankPicture(benchmark::State& run, int side)
{
    for (auto _ : run) {
        QImage picture(side, side, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        benchmark::DoNotOptimize(picture.constBits());
    }
    countPixels(run, side);
}

void registerAll()
{
    // Pixels per second from the CPU time of the one thread, which other work on the machine does not
    // inflate. Saving waits for the disk and the fused pass shares its rows out among threads, so those
    // two count the time on the clock instead; the fused pass shows the CPU time of all its threads.
    enum class Clock { ThreadCpu, Disk, Threads };
    const auto add = [](const std::string& name, auto step, Clock clock = Clock::ThreadCpu) {
        benchmark::internal::Benchmark* const added = benchmark::RegisterBenchmark(name.c_str(), step);
        added->Unit(benchmark::kMillisecond);
        if (clock != Clock::ThreadCpu)
            added->UseRealTime();
        if (clock == Clock::Threads)
            added->MeasureProcessCPUTime();
    };
    for (const int side : sides) {
        const auto named = [side](std::string name) { return name.append("/").append(std::to_string(side)); };
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_Indexed8})
            for (const Content content : {Content::Random, Content::Sprite})
                add(named(std::string("LoadPals/").append(formatName(format)).append("/").append(contentName(content))),
                    [=](benchmark::State& run) { loadPals(run, side, content, format); });
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_Indexed8})
            for (const Content content : {Content::Random, Content::Sprite})
                add(named(std::string("FusedConvert/").append(formatName(format)).append("/").append(contentName(content))),
                    [=](benchmark::State& run) { fusedConvert(run, side, content, format); }, Clock::Threads);
        add(named("NewPal"), [=](benchmark::State& run) { newPal(run, side); });
        add(named("DrawPic/fresh"), [=](benchmark::State& run) { drawPic(run, side, true); });
        add(named("DrawPic/repaint"), [=](benchmark::State& run) { drawPic(run, side, false); });
        add(named("SavePicture"), [=](benchmark::State& run) { savePicture(run, side); }, Clock::Disk);
        add(named("PlainCopy"), [=](benchmark::State& run) { plainCopy(run, side); });
        add(named("BlankPicture"), [=](benchmark::State& run) { blankPicture(run, side); });
    }
}

}  // namespace

}  // namespace palshift::bench

int main(int argc, char** argv)
{
    palshift::handOverQtDecoding(palshift::linkedQtDecoding());
    palshift::bench::registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
