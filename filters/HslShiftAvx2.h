#pragma once

#include <cstdint>

namespace kalvora {

// The HSL change of opaque-packed pixels eight at a time with AVX2: the
// same single-precision operations in the same order as the four-pixel
// SSE2 path, lane for lane, so the bytes are the same.
struct HslShiftAvx2 {
    float hue;
    float saturation;
    float lumination;
    // The saturation a grey pixel gets, as a fraction.
    float greyFraction;

    // Whether the processor runs AVX2.
    static bool available();
    // Changes the first n - n % 8 pixels of in into out; returns how many.
    int32_t row(const uint32_t* in, uint32_t* out, int32_t n) const;
};

}  // namespace kalvora
