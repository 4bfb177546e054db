#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Image.h"

namespace kalvora {

// Memory for an image of a size still to come, made ready ahead in short
// steps. A large image in fresh memory takes a page fault for every page
// at its first write, a good part of a second for 1 GiB, which a window
// cannot spend inside one report of a run; the steps spread it over the
// run's yields.
class ImageMemoryReserve {
public:
    // Memory for an image of that shape. Memory held already is kept when
    // it holds the shape; otherwise it is replaced by fresh memory (nothing
    // is held when that cannot be had), ready at once when it is small.
    void reserve(int32_t width, int32_t height, platform::PixelFormatId format);
    // Readies the next parts of the memory until budgetMs have passed on
    // the clock (at least one part); true when all of it is ready.
    bool ready(int64_t budgetMs, const std::function<int64_t()>& clock);
    bool isReady() const { return m_image && m_readyBytes >= m_image->capacity(); }
    // Whether the memory held holds an image of that shape.
    bool holds(int32_t width, int32_t height, platform::PixelFormatId format) const;
    int64_t capacity() const { return m_image ? m_image->capacity() : 0; }
    // The memory as an image of that shape, its pixels unspecified; null
    // when none held holds it. The reserve is empty afterwards.
    std::unique_ptr<platform::Image> take(int32_t width, int32_t height, platform::PixelFormatId format);

private:
    std::unique_ptr<platform::Image> m_image;
    int64_t m_readyBytes = 0;
};

}  // namespace kalvora
