#include "engine/BrickPainter.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
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

// Why a filter gave no result: its recorded failure, or a generic one.
platform::Status failureOf(const clsImageFilter& filter)
{
    const platform::Status status = filter.failureStatus();
    return status != platform::Ok ? status : platform::GenericError;
}

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

platform::Status BrickPainter::ResizeBrickImage(cBitmap& work, const cBitmap& source, int32_t width,
                                                int32_t height, platform::InterpolationMode resizeMode)
{
    return work.assignResized(source, width, height, resizeMode);
}

platform::Status BrickPainter::runFilter(cBitmap& work, clsImageFilter& filter, const FilterStep& step)
{
    const int32_t width = work.Width();
    const int32_t height = work.Height();
    if (!work.Handle() || width < 1 || height < 1) return platform::InvalidParameter;
    filter.adoptImage(work.releaseImage());
    if (!filter.GetHandle() || filter.loadedWidth() != width || filter.loadedHeight() != height)
        return failureOf(filter);
    // A step that met a failure on its way (a stretch it could not make)
    // may still hand back an image: not the one asked for.
    const platform::Image* result = step(filter);
    if (!result || filter.failureStatus() != platform::Ok) return failureOf(filter);
    // The top-left part at the loaded size, as 32-bit ARGB: the filter's
    // working image itself when it is just that.
    if (result == filter.GetHandle() && result->format() == platform::kFormat32bppARGB &&
        result->width() == width && result->height() == height) {
        work.adoptImage(filter.releaseResult());
        return platform::Ok;
    }
    return work.CreateFromClone(width, height, result, platform::kFormat32bppARGB);
}

platform::Status BrickPainter::replaceWith(cBitmap& out, const platform::Image* image, int32_t width,
                                           int32_t height)
{
    if (!image) return platform::InvalidParameter;
    cBitmap copy;
    const platform::Status status = copy.CreateFromClone(width, height, image, platform::kFormat32bppARGB);
    if (status != platform::Ok) return status;
    std::shared_ptr<cGDIP> session = out.gdip;
    out = std::move(copy);
    out.gdip = std::move(session);
    return platform::Ok;
}

platform::Status BrickPainter::ApplyBrickColor(cBitmap& work, clsImageFilter& filter, float hue, float saturation,
                                               float luminance)
{
    if (hue == 0.0f && saturation == 0.0f && luminance == 0.0f) return platform::Ok;
    return runFilter(work, filter, [&](clsImageFilter& f) { return f.CreateHSLFilter(hue, saturation, luminance); });
}

platform::Status BrickPainter::FlipBrickImage(cBitmap& work, bool flipH, bool flipV)
{
    if (flipH && flipV) return work.RotateFlip(platform::RotateFlipType::Rotate180FlipNone);
    if (flipH) return work.RotateFlip(platform::RotateFlipType::RotateNoneFlipX);
    if (flipV) return work.RotateFlip(platform::RotateFlipType::RotateNoneFlipY);
    return platform::Ok;
}

