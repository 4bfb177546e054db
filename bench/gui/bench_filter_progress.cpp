// What the filter dialogs' progress display costs: "Preview" of a 4096 x 4096
// image on the image filter dialog's "Contrast" page (two filters) and on the
// texture filter dialog's "Transparent Borders" page, with the percentage
// written into the editor's real first status panel (shown offscreen), against
// the same run with the progress ignored. Both runs alternate within each
// iteration; the counters give the median time of each and the median of the
// display's share over the iterations. The
// thread pool's size is fixed once per process: KALVORA_THREADS=n sets it
// (1 = serial); the names say threads:1 or threads:all.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "bench/BenchImages.h"
#include "bench/BenchThreads.h"
#include "bench/gui/WindowBenchmarkMain.h"
#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"
#include "views/ImageFilterWindow.h"
#include "views/PreviewDialog.h"
#include "views/TextureFilterWindow.h"

namespace {

using namespace kalvora;

constexpr int32_t kSide = 4096;

// One shown editor with the texture. The windows live until the process
// ends, past the application object.
PreviewDialog& editor()
{
    static PreviewDialog* e = nullptr;
    if (!e) {
        e = new PreviewDialog;
        e->resize(1280, 800);
        e->show();
        QApplication::processEvents();
        cBitmap texture;
        bench::makeGrainTexture(texture, kSide, false);
        e->SetBitmap(texture);
        QApplication::processEvents();
    }
    return *e;
}

double previewMs(FilterDialogFrame& dialog, bool showProgress)
{
    dialog.showProgress(showProgress);
    QElapsedTimer clock;
    clock.start();
    dialog.ApplySelectedEffect();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

void preview(benchmark::State& state, FilterDialogFrame* dialog, int filterIndex)
{
    PreviewDialog& e = editor();
    if (e.imgWidth() != kSide) {
        state.SkipWithError("the editor or the texture could not be set up");
        return;
    }
    dialog->Init(e);
    dialog->selectFilter(filterIndex);
    std::vector<double> shown;
    std::vector<double> ignored;
    std::vector<double> costs;
    bool shownFirst = true;
    for (auto _ : state) {
        // Alternating the order evens out what one run leaves the next; the
        // medians keep other programs' bursts on a shared machine out.
        double withDisplay = 0.0;
        double without = 0.0;
        if (shownFirst) {
            withDisplay = previewMs(*dialog, true);
            without = previewMs(*dialog, false);
        } else {
            without = previewMs(*dialog, false);
            withDisplay = previewMs(*dialog, true);
        }
        shownFirst = !shownFirst;
        shown.push_back(withDisplay);
        ignored.push_back(without);
        costs.push_back((withDisplay - without) / without * 100.0);
    }
    dialog->showProgress(true);
    state.counters["shown_ms"] = median(shown);
    state.counters["ignored_ms"] = median(ignored);
    state.counters["display_%"] = median(costs);
    state.counters["threads"] = platform::ThreadPool::size();
}

void registerAll()
{
    const std::string threads = bench::threadsLabel();
    auto* imageFilters = new ImageFilterWindow;
    auto* textureFilters = new TextureFilterWindow;
    benchmark::RegisterBenchmark(("Preview/Contrast/" + threads).c_str(), preview, imageFilters, 0)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(25);
    benchmark::RegisterBenchmark(("Preview/TransparentBorders/" + threads).c_str(), preview, textureFilters, 12)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(25);
}

}  // namespace

// Its windows stay until the process ends, so nothing is released first.
int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv, registerAll, [] {});
}
