// Generating through the main window against generating headless: the
// final texture of the benchmark project at the project's size (by default
// render-4096.bricks, 4096 x 4096 with about 500 bricks), one run per
// measurement, once started by the output panel's button (progress texts,
// status bar and preview copies included) and once by the generator alone
// with the texture options model as its host, as kalvora-render runs it. A
// third case times a cancel: from the click's report ("Brick Generation
// aborted") to the run's last report.
//
// With KALVORA_BENCH_TYPE=n (a texture type, 0..5) the program instead runs
// only the three queue-gap runs of that type: the final texture at
// 16384 x 16384 through the window, the border, arch and column types with
// their texture options sized as kalvora-render's --options-size 16384 sizes
// them. Each run reports the longest time the window's event queue did not
// run, from the click to the run's end, as a window manager's ping sees it.
// Run 1 is the first run of the process, the one that pays for fresh memory
// at the new size; runs 2 and 3 follow it in the same window.
//
// With KALVORA_BENCH_SIZES=a,b,... the program instead runs the seamless
// final texture at each size in turn in one window (a x a, then b x b, ...)
// and reports the memory the idle program holds after each run (resident
// set, once the blocks being freed are given back) and the peak of the
// whole sequence.
//
// The project comes from $KALVORA_BENCH_PROJECT, else from
// $KALVORA_BENCH_DATA/render-4096.bricks, or render-16384.bricks for the
// queue-gap runs (kalvora-make-bench-project writes both).
// KALVORA_THREADS=n sets the thread pool's size (1 = serial).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DisplayWindow.h"
#include "app/MainWindow.h"
#include "bench/BenchThreads.h"
#include "bench/gui/WindowBenchmarkMain.h"
#include "engine/GeneratorHost.h"
#include "engine/TextureOptionsModel.h"
#include "engine/cBrickData.h"
#include "engine/cBrickGenerator.h"
#include "platform/LargeBlockReleaser.h"
#include "views/PreviewWindow.h"

namespace {

using namespace kalvora;
using Clock = std::chrono::steady_clock;

constexpr int32_t kFinalImageTab = 1;
constexpr int32_t kGapSize = 16384;
constexpr int32_t kTextureTypes = 6;

// The texture type of the queue-gap runs from $KALVORA_BENCH_TYPE; none
// when it is unset or out of range.
std::optional<int32_t> gapTextureType()
{
    const char* text = std::getenv("KALVORA_BENCH_TYPE");
    if (!text || !*text) return std::nullopt;
    char* end = nullptr;
    const long type = std::strtol(text, &end, 10);
    if (*end || type < 0 || type >= kTextureTypes) return std::nullopt;
    return static_cast<int32_t>(type);
}

// The sizes of the memory sequence from $KALVORA_BENCH_SIZES; empty when
// it is unset.
std::vector<int32_t> memorySequenceSizes()
{
    std::vector<int32_t> sizes;
    const char* text = std::getenv("KALVORA_BENCH_SIZES");
    for (const char* p = text; p && *p;) {
        char* end = nullptr;
        const long size = std::strtol(p, &end, 10);
        if (end == p || size < 1 || size > kGapSize) return {};
        sizes.push_back(static_cast<int32_t>(size));
        p = *end == ',' ? end + 1 : end;
    }
    return sizes;
}

// A field of /proc/self/status in MiB ("VmRSS", "VmHWM"); 0 when missing.
double statusMiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string name;
    double kib = 0;
    while (status >> name) {
        if (name == field + ":") {
            status >> kib;
            return kib / 1024.0;
        }
    }
    return 0;
}

std::string projectPath()
{
    if (const char* path = std::getenv("KALVORA_BENCH_PROJECT")) return path;
    const char* data = std::getenv("KALVORA_BENCH_DATA");
    const char* file = gapTextureType() ? "/render-16384.bricks" : "/render-4096.bricks";
    return std::string(data ? data : ".") + file;
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

// The longest time the event queue did not run, seen from outside the
// window: a 1 ms precise timer stamps the steady clock whenever the queue
// runs and the timer is due, so two stamps lie at most a queue run plus a
// millisecond apart while the queue runs freely. The gaps counted are from
// start() to the first stamp, between stamps, and from the last stamp to
// stop(). The progress texts shown around the longest gap tell where in the
// run it lies.
class QueueGapWatch {
public:
    explicit QueueGapWatch(MainWindow& w)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { stamp(); });
        m_reports = QObject::connect(&w, &MainWindow::progressShown, [this, &w](int progress, int, const QString& text) {
            m_lastReport = text + QStringLiteral(" %1 %").arg(progress);
            pictureShown(w.previewCopies().copies());
        });
    }
    ~QueueGapWatch() { QObject::disconnect(m_reports); }

    void start()
    {
        m_start = m_last = Clock::now();
        m_longestMs = 0;
        m_longestEndMs = 0;
        m_lastReport = QStringLiteral("(click)");
        m_reportAtLast = m_lastReport;
        m_copies = 0;
        m_lastPictureMs = kFirstPictureDueMs;
        m_longestPictureGapMs = 0;
        m_timer.start();
    }

    void stop()
    {
        m_timer.stop();
        stamp();
    }

    double longestMs() const { return m_longestMs; }
    // From the start to the end of the longest gap.
    double longestEndMs() const { return m_longestEndMs; }
    // The last progress text shown before the longest gap and the last one
    // shown when it ended.
    const QString& reportBefore() const { return m_longestBefore; }
    const QString& reportAfter() const { return m_longestAfter; }
    // The longest time without a new picture in the preview from the run's
    // first second on, up to its last picture.
    double longestPictureGapMs() const { return m_longestPictureGapMs; }

