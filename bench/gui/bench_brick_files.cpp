// The brick files dialog's previews: selecting an entry (drawn from its
// cached fitted preview), making the fitted preview of a 4096 x 4096 image,
// and the settings panel's button to the shown dialog with twenty images of
// 1024 x 1024 (copies of the project's images, their previews, the list).
// Single thread: KALVORA_THREADS=1 is set before anything runs.

#include <benchmark/benchmark.h>

#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "app/BrickFilesDialog.h"
#include "app/ImagePreviewBox.h"
#include "app/OptionsWindow.h"
#include "bench/gui/WindowBenchmarkMain.h"
#include "engine/cBrickData.h"
#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"

namespace {

using namespace kalvora;

std::shared_ptr<cInlineBitmap> texture(int32_t side, uint32_t seed)
{
    auto image = std::make_shared<cInlineBitmap>();
    image->FileName = "/bricks/brick" + std::to_string(seed) + ".png";
    image->Bitmap.CreateFromScan0(side, side, 0, platform::kFormat32bppARGB);
    platform::Image& pixels = *image->Bitmap.Handle();
    uint32_t state = seed * 2654435761u + 1u;
    for (int32_t y = 0; y < side; ++y) {
        uint8_t* row = pixels.row(y);
        for (int32_t x = 0; x < 4 * side; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = static_cast<uint8_t>(state >> 24);
        }
    }
    return image;
}

void fitLarge(benchmark::State& state)
{
    BrickFilesDialog& dialog = BrickFilesDialog::instance();
    ImagePreviewBox* box = dialog.findChild<ImagePreviewBox*>();
    const auto image = texture(4096, 7);
    for (auto _ : state) benchmark::DoNotOptimize(box->fit(image->Bitmap).pixels.Handle());
}

void selectCached(benchmark::State& state)
{
    BrickFilesDialog& dialog = BrickFilesDialog::instance();
    dialog.InlineBitmaps.RemoveAll();
    for (uint32_t i = 0; i < 4; ++i) dialog.InlineBitmaps.Add(texture(1024, i));
    auto* list = dialog.findChild<QListWidget*>("InputFiles");
    bool changed = false;
    int row = 0;
    // The dialog is open while the selections are timed, then closed.
    QTimer::singleShot(0, &dialog, [&] {
        for (auto _ : state) list->setCurrentRow(row++ % 4);
        dialog.hide();
    });
    dialog.ShowDialog(changed);
    dialog.InlineBitmaps.RemoveAll();
}

void buttonToShownDialog(benchmark::State& state)
{
    cBrickData project;
    for (uint32_t i = 0; i < 20; ++i) project.BrickFiles->Add(texture(1024, i));
    bool changed = false;
    OptionsWindow panel([] {});
    panel.bind(project, changed, [] { return QSize(0, 0); });
    auto* button = panel.findChild<QPushButton*>("BrickFilesButton");
    BrickFilesDialog& dialog = BrickFilesDialog::instance();
    for (auto _ : state) {
        // The dialog closes as soon as it is shown; the time to there counts.
        QTimer::singleShot(0, &dialog, [&] {
            state.PauseTiming();
            dialog.hide();
        });
        button->click();
        state.ResumeTiming();
    }
}

void registerAll()
{
    platform::ThreadPool::setSize(1);
    benchmark::RegisterBenchmark("BrickFiles/FitPreview/4096", fitLarge)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BrickFiles/SelectCachedEntry", selectCached)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BrickFiles/ButtonToShownDialog/20x1024", buttonToShownDialog)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(10);
}

void releaseWindows() { delete &BrickFilesDialog::instance(); }

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv, registerAll, releaseWindows); }
