#pragma once

#include <cstdint>

namespace kalvora {

struct BrickSettings;

// The nine pixel sizes of a run, computed from the project's percentages and
// its width and height at that moment. The layouts and later phases
// overwrite some of them during a run; each run computes them afresh.
struct LayoutPixelSizes {
    int32_t MinWidthPx = 0;
    int32_t MaxWidthPx = 0;
    int32_t MinHeightPx = 0;
    int32_t MaxHeightPx = 0;
    int32_t BorderSizePx = 0;
    int32_t RoundedBorderPx = 0;
    int32_t NoiseStrengthPx = 0;
    int32_t BlendBordersPx = 0;
    int32_t AntiAliasPx = 0;

    // Sizes beyond this are held to it, so no sum of sizes can overflow.
    static constexpr int32_t kLargestSize = 1 << 24;

    // Each size is percentage x reference / divisor in double precision,
    // rounded half to even, in the order of the members (the border,
    // rounding and noise sizes use the rounded MinHeightPx, the soft edge
    // uses the rounded BorderSizePx).
    static LayoutPixelSizes compute(const BrickSettings& project);

    // Raises the four brick sizes to at least 2: below that the size fitting
    // divides by zero or a row never advances.
    void raiseBrickSizesToUsable();

    bool operator==(const LayoutPixelSizes&) const = default;
};

}  // namespace kalvora
