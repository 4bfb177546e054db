#include "filters/HslShiftAvx2.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kalvora {

#if defined(__x86_64__)

namespace {

#define KALVORA_AVX2 __attribute__((target("avx2")))

KALVORA_AVX2 inline __m256i blend(__m256i mask, __m256i a, __m256i b)
{
    return _mm256_or_si256(_mm256_and_si256(mask, a), _mm256_andnot_si256(mask, b));
}

KALVORA_AVX2 inline __m256 blend(__m256 mask, __m256 a, __m256 b)
{
    return _mm256_or_ps(_mm256_and_ps(mask, a), _mm256_andnot_ps(mask, b));
}

KALVORA_AVX2 inline __m256 clampPercent(__m256 v)
{
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(100.0f));
}

// Clamped to 0..255 (NaN to 0) and rounded half to even.
KALVORA_AVX2 inline __m256i toBytes(__m256 v)
{
    return _mm256_cvtps_epi32(_mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f)));
}

// Grey: L x 2.55 in double, rounded to single precision, then to a byte.
KALVORA_AVX2 inline __m256i greyBytes(__m256 shiftedL)
{
    const __m256d c255d = _mm256_set1_pd(2.55);
    const __m128 low = _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(shiftedL)), c255d));
    const __m128 high = _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(shiftedL, 1)), c255d));
    return toBytes(_mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1));
}

// The hue in degrees before the change; lanes without colour give 0.
KALVORA_AVX2 inline __m256 hueOf(__m256i r, __m256i g, __m256i b, __m256i maxValue, __m256i span, __m256i spanZero)
{
    // Red wins ties, then green; the red case adds 360 below zero.
    const __m256i redMax = _mm256_cmpeq_epi32(maxValue, r);
    const __m256i greenMax = _mm256_andnot_si256(redMax, _mm256_cmpeq_epi32(maxValue, g));
    const __m256i blueMax = _mm256_andnot_si256(_mm256_or_si256(redMax, greenMax), _mm256_set1_epi32(-1));
    const __m256i numerator =
        _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(redMax, _mm256_sub_epi32(g, b)),
                                        _mm256_and_si256(greenMax, _mm256_sub_epi32(b, r))),
                        _mm256_and_si256(blueMax, _mm256_sub_epi32(r, g)));
    const __m256i below = _mm256_cmpgt_epi32(b, g);
    const __m256 offset = _mm256_or_ps(
        _mm256_or_ps(_mm256_and_ps(_mm256_castsi256_ps(_mm256_and_si256(redMax, below)), _mm256_set1_ps(360.0f)),
                     _mm256_and_ps(_mm256_castsi256_ps(greenMax), _mm256_set1_ps(120.0f))),
        _mm256_and_ps(_mm256_castsi256_ps(blueMax), _mm256_set1_ps(240.0f)));
    const __m256 f = _mm256_div_ps(_mm256_set1_ps(60.0f), _mm256_cvtepi32_ps(span));
    const __m256 h = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(numerator), f), offset);
    return _mm256_andnot_ps(_mm256_castsi256_ps(spanZero), h);
}

KALVORA_AVX2 inline __m256i place(__m256i atHigh, __m256i onRamp, __m256i atLow, __m256i high, __m256i low,
                                   __m256i rampByte)
{
    return _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(atHigh, high), _mm256_and_si256(onRamp, rampByte)),
                           _mm256_and_si256(atLow, low));
}

// One channel at m2 (high), one at m1 (low), one on the ramp, by sector.
KALVORA_AVX2 inline __m256i placeChannels(__m256i sector, __m256i high, __m256i low, __m256i rampByte)
{
    const __m256i s0 = _mm256_cmpeq_epi32(sector, _mm256_setzero_si256());
    const __m256i s1 = _mm256_cmpeq_epi32(sector, _mm256_set1_epi32(1));
    const __m256i s2 = _mm256_cmpeq_epi32(sector, _mm256_set1_epi32(2));
    const __m256i s3 = _mm256_cmpeq_epi32(sector, _mm256_set1_epi32(3));
    const __m256i s4 = _mm256_cmpeq_epi32(sector, _mm256_set1_epi32(4));
    const __m256i s5 = _mm256_cmpeq_epi32(sector, _mm256_set1_epi32(5));
    const __m256i outR =
        place(_mm256_or_si256(s0, s5), _mm256_or_si256(s1, s4), _mm256_or_si256(s2, s3), high, low, rampByte);
    const __m256i outG =
        place(_mm256_or_si256(s1, s2), _mm256_or_si256(s0, s3), _mm256_or_si256(s4, s5), high, low, rampByte);
    const __m256i outB =
        place(_mm256_or_si256(s3, s4), _mm256_or_si256(s2, s5), _mm256_or_si256(s0, s1), high, low, rampByte);
    return _mm256_or_si256(_mm256_slli_epi32(outR, 16), _mm256_or_si256(_mm256_slli_epi32(outG, 8), outB));
}

