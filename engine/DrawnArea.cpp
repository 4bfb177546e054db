#include "engine/DrawnArea.h"

#include <algorithm>

namespace kalvora {

void DrawnArea::markAll() { m_all = true; }

void DrawnArea::mark(int64_t x, int64_t y, int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0) return;
    addSpan(y, y + height);
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
    const platform::PixelRect area = bounds(imageWidth, imageHeight);
    *this = DrawnArea();
    return area;
}

platform::PixelRect DrawnArea::takeRows(int32_t imageWidth, int32_t imageHeight, int64_t maxPixels, int32_t fromRow)
{
    const platform::PixelRect area = bounds(imageWidth, imageHeight);
    if (area.width < 1 || area.height < 1) return take(imageWidth, imageHeight);
    const int64_t bottom = int64_t{area.y} + area.height;
    int64_t top = std::clamp<int64_t>(fromRow, area.y, bottom - 1);
    if (const RowSpan* crossed = spanAcross(top)) top = std::max<int64_t>(crossed->top, area.y);
    int64_t end = std::min(top + std::max<int64_t>(maxPixels / area.width, 1), bottom);
    if (const RowSpan* crossed = spanAcross(end)) end = crossed->top > top ? crossed->top : std::min(crossed->bottom, bottom);
    const platform::PixelRect part{area.x, static_cast<int32_t>(top), area.width, static_cast<int32_t>(end - top)};
    if (top > area.y) return part;
    if (end == bottom) return take(imageWidth, imageHeight);
    // The rows below the part stay marked, with the spans that lie there.
    m_all = false;
    m_empty = false;
    m_left = area.x;
    m_top = end;
    m_right = int64_t{area.x} + area.width;
    m_bottom = bottom;
    std::erase_if(m_spans, [end](const RowSpan& s) { return s.bottom <= end; });
    return part;
}

platform::PixelRect DrawnArea::bounds(int32_t imageWidth, int32_t imageHeight) const
{
    const int64_t w = std::max(imageWidth, 0);
    const int64_t h = std::max(imageHeight, 0);
    if (m_all) return {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)};
    if (m_empty) return {};
    const int64_t left = std::clamp<int64_t>(m_left, 0, w);
    const int64_t top = std::clamp<int64_t>(m_top, 0, h);
    const int64_t right = std::clamp<int64_t>(m_right, left, w);
    const int64_t bottom = std::clamp<int64_t>(m_bottom, top, h);
    return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right - left),
            static_cast<int32_t>(bottom - top)};
}

void DrawnArea::addSpan(int64_t top, int64_t bottom)
{
    // Spans sharing rows with the new one join it; spans that only touch it
    // stay apart, since a copy may end between them.
    auto first = std::find_if(m_spans.begin(), m_spans.end(), [top](const RowSpan& s) { return s.bottom > top; });
    auto last = std::find_if(first, m_spans.end(), [bottom](const RowSpan& s) { return s.top >= bottom; });
    RowSpan joined{top, bottom};
    if (first != last) {
        joined.top = std::min(top, first->top);
        joined.bottom = std::max(bottom, std::prev(last)->bottom);
    }
    m_spans.insert(m_spans.erase(first, last), joined);
}

const DrawnArea::RowSpan* DrawnArea::spanAcross(int64_t row) const
{
    const auto s = std::find_if(m_spans.begin(), m_spans.end(), [row](const RowSpan& span) { return span.bottom > row; });
    return s != m_spans.end() && s->top < row ? &*s : nullptr;
}

}  // namespace kalvora
