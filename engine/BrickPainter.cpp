#include "engine/BrickPainter.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include "engine/cBrickData.h"
#include "filters/clsImageFilter.h"
#include "imaging/UISupport.h"
#include "imaging/cBitmap.h"
#include "imaging/cGraphics.h"
#include "platform/PixelFormat.h"
#include "platform/Surface.h"
#include "platform/OrderedPipeline.h"
#include "platform/YieldPoint.h"

namespace kalvora {

namespace {

// Bricks prepared ahead per worker, and the most brick pixels prepared
// ahead at once (each slot holds a few copies of its brick).
constexpr int kBricksPerWorker = 16;
constexpr int64_t kPreparedPixelBudget = int64_t(16) << 20;
// The largest brick the compositing thread prepares itself while it waits
// for one and must keep the event queue running: a few milliseconds of work.
constexpr int64_t kSelfPreparedPixelLimit = int64_t(1) << 18;

std::atomic<bool> g_parallelPreparation{true};

}  // namespace

BrickPainter::BrickPainter(const cBrickData& project, const LayoutPixelSizes& sizes,
                           platform::InterpolationMode resizeMode)
    : m_project(project), m_sizes(sizes), m_resizeMode(resizeMode)
{
}

void BrickPainter::setParallelPreparation(bool enabled) { g_parallelPreparation = enabled; }

bool BrickPainter::parallelPreparation() { return g_parallelPreparation; }

float BrickPainter::noiseLength(float noiseFrequency, const LayoutPixelSizes& sizes)
{
    const int32_t rowHeight = std::min(sizes.MinHeightPx, sizes.MaxHeightPx);
    return UISupport::MapRange(noiseFrequency, 0.0f, 100.0f, static_cast<float>(rowHeight), 1.0f);
}

void BrickPainter::skipOutlineDraws(platform::RandomGenerator& random, int32_t width, int32_t height,
                                    float noiseLength)
{
    clsImageFilter::skipTransparentBorderDraws(random, width, height, noiseLength);
}

void BrickPainter::ResizeBrickImage(cBitmap& work, const cBitmap& source, int32_t width, int32_t height,
                                    platform::InterpolationMode resizeMode)
{
    work.assignResized(source, width, height, resizeMode);
}

bool BrickPainter::runFilter(cBitmap& work, clsImageFilter& filter, const FilterStep& step)
{
    const int32_t width = work.Width();
    const int32_t height = work.Height();
    if (!work.Handle() || width < 1 || height < 1) return false;
    filter.adoptImage(work.releaseImage());
    if (!filter.GetHandle() || filter.loadedWidth() != width || filter.loadedHeight() != height) return false;
    const platform::Image* result = step(filter);
    if (!result) return false;
    // The top-left part at the loaded size, as 32-bit ARGB: the filter's
    // working image itself when it is just that.
    if (result == filter.GetHandle() && result->format() == platform::kFormat32bppARGB &&
        result->width() == width && result->height() == height) {
        work.adoptImage(filter.releaseResult());
        return true;
    }
    return work.CreateFromClone(width, height, result, platform::kFormat32bppARGB) == platform::Ok;
}

bool BrickPainter::replaceWith(cBitmap& out, const platform::Image* image, int32_t width, int32_t height)
{
    if (!image) return false;
    cBitmap copy;
    if (copy.CreateFromClone(width, height, image, platform::kFormat32bppARGB) != platform::Ok) return false;
    std::shared_ptr<cGDIP> session = out.gdip;
    out = std::move(copy);
    out.gdip = std::move(session);
    return true;
}

bool BrickPainter::ApplyBrickColor(cBitmap& work, clsImageFilter& filter, float hue, float saturation,
                                   float luminance)
{
    if (hue == 0.0f && saturation == 0.0f && luminance == 0.0f) return true;
    return runFilter(work, filter, [&](clsImageFilter& f) { return f.CreateHSLFilter(hue, saturation, luminance); });
}

bool BrickPainter::FlipBrickImage(cBitmap& work, bool flipH, bool flipV)
{
    if (flipH && flipV) return work.RotateFlip(platform::RotateFlipType::Rotate180FlipNone) == platform::Ok;
    if (flipH) return work.RotateFlip(platform::RotateFlipType::RotateNoneFlipX) == platform::Ok;
    if (flipV) return work.RotateFlip(platform::RotateFlipType::RotateNoneFlipY) == platform::Ok;
    return true;
}

bool BrickPainter::ShapeBrickImage(cBitmap& work, clsImageFilter& filter, const LayoutPixelSizes& sizes,
                                   float noiseLength)
{
    if (work.Handle() && work.PixelFormat() != platform::kFormat32bppARGB &&
        !replaceWith(work, work.Handle(), work.Width(), work.Height()))
        return false;
    return runFilter(work, filter, [&](clsImageFilter& f) {
        return f.CreateTransparentBorder(sizes.BorderSizePx, sizes.RoundedBorderPx, sizes.NoiseStrengthPx,
                                         noiseLength, sizes.AntiAliasPx);
    });
}

std::shared_ptr<cInlineBitmap> BrickPainter::drawableImage(const tBrick& b) const
{
    if (b.Width < 1 || b.Height < 1 || !m_project.BrickFiles) return nullptr;
    std::shared_ptr<cInlineBitmap> image = m_project.BrickFiles->GetInlineBitmap(b.BrickNumber);
    if (!image || !image->Bitmap.Handle() || image->Bitmap.Width() < 1 || image->Bitmap.Height() < 1) return nullptr;
    return image;
}

bool BrickPainter::prepareBrick(const tBrick& b, cBitmap& work, clsImageFilter& filter) const
{
    work.Dispose();
    const std::shared_ptr<cInlineBitmap> image = drawableImage(b);
    if (!image) return false;
    ResizeBrickImage(work, image->Bitmap, b.Width, b.Height, m_resizeMode);
    if (!work.Handle() || work.Width() != b.Width || work.Height() != b.Height) return false;
    if (!ApplyBrickColor(work, filter, static_cast<float>(b.Hue), b.Saturation, b.Luminance)) return false;
    if (!FlipBrickImage(work, b.FlipH, b.FlipV)) return false;
    return ShapeBrickImage(work, filter, m_sizes, noiseLength(m_project.NoiseFrequency, m_sizes));
}

void BrickPainter::compositeBrick(cGraphics& surface, const cBitmap& work, const tBrick& b, int32_t canvasWidth)
{
    const platform::Image* image = work.Handle();
    if (!image) return;
    // A brick, once begun, is composited whole (the event queue still runs).
    const platform::YieldPoint::WholeStep wholeBrick;
    if (platform::Surface* target = surface.Handle())
        target->setCompositingQuality(platform::CompositingQuality::HighQuality);
    const int64_t over = static_cast<int64_t>(b.Left) + work.Width() - canvasWidth;
    if (over <= 0) {
        surface.DrawImageI(image, b.Left, b.Top);
        return;
    }
    const int64_t first = static_cast<int64_t>(canvasWidth) - b.Left;
    if (first <= 0) {
        // Wholly past the edge: drawn once, one canvas width to the left.
        surface.DrawImageI(image, static_cast<int32_t>(b.Left - static_cast<int64_t>(canvasWidth)), b.Top);
        return;
    }
    const int32_t height = work.Height();
    const auto left = static_cast<int32_t>(first);
    const auto right = static_cast<int32_t>(over);
    surface.DrawImageRectRectI(image, b.Left, b.Top, left, height, 0, 0, left, height);
    surface.DrawImageRectRectI(image, 0, b.Top, right, height, left, 0, right, height);
}

void BrickPainter::DrawBrick(const tBrick& b, cGraphics& surface, cBitmap& work, clsImageFilter& filter) const
{
    // A brick that cannot be made (memory running out) is skipped; the run
    // goes on. A stop leaves the brick undrawn and ends the drawing.
    try {
        if (prepareBrick(b, work, filter)) compositeBrick(surface, work, b, m_project.Width);
    } catch (const platform::WorkStopped&) {
        work.Dispose();
        throw;
    } catch (...) {
    }
    work.Dispose();
}

void BrickPainter::DrawAllBricks(const std::vector<tBrick>& bricks, cGraphics& surface, cBitmap& work,
                                 clsImageFilter& filter, int workers, const StopPoll& stop,
                                 const BrickDone& done) const
{
    if (workers <= 1 || !parallelPreparation() || bricks.size() < 2)
        drawSerial(bricks, surface, work, filter, stop, done);
    else
        drawParallel(bricks, surface, filter, workers, stop, done);
}

void BrickPainter::drawSerial(const std::vector<tBrick>& bricks, cGraphics& surface, cBitmap& work,
                              clsImageFilter& filter, const StopPoll& stop, const BrickDone& done) const
{
    const size_t n = bricks.size();
    for (size_t i = 1; i <= n; ++i) {
        if (stop && stop()) break;
        DrawBrick(bricks[i - 1], surface, work, filter);
        if (done) done(i, n);
    }
}

// The prepared state of the bricks in flight, one slot per brick: a filter
// with a random generator of its own, the prepared image, whether it is
// ready, and the filter's failure messages (shown later on the calling
// thread).
struct BrickPainter::Slots {
    explicit Slots(size_t count) : randoms(count), works(count), ready(count, 0), messages(count)
    {
        filters.reserve(count);
        for (size_t j = 0; j < count; ++j) {
            filters.push_back(std::make_unique<clsImageFilter>());
            filters[j]->setParallelRows(false);
            filters[j]->setRandomGenerator(&randoms[j]);
        }
    }

