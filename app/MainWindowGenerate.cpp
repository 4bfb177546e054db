// The main window's side of a run: generate, cancel, the progress handler
// and what the generator asks of its host.

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QTabWidget>

#include "app/DisplayWindow.h"
#include "app/MainWindow.h"
#include "app/OptionsWindow.h"
#include "app/TextureOptions.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "uicore/ProgressText.h"
#include "views/PreviewWindow.h"

namespace kalvora {

namespace {

constexpr int kPreviewTab = 0;
// The event queue runs at most this often during a run.
constexpr int64_t kQueueSpacingMs = 10;

// Clears a flag when it goes out of scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

}  // namespace

void MainWindow::setTickSource(std::function<int64_t()> tickSource)
{
    m_tickSource = tickSource ? std::move(tickSource) : std::function<int64_t()>(platform::tickCountMs);
    BrickGenerator.setTickSource(m_tickSource);
}

int64_t MainWindow::now() const { return m_tickSource(); }

void MainWindow::setRunning(bool running)
{
    m_running = running;
    // The project's images stay as they are while a run reads them.
    m_options->setImageButtonsEnabled(!running);
    emit runningChanged(running);
}

void MainWindow::GenerateBricks(int32_t BrickStyle)
{
    if (m_running || BrickGenerator.isRunning()) return;
    setRunning(true);
    platform::Services::cursor().setBusy();
    const int32_t width = BrickData.Width;
    const int32_t height = BrickData.Height;
    if (previewTabShown()) {
        BrickData.Width = m_display->PreviewWidthSlider->value();
        BrickData.Height = m_display->PreviewHeightSlider->value();
    }
    m_finalShown = false;
    m_queueRunAtMs = -1;
    m_previewCopies.startRun(now());
    BrickGenerator.GenerateBricks(BrickData, BrickStyle, *this);
    BrickData.Width = width;
    BrickData.Height = height;
    platform::Services::cursor().setNormal();
    setRunning(false);
    if (!m_closeAfterRun) return;
    m_closeAfterRun = false;
    close();
}

void MainWindow::CancelBrickGenerator()
{
    if (BrickGenerator.isRunning() && !m_finalShown) BrickGenerator.CancelProcess();
    platform::Services::cursor().setNormal();
}

void MainWindow::BrickGenerator_Progress(int32_t Progress, int32_t SecondsLeft, const std::string& Description,
                                         bool IsFinal)
{
    const FlagScope inside(m_insideProgress);
    m_finalShown = IsFinal;
    m_display->ProgressLabel->setText(QString::fromStdString(ProgressText::label(Description, Progress, SecondsLeft)));
    setBarValue(Progress);
    showProgressLook(Progress);
    m_statusPanel1->setText(QString::fromStdString(Description));
    showPreview(Progress == 0, IsFinal);
    emit progressShown(Progress, SecondsLeft, QString::fromStdString(Description));
}

void MainWindow::setBarValue(int32_t Progress)
{
    // The bar would redraw itself at once; it is drawn with the rest of the
    // window when the event queue next runs.
    QProgressBar* bar = m_display->ProgressBar;
    bar->setUpdatesEnabled(false);
    bar->setValue(Progress);
    bar->setUpdatesEnabled(true);
}

void MainWindow::showProgressLook(int32_t Progress)
{
    // A phase start shows the running look, 100 % the idle one; the
    // running flag is the window's own and stays set until the run returns.
    if (Progress != 0 && Progress != 100) return;
    const bool running = Progress == 0;
    m_display->ProgressLabel->setVisible(running);
    m_display->showRunning(running);
}

void MainWindow::showPreview(bool phaseStart, bool isFinal)
{
    const int64_t start = now();
    const PreviewCopyThrottle::Decision decision = m_previewCopies.report(start, phaseStart, isFinal);
    if (!decision.copy) return;
    m_preview->SetBitmap(BrickGenerator.OutBitmap, decision.resetView);
    m_previewCopies.copied(start, now());
}

int32_t MainWindow::showTextureOptions(cBrickData& project, int32_t brickStyle)
{
    return TextureOptions::instance().ShowDialog(m_textureOptions, project, brickStyle, this);
}

TextureOptionsValues MainWindow::textureOptions() const { return m_textureOptions.values(); }

bool MainWindow::previewTabShown() const { return m_display->DisplayTab1->currentIndex() == kPreviewTab; }

int32_t MainWindow::previewQualityIndex() const { return m_display->PreviewQualityCombo->currentIndex(); }

void MainWindow::processEvents()
{
    // Only the run's own yields let the event queue run, and never from
    // inside another yield or the progress handler.
    if (m_insideYield || m_insideProgress) return;
    const int64_t t = now();
    if (!queueDue(t)) return;
    m_queueRunAtMs = t;
    const FlagScope inside(m_insideYield);
    QCoreApplication::processEvents();
}

bool MainWindow::queueDue(int64_t nowMs) const
{
    return m_queueRunAtMs < 0 || nowMs - m_queueRunAtMs >= kQueueSpacingMs;
}

}  // namespace kalvora
