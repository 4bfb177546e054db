#include "uicore/ImageMemoryReserve.h"

#include <system_error>

namespace kalvora {

namespace {

// One step of readying; a stop waits for one step at most.
constexpr int64_t kStepBytes = int64_t(2) << 20;

}  // namespace

ImageMemoryReserve::~ImageMemoryReserve() { stopReadying(); }

bool ImageMemoryReserve::suits(int64_t capacity, int64_t bytes) { return bytes <= capacity && 2 * bytes >= capacity; }

void ImageMemoryReserve::reserve(int32_t width, int32_t height, platform::PixelFormatId format)
{
    if (holds(width, height, format)) return;
    release();
    if (platform::Image::createUnbacked(width, height, format, m_image) != platform::Ok) {
        m_image.reset();
        return;
    }
    platform::Image* image = m_image.get();
    if (image->capacity() <= kStepBytes) {
        image->touchMemory(0, kStepBytes);
        m_ready = true;
        return;
    }
    m_stop = false;
    try {
        m_readier = std::thread([this, image] {
            const int64_t capacity = image->capacity();
            for (int64_t offset = 0; offset < capacity && !m_stop.load(std::memory_order_relaxed);
                 offset += kStepBytes)
                image->touchMemory(offset, kStepBytes);
            m_ready.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        // No thread: the memory is taken as it is, and the first copy into
        // it backs it.
        m_ready = true;
    }
}

bool ImageMemoryReserve::holds(int32_t width, int32_t height, platform::PixelFormatId format) const
{
    return m_image && width >= 1 && height >= 1 &&
           suits(m_image->capacity(), platform::Image::byteSizeFor(width, height, format));
}

std::unique_ptr<platform::Image> ImageMemoryReserve::take(int32_t width, int32_t height,
                                                          platform::PixelFormatId format)
{
    if (!holds(width, height, format)) return nullptr;
    stopReadying();
    if (m_image->reshape(width, height, format) != platform::Ok) return nullptr;
    m_ready = false;
    return std::move(m_image);
}

void ImageMemoryReserve::release()
{
    stopReadying();
    m_image.reset();
    m_ready = false;
}

void ImageMemoryReserve::stopReadying()
{
    if (!m_readier.joinable()) return;
    m_stop = true;
    m_readier.join();
}

}  // namespace kalvora
