#include "platform/ImageLimits.h"

#include <atomic>

namespace kalvora::platform {

namespace {
std::atomic<int32_t> g_maxSide{ImageLimits::kDefaultMaxSide};
std::atomic<int64_t> g_maxBytes{ImageLimits::kDefaultMaxBytes};
}  // namespace

int32_t ImageLimits::maxSide() { return g_maxSide.load(std::memory_order_relaxed); }
int64_t ImageLimits::maxBytes() { return g_maxBytes.load(std::memory_order_relaxed); }

void ImageLimits::set(int32_t maxSide, int64_t maxBytes)
{
    g_maxSide = maxSide;
    g_maxBytes = maxBytes;
}

void ImageLimits::reset() { set(kDefaultMaxSide, kDefaultMaxBytes); }

bool ImageLimits::allows(int64_t w, int64_t h, int bytesPerPixel)
{
    if (w < 1 || h < 1) return false;
    if (w > maxSide() || h > maxSide()) return false;
    return w * h * bytesPerPixel <= maxBytes();
}

}  // namespace kalvora::platform