platform::Status BrickPainter::ShapeBrickImage(cBitmap& work, clsImageFilter& filter, const LayoutPixelSizes& sizes,
                                               float noiseLength)
{
    if (work.Handle() && work.PixelFormat() != platform::kFormat32bppARGB) {
        const platform::Status status = replaceWith(work, work.Handle(), work.Width(), work.Height());
        if (status != platform::Ok) return status;
    }
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

platform::Status BrickPainter::prepareBrick(const tBrick& b, cBitmap& work, clsImageFilter& filter) const
{
    work.Dispose();
    const std::shared_ptr<cInlineBitmap> image = drawableImage(b);
    if (!image) return platform::InvalidParameter;
    platform::Status status = ResizeBrickImage(work, image->Bitmap, b.Width, b.Height, m_resizeMode);
    if (status == platform::Ok && (work.Width() != b.Width || work.Height() != b.Height))
        status = platform::GenericError;
    if (status == platform::Ok)
        status = ApplyBrickColor(work, filter, static_cast<float>(b.Hue), b.Saturation, b.Luminance);
    if (status == platform::Ok) status = FlipBrickImage(work, b.FlipH, b.FlipV);
    if (status == platform::Ok)
        status = ShapeBrickImage(work, filter, m_sizes, noiseLength(m_project.NoiseFrequency, m_sizes));
    return status;
}

platform::Status BrickPainter::compositeBrick(cGraphics& surface, const cBitmap& work, const tBrick& b,
                                              int32_t canvasWidth)
{
    const platform::Image* image = work.Handle();
    if (!image) return platform::InvalidParameter;
    // A brick, once begun, is composited whole (the event queue still runs).
    const platform::YieldPoint::WholeStep wholeBrick;
    if (platform::Surface* target = surface.Handle())
        target->setCompositingQuality(platform::CompositingQuality::HighQuality);
    const int64_t over = static_cast<int64_t>(b.Left) + work.Width() - canvasWidth;
    if (over <= 0) return surface.DrawImageI(image, b.Left, b.Top);
    const int64_t first = static_cast<int64_t>(canvasWidth) - b.Left;
    if (first <= 0) {
        // Wholly past the edge: drawn once, one canvas width to the left.
        return surface.DrawImageI(image, static_cast<int32_t>(b.Left - static_cast<int64_t>(canvasWidth)), b.Top);
    }
    const int32_t height = work.Height();
    const auto left = static_cast<int32_t>(first);
    const auto right = static_cast<int32_t>(over);
    const platform::Status status = surface.DrawImageRectRectI(image, b.Left, b.Top, left, height, 0, 0, left, height);
    if (status != platform::Ok) return status;
    return surface.DrawImageRectRectI(image, 0, b.Top, right, height, left, 0, right, height);
}

platform::Status BrickPainter::DrawBrick(const tBrick& b, cGraphics& surface, cBitmap& work,
                                         clsImageFilter& filter) const
{
    // A stop leaves the brick undrawn and ends the drawing.
    platform::Status status = platform::GenericError;
    try {
        status = prepareBrick(b, work, filter);
        if (status == platform::Ok) status = compositeBrick(surface, work, b, m_project.Width);
    } catch (const platform::WorkStopped&) {
        work.Dispose();
        throw;
    } catch (const std::bad_alloc&) {
        status = platform::OutOfMemory;
    } catch (...) {
        status = platform::GenericError;
    }
    work.Dispose();
    return status;
}

platform::Status BrickPainter::DrawAllBricks(const std::vector<tBrick>& bricks, cGraphics& surface, cBitmap& work,
                                             clsImageFilter& filter, int workers, const StopPoll& stop,
                                             const BrickDone& done) const
{
    if (workers <= 1 || !parallelPreparation() || bricks.size() < 2)
        return drawSerial(bricks, surface, work, filter, stop, done);
    return drawParallel(bricks, surface, filter, workers, stop, done);
}

platform::Status BrickPainter::drawSerial(const std::vector<tBrick>& bricks, cGraphics& surface, cBitmap& work,
                                          clsImageFilter& filter, const StopPoll& stop, const BrickDone& done) const
{
    const size_t n = bricks.size();
    for (size_t i = 1; i <= n; ++i) {
        if (stop && stop()) break;
        if (DrawBrick(bricks[i - 1], surface, work, filter) == platform::OutOfMemory) return platform::OutOfMemory;
        if (done) done(i, n);
    }
    return platform::Ok;
}

// The prepared state of the bricks in flight, one slot per brick: a filter
// with a random generator of its own, the prepared image with the status
// of its preparation (Ok: ready), and the filter's failure messages (shown
// later on the calling thread).
struct BrickPainter::Slots {
    explicit Slots(size_t count)
        : randoms(count), works(count), statuses(count, platform::InvalidParameter), messages(count)
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
    std::vector<platform::Status> statuses;
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
    slots.statuses[slot] = platform::InvalidParameter;
    if (plan.pixels[index] == 0) return;
    slots.randoms[slot] = plan.starts[index];
    // Nothing may escape a worker: the status tells the compositing thread
    // why a brick was not made.
    try {
        clsImageFilter::MessageDeferral deferral;
        slots.statuses[slot] = prepareBrick(b, slots.works[slot], *slots.filters[slot]);
        slots.messages[slot] = deferral.messages();
    } catch (const std::bad_alloc&) {
        slots.statuses[slot] = platform::OutOfMemory;
        slots.works[slot].Dispose();
    } catch (...) {
        slots.statuses[slot] = platform::GenericError;
        slots.works[slot].Dispose();
    }
}

platform::Status BrickPainter::drawParallel(const std::vector<tBrick>& bricks, cGraphics& surface,
                                            clsImageFilter& filter, int workers, const StopPoll& stop,
                                            const BrickDone& done) const
{
    // The workers prepare bricks ahead while this thread composites them in
    // list order, with its reports.
    const Plan plan = planOutlines(bricks, filter.randomGenerator());
    const size_t count = static_cast<size_t>(std::max(2, workers * kBricksPerWorker));
    Slots slots(count);
    platform::Status failure = platform::Ok;
    platform::OrderedPipeline::run(
        plan.pixels, count, kPreparedPixelBudget,
        [&](size_t i) { prepareInSlot(bricks[i], plan, i, slots, i % count); },
        [&](size_t i) {
            // The poll before each brick is made after the one before it, so
            // a cancel during that brick's report stops the preparations at once.
            if (i == 0 && stop && stop()) return false;
            const size_t slot = i % count;
            clsImageFilter::MessageDeferral::pass(slots.messages[slot]);
            slots.messages[slot].clear();
            platform::Status status = slots.statuses[slot];
            if (status == platform::Ok) status = compositeBrick(surface, slots.works[slot], bricks[i], m_project.Width);
            slots.works[slot].Dispose();
            if (status == platform::OutOfMemory) {
                failure = status;
                return false;
            }
            if (done) done(i + 1, bricks.size());
            return i + 1 == bricks.size() || !(stop && stop());
        },
        kSelfPreparedPixelLimit);
    return failure;
}

}  // namespace kalvora
