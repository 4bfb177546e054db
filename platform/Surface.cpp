#include "platform/Surface.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/Compositor.h"
#include "platform/PaddedImageSource.h"
#include "platform/PlainImageSource.h"
#include "platform/Resampler.h"
#include "platform/WrappingImageSource.h"

namespace kalvora::platform {

namespace {

bool finite(const RectF& r)
{
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

bool integral(double v) { return std::floor(v) == v; }

// The image a draw reads: the source itself, or a copy of it when it is the
// target, so no pixel is read after it has been written.
Status readableSource(const Image& src, const Image& target, std::unique_ptr<Image>& copy, const Image*& image)
{
    image = &src;
    if (&src != &target) return Ok;
    const Status s = src.clone(copy);
    if (s == Ok) image = copy.get();
    return s;
}

// The destination pixels of one axis that get drawn: centre inside the
// destination span and inside the target, mapped centre inside the source.
// Returns false when none are.
bool drawnRange(const AxisMapping& map, int32_t targetLimit, int32_t sourceLimit, int32_t& j0, int32_t& j1)
{
    double lo = std::max(std::ceil(map.dst - 0.5), 0.0);
    double hi = std::min(std::ceil(map.dst + map.dstLen - 0.5), static_cast<double>(targetLimit));
    if (!(lo < hi)) return false;
    // The mapping rises with j; start from estimates of where it crosses 0 and
    // the source's end, then settle on the exact pixels with sourceAt itself.
    const double ratio = map.dstLen / map.srcLen;
    const double enter = map.dst - 0.5 - map.src * ratio;
    const double leave = map.dst - 0.5 + (sourceLimit - map.src) * ratio;
    if (enter > lo) lo = std::min(hi, std::floor(enter) - 1.0);
    if (leave < hi) hi = std::max(lo, std::ceil(leave) + 1.0);
    lo = std::max(lo, std::max(std::ceil(map.dst - 0.5), 0.0));
    hi = std::min(hi, std::min(std::ceil(map.dst + map.dstLen - 0.5), static_cast<double>(targetLimit)));
    if (!(lo < hi)) return false;
    int32_t a = static_cast<int32_t>(lo);
    int32_t b = static_cast<int32_t>(hi);
    while (a < b && map.sourceAt(a) < 0.0) ++a;
    while (b > a && map.sourceAt(b - 1) >= sourceLimit) --b;
    j0 = a;
    j1 = b;
    return a < b;
}

void kernelFor(InterpolationMode mode, ResampleKernel& kernel, bool& widen)
{
    widen = false;
    switch (mode) {
    case InterpolationMode::NearestNeighbor: kernel = ResampleKernel::Nearest; return;
    case InterpolationMode::Bicubic: kernel = ResampleKernel::Cubic; return;
    case InterpolationMode::HighQualityBilinear:
        kernel = ResampleKernel::Linear;
        widen = true;
        return;
    case InterpolationMode::HighQuality:
    case InterpolationMode::HighQualityBicubic:
        kernel = ResampleKernel::Cubic;
        widen = true;
        return;
    default: kernel = ResampleKernel::Linear; return;
    }
}

}  // namespace

std::optional<InterpolationMode> interpolationModeFromNumber(int32_t number)
{
    if (number < 0 || number > static_cast<int32_t>(InterpolationMode::HighQualityBicubic)) return std::nullopt;
    return static_cast<InterpolationMode>(number);
}

Surface::Surface(Image& target) : m_target(target) {}

Status Surface::clear(uint32_t argb)
{
    Compositor::fill(m_target, argb);
    return Ok;
}

Status Surface::drawImage(const Image& src, int32_t x, int32_t y)
{
    return drawImageRectRect(src, x, y, src.width(), src.height(), 0, 0, src.width(), src.height());
}

Status Surface::drawImageRect(const Image& src, int32_t x, int32_t y, int32_t w, int32_t h)
{
    return drawImageRectRect(src, x, y, w, h, 0, 0, src.width(), src.height());
}

Status Surface::drawImageRectRect(const Image& src, int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx,
                                  int32_t sy, int32_t sw, int32_t sh, const ImageAttributes* attributes)
{
    return drawImageRectRectF(src, RectF{double(dx), double(dy), double(dw), double(dh)},
                              RectF{double(sx), double(sy), double(sw), double(sh)}, attributes);
}

Status Surface::drawImageRectRectF(const Image& src, const RectF& dst, const RectF& srcRect,
                                   const ImageAttributes* attributes, int32_t shownRows)
{
    if (!finite(dst) || !finite(srcRect)) return InvalidParameter;
    std::unique_ptr<Image> copy;
    const Image* image = nullptr;
    const Status s = readableSource(src, m_target, copy, image);
    if (s != Ok) return s;
    return draw(PlainImageSource(*image, shownRows), dst, srcRect, attributes);
}

Status Surface::drawImagePadded(const Image& src, int32_t pad, int32_t dx, int32_t dy, int32_t dw, int32_t dh)
{
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    if (pad < 0 || src.width() + 2 * int64_t(pad) > kMax || src.height() + 2 * int64_t(pad) > kMax)
        return InvalidParameter;
    std::unique_ptr<Image> copy;
    const Image* image = nullptr;
    const Status s = readableSource(src, m_target, copy, image);
    if (s != Ok) return s;
    return draw(PaddedImageSource(*image, pad), RectF{double(dx), double(dy), double(dw), double(dh)},
                RectF{double(pad), double(pad), double(src.width()), double(src.height())}, nullptr);
}

Status Surface::draw(const ImageSource& source, const RectF& dst, const RectF& srcRect,
                     const ImageAttributes* attributes)
{
    // Empty or reversed rectangles draw nothing.
    if (!(dst.width > 0) || !(dst.height > 0) || !(srcRect.width > 0) || !(srcRect.height > 0)) return Ok;
    ResampleJob job;
    job.source = &source;
    job.target = &m_target;
    job.mapX = AxisMapping{dst.x + m_translateX, dst.width, srcRect.x, srcRect.width};
    job.mapY = AxisMapping{dst.y + m_translateY, dst.height, srcRect.y, srcRect.height};
    if (!std::isfinite(job.mapX.dst) || !std::isfinite(job.mapY.dst)) return InvalidParameter;
    if (!drawnRange(job.mapX, m_target.width(), source.width(), job.x0, job.x1)) return Ok;
    if (!drawnRange(job.mapY, m_target.height(), source.height(), job.y0, job.y1)) return Ok;
    kernelFor(m_interpolation, job.kernel, job.widen);
    // Unscaled at whole pixels: every destination pixel is one source pixel.
    const bool unscaled = dst.width == srcRect.width && dst.height == srcRect.height && integral(job.mapX.dst) &&
                          integral(job.mapY.dst) && integral(srcRect.x) && integral(srcRect.y);
    if (unscaled) job.kernel = ResampleKernel::Nearest;
    job.attributes = attributes;
    job.useThreadPool = m_useThreadPool;
    return Resampler::run(job);
}

Status Surface::drawImageTiled(const Image& src, const RectF& tile, int32_t shownRows)
{
    if (!finite(tile)) return InvalidParameter;
    if (!(tile.width > 0) || !(tile.height > 0)) return Ok;
    const double scaleX = src.width() / tile.width;
    const double scaleY = src.height() / tile.height;
    constexpr double kMostCopiesPerPixel = 1024.0;
    if (scaleX > kMostCopiesPerPixel * src.width() || scaleY > kMostCopiesPerPixel * src.height())
        return InvalidParameter;
    std::unique_ptr<Image> copy;
    const Image* image = nullptr;
    const Status s = readableSource(src, m_target, copy, image);
    if (s != Ok) return s;

    ResampleJob job;
    kernelFor(m_interpolation, job.kernel, job.widen);
    const double x = tile.x + m_translateX;
    const double y = tile.y + m_translateY;
    if (scaleX == 1.0 && scaleY == 1.0 && integral(x) && integral(y)) job.kernel = ResampleKernel::Nearest;
    // Room around the image for the widest kernel, so no tap is ever cut off.
    auto margin = [&](double scale) {
        if (job.kernel == ResampleKernel::Nearest) return 0;
        return static_cast<int32_t>(std::ceil(2.0 * (job.widen ? std::max(1.0, scale) : 1.0))) + 2;
    };
    const int32_t marginX = margin(scaleX);
    const int32_t marginY = margin(scaleY);
    const WrappingImageSource source(*image, marginX, marginY, shownRows);
    job.source = &source;
    job.target = &m_target;
    job.mapX = AxisMapping{
        x, tile.width, double(marginX), double(image->width()), double(image->width()), double(marginX)};
    job.mapY = AxisMapping{
        y, tile.height, double(marginY), double(image->height()), double(image->height()), double(marginY)};
    job.x1 = m_target.width();
    job.y1 = m_target.height();
    job.useThreadPool = m_useThreadPool;
    return Resampler::run(job);
}

void Surface::translateTransform(double dx, double dy)
{
    m_translateX += dx;
    m_translateY += dy;
}

void Surface::resetTransform()
{
    m_translateX = 0;
    m_translateY = 0;
}

}  // namespace kalvora::platform
