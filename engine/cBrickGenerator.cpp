#include "engine/cBrickGenerator.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

#include "engine/BrickLayout.h"
#include "engine/GeneratorHost.h"
#include "engine/TexturePostProcess.h"
#include "engine/cBrickData.h"
#include "platform/Clock.h"
#include "platform/ImageLimits.h"
#include "platform/Numeric.h"
#include "platform/PixelFormat.h"
#include "platform/ScopeExit.h"
#include "platform/YieldPoint.h"

namespace kalvora {

namespace {

int32_t brickImageCount(const cBrickData& project)
{
    return project.BrickFiles ? project.BrickFiles->Count() : 0;
}

bool allFinite(std::initializer_list<float> values)
{
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

bool withinSide(int32_t v) { return v <= platform::ImageLimits::maxSide(); }

}  // namespace

cBrickGenerator::cBrickGenerator() : m_tickSource(platform::tickCountMs)
{
    ImageFilter.setRandomGenerator(&m_outlineRandom);
}

cBrickGenerator::~cBrickGenerator() = default;

void cBrickGenerator::setTickSource(std::function<int64_t()> tickSource)
{
    m_tickSource = tickSource ? std::move(tickSource) : std::function<int64_t()>(platform::tickCountMs);
}

int64_t cBrickGenerator::now() const { return m_tickSource(); }

platform::InterpolationMode cBrickGenerator::chooseResizeMode(bool previewTabShown, int32_t previewQualityIndex)
{
    using platform::InterpolationMode;
    if (!previewTabShown) return InterpolationMode::HighQualityBicubic;
    switch (previewQualityIndex) {
    case 0: return InterpolationMode::NearestNeighbor;
    case 1: return InterpolationMode::Bilinear;
    default: return InterpolationMode::HighQualityBicubic;
    }
}

std::string cBrickGenerator::minutesSeconds(int64_t seconds)
{
    const std::string secondsText = "00" + std::to_string(seconds % 60);
    return std::to_string(seconds / 60) + ":" + secondsText.substr(secondsText.size() - 2);
}

std::string cBrickGenerator::elapsedSuffix(int64_t seconds) { return " (" + minutesSeconds(seconds) + ")"; }

int32_t cBrickGenerator::estimateSecondsLeft(int64_t elapsedMs, float Value)
{
    const float elapsed = static_cast<float>(elapsedMs);
    const double v = Value;
    const float estimate = static_cast<float>(static_cast<double>(elapsed) * (1.0 / v) / 1000.0 * (1.0 - v));
    return platform::roundToInt32(estimate);
}

int32_t cBrickGenerator::percentOf(float Value)
{
    return platform::roundToInt32(static_cast<float>(static_cast<double>(Value) * 100.0));
}

bool cBrickGenerator::GenerateBricks(cBrickData& oBrickData, const int32_t& aBrickStyle, GeneratorHost& host)
{
    if (m_running) return false;
    m_running = true;
    m_outputReplaced = false;
    bool completed = false;
    // The filters' failure messages wait for the run's next report.
    clsImageFilter::MessageDeferral messages;
    m_messages = &messages;
    // The run's state is given back on every way out, also when the host's
    // progress handler or yield throws: otherwise the running flag would stay
    // set and every later run would be refused.
    const platform::ScopeExit endOfRun([this, &completed] { endRun(completed); });
    m_host = &host;
    m_status = platform::Ok;
    BrickStyle = aBrickStyle;
    // Cleared before the first report: a cancel during its yield counts.
    Aborted = false;
    BrickData = &oBrickData;
    m_textureWidth = oBrickData.Width;
    m_textureHeight = oBrickData.Height;
    // One run uses one interpolation mode, whatever the panel does meanwhile.
    ResizeMode = chooseResizeMode(host.previewTabShown(), host.previewQualityIndex());

    ReportProgress(0.0f, "Create Brick Pattern...");
    runStoppable([this] { InitializeLayout(); });
    ReportProgress(0.0f, "Initializing...");
    runStoppable([this] { CreateBackground(); });
    ReportProgress(0.0f, "Drawing Bricks...");
    runStoppable([this] { DrawAllBricks(); });
    ReportProgress(0.99f, "Post Processing...");
    runStoppable([this] { PostProcess(); });
    if (Aborted && m_status == platform::Ok) m_status = platform::Aborted;
    ReportProgress(1.0f, failed() ? kOutOfMemoryText : Aborted ? "Aborted" : "Completed", true);
    completed = true;
    return true;
}

void cBrickGenerator::endRun(bool completed)
{
    OutGraphics.Dispose();
    m_messages = nullptr;
    // Left by an exception or failed: a half-drawn image is no result, so
    // once the run has replaced the previous image the output is empty. The
    // memory a failed step still holds goes too.
    if ((!completed || failed()) && m_outputReplaced) OutBitmap.Dispose();
    if (failed()) {
        WorkBitmap.Dispose();
        ImageFilter.releaseResult();
    }
    if (!completed) {
        Aborted = true;
        if (m_status == platform::Ok) m_status = platform::Aborted;
    }
    BrickData = nullptr;
    m_host = nullptr;
    m_running = false;
}

std::string cBrickGenerator::failureMessage() const
{
    if (!failed()) return {};
    return "Not enough memory for a " + std::to_string(m_textureWidth) + " x " + std::to_string(m_textureHeight) +
           " texture.";
}

void cBrickGenerator::failForLackOfMemory()
{
    if (m_running) noteStatus(platform::OutOfMemory);
}

void cBrickGenerator::noteStatus(platform::Status status)
{
    if (status != platform::OutOfMemory) return;
    m_status = platform::OutOfMemory;
    Aborted = true;
}

void cBrickGenerator::noteTextureSize()
{
    const TextureOptionsValues& o = m_options;
    switch (BrickStyle) {
    case LeftBorder:
    case RightBorder:
        m_textureWidth = o.BorderWidth;
        m_textureHeight = o.BorderHeight;
        break;
    case BothBorders:
        m_textureWidth = 2 * o.BorderWidth;
        m_textureHeight = o.BorderHeight;
        break;
    case ArchTexture:
        m_textureWidth = o.ArcWidth;
        m_textureHeight = o.ArcHeight;
        break;
    case ColumnTexture:
        m_textureWidth = TexturePostProcess::columnWidth(o.ColumnWidth, m_sizes);
        m_textureHeight = o.ColumnHeight;
        break;
    default: break;
    }
}

void cBrickGenerator::showKeptMessages()
{
    if (!m_messages) return;
    const std::vector<clsImageFilter::MessageDeferral::Message> kept = m_messages->take();
    if (!failed()) clsImageFilter::MessageDeferral::showAll(kept);
}

void cBrickGenerator::CancelProcess()
{
    Aborted = true;
    raiseProgress(1.0f, "Brick Generation aborted", false);
}

void cBrickGenerator::yieldToEvents()
{
    // What the event handlers run does not poll the run's yields.
    const platform::YieldPoint::Hold handlersRunWhole;
    if (m_host) m_host->processEvents();
}

void cBrickGenerator::yieldInsidePass()
{
    // The output may be half written here: no copy of it may be taken.
    m_insidePass = true;
    const platform::ScopeExit leave([this] { m_insidePass = false; });
    yieldToEvents();
    if (Aborted && platform::YieldPoint::mayStop()) throw platform::WorkStopped();
}

void cBrickGenerator::runStoppable(const std::function<void()>& phase)
{
    // Long passes poll this between their bands, so the event queue keeps
    // running inside every phase; a cancel there ends the phase at once.
    const platform::YieldPoint::Scope passYields([this] { yieldInsidePass(); });
    try {
        phase();
    } catch (const platform::WorkStopped&) {
        // Stopped by a cancel or a failure inside a pass: Aborted is set,
        // the remaining phases do nothing.
        Aborted = true;
    } catch (const std::bad_alloc&) {
        noteStatus(platform::OutOfMemory);
    }
}

void cBrickGenerator::ReportProgress(float Value, std::string Description, bool isFinal)
{
    raiseProgress(Value, std::move(Description), isFinal);
    yieldToEvents();
}

void cBrickGenerator::raiseProgress(float Value, std::string Description, bool isFinal)
{
    int32_t secondsLeft = 0;
    if (Value == 0.0f) {
        StartTick = now();
    } else if (Value == 1.0f) {
        const int64_t seconds = (now() - StartTick) / 1000;
        Description += elapsedSuffix(seconds);
        secondsLeft = platform::clampInt(seconds, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max());
    } else {
        secondsLeft = estimateSecondsLeft(now() - StartTick, Value);
    }
    int32_t percent = percentOf(Value);
    // The handler's arguments are not read back; what it runs does not poll
    // the run's yields.
    const platform::YieldPoint::Hold handlerRunsWhole;
    showKeptMessages();
    if (Progress) Progress(percent, secondsLeft, Description, isFinal);
}

bool cBrickGenerator::settingsUsable()
{
    const cBrickData& p = *BrickData;
    const bool finite = allFinite({p.MinWidth, p.MaxWidth, p.MinHeight, p.MaxHeight, p.BorderSize, p.RoundedBorder,
                                   p.NoiseStrength, p.NoiseFrequency, p.AntiAlias, p.BlendBorders, p.ChangeHue,
                                   p.ChangeSaturation, p.ChangeLuminance});
    if (!finite || p.Width < 1 || p.Height < 1 || p.RepeatX < 1 || p.RepeatY < 1) {
        m_status = platform::InvalidParameter;
        return false;
    }
    if (!withinSide(p.Width) || !withinSide(p.Height)) {
        m_status = platform::OutOfMemory;
        return false;
    }
    return true;
}

bool cBrickGenerator::textureOptionsUsable()
{
    const TextureOptionsValues& o = m_options;
    bool usable = true;
    switch (BrickStyle) {
    case LeftBorder:
    case RightBorder:
    case BothBorders:
        usable = o.BorderWidth <= platform::ImageLimits::maxSide() / 2 && withinSide(o.BorderHeight);
        break;
    case ArchTexture: {
        const bool bounded = withinSide(o.ArcWidth) && withinSide(o.ArcHeight) &&
                             std::abs(int64_t(o.ArcAntialias)) <= platform::ImageLimits::maxSide();
        if (!bounded) {
            usable = false;
            break;
        }
        const int64_t m = BrickLayout::archMargin(m_sizes, o);
        usable = o.ArcWidth - 2 * m >= 1 && o.ArcHeight - 2 * m >= 1;
        break;
    }
    case ColumnTexture: usable = withinSide(o.ColumnWidth) && withinSide(o.ColumnHeight); break;
    default: break;
    }
    if (!usable) m_status = platform::InvalidParameter;
    return usable;
}

void cBrickGenerator::InitializeLayout()
{
    const bool usable = settingsUsable();
    if (!usable) Aborted = true;

    m_sizes = LayoutPixelSizes::compute(*BrickData);
    m_sizes.raiseBrickSizesToUsable();
    m_random.InitRandomTables(BrickData->RandomSeed);
    Bricks.clear();
    if (Aborted) return;

    // A seamless texture has no texture options to ask for.
    m_options = TextureOptionsValues{};
    if (BrickStyle != SeamlessTexture) {
        const platform::YieldPoint::Hold dialogRunsWhole;
        if (m_host->showTextureOptions(*BrickData, BrickStyle) == GeneratorHost::kTextureOptionsCancel) {
            CancelProcess();
            return;
        }
        m_options = m_host->textureOptions();
    }
    if (!textureOptionsUsable()) {
        Aborted = true;
        return;
    }
    noteTextureSize();
    runLayout();
}

void cBrickGenerator::runLayout()
{
    BrickLayout layout(*BrickData, brickImageCount(*BrickData), m_sizes, m_random, m_options, BrickStyle, Bricks,
                       [this] {
                           yieldToEvents();
                           return Aborted;
                       });
    try {
        layout.layout();
    } catch (const std::bad_alloc&) {
        Bricks.clear();
        Bricks.shrink_to_fit();
        m_status = platform::OutOfMemory;
        Aborted = true;
    }
}

void cBrickGenerator::CreateTargetBitmap(int32_t W, int32_t H)
{
    m_outputReplaced = true;
    m_drawn.markAll();
    OutGraphics.Dispose();
    // A run at the size of the last one draws into the same memory, reset:
    // new memory would be faulted in page by page while drawing, and giving
    // the old one back costs as much again. The image limits hold as for a
    // new image.
    platform::Image* last = OutBitmap.Handle();
    if (last && last->width() == W && last->height() == H && last->format() == platform::kFormat32bppARGB &&
        platform::ImageLimits::allows(W, H, 4) && last->resetPixels() == platform::Ok)
        return;
    OutBitmap.Dispose();
    const platform::Status status = OutBitmap.CreateFromScan0(W, H, 0, platform::kFormat32bppARGB);
    if (status != platform::Ok) {
        if (m_status == platform::Ok) m_status = status;
        Aborted = true;
    }
}

void cBrickGenerator::PrepareGraphics()
{
    OutGraphics.Dispose();
    const platform::Status status = OutGraphics.GetGraphicsContext(OutBitmap.Handle());
    if (status != platform::Ok) {
        if (m_status == platform::Ok) m_status = status;
        Aborted = true;
        return;
    }
    if (platform::Surface* surface = OutGraphics.Handle()) {
        surface->setPixelOffsetMode(platform::PixelOffsetMode::HighQuality);
        surface->setSmoothingMode(platform::SmoothingMode::HighQuality);
    }
    OutGraphics.SetInterpolationMode(ResizeMode);
}

void cBrickGenerator::CreateBackground()
{
    yieldToEvents();
    if (Aborted) return;
    switch (BrickStyle) {
    case SeamlessTexture: DrawMortarBackground(); break;
    case LeftBorder:
    case RightBorder:
    case BothBorders: CreateBorderBackground(); break;
    case ArchTexture: CreateArchBackground(); break;
    case ColumnTexture: CreateColumnBackground(); break;
    default: break;
    }
    m_drawn.markAll();
}

void cBrickGenerator::drawMortarAtLeast(int32_t width, int32_t height)
{
    cBrickData& project = *BrickData;
    if (project.Width < width) project.Width = width;
    if (project.Height < height) project.Height = height;
    DrawMortarBackground();
}

void cBrickGenerator::cropOutput(int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (failed()) return;
    OutBitmap.CropPicture(x, y, w, h);
    if (OutBitmap.Width() != w || OutBitmap.Height() != h) noteStatus(OutBitmap.CurErr());
}

void cBrickGenerator::CreateBorderBackground()
{
    const int32_t stripWidth = 2 * m_options.BorderWidth;
    drawMortarAtLeast(stripWidth, m_options.BorderHeight);
    int32_t shiftX = stripWidth / 2;
    int32_t shiftY = 0;
    const platform::Image* unshifted = OutBitmap.Handle();
    if (!failed()) OutBitmap.ShiftPicture(shiftX, shiftY, true);
    // A shift that is made replaces the image.
    if (unshifted && OutBitmap.Handle() == unshifted) noteStatus(OutBitmap.CurErr());
    cropOutput(0, 0, stripWidth, m_options.BorderHeight);
    BrickData->Width = stripWidth;
}

void cBrickGenerator::CreateArchBackground()
{
    drawMortarAtLeast(m_options.ArcWidth, m_options.ArcHeight);
    cropOutput(0, 0, m_options.ArcWidth, m_options.ArcHeight);
}

void cBrickGenerator::CreateColumnBackground()
{
    drawMortarAtLeast(m_options.ColumnWidth, m_options.ColumnHeight);
    cropOutput(0, 0, m_options.ColumnWidth, m_options.ColumnHeight);
    // Column bricks and their post-processing get square corners.
    m_sizes.RoundedBorderPx = 0;
}

void cBrickGenerator::PostProcess()
{
    yieldToEvents();
    if (Aborted) return;
    // A seamless texture has no post-processing: its output stays as drawn.
    switch (BrickStyle) {
    case LeftBorder: PostProcessLeftBorder(); break;
    case RightBorder: PostProcessRightBorder(); break;
    case BothBorders: ProcessBorders(); break;
    case ArchTexture: PostProcessArch(); break;
    case ColumnTexture: PostProcessColumn(); break;
    default: return;
    }
    m_drawn.markAll();
}

void cBrickGenerator::PostProcessLeftBorder()
{
    // A cancel stops the cuts, yet the strip is still cropped to its half.
    runStoppable([this] { ProcessBorders(); });
    const platform::YieldPoint::WholeStep wholeCrop;
    const int32_t half = OutBitmap.Width() / 2;
    cropOutput(half, 0, half, OutBitmap.Height());
}

void cBrickGenerator::PostProcessRightBorder()
{
    runStoppable([this] { ProcessBorders(); });
    const platform::YieldPoint::WholeStep wholeCrop;
    cropOutput(0, 0, OutBitmap.Width() / 2, OutBitmap.Height());
}

}  // namespace kalvora
