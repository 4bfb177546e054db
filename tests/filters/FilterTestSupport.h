#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "platform/Image.h"
#include "platform/PixelFormat.h"
#include "tests/support/TestImages.h"

namespace kalvora::testing {

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }
inline uint32_t alphaOf(uint32_t p) { return p >> 24; }
inline uint32_t redOf(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t greenOf(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t blueOf(uint32_t p) { return p & 0xFF; }

inline void makeSolid(cBitmap& bitmap, int32_t w, int32_t h, uint32_t colour)
{
    makeBitmap(bitmap, w, h, [colour](int32_t, int32_t) { return colour; });
}

// A filter loaded with a one-pixel image of the colour, run through `run`;
// the resulting pixel.
inline uint32_t filterOnePixel(uint32_t colour, const std::function<platform::Image*(clsImageFilter&)>& run)
{
    cBitmap bitmap;
    makeSolid(bitmap, 1, 1, colour);
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    platform::Image* result = run(filter);
    return result ? result->pixelArgb(0, 0) : 0xDEADBEEFu;
}

inline uint32_t pictureOnePixel(uint32_t colour,
                                const std::function<std::unique_ptr<platform::Image>(clsImageFilter&)>& run)
{
    cBitmap bitmap;
    makeSolid(bitmap, 1, 1, colour);
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    std::unique_ptr<platform::Image> result = run(filter);
    return result ? result->pixelArgb(0, 0) : 0xDEADBEEFu;
}

}  // namespace kalvora::testing
