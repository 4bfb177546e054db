#pragma once

#include "platform/Image.h"
#include "platform/ImageSource.h"

#include <cstdint>

namespace kalvora::platform {

// An image of any supported format read as straight ARGB rows; 32bpp ARGB
// rows are handed out in place, other formats are converted into scratch.
// Rows from shownRows on read as transparent: a picture whose lower rows
// have not come yet.
class PlainImageSource final : public ImageSource {
public:
    explicit PlainImageSource(const Image& image, int32_t shownRows = INT32_MAX)
        : m_image(image), m_shownRows(shownRows)
    {
    }

    int32_t width() const override { return m_image.width(); }
    int32_t height() const override { return m_image.height(); }
    const uint8_t* row(int32_t y, int32_t x0, int32_t x1, uint8_t* scratch) const override;
    const uint8_t* inPlace(int32_t y, int32_t& begin, int32_t& end) const override;

private:
    const Image& m_image;
    int32_t m_shownRows;
};

}  // namespace kalvora::platform
