#pragma once

#include "platform/Image.h"
#include "platform/ImageSource.h"
#include "platform/PlainImageSource.h"

namespace kalvora::platform {

// An image repeated in both directions, read through a window that reaches
// marginX columns and marginY rows beyond it on every side: pixel (X, Y) of
// the (W + 2 marginX) x (H + 2 marginY) source is image pixel
// ((X - marginX) mod W, (Y - marginY) mod H). Tiled draws read it with a
// periodic mapping, so filter kernels at a tile's edge read the neighbouring
// copy instead of running off the image. Nothing is copied up front.
class WrappingImageSource final : public ImageSource {
public:
    // The caller guarantees margins >= 0 and the widened sizes within int32.
    // Image rows from shownRows on read as transparent.
    WrappingImageSource(const Image& image, int32_t marginX, int32_t marginY, int32_t shownRows = INT32_MAX);

    int32_t width() const override { return m_width; }
    int32_t height() const override { return m_height; }
    const uint8_t* row(int32_t y, int32_t x0, int32_t x1, uint8_t* scratch) const override;
    // The one unshifted copy of a 32bpp ARGB row is offered in place.
    const uint8_t* inPlace(int32_t y, int32_t& begin, int32_t& end) const override;

private:
    int32_t imageRow(int32_t y) const;

    const Image& m_image;
    PlainImageSource m_plain;
    int32_t m_marginX;
    int32_t m_marginY;
    int32_t m_width;
    int32_t m_height;
};

}  // namespace kalvora::platform
