#include "platform/PaddedImageSource.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kalvora::platform {

PaddedImageSource::PaddedImageSource(const Image& image, int32_t pad)
    : m_image(image),
      m_pad(pad),
      m_paddedWidth(image.width() + 2 * pad),
      m_paddedHeight(image.height() + 2 * pad)
{
    if (pad == 0) return;
    try {
        m_firstColumn.resize(4 * static_cast<size_t>(image.height()));
        m_lastColumn.resize(4 * static_cast<size_t>(image.height()));
    } catch (const std::bad_alloc&) {
        m_firstColumn.clear();
        m_lastColumn.clear();
        return;
    }
    for (int32_t y = 0; y < image.height(); ++y) {
        copyPixel(0, y, &m_firstColumn[4 * static_cast<size_t>(y)]);
        copyPixel(image.width() - 1, y, &m_lastColumn[4 * static_cast<size_t>(y)]);
    }
}

void PaddedImageSource::copyEdgePixel(const std::vector<uint8_t>& column, int32_t sx, int32_t sy, uint8_t* out) const
{
    if (column.empty())
        copyPixel(sx, sy, out);
    else
        std::memcpy(out, &column[4 * static_cast<size_t>(sy)], 4);
}

void PaddedImageSource::copyPixel(int32_t sx, int32_t sy, uint8_t* out) const
{
    const PixelFormatId format = m_image.format();
    storeArgb(out, kFormat32bppARGB, loadArgb(m_image.pixel(sx, sy), format));
}

const uint8_t* PaddedImageSource::inPlace(int32_t y, int32_t& begin, int32_t& end) const
{
    begin = end = 0;
    if (m_image.format() != kFormat32bppARGB || y < m_pad || y >= m_paddedHeight - m_pad) return nullptr;
    begin = m_pad;
    end = m_pad + m_image.width();
    return m_image.row(y - m_pad);
}

const uint8_t* PaddedImageSource::row(int32_t y, int32_t x0, int32_t x1, uint8_t* scratch) const
{
    const int64_t w = m_image.width();
    const int64_t h = m_image.height();
    const int64_t wp = m_paddedWidth;
    const int64_t hp = m_paddedHeight;
    const int32_t level = std::min({y, m_paddedHeight - 1 - y, m_pad});
    uint8_t* out = scratch;

    // Left of the band this row's level covers, the level is the column's
    // own, i = X < pad, so the source column floor(0.5 W / (W + 2 (pad - X)))
    // is always 0; right of it likewise always W - 1. Only the source row
    // varies, read from the cached edge columns.
    int32_t x = x0;
    for (; x < x1 && x < level; ++x, out += 4) copyEdgePixel(m_firstColumn, 0, sourceIndex(y, x, h, hp), out);

    // The band: one source row stretched over Wp - 2 level columns.
    const int32_t bandEnd = std::min(x1, m_paddedWidth - level);
    if (x < bandEnd) {
        const int32_t sy = sourceIndex(y, level, h, hp);
        if (level == m_pad) {
            // The unscaled image itself.
            convertRow(m_image.pixel(x - m_pad, sy), m_image.format(), out, kFormat32bppARGB, bandEnd - x);
            out += 4 * static_cast<int64_t>(bandEnd - x);
            x = bandEnd;
        } else {
            // Nearest-neighbour stretch stepped without division.
            const int64_t den = 2 * (wp - 2 * int64_t(level));
            int64_t num = (2 * (int64_t(x) - level) + 1) * w;
            int64_t q = num / den;
            int64_t r = num % den;
            for (; x < bandEnd; ++x, out += 4) {
                copyPixel(static_cast<int32_t>(q), sy, out);
                r += 2 * w;
                while (r >= den) {
                    r -= den;
                    ++q;
                }
            }
        }
    }

    // Right of the band: the level again is the column's own.
    for (; x < x1; ++x, out += 4)
        copyEdgePixel(m_lastColumn, static_cast<int32_t>(w - 1), sourceIndex(y, m_paddedWidth - 1 - x, h, hp), out);
    return scratch;
}

}  // namespace kalvora::platform
