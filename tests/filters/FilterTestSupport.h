#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "platform/Image.h"
#include "platform/PixelFormat.h"

namespace kalvora::testing {

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }
inline uint32_t alphaOf(uint32_t p) { return p >> 24; }
inline uint32_t redOf(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t greenOf(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t blueOf(uint32_t p) { return p & 0xFF; }

// A w x h 32bpp ARGB bitmap whose pixel (x, y) is colour(x, y).
inline void makeBitmap(cBitmap& bitmap, int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& colour,
                       platform::PixelFormatId format = platform::kFormat32bppARGB)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = colour(x, y);
    cBitmap argbBitmap;
    argbBitmap.CreateFromScan0(w, h, w * 4, platform::kFormat32bppARGB, reinterpret_cast<const uint8_t*>(pixels.data()));
    if (format == platform::kFormat32bppARGB) {
        bitmap = std::move(argbBitmap);
        return;
    }
    bitmap.CreateFromClone(w, h, argbBitmap.Handle(), format);
}

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
