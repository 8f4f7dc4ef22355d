// A zoom change in the window on a 4096 x 4096 picture: the layout at the new zoom and the repaint
// of everything the window shows, through the real window on the offscreen platform.

#include "pictures/linked_qt_decoding.h"
#include "bench_pictures.h"

#include "app/form1.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace palshift::bench {

namespace {

constexpr int side = 4096;

Form1* window = nullptr;

// From zoom to zoom and back, so that every iteration changes the zoom: each change lays the
// window out anew and repaints it whole.
void ZoomChange(benchmark::State& state)
{
    const int from = static_cast<int>(state.range(0)), to = static_cast<int>(state.range(1));
    window->setZoom(from);
    window->repaint();
    bool there = false;
    for (auto _ : state) {
        window->setZoom(there ? from : to);
        window->repaint();
        there = !there;
    }
    state.counters["window_pixels"] = window->width() * window->height();
}
BENCHMARK(ZoomChange)->Args({1, 2})->Args({2, 4})->Args({4, 8})->Args({8, 16})->Args({12, 16})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

}  // namespace palshift::bench

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    palshift::handOverQtDecoding(palshift::linkedQtDecoding());
    const QTemporaryDir folder;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());  // never the user's zoom
    const QString picture = folder.filePath(QStringLiteral("sprite.bmp"));
    using namespace palshift::bench;
    if (!benchPicture(side, Content::Sprite, QImage::Format_RGB32).save(picture))
        return 1;
    palshift::Form1 form(QStringLiteral(PALSHIFT_DATA_DIR));
    form.show();
    if (!form.loadFile(picture))
        return 1;
    form.mbuConvert_Click();  // Picture2 shows the conversion, as a user would zoom to compare
    window = &form;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