private:
    static constexpr double kFirstPictureDueMs = 1000;

    void pictureShown(int32_t copies)
    {
        if (copies == m_copies) return;
        m_copies = copies;
        const double at = std::chrono::duration<double, std::milli>(Clock::now() - m_start).count();
        m_longestPictureGapMs = std::max(m_longestPictureGapMs, at - m_lastPictureMs);
        m_lastPictureMs = std::max(at, kFirstPictureDueMs);
    }

    void stamp()
    {
        const Clock::time_point now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - m_last).count();
        if (gap > m_longestMs) {
            m_longestMs = gap;
            m_longestEndMs = std::chrono::duration<double, std::milli>(now - m_start).count();
            m_longestBefore = m_reportAtLast;
            m_longestAfter = m_lastReport;
        }
        m_last = now;
        m_reportAtLast = m_lastReport;
    }

    QTimer m_timer;
    QMetaObject::Connection m_reports;
    Clock::time_point m_start;
    Clock::time_point m_last;
    double m_longestMs = 0;
    double m_longestEndMs = 0;
    QString m_lastReport;
    QString m_reportAtLast;
    QString m_longestBefore;
    int32_t m_copies = 0;
    double m_lastPictureMs = kFirstPictureDueMs;
    double m_longestPictureGapMs = 0;
    QString m_longestAfter;
};

// The texture options of a type as kalvora-render's --options-size sizes
// them: borders half the size wide and the size high, arches and columns
// the size square.
int32_t optionsWidth(int32_t type, int32_t size) { return type >= 1 && type <= 3 ? size / 2 : size; }

// Answers the texture options dialog of one run from a timer, as a user
// would: once the visible modal dialog "TextureOptions" shows, the sizes go
// into its width and height text boxes and its OK button is clicked. The
// border types show those boxes disabled (their sizes follow from the
// bricks), so the text is put in directly rather than typed key by key;
// OK takes it either way. If the dialog has not shown within 10 s the
// active modal widget is rejected and the answer counts as failed.
class TextureOptionsAnswer {
public:
    TextureOptionsAnswer(int32_t width, int32_t height) : m_width(width), m_height(height)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    }

    void start()
    {
        m_answered = m_gaveUp = false;
        m_shownMs = 0;
        m_start = Clock::now();
        m_timer.start(1);
    }
    void stop() { m_timer.stop(); }

    bool answered() const { return m_answered; }
    bool gaveUp() const { return m_gaveUp; }
    // From start() to the dialog's answer.
    double answeredAtMs() const { return m_shownMs; }

private:
    static void type(QWidget* dialog, const char* name, int32_t value)
    {
        auto* text = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
        if (!text) return;
        text->selectAll();
        text->insert(QString::number(value));
    }

    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal->objectName() == QStringLiteral("TextureOptions")) {
            m_timer.stop();
            type(modal, "WidthText", m_width);
            type(modal, "HeightText", m_height);
            auto* ok = modal->findChild<QPushButton*>(QStringLiteral("OKButton"));
            m_shownMs = msSince(m_start);
            m_answered = ok != nullptr;
            if (ok)
                ok->click();
            else if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        if (msSince(m_start) < 10000) return;
        m_timer.stop();
        m_gaveUp = true;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }

    int32_t m_width;
    int32_t m_height;
    QTimer m_timer;
    Clock::time_point m_start;
    double m_shownMs = 0;
    bool m_answered = false;
    bool m_gaveUp = false;
};

// Progress texts go into the benchmark's label, which the CSV output
// carries as one field: no commas or quotes in it.
std::string labelText(const QString& text)
{
    std::string out = text.toStdString();
    std::replace(out.begin(), out.end(), ',', ';');
    std::replace(out.begin(), out.end(), '"', '\'');
    return out;
}

