#include "platform/ImageLimits.h"

#include <atomic>
#include <cstdint>

namespace kalvora::platform {

namespace {
std::atomic<int32_t> g_maxSide{ImageLimits::kDefaultMaxSide};
std::atomic<int64_t> g_maxBytes{ImageLimits::kDefaultMaxBytes};
std::atomic<int64_t> g_refusedNth{0};
std::atomic<int64_t> g_countedFromBytes{INT64_MAX};
std::atomic<int64_t> g_counted{0};
}  // namespace

int32_t ImageLimits::maxSide() { return g_maxSide.load(std::memory_order_relaxed); }
int64_t ImageLimits::maxBytes() { return g_maxBytes.load(std::memory_order_relaxed); }

void ImageLimits::set(int32_t maxSide, int64_t maxBytes)
{
    g_maxSide = maxSide;
    g_maxBytes = maxBytes;
}

void ImageLimits::reset()
{
    set(kDefaultMaxSide, kDefaultMaxBytes);
    failAllocation(0, INT64_MAX);
}

bool ImageLimits::allows(int64_t w, int64_t h, int bytesPerPixel)
{
    if (w < 1 || h < 1) return false;
    if (w > maxSide() || h > maxSide()) return false;
    return w * h * bytesPerPixel <= maxBytes();
}

void ImageLimits::failAllocation(int64_t nth, int64_t minBytes)
{
    g_countedFromBytes = INT64_MAX;
    g_counted = 0;
    g_refusedNth = nth;
    g_countedFromBytes = minBytes;
}

int64_t ImageLimits::allocationsCounted() { return g_counted.load(); }

bool ImageLimits::refusesAllocation(int64_t bytes)
{
    if (bytes < g_countedFromBytes.load(std::memory_order_relaxed)) return false;
    return ++g_counted == g_refusedNth.load();
}

}  // namespace kalvora::platform
