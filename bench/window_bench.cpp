// The window on a 9000 x 9000 picture, through the real window on the offscreen platform: how long
// the interface thread goes without taking events while the marks are shown (Convert with
// Highlight Unmatched on, turning it on, clicking a palette entry, Convert of an off-palette
// picture with an entry selected), and Convert and Save end to end beside the pixel work alone.

#include "bench_pictures.h"

#include "app/form1.h"
#include "app/palette_grid.h"
#include "app/palette_panel.h"
#include "bmp/bmp_header.h"
#include "convert/fused_convert.h"
#include "convert/nearest_colour.h"
#include "convert/picture_export.h"
#include "convert/result_drawing.h"
#include "convert/source_index_map.h"
#include "pictures/linked_qt_decoding.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <thread>

#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>

namespace palshift::bench {

namespace {

constexpr int side = 9000;

Form1* window = nullptr;
QString inPalette, offPalette, saved;

struct NamedSave : FileDialog {
    std::optional<QString> showOpen(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> showSave(const QString&) override { return saved; }
    std::optional<QString> showExportMapping(const QString&) override { return std::nullopt; }
};

bool idle()
{
    return !window->runner().isRunning() && !window->viewPass().isPending();
}

// Runs action from the event loop, as a key or a click would, and goes on until the window is
// idle again: the longest time between two ticks of a 1 ms timer on the interface thread, and the
// time until idle, in seconds.
struct Measured {
    double stall = 0;
    double busy = 0;  // the interface thread's own CPU time in its longest run without a tick
    // The interface thread's CPU time in its longest run without a tick, read every millisecond
    // from another thread and never counted faster than the clock: on this virtual machine a
    // thread's CPU clock can jump a hundred milliseconds while the clock stands still
    // (bench/thread_clock_probe.cpp).
    double work = 0;
    // Samples of where the interface thread was once it had gone 20 ms without a tick, and how
    // many of them found it waiting for events (in poll) rather than working.
    int late = 0, lateWaiting = 0;
    double total = 0;
};

qint64 nanoseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return qint64{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The calling thread's CPU time, which a loaded machine does not stretch as it does the clock.
qint64 threadNanoseconds()
{
    return nanoseconds(CLOCK_THREAD_CPUTIME_ID);
}

// The return addresses of the interface thread when sampled, taken by its SIGPROF handler.
constexpr int lateSampleRoom = 4096;
std::array<std::array<void*, 4>, lateSampleRoom> lateFrames{};
std::atomic<int> lateSamples = 0;

void sampleInterfaceThread(int)
{
    const int at = lateSamples.load(std::memory_order_relaxed);
    if (at < lateSampleRoom && backtrace(lateFrames[std::size_t(at)].data(), 4) > 0)
        lateSamples.store(at + 1, std::memory_order_release);
}

bool waitingForEvents(const std::array<void*, 4>& frames)
{
    return std::ranges::any_of(frames, [](void* frame) {
        Dl_info symbol{};
        return frame && dladdr(frame, &symbol) && symbol.dli_sname && std::string_view(symbol.dli_sname).ends_with("poll");
    });
}

// Watches the thread that starts it: its CPU time, summed from readings a millisecond apart, each
// step at most the clock's step over it; and a sample of where it is (sampleInterfaceThread) at
// each reading once it has gone 20 ms without a tick.
class InterfaceWatch {
public:
    explicit InterfaceWatch(const std::atomic<qint64>& lastTick)
        : lastTick_(lastTick), thread_(pthread_self()), watched_(threadClock()),
          watcher_([this](std::stop_token stop) { watch(stop); })
    {
    }
    qint64 total() const { return total_.load(std::memory_order_relaxed); }

private:
    static clockid_t threadClock()
    {
        clockid_t clock{};
        pthread_getcpuclockid(pthread_self(), &clock);
        return clock;
    }
    void watch(std::stop_token stop)
    {
        qint64 cpu = nanoseconds(watched_), now = nanoseconds(CLOCK_MONOTONIC);
        while (!stop.stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const qint64 nextCpu = nanoseconds(watched_), next = nanoseconds(CLOCK_MONOTONIC);
            total_.fetch_add(std::min(nextCpu - cpu, next - now), std::memory_order_relaxed);
            cpu = nextCpu, now = next;
            if (next - lastTick_.load(std::memory_order_relaxed) > 20'000'000)
                pthread_kill(thread_, SIGPROF);
        }
    }

    const std::atomic<qint64>& lastTick_;
    pthread_t thread_;
    clockid_t watched_;
    std::atomic<qint64> total_ = 0;
    std::jthread watcher_;
};

Measured measure(const std::function<void()>& action)
{
    QEventLoop loop;
    QElapsedTimer clock;
    std::atomic<qint64> lastTick = nanoseconds(CLOCK_MONOTONIC);
    lateSamples.store(0);
    std::optional<InterfaceWatch> credited(std::in_place, lastTick);
    qint64 last = 0, longest = 0, end = 0, lastCpu = threadNanoseconds(), busiest = 0, lastCredited = 0, worked = 0;
    bool acted = false;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadNanoseconds();
        lastTick.store(nanoseconds(CLOCK_MONOTONIC), std::memory_order_relaxed);
        longest = std::max(longest, now - last);
        busiest = std::max(busiest, cpu - lastCpu);
        worked = std::max(worked, credited->total() - lastCredited);
        lastCredited = credited->total();
        last = now, lastCpu = cpu;
        if (acted && idle() && end == 0) {
            end = now;
            loop.quit();
        }
    });
    QTimer::singleShot(0, [&] {
        action();
        acted = true;
    });
    clock.start();
    tick.start();
    loop.exec();
    credited.reset();  // no more samples
    const auto late = std::span(lateFrames).first(std::size_t(lateSamples.load(std::memory_order_acquire)));
    return {static_cast<double>(longest) / 1e9, static_cast<double>(busiest) / 1e9, static_cast<double>(worked) / 1e9,
            int(late.size()), int(std::ranges::count_if(late, waitingForEvents)), static_cast<double>(end) / 1e9};
}

void settle()
{
    while (!idle())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    QCoreApplication::processEvents();
}

void open(const QString& file)
{
    window->mnuViewUnmatched->setChecked(false);
    window->palettePanel()->letGo();
    if (window->openFileName() != file && !window->loadFile(file))
        throw std::runtime_error("cannot open the benchmark picture");
    settle();
}

void clickSource(int entry)
{
    PaletteGrid* const grid = window->palettePanel()->sourceGrid();
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->swatchRect(entry).center());
}

// The longest stall over the iterations, on the clock and in the interface thread's CPU time.
struct Longest {
    double stall = 0, busy = 0, work = 0;
    int late = 0, lateWaiting = 0;
    void add(const Measured& measured)
    {
        stall = std::max(stall, measured.stall), busy = std::max(busy, measured.busy), work = std::max(work, measured.work);
        late += measured.late, lateWaiting += measured.lateWaiting;
    }
};
void report(benchmark::State& state, const Longest& longest)
{
    state.counters["stall_ms"] = longest.stall * 1000;
    state.counters["stall_cpu_ms"] = longest.busy * 1000;
    state.counters["stall_work_ms"] = longest.work * 1000;
    state.counters["late"] = longest.late;
    state.counters["late_waiting"] = longest.lateWaiting;
}

// Measures action once per iteration, then undoes it (untimed, when undo is given), and reports
// the longest stalls.
void measureEach(benchmark::State& state, const std::function<void()>& action, const std::function<void()>& undo = {})
{
    Longest longest;
    for (auto _ : state) {
        const Measured measured = measure(action);
        longest.add(measured);
        state.SetIterationTime(measured.total);
        if (undo) {
            state.PauseTiming();
            undo();
            settle();
            state.ResumeTiming();
        }
    }
    report(state, longest);
}

void ConvertWithUnmatchedShown(benchmark::State& state)
{
    open(inPalette);
    window->mnuViewUnmatched->setChecked(true);
    settle();
    measureEach(state, [] { window->mbuConvert_Click(); });
    window->mnuViewUnmatched->setChecked(false);
    settle();
}

void TurnUnmatchedOn(benchmark::State& state)
{
    open(offPalette);
    window->mbuConvert_Click();
    settle();
    measureEach(state, [] { window->mnuViewUnmatched->trigger(); }, [] { window->mnuViewUnmatched->trigger(); });
}

void ClickPaletteEntry(benchmark::State& state)
{
    open(inPalette);
    window->mnuViewPalettes->setChecked(true);
    window->mbuConvert_Click();
    settle();
    measureEach(state, [] { clickSource(1); }, [] { window->palettePanel()->letGo(); });
    window->mnuViewPalettes->setChecked(false);
    settle();
}

void ConvertOffPaletteWithEntrySelected(benchmark::State& state)
{
    open(offPalette);
    window->mnuViewPalettes->setChecked(true);
    clickSource(1);
    settle();
    measureEach(state, [] { window->mbuConvert_Click(); });
    if (window->conversion().unmatchedPixels == 0)
        state.SkipWithError("the off-palette picture matched everywhere");
    window->palettePanel()->letGo();
    window->mnuViewPalettes->setChecked(false);
    settle();
}

// Opening a picture of the same size after a Convert and a save: the last picture's painting,
// index maps and pixel buffer are let go of.
void OpenAnotherPicture(benchmark::State& state)
{
    Longest longest;
    for (auto _ : state) {
        state.PauseTiming();
        const QString other = window->openFileName() == inPalette ? offPalette : inPalette;
        window->mbuConvert_Click();
        window->mbuConvert_Click();  // a spare painting and spare maps, as after a second step
        settle();
        state.ResumeTiming();
        const Measured measured = measure([&] {
            if (!window->loadFile(other))
                throw std::runtime_error("cannot open the benchmark picture");
        });
        longest.add(measured);
        state.SetIterationTime(measured.total);
    }
    report(state, longest);
}

// From the command to the result painted in the window, nothing marked.
void WindowConvert(benchmark::State& state)
{
    open(inPalette);
    for (auto _ : state) {
        const Measured measured = measure([] {
            window->mbuConvert_Click();
            window->repaint();
        });
        state.SetIterationTime(measured.total);
    }
}

void WindowSave(benchmark::State& state)
{
    open(inPalette);
    window->mbuConvert_Click();
    window->mnuFileSave_Click();  // names the file
    settle();
    for (auto _ : state) {
        const Measured measured = measure([] { window->Command4_Click(); });
        state.SetIterationTime(measured.total);
    }
}

// The window painted anew whole, as after a conversion, with nothing else to do.
void WindowRepaint(benchmark::State& state)
{
    open(inPalette);
    window->mbuConvert_Click();
    settle();
    for (auto _ : state) {
        window->Picture1->update();
        window->Picture2->update();
        window->repaint();
    }
}

// A conversion state over the bench palettes, its maps of picture's size.
ConversionState benchState(const ImageSurface& picture)
{
    ConversionState conversion;
    InitBmpHeader(conversion.BmpFileHeader);
    conversion.SourcePal = sourcePalette();
    conversion.TargetPal = targetPalette();
    dimensionIndexMaps(conversion, picture);
    return conversion;
}

// The pixel work alone, as palshift_bench measures it: the one pass over maps and a painting of
// the picture's size, and "Save Picture" of the result.
void OnePassConvert(benchmark::State& state)
{
    const ImageSurface picture1(benchPicture(side, Content::Sprite, QImage::Format_RGB32));
    ConversionState conversion = benchState(picture1);
    ImageSurface picture2;
    picture2.resize(side, side);
    identifyRemapAndPaint(conversion, picture1, picture2);
    for (auto _ : state)
        identifyRemapAndPaint(conversion, picture1, picture2);
}

// "Draw Pic" onto a blank Picture2, as after an open: the painting of the result into new memory.
void FreshPainting(benchmark::State& state)
{
    const ImageSurface picture1(benchPicture(side, Content::Sprite, QImage::Format_RGB32));
    ConversionState conversion = benchState(picture1);
    SilentStatusLine status;
    ImageSurface picture2;
    picture2.resize(side, side);
    for (auto _ : state) {
        picture2.cls();
        palshift::drawPic(conversion, picture1, picture2, status);
    }
}

void SavePicture(benchmark::State& state)
{
    const ImageSurface picture1(benchPicture(side, Content::Sprite, QImage::Format_RGB32));
    ConversionState conversion = benchState(picture1);
    InitPicturePal(conversion, picture1);
    SilentStatusLine status;
    palshift::newPal(conversion, picture1, status);
    ImageSurface picture2;
    picture2.resize(side, side);
    conversion.SaveFileName = saved + QStringLiteral(".alone.bmp");
    for (auto _ : state)
        palshift::savePicture(conversion, picture2, status);
}

BENCHMARK(ConvertWithUnmatchedShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TurnUnmatchedOn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ClickPaletteEntry)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ConvertOffPaletteWithEntrySelected)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OpenAnotherPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WindowConvert)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(WindowRepaint)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OnePassConvert)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FreshPainting)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(WindowSave)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SavePicture)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

}  // namespace palshift::bench

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::array<void*, 4> warm{};
    backtrace(warm.data(), 4);  // its first call loads what it needs, which a signal handler must not
    struct sigaction sampling{};
    sampling.sa_handler = palshift::bench::sampleInterfaceThread;
    sigaction(SIGPROF, &sampling, nullptr);
    palshift::handOverQtDecoding(palshift::linkedQtDecoding());
    const QTemporaryDir folder;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());  // never the user's settings
    using namespace palshift::bench;
    inPalette = folder.filePath(QStringLiteral("sprite.bmp"));
    offPalette = folder.filePath(QStringLiteral("off.bmp"));
    saved = folder.filePath(QStringLiteral("result.bmp"));
    QImage picture = benchPicture(side, Content::Sprite, QImage::Format_RGB32);
    if (!picture.save(inPalette))
        return 1;
    for (int y = 0; y < side; y += 3)  // a pixel in every 9 of a colour in no Diablo 1 entry
        for (int x = 0; x < side; x += 3)
            picture.setPixel(x, y, qRgb(1, 2, 3));
    if (!picture.save(offPalette))
        return 1;
    picture = QImage();
    palshift::Form1 form(QStringLiteral(PALSHIFT_DATA_DIR), std::make_unique<NamedSave>());
    form.show();
    window = &form;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
