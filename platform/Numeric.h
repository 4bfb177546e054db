#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kalvora::platform {

// The one rounding rule of the program: to nearest, halves to even.
// std::nearbyint honours the current rounding mode, which is never changed.
inline double roundHalfEven(double v) { return std::nearbyint(v); }

// Rounds half to even and clamps into the 32-bit signed range (NaN gives 0).
inline int32_t roundToInt32(double v)
{
    if (std::isnan(v)) return 0;
    double r = std::nearbyint(v);
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

// Rounds half to even and clamps into 0..255.
inline uint8_t roundToByte(double v)
{
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint8_t>(std::nearbyint(v));
}

// Rounds half to even and clamps into the signed 16-bit range.
inline int16_t roundToInt16(double v)
{
    if (std::isnan(v)) return 0;
    double r = std::nearbyint(v);
    if (r <= -32768.0) return -32768;
    if (r >= 32767.0) return 32767;
    return static_cast<int16_t>(r);
}

inline int32_t clampInt(int64_t v, int32_t lo, int32_t hi)
{
    return v < lo ? lo : (v > hi ? hi : static_cast<int32_t>(v));
}

// Remainder with the sign of the dividend; b must not be 0.
inline int32_t modTruncated(int32_t a, int32_t b) { return a % b; }

}  // namespace kalvora::platform
