#pragma once

#include <cstdint>

namespace kalvora {

// One placed brick of a layout: where it lies, which brick image it shows,
// whether that image is mirrored and how its colour is shifted.
// Positions and sizes are 32-bit so that layouts of many small bricks and
// long sums never wrap.
class tBrick {
public:
    int32_t Top = 0;
    int32_t Left = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BrickNumber = 0;  // 1-based index into the project's brick images
    bool FlipH = false;
    bool FlipV = false;
    int32_t Hue = 0;          // degrees
    float Saturation = 0.0f;  // percentage points
    float Luminance = 0.0f;   // percentage points

    // A new record with the same ten values.
    tBrick Clone() const;

    bool operator==(const tBrick&) const = default;
};

}  // namespace kalvora
