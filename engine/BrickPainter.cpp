#include "engine/BrickPainter.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <utility>

#include "engine/cBrickData.h"
#include "filters/clsImageFilter.h"
#include "imaging/UISupport.h"
#include "imaging/cBitmap.h"
#include "imaging/cGraphics.h"
#include "platform/PixelFormat.h"
#include "platform/Surface.h"
#include "platform/ThreadPool.h"

namespace kalvora {

namespace {

// Bricks prepared ahead per worker, and the most brick pixels one batch
// prepares (each slot holds a few copies of its brick).
constexpr int kBricksPerWorker = 8;
constexpr int64_t kBatchPixelBudget = int64_t(16) << 20;

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
    filter.SetBitmapIn(work);
    work.Dispose();
    if (!filter.GetHandle() || filter.loadedWidth() != width || filter.loadedHeight() != height) return false;
    const platform::Image* result = step(filter);
    if (!result) return false;
    // The top-left part at the loaded size, as 32-bit ARGB.
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
    // A brick that cannot be made (memory running out) is skipped; the run goes on.
    try {
        if (prepareBrick(b, work, filter)) compositeBrick(surface, work, b, m_project.Width);
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

// The bricks of one batch, prepared on the thread pool: per slot a filter
// with a random generator of its own, the prepared image, whether it is
// ready, and the filter's failure messages (shown later on the calling thread).
struct BrickPainter::Batch {
    explicit Batch(size_t slots) : randoms(slots), works(slots), ready(slots, 0), messages(slots)
    {
        filters.reserve(slots);
        for (size_t j = 0; j < slots; ++j) {
            filters.push_back(std::make_unique<clsImageFilter>());
            filters[j]->setParallelRows(false);
            filters[j]->setRandomGenerator(&randoms[j]);
        }
    }

    size_t start = 0;
    size_t count = 0;
    std::vector<std::unique_ptr<clsImageFilter>> filters;
    std::vector<platform::RandomGenerator> randoms;
    std::vector<cBitmap> works;
    std::vector<char> ready;
    std::vector<std::vector<clsImageFilter::MessageDeferral::Message>> messages;
};

void BrickPainter::planBatch(Batch& batch, const std::vector<tBrick>& bricks, size_t start,
                             platform::RandomGenerator& random) const
{
    // Every brick's outline starts from the state the serial run would have
    // reached, fixed here in list order.
    const float length = noiseLength(m_project.NoiseFrequency, m_sizes);
    batch.start = start;
    batch.count = 0;
    int64_t pixels = 0;
    while (start + batch.count < bricks.size() && batch.count < batch.ready.size() &&
           (batch.count == 0 || pixels < kBatchPixelBudget)) {
        const size_t slot = batch.count++;
        const tBrick& b = bricks[start + slot];
        batch.ready[slot] = drawableImage(b) ? 1 : 0;
        if (!batch.ready[slot]) continue;
        batch.randoms[slot] = random;
        skipOutlineDraws(random, b.Width, b.Height, length);
        pixels += static_cast<int64_t>(b.Width) * b.Height;
    }
}

void BrickPainter::prepareSlot(Batch& batch, const std::vector<tBrick>& bricks, size_t slot) const
{
    if (!batch.ready[slot]) return;
    // Nothing may escape a worker: a brick that cannot be made is skipped.
    try {
        clsImageFilter::MessageDeferral deferral;
        batch.ready[slot] = prepareBrick(bricks[batch.start + slot], batch.works[slot], *batch.filters[slot]);
        batch.messages[slot] = deferral.messages();
    } catch (...) {
        batch.ready[slot] = 0;
        batch.works[slot].Dispose();
    }
}

bool BrickPainter::compositeBatch(Batch& batch, const std::vector<tBrick>& bricks, cGraphics& surface,
                                  const StopPoll& stop, const BrickDone& done) const
{
    for (size_t j = 0; j < batch.count; ++j) {
        if (stop && stop()) return false;
        clsImageFilter::MessageDeferral::showAll(batch.messages[j]);
        batch.messages[j].clear();
        if (batch.ready[j]) compositeBrick(surface, batch.works[j], bricks[batch.start + j], m_project.Width);
        batch.works[j].Dispose();
        if (done) done(batch.start + j + 1, bricks.size());
    }
    return true;
}

void BrickPainter::drawParallel(const std::vector<tBrick>& bricks, cGraphics& surface, clsImageFilter& filter,
                                int workers, const StopPoll& stop, const BrickDone& done) const
{
    // Two batches take turns: while this thread composites one in list
    // order (with its reports), the workers prepare the next.
    const size_t slots = static_cast<size_t>(std::max(2, workers * kBricksPerWorker));
    Batch first(slots);
    Batch second(slots);
    Batch* current = &first;
    Batch* next = &second;
    platform::RandomGenerator& random = filter.randomGenerator();
    const auto prepareAll = [&](Batch& batch, const std::function<void()>& alongside) {
        const std::thread::id caller = std::this_thread::get_id();
        platform::ThreadPool::parallelFor(0, static_cast<int64_t>(batch.count), 1, [&](int64_t begin, int64_t end) {
            if (alongside && std::this_thread::get_id() == caller) alongside();
            for (int64_t j = begin; j < end; ++j) prepareSlot(batch, bricks, static_cast<size_t>(j));
        });
    };

    planBatch(*current, bricks, 0, random);
    prepareAll(*current, nullptr);
    while (current->count > 0) {
        planBatch(*next, bricks, current->start + current->count, random);
        bool composited = false;
        bool stopped = false;
        const std::function<void()> compositeCurrent = [&] {
            if (composited) return;
            composited = true;
            stopped = !compositeBatch(*current, bricks, surface, stop, done);
        };
        prepareAll(*next, compositeCurrent);
        compositeCurrent();
        if (stopped) return;
        std::swap(current, next);
    }
}

}  // namespace kalvora
