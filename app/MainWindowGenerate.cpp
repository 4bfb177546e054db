// The main window's side of a run: generate, cancel, the progress handler
// and what the generator asks of its host.

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <cstdint>
#include <utility>

#include "app/DisplayWindow.h"
#include "app/MainMenus.h"
#include "app/MainToolbar.h"
#include "app/MainWindow.h"
#include "app/OptionsWindow.h"
#include "app/TextureOptions.h"
#include "platform/Clock.h"
#include "platform/ScopeExit.h"
#include "platform/ThreadPool.h"
#include "platform/Services.h"
#include "uicore/ProgressText.h"
#include "views/PreviewWindow.h"

namespace kalvora {

void MainWindow::setTickSource(std::function<int64_t()> tickSource)
{
    m_tickSource = tickSource ? std::move(tickSource) : std::function<int64_t()>(platform::tickCountMs);
    BrickGenerator.setTickSource(m_tickSource);
}

int64_t MainWindow::now() const { return m_tickSource(); }

void MainWindow::setRunning(bool running)
{
    m_running = running;
    enableRunBoundCommands(!running);
    emit runningChanged(running);
}

void MainWindow::enableRunBoundCommands(bool on)
{
    // A run reads the project and replaces the output, and work given inside
    // its yields runs on one thread, so the commands that would change the
    // project, read the preview's half-drawn image or run long work of their
    // own (file commands, export, copy, the image editor, the image dialogs)
    // wait for it; their shortcuts with them.
    for (QAction* item : m_menus->runBoundItems()) item->setEnabled(on);
    for (QAction* button : m_toolbar->runBoundButtons()) button->setEnabled(on);
    m_options->setRunning(!on);
}

void MainWindow::GenerateBricks(int32_t BrickStyle)
{
    if (m_running || BrickGenerator.isRunning()) return;
    m_afterRun = AfterRun::Nothing;
    runGenerator(BrickStyle);
    tellRunFailure();
    doAfterRun();
}

void MainWindow::tellRunFailure()
{
    const std::string failure = BrickGenerator.failureMessage();
    if (failure.empty()) return;
    platform::Services::messageBox().show(failure, "Not Enough Memory", platform::ButtonsOk + platform::IconExclamation);
}

void MainWindow::runGenerator(int32_t BrickStyle)
{
    setRunning(true);
    platform::Services::cursor().setBusy();
    m_runStartSettings = BrickData.settings();
    const int32_t width = BrickData.Width;
    const int32_t height = BrickData.Height;
    // The project's size, the cursor and the running flag come back on every
    // way out, also when the run throws: otherwise the file commands would
    // stay off for good.
    const platform::ScopeExit restore([this, width, height] {
        BrickData.Width = width;
        BrickData.Height = height;
        platform::Services::cursor().setNormal();
        setRunning(false);
    });
    if (previewTabShown()) {
        const QSize preview = m_display->previewSize();
        BrickData.Width = preview.width();
        BrickData.Height = preview.height();
    }
    m_finalShown = false;
    m_queueRunAtMs = -1;
    m_previewCopies.startRun(now());
    // The preview shows only what this run brings.
    m_preview->beginRun();
    const platform::ScopeExit previewEnd(
        [this] { m_preview->endRun(BrickGenerator.lastStatus() == platform::OutOfMemory); });
    BrickGenerator.GenerateBricks(BrickData, BrickStyle, *this);
}

void MainWindow::CancelBrickGenerator()
{
    if (BrickGenerator.isRunning() && !m_finalShown) BrickGenerator.CancelProcess();
    platform::Services::cursor().setNormal();
}

void MainWindow::BrickGenerator_Progress(int32_t Progress, int32_t SecondsLeft, const std::string& Description,
                                         bool IsFinal)
{
    m_insideProgress = true;
    const platform::ScopeExit leave([this] { m_insideProgress = false; });
    m_finalShown = IsFinal;
    // The preview copies first: a copy it can get no memory for fails the
    // run, and the final report then tells of the failure. A failed run's
    // output is not copied: the preview keeps the picture it has.
    std::string text = Description;
    const bool failedRun = IsFinal && BrickGenerator.lastStatus() == platform::OutOfMemory;
    if (!failedRun && !showPreview(Progress == 0, IsFinal)) {
        BrickGenerator.failForLackOfMemory();
        if (IsFinal) text = cBrickGenerator::kOutOfMemoryText + cBrickGenerator::elapsedSuffix(SecondsLeft);
    }
    m_display->showProgress(QString::fromStdString(ProgressText::label(text, Progress, SecondsLeft)), Progress);
    showProgressLook(Progress, IsFinal);
    m_statusPanel1->setText(QString::fromStdString(text));
    emit progressShown(Progress, SecondsLeft, QString::fromStdString(text));
}

void MainWindow::showProgressLook(int32_t Progress, bool IsFinal)
{
    // A phase start shows the running look and only the final report the
    // idle one: until then a click on the button cancels the run, whatever
    // the percentage (the last brick reports 100 % before the
    // post-processing), so the button reads "&Cancel".
    if (IsFinal)
        m_display->showRunning(false);
    else if (Progress == 0)
        m_display->showRunning(true);
}

bool MainWindow::showPreview(bool phaseStart, bool isFinal)
{
    const int64_t start = now();
    // An output of another size than the preview's waits for memory readied
    // beside the run (see processEvents); the final report copies it all the
    // same.
    const bool memoryReady = m_preview->canTakeAtOnce(BrickGenerator.OutBitmap) || isFinal;
    const int64_t queueWait = m_queueRunAtMs < 0 ? 0 : start - m_queueRunAtMs;
    const PreviewCopyThrottle::Decision decision =
        m_previewCopies.report(start, phaseStart, isFinal, BrickGenerator.hasDrawnArea() && memoryReady, queueWait);
    if (!decision.copy) return true;
    // The preview keeps its own copy of the output; only what the generator
    // drew since the last copy is brought over, a large area in bands over
    // several reports, the rows still to come first, each band in whole
    // bricks. The final report brings all.
    platform::PixelRect area;
    if (!isFinal) {
        area = BrickGenerator.takeDrawnRows(copyBandPixels(), m_preview->comingFrom());
    } else {
        area = BrickGenerator.takeDrawnArea();
        if (m_preview->pictureComing())
            area = {0, 0, BrickGenerator.OutBitmap.Width(), BrickGenerator.OutBitmap.Height()};
    }
    const bool taken = m_preview->SetBitmapArea(BrickGenerator.OutBitmap, area, decision.resetView);
    // While the run's picture has not all come, its bands come at every
    // report; afterwards the rest of an area waits for the next copy the
    // throttle allows.
    m_previewCopies.copied(start, now(), int64_t{area.width} * area.height, !m_preview->pictureComing());
    return taken;
}

int64_t MainWindow::copyBandPixels()
{
    // A copy runs on the pool's threads when they are free, and on this
    // thread alone inside one of the run's parallel loops.
    return kCopyBandPixels * (platform::ThreadPool::workersBeside() ? platform::ThreadPool::size() : 1);
}

int32_t MainWindow::showTextureOptions(cBrickData& project, int32_t brickStyle)
{
    return TextureOptions::instance().ShowDialog(m_textureOptions, project, brickStyle, this);
}

TextureOptionsValues MainWindow::textureOptions() const { return m_textureOptions.values(); }

bool MainWindow::previewTabShown() const { return m_display->previewTabShown(); }

int32_t MainWindow::previewQualityIndex() const { return m_display->previewQualityIndex(); }

void MainWindow::processEvents()
{
    // Only the run's own yields let the event queue run, and never from
    // inside another yield or the progress handler.
    if (m_insideYield || m_insideProgress) return;
    const int64_t t = now();
    if (!queueDue(t)) return;
    m_queueRunAtMs = t;
    {
        m_insideYield = true;
        const platform::ScopeExit leave([this] { m_insideYield = false; });
        QCoreApplication::processEvents();
    }
    // An output of a new size has the preview's memory for it readied
    // beside the run from the moment it exists, not from its first report.
    m_preview->canTakeAtOnce(BrickGenerator.OutBitmap);
}

bool MainWindow::queueDue(int64_t nowMs) const
{
    return m_queueRunAtMs < 0 || nowMs - m_queueRunAtMs >= kQueueSpacingMs;
}

}  // namespace kalvora
