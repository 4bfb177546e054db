#include "platform/PlainImageSource.h"

#include <cstring>

namespace kalvora::platform {

const uint8_t* PlainImageSource::row(int32_t y, int32_t x0, int32_t x1, uint8_t* scratch) const
{
    if (y >= m_shownRows) {
        std::memset(scratch, 0, static_cast<size_t>(x1 - x0) * 4);
        return scratch;
    }
    PixelFormatId format = m_image.format();
    const uint8_t* line = m_image.pixel(x0, y);
    if (format == kFormat32bppARGB) return line;
    convertRow(line, format, scratch, kFormat32bppARGB, x1 - x0);
    return scratch;
}

const uint8_t* PlainImageSource::inPlace(int32_t y, int32_t& begin, int32_t& end) const
{
    begin = 0;
    end = m_image.format() == kFormat32bppARGB && y < m_shownRows ? m_image.width() : 0;
    return end ? m_image.row(y) : nullptr;
}

}  // namespace kalvora::platform