KALVORA_AVX2 void eightPixels(const HslShiftAvx2& shift, const uint32_t* in, uint32_t* out)
{
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    const __m256i r = _mm256_and_si256(_mm256_srli_epi32(px, 16), byteMask);
    const __m256i g = _mm256_and_si256(_mm256_srli_epi32(px, 8), byteMask);
    const __m256i b = _mm256_and_si256(px, byteMask);
    // Channels fit in the low 16 bits of each lane, so 16-bit max and min serve.
    const __m256i maxValue = _mm256_max_epi16(_mm256_max_epi16(r, g), b);
    const __m256i minValue = _mm256_min_epi16(_mm256_min_epi16(r, g), b);
    const __m256i sum = _mm256_add_epi32(maxValue, minValue);
    const __m256i span = _mm256_sub_epi32(maxValue, minValue);
    const __m256i spanZero = _mm256_cmpeq_epi32(span, zero);

    const __m256 lightness = _mm256_div_ps(_mm256_cvtepi32_ps(sum), _mm256_set1_ps(5.1f));
    const __m256 shiftedL = clampPercent(_mm256_add_ps(lightness, _mm256_set1_ps(shift.lumination)));

    // Saturation; lanes without colour take the grey fraction.
    const __m256i lowerHalf = _mm256_castps_si256(_mm256_cmp_ps(lightness, _mm256_set1_ps(50.0f), _CMP_LE_OQ));
    const __m256i den = blend(lowerHalf, sum, _mm256_sub_epi32(_mm256_set1_epi32(510), sum));
    const __m256i span100 = _mm256_mullo_epi16(span, _mm256_set1_epi32(100));
    const __m256 sat = _mm256_div_ps(_mm256_cvtepi32_ps(span100), _mm256_cvtepi32_ps(den));
    const __m256 shiftedS = clampPercent(_mm256_add_ps(sat, _mm256_set1_ps(shift.saturation)));
    const __m256 s = blend(_mm256_castsi256_ps(spanZero), _mm256_set1_ps(shift.greyFraction),
                           _mm256_div_ps(shiftedS, _mm256_set1_ps(100.0f)));
    const __m256 grey = _mm256_cmp_ps(s, _mm256_setzero_ps(), _CMP_EQ_OQ);

    const __m256 h = hueOf(r, g, b, maxValue, span, spanZero);
    __m256i whole = _mm256_cvtps_epi32(_mm256_add_ps(h, _mm256_set1_ps(shift.hue)));
    whole = _mm256_add_epi32(whole, _mm256_and_si256(_mm256_cmpgt_epi32(zero, whole), _mm256_set1_epi32(360)));
    whole = _mm256_sub_epi32(whole,
                             _mm256_and_si256(_mm256_cmpgt_epi32(whole, _mm256_set1_epi32(359)), _mm256_set1_epi32(360)));
    // whole \ 60 for 0..359 as (whole x 1093) >> 16 in the low 16-bit half of each lane.
    const __m256i sector = _mm256_mulhi_epu16(whole, _mm256_set1_epi32(1093));
    // Ramp base 0, 2, 2, 4, 4, 6: the sector rounded up to even.
    const __m256i base = _mm256_slli_epi32(_mm256_srli_epi32(_mm256_add_epi32(sector, _mm256_set1_epi32(1)), 1), 1);
    const __m256i odd = _mm256_cmpeq_epi32(_mm256_and_si256(sector, _mm256_set1_epi32(1)), _mm256_set1_epi32(1));

    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 l = _mm256_div_ps(shiftedL, _mm256_set1_ps(100.0f));
    const __m256 m1 = blend(_mm256_cmp_ps(l, _mm256_set1_ps(0.5f), _CMP_GT_OQ),
                            _mm256_sub_ps(l, _mm256_mul_ps(_mm256_sub_ps(one, l), s)),
                            _mm256_mul_ps(_mm256_sub_ps(one, s), l));
    const __m256 m2 = _mm256_sub_ps(_mm256_mul_ps(_mm256_set1_ps(2.0f), l), m1);
    const __m256 d = _mm256_sub_ps(m2, m1);
    const __m256 hs = _mm256_div_ps(_mm256_cvtepi32_ps(whole), _mm256_set1_ps(60.0f));
    const __m256 t = _mm256_mul_ps(_mm256_sub_ps(hs, _mm256_cvtepi32_ps(base)), d);
    const __m256 ramp = blend(_mm256_castsi256_ps(odd), _mm256_sub_ps(m1, t), _mm256_add_ps(m1, t));

    const __m256 c255 = _mm256_set1_ps(255.0f);
    const __m256i colour = placeChannels(sector, toBytes(_mm256_mul_ps(m2, c255)), toBytes(_mm256_mul_ps(m1, c255)),
                                         toBytes(_mm256_mul_ps(ramp, c255)));
    const __m256i greyByte = greyBytes(shiftedL);
    const __m256i greyPacked = _mm256_or_si256(_mm256_slli_epi32(greyByte, 16),
                                               _mm256_or_si256(_mm256_slli_epi32(greyByte, 8), greyByte));
    const __m256i packed = blend(_mm256_castps_si256(grey), greyPacked, colour);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_or_si256(packed, _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u))));
}

}  // namespace

bool HslShiftAvx2::available()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

int32_t HslShiftAvx2::row(const uint32_t* in, uint32_t* out, int32_t n) const
{
    int32_t x = 0;
    for (; x + 8 <= n; x += 8) eightPixels(*this, in + x, out + x);
    return x;
}

#else

bool HslShiftAvx2::available() { return false; }

int32_t HslShiftAvx2::row(const uint32_t*, uint32_t*, int32_t) const { return 0; }

#endif

}  // namespace kalvora
