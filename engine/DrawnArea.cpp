#include "engine/DrawnArea.h"

#include <algorithm>

namespace kalvora {

void DrawnArea::markAll() { m_all = true; }

void DrawnArea::mark(int64_t x, int64_t y, int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0) return;
    if (m_empty) {
        m_left = x;
        m_top = y;
        m_right = x + width;
        m_bottom = y + height;
        m_empty = false;
        return;
    }
    m_left = std::min(m_left, x);
    m_top = std::min(m_top, y);
    m_right = std::max(m_right, x + width);
    m_bottom = std::max(m_bottom, y + height);
}

void DrawnArea::markWrapping(int64_t x, int64_t y, int64_t width, int64_t height, int64_t wrapWidth)
{
    if (x + width <= wrapWidth)
        mark(x, y, width, height);
    else if (x >= wrapWidth)
        mark(x - wrapWidth, y, width, height);
    else
        mark(0, y, wrapWidth, height);
}

platform::PixelRect DrawnArea::take(int32_t imageWidth, int32_t imageHeight)
{
    const int64_t w = std::max(imageWidth, 0);
    const int64_t h = std::max(imageHeight, 0);
    platform::PixelRect area;
    if (m_all) {
        area = {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)};
    } else if (!m_empty) {
        const int64_t left = std::clamp<int64_t>(m_left, 0, w);
        const int64_t top = std::clamp<int64_t>(m_top, 0, h);
        const int64_t right = std::clamp<int64_t>(m_right, left, w);
        const int64_t bottom = std::clamp<int64_t>(m_bottom, top, h);
        area = {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right - left),
                static_cast<int32_t>(bottom - top)};
    }
    *this = DrawnArea();
    return area;
}

}  // namespace kalvora
