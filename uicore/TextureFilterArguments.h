#pragma once

#include <cstdint>

namespace kalvora {

// What the texture filter dialog passes to the transparent-border filter.
struct TransparentBorderArguments {
    int32_t BorderSize = 0;
    int32_t RoundedEdgeSize = 0;
    int32_t NoiseStrength = 0;
    float NoiseLength = 0.0f;
    int32_t AntiAlias = 0;
};

// The texture filter dialog's percentages as the filters' pixel arguments.
// Whole percentages are integers; the others keep their decimals in single
// precision. Products of two integers are 32-bit, every division is in
// double precision, and every pixel count is rounded half to even.
namespace TextureFilterArguments {

// The seamless overlap: the percentage of the image width, used for both
// directions.
int32_t seamlessOverlap(int32_t blendPercent, int32_t width);

// The border is a share of the smaller side; the rounded edges a share of
// half what remains inside the two borders, plus one pixel; noise strength
// and blend size shares of the border; the noise cell size runs from the
// larger side (frequency 0) down to 1 pixel (frequency 100).
TransparentBorderArguments transparentBorder(int32_t width, int32_t height, int32_t borderPercent,
                                             int32_t roundedPercent, float strengthPercent,
                                             float frequencyPercent, float blendPercent);

}  // namespace TextureFilterArguments

}  // namespace kalvora
