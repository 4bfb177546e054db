#pragma once

#include <cstdint>
#include <vector>

#include "platform/Resampler.h"

// The row loops of the resampler. Every loop exists in a portable form and,
// where the processor offers them, in SSE2 and AVX forms that perform the
// same single-precision operations in the same order on every lane, so the
// bytes never depend on which form ran.
namespace kalvora::platform::resample {

// Four channels B, G, R, A of one pixel; the compiler maps it onto one SIMD
// register and keeps IEEE single precision per lane.
typedef float Pixel4 __attribute__((vector_size(16)));

// Pixels whose R, G and B all lie inside the key's range are not drawn.
struct ColorKey {
    bool active = false;
    uint8_t low[3] = {};
    uint8_t high[3] = {};

    explicit ColorKey(const ImageAttributes* attributes)
    {
        if (!attributes || !attributes->hasColorKey) return;
        active = true;
        for (int c = 0; c < 3; ++c) {
            low[c] = static_cast<uint8_t>(attributes->keyLow >> (8 * c));
            high[c] = static_cast<uint8_t>(attributes->keyHigh >> (8 * c));
        }
    }

    bool keyed(const uint8_t* p) const
    {
        return p[0] >= low[0] && p[0] <= high[0] && p[1] >= low[1] && p[1] <= high[1] &&
               p[2] >= low[2] && p[2] <= high[2];
    }
};

// Straight B, G, R, A bytes to premultiplied floats: colour times alpha
// (0 .. 65025, exact) and alpha; keyed pixels become transparent.
void premultiplyRow(const uint8_t* bgra, int32_t count, Pixel4* out, const ColorKey& key);

// Premultiplied floats back to straight bytes, clamped and rounded half to
// even. A pixel whose alpha rounds to 0 becomes transparent black.
void unpremultiplyRow(const Pixel4* in, int32_t count, uint8_t* out);

// The horizontal weights, each repeated over the four channels and stored
// by pairs of destination pixels, as horizontalPass reads them.
std::vector<Pixel4> spreadWeights(const ResampleAxis& ax);

// One row through the horizontal weights (w from spreadWeights); in[0] is
// source index ax.first and in covers [ax.first, ax.end).
void horizontalPass(const Pixel4* in, const ResampleAxis& ax, const Pixel4* w, Pixel4* out);

// acc[x] += w * row[x] for count pixels.
void addScaled(Pixel4* acc, float w, const Pixel4* row, int32_t count);

}  // namespace kalvora::platform::resample
