#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#if defined(__SSE2__) || defined(__x86_64__)
#include <emmintrin.h>
#define KALVORA_NUMERIC_SSE2 1
#endif

namespace kalvora::platform {

// The one rounding rule of the program: to nearest, halves to even.
// std::nearbyint honours the current rounding mode, which is never changed.
inline double roundHalfEven(double v) { return std::nearbyint(v); }

// Rounds half to even and clamps into the 32-bit signed range (NaN gives 0).
inline int32_t roundToInt32(double v)
{
    if (std::isnan(v)) return 0;
    double r = std::nearbyint(v);
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

// Rounds half to even and clamps into 0..255 (NaN gives 0). Pixel loops
// call this per channel, so on x86 it is a clamp and one conversion
// instruction, which rounds half to even like std::nearbyint.
inline uint8_t roundToByte(double v)
{
#ifdef KALVORA_NUMERIC_SSE2
    // max(v, 0) gives 0 for NaN; min(.., 255) clamps.
    const __m128d clamped = _mm_min_sd(_mm_max_sd(_mm_set_sd(v), _mm_setzero_pd()), _mm_set_sd(255.0));
    return static_cast<uint8_t>(_mm_cvtsd_si32(clamped));
#else
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint8_t>(std::nearbyint(v));
#endif
}

inline uint8_t roundToByte(float v)
{
#ifdef KALVORA_NUMERIC_SSE2
    const __m128 clamped = _mm_min_ss(_mm_max_ss(_mm_set_ss(v), _mm_setzero_ps()), _mm_set_ss(255.0f));
    return static_cast<uint8_t>(_mm_cvtss_si32(clamped));
#else
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<uint8_t>(std::nearbyint(v));
#endif
}

// Whole numbers only need the clamp into 0..255.
template <typename T>
requires std::is_integral_v<T>
inline uint8_t roundToByte(T v) { return v <= 0 ? 0 : (v >= 255 ? 255 : static_cast<uint8_t>(v)); }

// Rounds half to even a value known to lie well inside the 32-bit range.
inline int32_t roundToInt32Unchecked(float v)
{
#ifdef KALVORA_NUMERIC_SSE2
    return _mm_cvtss_si32(_mm_set_ss(v));
#else
    return static_cast<int32_t>(std::nearbyint(v));
#endif
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

}  // namespace kalvora::platform
