#pragma once

#include <cstdint>
#include <memory>

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

}  // namespace kalvora::bench