    std::vector<std::unique_ptr<clsImageFilter>> filters;
    std::vector<platform::RandomGenerator> randoms;
    std::vector<cBitmap> works;
    std::vector<char> ready;
    std::vector<std::vector<clsImageFilter::MessageDeferral::Message>> messages;
};

BrickPainter::Plan BrickPainter::planOutlines(const std::vector<tBrick>& bricks,
                                              platform::RandomGenerator& random) const
{
    // Every brick's outline starts from the state the serial run would have
    // reached, fixed here in list order; random ends where the serial run
    // leaves it.
    const float length = noiseLength(m_project.NoiseFrequency, m_sizes);
    Plan plan;
    plan.starts.resize(bricks.size());
    plan.pixels.assign(bricks.size(), 0);
    for (size_t i = 0; i < bricks.size(); ++i) {
        const tBrick& b = bricks[i];
        if (!drawableImage(b)) continue;
        plan.starts[i] = random;
        skipOutlineDraws(random, b.Width, b.Height, length);
        plan.pixels[i] = static_cast<int64_t>(b.Width) * b.Height;
    }
    return plan;
}

void BrickPainter::prepareInSlot(const tBrick& b, const Plan& plan, size_t index, Slots& slots, size_t slot) const
{
    slots.ready[slot] = 0;
    if (plan.pixels[index] == 0) return;
    slots.randoms[slot] = plan.starts[index];
    // Nothing may escape a worker: a brick that cannot be made is skipped.
    try {
        clsImageFilter::MessageDeferral deferral;
        slots.ready[slot] = prepareBrick(b, slots.works[slot], *slots.filters[slot]);
        slots.messages[slot] = deferral.messages();
    } catch (...) {
        slots.ready[slot] = 0;
        slots.works[slot].Dispose();
    }
}

void BrickPainter::drawParallel(const std::vector<tBrick>& bricks, cGraphics& surface, clsImageFilter& filter,
                                int workers, const StopPoll& stop, const BrickDone& done) const
{
    // The workers prepare bricks ahead while this thread composites them in
    // list order, with its reports.
    const Plan plan = planOutlines(bricks, filter.randomGenerator());
    const size_t count = static_cast<size_t>(std::max(2, workers * kBricksPerWorker));
    Slots slots(count);
    platform::OrderedPipeline::run(
        plan.pixels, count, kPreparedPixelBudget,
        [&](size_t i) { prepareInSlot(bricks[i], plan, i, slots, i % count); },
        [&](size_t i) {
            // The poll before each brick is made after the one before it, so
            // a cancel during that brick's report stops the preparations at once.
            if (i == 0 && stop && stop()) return false;
            const size_t slot = i % count;
            clsImageFilter::MessageDeferral::showAll(slots.messages[slot]);
            slots.messages[slot].clear();
            if (slots.ready[slot]) compositeBrick(surface, slots.works[slot], bricks[i], m_project.Width);
            slots.works[slot].Dispose();
            if (done) done(i + 1, bricks.size());
            return i + 1 == bricks.size() || !(stop && stop());
        },
        kSelfPreparedPixelLimit);
}

}  // namespace kalvora
