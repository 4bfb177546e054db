#include "uicore/ImageMemoryReserve.h"

namespace kalvora {

namespace {

// One step of readying: a few large pages, a few milliseconds at most.
constexpr int64_t kStepBytes = int64_t(8) << 20;

}  // namespace

void ImageMemoryReserve::reserve(int32_t width, int32_t height, platform::PixelFormatId format)
{
    if (holds(width, height, format)) return;
    m_image.reset();
    m_readyBytes = 0;
    if (platform::Image::create(width, height, format, m_image) != platform::Ok) {
        m_image.reset();
        return;
    }
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
    return m_image && width >= 1 && height >= 1 && platform::Image::byteSizeFor(width, height, format) <= m_image->capacity();
}

std::unique_ptr<platform::Image> ImageMemoryReserve::take(int32_t width, int32_t height,
                                                          platform::PixelFormatId format)
{
    if (!m_image || m_image->reshape(width, height, format) != platform::Ok) return nullptr;
    m_readyBytes = 0;
    return std::move(m_image);
}

}  // namespace kalvora
