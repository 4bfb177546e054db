// Frames per second of the preview window: ShowPicture of a 4096 x 4096
// texture into a 1920 x 1080 drawing area (render into the back buffer, then
// the unscaled copy to the window), at zoom 5, 25, 50, 100 and 400 and tiled
// at 5 and 100 with nearest neighbour, and with the filtered modes 3, 4, 6
// and 7 at 25 and 100 %. The thread pool's size is fixed once per process:
// KALVORA_THREADS=n sets it (1 = serial); the names say threads:1 or
// threads:all. scripts/bench runs this program once each way.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStatusBar>
#include <memory>
#include <string>

#include "bench/BenchImages.h"
#include "bench/BenchThreads.h"
#include "bench/gui/WindowBenchmarkMain.h"
#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"
#include "views/ImageViewCanvas.h"
#include "views/PreviewWindow.h"

namespace {

using namespace kalvora;

constexpr int32_t kSide = 4096;

// Made on first use, released before the application goes.
std::unique_ptr<PreviewWindow> g_window;

void releaseWindow() { g_window.reset(); }

// One preview window with the texture, shown offscreen at 1920 x 1080.
PreviewWindow& window()
{
    std::unique_ptr<PreviewWindow>& w = g_window;
    if (!w) {
        w = std::make_unique<PreviewWindow>();
        w->resize(1920, 1080 + w->StatusBar1()->sizeHint().height());
        w->show();
        QApplication::processEvents();
        cBitmap texture;
        bench::makeGrainTexture(texture, kSide, true);
        w->SetBitmap(texture);
    }
    return *w;
}

void showPicture(benchmark::State& state, float zoom, bool tiles, platform::InterpolationMode mode)
{
    PreviewWindow& w = window();
    ImageView& view = w.view();
    ImageViewCanvas* canvas = w.findChild<ImageViewCanvas*>();
    if (view.WndWidth != 1920 || view.WndHeight != 1080 || w.imgWidth() != kSide) {
        state.SkipWithError("the window or the texture could not be set up");
        return;
    }
    view.CurrentInterpolationMode = mode;
    view.TileMode = tiles;
    view.SetZoom(zoom);
    // A little off the image's corner, so every case draws a full view.
    view.StartX = -100.5f;
    view.StartY = -60.25f;
    for (auto _ : state) {
        w.ShowPicture();
        canvas->repaint();
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["threads"] = platform::ThreadPool::size();
}

void registerAll()
{
    const std::string threads = bench::threadsLabel();
    auto add = [&](const std::string& name, float zoom, bool tiles, platform::InterpolationMode mode) {
        benchmark::RegisterBenchmark(("ShowPicture/" + name + "/" + threads).c_str(), showPicture, zoom, tiles, mode)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    };
    const platform::InterpolationMode nearest = platform::InterpolationMode::NearestNeighbor;
    for (float zoom : {5.0f, 25.0f, 50.0f, 100.0f, 400.0f})
        add("nearest/zoom" + std::to_string(static_cast<int>(zoom)), zoom, false, nearest);
    for (float zoom : {5.0f, 100.0f})
        add("nearest/tiled/zoom" + std::to_string(static_cast<int>(zoom)), zoom, true, nearest);
    // Named by the modes' numbers, as the figures have always been.
    for (int32_t number : {3, 4, 6, 7})
        for (float zoom : {25.0f, 100.0f})
            add("mode" + std::to_string(number) + "/zoom" + std::to_string(static_cast<int>(zoom)), zoom, false,
                *platform::interpolationModeFromNumber(number));
}

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv, registerAll, releaseWindow); }