// One run of the texture type at 16384 x 16384 through the window: the
// output size typed into the window, the type chosen in the output panel,
// the texture options dialog answered, then the click on the button. The
// time is from the click to the run's end, the dialog included.
void QueueGapRun(benchmark::State& state, int32_t type)
{
    MainWindow* w = window();
    if (!w) {
        state.SkipWithError(("no project at " + projectPath()).c_str());
        return;
    }
    w->BrickData.Width = kGapSize;
    w->BrickData.Height = kGapSize;
    w->UpdateUserControls();
    w->displayWindow().findChild<QComboBox*>(QStringLiteral("TextureTypeCombo"))->setCurrentIndex(type);
    QApplication::processEvents();

    QueueGapWatch gaps(*w);
    TextureOptionsAnswer answer(optionsWidth(type, kGapSize), kGapSize);
    for (auto _ : state) {
        if (type != 0) answer.start();
        gaps.start();
        const Clock::time_point start = Clock::now();
        updateButton(*w)->click();
        gaps.stop();
        state.SetIterationTime(msSince(start) / 1000.0);
        answer.stop();
    }
    if (type != 0 && !answer.answered()) {
        state.SkipWithError(answer.gaveUp() ? "the texture options dialog did not show within 10 s"
                                            : "the texture options dialog had no OK button");
        return;
    }
    const TextureOptionsValues options = w->textureOptions();
    const bool sized = type == 0 ||
                       (type <= 3 && options.BorderWidth == optionsWidth(type, kGapSize) &&
                        options.BorderHeight == kGapSize) ||
                       (type == 4 && options.ArcWidth == kGapSize && options.ArcHeight == kGapSize) ||
                       (type == 5 && options.ColumnWidth == kGapSize && options.ColumnHeight == kGapSize);
    if (!sized) {
        state.SkipWithError("the texture options did not take the typed sizes");
        return;
    }
    state.counters["maxGapMs"] = gaps.longestMs();
    state.counters["maxGapEndMs"] = gaps.longestEndMs();
    state.counters["maxPictureGapMs"] = gaps.longestPictureGapMs();
    if (type != 0) state.counters["dialogMs"] = answer.answeredAtMs();
    state.counters["outWidth"] = w->brickGenerator().OutBitmap.Width();
    state.counters["outHeight"] = w->brickGenerator().OutBitmap.Height();
    state.counters["threads"] = platform::ThreadPool::size();
    state.SetLabel("longest gap after '" + labelText(gaps.reportBefore()) + "' until '" +
                   labelText(gaps.reportAfter()) + "'");
}

void registerGapRuns(int32_t type)
{
    const std::string threads = bench::threadsLabel();
    for (int run = 1; run <= 3; ++run) {
        const std::string name = "QueueGap16384/type:" + std::to_string(type) + "/run:" + std::to_string(run) + "/" +
                                 threads;
        benchmark::RegisterBenchmark(name.c_str(), [type](benchmark::State& state) { QueueGapRun(state, type); })
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
}

// One seamless run at size x size through the window, then the memory the
// idle program holds; the peak is that of the process so far.
void MemoryAfterRun(benchmark::State& state, int32_t size)
{
    MainWindow* w = window();
    if (!w) {
        state.SkipWithError(("no project at " + projectPath()).c_str());
        return;
    }
    w->BrickData.Width = size;
    w->BrickData.Height = size;
    w->UpdateUserControls();
    QApplication::processEvents();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        updateButton(*w)->click();
        state.SetIterationTime(msSince(start) / 1000.0);
    }
    QApplication::processEvents();
    platform::LargeBlockReleaser::waitUntilReleased();
    state.counters["outWidth"] = w->brickGenerator().OutBitmap.Width();
    state.counters["idleMiB"] = statusMiB("VmRSS");
    state.counters["peakMiB"] = statusMiB("VmHWM");
}

void registerMemorySequence(const std::vector<int32_t>& sizes)
{
    for (size_t i = 0; i < sizes.size(); ++i) {
        const std::string name = "MemoryAfterRun/step:" + std::to_string(i + 1) + "/size:" + std::to_string(sizes[i]) +
                                 "/" + bench::threadsLabel();
        const int32_t size = sizes[i];
        benchmark::RegisterBenchmark(name.c_str(), [size](benchmark::State& state) { MemoryAfterRun(state, size); })
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
}

void registerAll()
{
    if (const std::vector<int32_t> sizes = memorySequenceSizes(); !sizes.empty()) {
        registerMemorySequence(sizes);
        return;
    }
    if (const std::optional<int32_t> type = gapTextureType()) {
        registerGapRuns(*type);
        return;
    }
    using Case = void (*)(benchmark::State&);
    const std::string threads = bench::threadsLabel();
    const std::pair<std::string, Case> cases[] = {{"GenerateFinal/window/", GenerateThroughWindow},
                                                  {"GenerateFinal/headless/", GenerateHeadless},
                                                  {"CancelToLastReport/window/", CancelToLastReport}};
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
