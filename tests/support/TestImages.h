#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"

namespace kalvora::testing {

// A w x h 32bpp ARGB bitmap whose pixel (x, y) is colour(x, y).
inline void makeBitmap(cBitmap& bitmap, int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& colour,
                       platform::PixelFormatId format = platform::kFormat32bppARGB)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = colour(x, y);
    cBitmap argbBitmap;
    argbBitmap.CreateFromScan0(w, h, w * 4, platform::kFormat32bppARGB,
                               reinterpret_cast<const uint8_t*>(pixels.data()));
    if (format == platform::kFormat32bppARGB) {
        bitmap = std::move(argbBitmap);
        return;
    }
    bitmap.CreateFromClone(w, h, argbBitmap.Handle(), format);
}

}  // namespace kalvora::testing
