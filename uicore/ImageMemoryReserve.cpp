#include "uicore/ImageMemoryReserve.h"

#include <algorithm>

namespace kalvora {

namespace {

// One step of readying: one large page, a few milliseconds at most.
constexpr int64_t kStepBytes = int64_t(2) << 20;

}  // namespace

void ImageMemoryReserve::reserve(int32_t width, int32_t height, platform::PixelFormatId format)
{
    if (holds(width, height, format)) return;
    m_image.reset();
    m_readyBytes = 0;
    m_gatheredRows = 0;
    if (platform::Image::createUnbacked(width, height, format, m_image) != platform::Ok) {
        m_image.reset();
        return;
    }
    m_image->preferSmallPages();
    // Memory of one step is readied at once: it costs no more than a step.
    if (m_image->capacity() <= kStepBytes) {
        m_image->touchMemory(0, kStepBytes);
        m_readyBytes = m_image->capacity();
    }
}

bool ImageMemoryReserve::ready(int64_t budgetMs, const std::function<int64_t()>& clock)
{
    if (!m_image) return false;
    const int64_t start = clock();
    while (!isReady()) {
        m_image->touchMemory(m_readyBytes, kStepBytes);
        m_readyBytes += kStepBytes;
        if (clock() - start >= budgetMs) break;
    }
    return isReady();
}

bool ImageMemoryReserve::holds(int32_t width, int32_t height, platform::PixelFormatId format) const
{
    return m_image && width >= 1 && height >= 1 &&
           platform::Image::byteSizeFor(width, height, format) <= m_image->capacity();
}

bool ImageMemoryReserve::gather(const platform::Image& source, const platform::PixelRect& area)
{
    if (!isReady()) return false;
    const bool sameShape = m_image->width() == source.width() && m_image->height() == source.height() &&
                           m_image->format() == source.format();
    if (!sameShape) {
        if (m_image->reshape(source.width(), source.height(), source.format()) != platform::Ok) return false;
        m_gatheredRows = 0;
    }
    if (m_image->copyPixelsFrom(source, area) != platform::Ok) return false;
    if (area.x <= 0 && area.x + area.width >= source.width() && area.y <= m_gatheredRows)
        m_gatheredRows = std::max(m_gatheredRows, area.y + area.height);
    return true;
}

std::unique_ptr<platform::Image> ImageMemoryReserve::exchange(std::unique_ptr<platform::Image> replaced)
{
    std::unique_ptr<platform::Image> gathered = std::move(m_image);
    m_image = std::move(replaced);
    m_readyBytes = m_image ? m_image->capacity() : 0;
    m_gatheredRows = 0;
    return gathered;
}

}  // namespace kalvora
