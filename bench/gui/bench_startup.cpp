// The program's start-up to the shown main window: MDIForm_Load (the splash
// while the twelve windows load, with its pauses set to 0 ms, the frame over
// the work area, the project's defaults in every control, the toolbar's
// colour, the docked children) and one run of the event queue that draws
// the frame. "first" is the first start in the process, which also makes the
// dialogs that live for the program's life; "again" are further starts,
// which find those made.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <memory>

#include "app/MainWindow.h"
#include "bench/gui/WindowBenchmarkMain.h"

namespace {

using namespace kalvora;
using Clock = std::chrono::steady_clock;

void StartUp(benchmark::State& state)
{
    for (auto _ : state) {
        auto window = std::make_unique<MainWindow>();
        window->setSplashPause([](int) {});
        const Clock::time_point start = Clock::now();
        window->MDIForm_Load();
        QApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!window->isVisible()) state.SkipWithError("the main window is not shown");
    }
}

void registerAll()
{
    benchmark::RegisterBenchmark("StartUpToShownWindow/first", StartUp)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("StartUpToShownWindow/again", StartUp)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(5)
        ->ReportAggregatesOnly(false)
        ->Unit(benchmark::kMillisecond);
}

void releaseNothing() {}

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv, registerAll, releaseNothing); }
