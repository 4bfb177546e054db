#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/cBitmap.h"
#include "platform/Image.h"
#include "platform/Numeric.h"

namespace kalvora::bench {

// Smooth gradients with per-pixel noise in 24bpp RGB, so no codec or filter
// meets a flat image. The same seed always draws the same picture, so other
// programs can be timed on exactly these pixels.
inline std::unique_ptr<platform::Image> makeGradientNoiseImage(int side)
{
    std::unique_ptr<platform::Image> image;
    if (platform::Image::create(side, side, platform::kFormat24bppRGB, image) != platform::Ok) return nullptr;
    uint32_t state = 12345;
    for (int y = 0; y < side; ++y) {
        uint8_t* row = image->row(y);
        for (int x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 27) - 16;
            const int r = x * 255 / (side - 1) + noise;
            const int g = y * 255 / (side - 1) + noise / 2;
            const int b = (x + y) * 255 / (2 * side - 2) - noise;
            row[x * 3 + 0] = uint8_t(platform::clampInt(b, 0, 255));
            row[x * 3 + 1] = uint8_t(platform::clampInt(g, 0, 255));
            row[x * 3 + 2] = uint8_t(platform::clampInt(r, 0, 255));
        }
    }
    return image;
}

// The window benchmarks' texture, side x side in 32bpp ARGB: gradients and
// fine grain, opaque or with alpha varying from 128 to 255.
inline void makeGrainTexture(cBitmap& bitmap, int32_t side, bool opaque)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(side) * side * 4);
    uint32_t state = 0x2545F491u;
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * side + x) * 4];
            p[0] = static_cast<uint8_t>(x / 16 + (state >> 28));
            p[1] = static_cast<uint8_t>(y / 16 + (state >> 29));
            p[2] = static_cast<uint8_t>((x ^ y) / 32);
            p[3] = opaque ? 255 : static_cast<uint8_t>(128 + (state >> 25));
        }
    bitmap.CreateFromScan0(side, side, side * 4, platform::kFormat32bppARGB, pixels.data());
}

}  // namespace kalvora::bench
