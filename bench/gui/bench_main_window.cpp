// Generating through the main window against generating headless: the
// 4096 x 4096 final texture of the benchmark project (render-4096.bricks,
// about 500 bricks), one run per measurement, once started by the output
// panel's button (progress texts, status bar and preview copies included)
// and once by the generator alone with the texture options model as its
// host, as kalvora-render runs it. A third case times a cancel: from the
// click's report ("Brick Generation aborted") to the run's last report.
//
// The project comes from $KALVORA_BENCH_PROJECT, else from
// $KALVORA_BENCH_DATA/render-4096.bricks (kalvora-make-bench-project writes
// it). KALVORA_THREADS=n sets the thread pool's size (1 = serial).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/DisplayWindow.h"
#include "app/MainWindow.h"
#include "bench/BenchThreads.h"
#include "bench/gui/WindowBenchmarkMain.h"
#include "engine/GeneratorHost.h"
#include "engine/TextureOptionsModel.h"
#include "engine/cBrickData.h"
#include "engine/cBrickGenerator.h"
#include "views/PreviewWindow.h"

namespace {

using namespace kalvora;
using Clock = std::chrono::steady_clock;

constexpr int32_t kFinalImageTab = 1;

std::string projectPath()
{
    if (const char* path = std::getenv("KALVORA_BENCH_PROJECT")) return path;
    const char* data = std::getenv("KALVORA_BENCH_DATA");
    return std::string(data ? data : ".") + "/render-4096.bricks";
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Made on first use, released before the application goes.
std::unique_ptr<MainWindow> g_window;

void releaseWindow() { g_window.reset(); }

QPushButton* updateButton(MainWindow& w)
{
    return w.displayWindow().findChild<QPushButton*>(QStringLiteral("UpdateButton"));
}

// The main window after its start-up at 1920 x 1080, with the project
// loaded and the "Final Image" tab shown; null when the project is missing.
MainWindow* window()
{
    static bool tried = false;
    std::unique_ptr<MainWindow>& w = g_window;
    if (tried) return w.get();
    tried = true;
    w = std::make_unique<MainWindow>();
    w->setSplashPause([](int) {});
    w->MDIForm_Load();
    w->resize(1920, 1080);
    if (!w->BrickData.LoadBrickFile(projectPath())) {
        w.reset();
        return nullptr;
    }
    w->UpdateUserControls();
    w->displayWindow().findChild<QTabWidget*>(QStringLiteral("DisplayTab1"))->setCurrentIndex(kFinalImageTab);
    w->displayWindow().findChild<QComboBox*>(QStringLiteral("TextureTypeCombo"))->setCurrentIndex(0);
    QApplication::processEvents();
    return w.get();
}

void GenerateThroughWindow(benchmark::State& state)
{
    MainWindow* w = window();
    if (!w) {
        state.SkipWithError(("no project at " + projectPath()).c_str());
        return;
    }
    int reports = 0;
    int copies = 0;
    double copyMs = 0;
    double copiedPixels = 0;
    const QMetaObject::Connection counting =
        QObject::connect(w, &MainWindow::progressShown, [&](int, int, const QString&) { ++reports; });
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        updateButton(*w)->click();
        state.SetIterationTime(msSince(start) / 1000.0);
        copies += w->previewCopies().copies();
        copyMs += static_cast<double>(w->previewCopies().copyTimeMs());
        copiedPixels += static_cast<double>(w->previewCopies().copiedPixels());
    }
    QObject::disconnect(counting);
    state.counters["copyms/run"] = benchmark::Counter(copyMs, benchmark::Counter::kAvgIterations);
    state.counters["copiedMpx/run"] = benchmark::Counter(copiedPixels / 1e6, benchmark::Counter::kAvgIterations);
    state.counters["bricks"] = static_cast<double>(w->brickGenerator().bricks().size());
    state.counters["reports/run"] = benchmark::Counter(reports, benchmark::Counter::kAvgIterations);
    state.counters["copies/run"] = benchmark::Counter(copies, benchmark::Counter::kAvgIterations);
    state.counters["threads"] = platform::ThreadPool::size();
}

// The generator alone: the texture options model answers for the dialog and
// the event queue is not run.
class HeadlessHost : public GeneratorHost {
public:
    int32_t showTextureOptions(cBrickData& project, int32_t brickStyle) override
    {
        return m_options.ShowDialog(project, brickStyle);
    }
    TextureOptionsValues textureOptions() const override { return m_options.values(); }
    bool previewTabShown() const override { return false; }
    int32_t previewQualityIndex() const override { return 2; }
    void processEvents() override {}

private:
    TextureOptionsModel m_options;
};

void GenerateHeadless(benchmark::State& state)
{
    cBrickData project;
    if (!project.LoadBrickFile(projectPath())) {
        state.SkipWithError(("no project at " + projectPath()).c_str());
        return;
    }
    HeadlessHost host;
    cBrickGenerator generator;
    const int32_t width = project.Width;
    const int32_t height = project.Height;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        generator.GenerateBricks(project, 0, host);
        state.SetIterationTime(msSince(start) / 1000.0);
        project.Width = width;
        project.Height = height;
    }
    state.counters["bricks"] = static_cast<double>(generator.bricks().size());
    state.counters["threads"] = platform::ThreadPool::size();
}

void postClick(QWidget* button)
{
    const QPointF at = QRectF(button->rect()).center();
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, button->mapToGlobal(at),
                                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, button->mapToGlobal(at),
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// A click on "&Cancel" at brick 100: from the report the click raises to
// the run's final report.
void CancelToLastReport(benchmark::State& state)
{
    MainWindow* w = window();
    if (!w) {
        state.SkipWithError(("no project at " + projectPath()).c_str());
        return;
    }
    QPushButton* button = updateButton(*w);
    Clock::time_point cancelled;
    double lastMs = 0;
    const QMetaObject::Connection watching =
        QObject::connect(w, &MainWindow::progressShown, [&](int, int, const QString& text) {
            if (text.startsWith(QStringLiteral("Drawing Brick (100 of"))) postClick(button);
            if (text.startsWith(QStringLiteral("Brick Generation aborted"))) cancelled = Clock::now();
            if (text.startsWith(QStringLiteral("Aborted ("))) lastMs = msSince(cancelled);
        });
    for (auto _ : state) {
        lastMs = -1;
        button->click();
        if (lastMs < 0) {
            state.SkipWithError("the run was not cancelled");
            break;
        }
        state.SetIterationTime(lastMs / 1000.0);
    }
    QObject::disconnect(watching);
}

void registerAll()
{
    using Case = void (*)(benchmark::State&);
    const std::string threads = bench::threadsLabel();
    const std::pair<std::string, Case> cases[] = {{"Generate4096/window/", GenerateThroughWindow},
                                                  {"Generate4096/headless/", GenerateHeadless},
                                                  {"CancelToLastReport4096/window/", CancelToLastReport}};
    for (const auto& [name, function] : cases) {
        benchmark::RegisterBenchmark((name + threads).c_str(), function)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(5)
            ->ReportAggregatesOnly(false)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv, registerAll, releaseWindow); }
