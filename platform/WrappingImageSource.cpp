#include "platform/WrappingImageSource.h"

#include <algorithm>
#include <cstring>

namespace kalvora::platform {

namespace {

int32_t wrap(int64_t v, int32_t n)
{
    const int64_t r = v % n;
    return static_cast<int32_t>(r < 0 ? r + n : r);
}

}  // namespace

WrappingImageSource::WrappingImageSource(const Image& image, int32_t marginX, int32_t marginY, int32_t shownRows)
    : m_image(image),
      m_plain(image, shownRows),
      m_marginX(marginX),
      m_marginY(marginY),
      m_width(image.width() + 2 * marginX),
      m_height(image.height() + 2 * marginY)
{
}

int32_t WrappingImageSource::imageRow(int32_t y) const { return wrap(int64_t(y) - m_marginY, m_image.height()); }

const uint8_t* WrappingImageSource::row(int32_t y, int32_t x0, int32_t x1, uint8_t* scratch) const
{
    const int32_t w = m_image.width();
    const int32_t sourceY = imageRow(y);
    int32_t x = wrap(int64_t(x0) - m_marginX, w);
    int32_t left = x1 - x0;
    if (x + left <= w) return m_plain.row(sourceY, x, x + left, scratch);
    // The run crosses the image's right edge: copy it one period at a time.
    uint8_t* out = scratch;
    while (left > 0) {
        const int32_t n = std::min(left, w - x);
        const uint8_t* part = m_plain.row(sourceY, x, x + n, out);
        if (part != out) std::memcpy(out, part, 4 * static_cast<size_t>(n));
        out += 4 * static_cast<size_t>(n);
        left -= n;
        x = 0;
    }
    return scratch;
}

const uint8_t* WrappingImageSource::inPlace(int32_t y, int32_t& begin, int32_t& end) const
{
    const uint8_t* run = m_plain.inPlace(imageRow(y), begin, end);
    if (!run) return nullptr;
    begin += m_marginX;
    end += m_marginX;
    return run;
}

}  // namespace kalvora::platform
