#include "platform/ResampleRows.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace kalvora::platform::resample {

namespace {

// Four destination pixels at a time keep four independent sums in flight;
// each sum still adds its taps in order from zero.
void horizontalPassPlain(const Pixel4* in, const ResampleAxis& ax, const Pixel4* w, Pixel4* out)
{
    const int32_t taps = ax.taps;
    const int32_t* start = ax.start.data();
    const int32_t first = ax.first;
    int32_t x = 0;
    for (; x + 4 <= ax.count; x += 4) {
        const Pixel4* p0 = in + (start[x] - first);
        const Pixel4* p1 = in + (start[x + 1] - first);
        const Pixel4* p2 = in + (start[x + 2] - first);
        const Pixel4* p3 = in + (start[x + 3] - first);
        const Pixel4* wa = w + static_cast<int64_t>(x) * taps;
        const Pixel4* wb = wa + 2 * taps;
        Pixel4 s0 = {}, s1 = {}, s2 = {}, s3 = {};
        for (int32_t k = 0; k < taps; ++k) {
            s0 += wa[2 * k] * p0[k];
            s1 += wa[2 * k + 1] * p1[k];
            s2 += wb[2 * k] * p2[k];
            s3 += wb[2 * k + 1] * p3[k];
        }
        out[x] = s0;
        out[x + 1] = s1;
        out[x + 2] = s2;
        out[x + 3] = s3;
    }
    for (; x < ax.count; ++x) {
        const Pixel4* p = in + (start[x] - first);
        const Pixel4* wx = w + static_cast<int64_t>(x & ~1) * taps + (x & 1);
        Pixel4 s = {};
        for (int32_t k = 0; k < taps; ++k) s += wx[2 * k] * p[k];
        out[x] = s;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define KALVORA_ROWS_AVX 1

// Two pixels side by side in one 256-bit register.
__attribute__((target("avx"))) inline __m256 pixelPair(const float* first, const float* second)
{
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(first)), _mm_load_ps(second), 1);
}

// horizontalPassPlain with two destination pixels to a 256-bit register: the
// same multiplications and additions in the same order per pixel (AVX
// without fused multiply-add), so the bytes match the 128-bit loop.
__attribute__((target("avx"))) void horizontalPassAvx(const Pixel4* in, const ResampleAxis& ax,
                                                       const Pixel4* w, Pixel4* out)
{
    const int32_t taps = ax.taps;
    const int32_t* start = ax.start.data();
    const int32_t first = ax.first;
    const float* inF = reinterpret_cast<const float*>(in);
    const float* wF = reinterpret_cast<const float*>(w);
    float* outF = reinterpret_cast<float*>(out);
    int32_t x = 0;
    // Eight pixels at a time: four independent sums keep the adder busy
    // while each one waits for its previous addition.
    for (; x + 8 <= ax.count; x += 8) {
        const float* p[8];
        for (int i = 0; i < 8; ++i) p[i] = inF + 4 * static_cast<int64_t>(start[x + i] - first);
        const float* wa = wF + 4 * static_cast<int64_t>(x) * taps;
        const int64_t pairStride = 8 * static_cast<int64_t>(taps);
        __m256 s01 = _mm256_setzero_ps();
        __m256 s23 = _mm256_setzero_ps();
        __m256 s45 = _mm256_setzero_ps();
        __m256 s67 = _mm256_setzero_ps();
        for (int32_t k = 0; k < taps; ++k) {
            const int64_t o = 4 * static_cast<int64_t>(k);
            const __m256 p01 = pixelPair(p[0] + o, p[1] + o);
            const __m256 p23 = pixelPair(p[2] + o, p[3] + o);
            const __m256 p45 = pixelPair(p[4] + o, p[5] + o);
            const __m256 p67 = pixelPair(p[6] + o, p[7] + o);
            s01 = _mm256_add_ps(s01, _mm256_mul_ps(_mm256_loadu_ps(wa + 8 * k), p01));
            s23 = _mm256_add_ps(s23, _mm256_mul_ps(_mm256_loadu_ps(wa + pairStride + 8 * k), p23));
            s45 = _mm256_add_ps(s45, _mm256_mul_ps(_mm256_loadu_ps(wa + 2 * pairStride + 8 * k), p45));
            s67 = _mm256_add_ps(s67, _mm256_mul_ps(_mm256_loadu_ps(wa + 3 * pairStride + 8 * k), p67));
        }
        float* o = outF + 4 * static_cast<int64_t>(x);
        _mm256_storeu_ps(o, s01);
        _mm256_storeu_ps(o + 8, s23);
        _mm256_storeu_ps(o + 16, s45);
        _mm256_storeu_ps(o + 24, s67);
    }
    for (; x + 4 <= ax.count; x += 4) {
        const float* p0 = inF + 4 * static_cast<int64_t>(start[x] - first);
        const float* p1 = inF + 4 * static_cast<int64_t>(start[x + 1] - first);
        const float* p2 = inF + 4 * static_cast<int64_t>(start[x + 2] - first);
        const float* p3 = inF + 4 * static_cast<int64_t>(start[x + 3] - first);
        const float* wa = wF + 4 * static_cast<int64_t>(x) * taps;
        const float* wb = wa + 8 * static_cast<int64_t>(taps);
        __m256 s01 = _mm256_setzero_ps();
        __m256 s23 = _mm256_setzero_ps();
        for (int32_t k = 0; k < taps; ++k) {
            const __m256 pa = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(p0 + 4 * k)), _mm_load_ps(p1 + 4 * k), 1);
            const __m256 pb = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(p2 + 4 * k)), _mm_load_ps(p3 + 4 * k), 1);
            s01 = _mm256_add_ps(s01, _mm256_mul_ps(_mm256_loadu_ps(wa + 8 * k), pa));
            s23 = _mm256_add_ps(s23, _mm256_mul_ps(_mm256_loadu_ps(wb + 8 * k), pb));
        }
        _mm256_storeu_ps(outF + 4 * static_cast<int64_t>(x), s01);
        _mm256_storeu_ps(outF + 4 * static_cast<int64_t>(x) + 8, s23);
    }
    for (; x < ax.count; ++x) {
        const float* p = inF + 4 * static_cast<int64_t>(start[x] - first);
        const float* wx = wF + 4 * (static_cast<int64_t>(x & ~1) * taps + (x & 1));
        __m128 sum = _mm_setzero_ps();
        for (int32_t k = 0; k < taps; ++k) sum = _mm_add_ps(sum, _mm_mul_ps(_mm_load_ps(wx + 8 * k), _mm_load_ps(p + 4 * k)));
        _mm_store_ps(outF + 4 * static_cast<int64_t>(x), sum);
    }
}

// acc[x] += w * row[x] eight floats at a time; the same operations per lane.
__attribute__((target("avx"))) void addScaledAvx(Pixel4* acc, float w, const Pixel4* row, int32_t count)
{
    float* a = reinterpret_cast<float*>(acc);
    const float* r = reinterpret_cast<const float*>(row);
    const __m256 weight = _mm256_set1_ps(w);
    const int64_t n = 4 * static_cast<int64_t>(count);
    int64_t i = 0;
    for (; i + 8 <= n; i += 8)
        _mm256_storeu_ps(a + i, _mm256_add_ps(_mm256_loadu_ps(a + i), _mm256_mul_ps(weight, _mm256_loadu_ps(r + i))));
    for (; i < n; i += 4)
        _mm_store_ps(a + i, _mm_add_ps(_mm_load_ps(a + i), _mm_mul_ps(_mm_set1_ps(w), _mm_load_ps(r + i))));
}

bool cpuHasAvx()
{
    static const bool has = __builtin_cpu_supports("avx");
    return has;
}

bool cpuHasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// unpremultiplyRow's steps on two pixels at a time, lane for lane the same
// operations; returns how many pixels it did (an even number).
__attribute__((target("avx2"))) int32_t unpremultiplyPairsAvx2(const Pixel4* in, int32_t count, uint8_t* out)
{
    const float* inF = reinterpret_cast<const float*>(in);
    const __m256 zero = _mm256_setzero_ps();
    const __m256 top = _mm256_set1_ps(255.0f);
    const __m256i colourLanes = _mm256_setr_epi32(-1, -1, -1, 0, -1, -1, -1, 0);
    int32_t i = 0;
    for (; i + 2 <= count; i += 2, out += 8) {
        const __m256 v = _mm256_loadu_ps(inF + 4 * static_cast<int64_t>(i));
        const __m256 a = _mm256_permute_ps(v, 0xFF);
        const __m256i alpha = _mm256_cvtps_epi32(_mm256_min_ps(_mm256_max_ps(a, zero), top));
        const __m256 c = _mm256_min_ps(_mm256_max_ps(_mm256_div_ps(v, a), zero), top);
        __m256i pixel = _mm256_or_si256(_mm256_and_si256(_mm256_cvtps_epi32(c), colourLanes),
                                        _mm256_andnot_si256(colourLanes, alpha));
        pixel = _mm256_andnot_si256(_mm256_cmpeq_epi32(alpha, _mm256_setzero_si256()), pixel);
        const __m256i words = _mm256_packs_epi32(pixel, pixel);
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const uint32_t first = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_castsi256_si128(bytes)));
        const uint32_t second = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1)));
        std::memcpy(out, &first, 4);
        std::memcpy(out + 4, &second, 4);
    }
    return i;
}

// premultiplyRow's integer products on four pixels at a time (the same
// exact values); returns how many pixels it did (a multiple of four).
__attribute__((target("avx2"))) int32_t premultiplyQuadsAvx2(const uint8_t* bgra, int32_t count, Pixel4* out)
{
    const __m256i colourLanes = _mm256_set1_epi64x(0x0000FFFFFFFFFFFFLL);
    const __m256i alphaOne = _mm256_set1_epi64x(0x0001000000000000LL);
    float* outF = reinterpret_cast<float*>(out);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const auto* quad = reinterpret_cast<const __m128i*>(bgra + 4 * static_cast<int64_t>(i));
        const __m256i wide = _mm256_cvtepu8_epi16(_mm_loadu_si128(quad));
        __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(wide, 0xFF), 0xFF);
        alpha = _mm256_or_si256(_mm256_and_si256(alpha, colourLanes), alphaOne);
        const __m256i product = _mm256_mullo_epi16(wide, alpha);
        float* o = outF + 4 * static_cast<int64_t>(i);
        _mm256_storeu_ps(o, _mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(product))));
        _mm256_storeu_ps(o + 8, _mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(product, 1))));
    }
    return i;
}
#endif

}  // namespace

// Straight B, G, R, A bytes to premultiplied floats: colour times alpha
// (0 .. 65025, exact) and alpha; keyed pixels become transparent.
void premultiplyRow(const uint8_t* bgra, int32_t count, Pixel4* out, const ColorKey& key)
{
    int32_t i = 0;
#if defined(KALVORA_ROWS_AVX)
    if (cpuHasAvx2()) i = premultiplyQuadsAvx2(bgra, count, out);
#endif
#if defined(__SSE2__)
    // Four pixels at a time: the products fit 16 bits, so they are formed
    // as integers and converted, the same exact values as the scalar loop.
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourLanes = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    const __m128i alphaOne = _mm_set_epi16(1, 0, 0, 0, 1, 0, 0, 0);
    for (; i + 4 <= count; i += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgra + 4 * static_cast<int64_t>(i)));
        for (int half = 0; half < 2; ++half) {
            const __m128i wide = half ? _mm_unpackhi_epi8(bytes, zero) : _mm_unpacklo_epi8(bytes, zero);
            __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
            alpha = _mm_or_si128(_mm_and_si128(alpha, colourLanes), alphaOne);
            const __m128i product = _mm_mullo_epi16(wide, alpha);
            _mm_store_ps(reinterpret_cast<float*>(out + i + 2 * half),
                         _mm_cvtepi32_ps(_mm_unpacklo_epi16(product, zero)));
            _mm_store_ps(reinterpret_cast<float*>(out + i + 2 * half + 1),
                         _mm_cvtepi32_ps(_mm_unpackhi_epi16(product, zero)));
        }
    }
#endif
    for (; i < count; ++i) {
        const uint8_t* p = bgra + 4 * static_cast<int64_t>(i);
        const Pixel4 v = {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]), 1.0f};
        out[i] = v * static_cast<float>(p[3]);
    }
    if (!key.active) return;
    for (i = 0; i < count; ++i)
        if (key.keyed(bgra + 4 * static_cast<int64_t>(i))) out[i] = Pixel4{0.0f, 0.0f, 0.0f, 0.0f};
}

// Premultiplied floats back to straight bytes, clamped and rounded half to
// even. A pixel whose alpha rounds to 0 becomes transparent black.
void unpremultiplyRow(const Pixel4* in, int32_t count, uint8_t* out)
{
#if defined(__SSE2__)
    // The scalar steps below on all lanes at once and without branches: max
    // with 0 first (which also maps NaN to 0), then min with 255, then
    // conversion under the default rounding mode, to nearest with halves to
    // even; a pixel whose alpha rounds to 0 is masked to transparent black.
    const __m128 zero = _mm_setzero_ps();
    const __m128 top = _mm_set1_ps(255.0f);
    const __m128i colourLanes = _mm_set_epi32(0, -1, -1, -1);
    int32_t i = 0;
#if defined(KALVORA_ROWS_AVX)
    if (cpuHasAvx2()) {
        i = unpremultiplyPairsAvx2(in, count, out);
        out += 4 * static_cast<int64_t>(i);
    }
#endif
    for (; i < count; ++i, out += 4) {
        const __m128 v = in[i];
        const __m128 a = _mm_shuffle_ps(v, v, 0xFF);
        const __m128i alpha = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(a, zero), top));
        const __m128 c = _mm_min_ps(_mm_max_ps(_mm_div_ps(v, a), zero), top);
        __m128i pixel = _mm_or_si128(_mm_and_si128(_mm_cvtps_epi32(c), colourLanes),
                                     _mm_andnot_si128(colourLanes, alpha));
        pixel = _mm_andnot_si128(_mm_cmpeq_epi32(alpha, _mm_setzero_si128()), pixel);
        const __m128i words = _mm_packs_epi32(pixel, pixel);
        const uint32_t packed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
        std::memcpy(out, &packed, 4);
    }
#else
    // Rounds a value in [0, 2^22) to an integer, halves to even: adding
    // 1.5 * 2^23 leaves no fraction bits, so the addition itself rounds.
    const auto roundEven = [](float v) { return (v + 12582912.0f) - 12582912.0f; };
    const auto clampByte = [](float v) { return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f; };
    for (int32_t i = 0; i < count; ++i, out += 4) {
        const Pixel4 v = in[i];
        const float alpha = roundEven(clampByte(v[3]));
        if (alpha == 0.0f) {
            std::memset(out, 0, 4);
            continue;
        }
        const Pixel4 c = v / v[3];
        out[0] = static_cast<uint8_t>(roundEven(clampByte(c[0])));
        out[1] = static_cast<uint8_t>(roundEven(clampByte(c[1])));
        out[2] = static_cast<uint8_t>(roundEven(clampByte(c[2])));
        out[3] = static_cast<uint8_t>(alpha);
    }
#endif
}

// The horizontal weights, each repeated over the four channels so the inner
// loops multiply whole pixels without broadcasting, and stored by pairs of
// destination pixels: tap k of pixels 2q and 2q + 1 sit side by side at
// (q * taps + k) * 2, the partner of an odd last pixel weighing 0.
std::vector<Pixel4> spreadWeights(const ResampleAxis& ax)
{
    const int64_t pairs = (static_cast<int64_t>(ax.count) + 1) / 2;
    std::vector<Pixel4> spread(static_cast<size_t>(pairs * ax.taps * 2), Pixel4{});
    for (int32_t x = 0; x < ax.count; ++x)
        for (int32_t k = 0; k < ax.taps; ++k) {
            const float w = ax.weights[static_cast<int64_t>(x) * ax.taps + k];
            spread[((x / 2) * static_cast<int64_t>(ax.taps) + k) * 2 + (x & 1)] = Pixel4{w, w, w, w};
        }
    return spread;
}

void horizontalPass(const Pixel4* in, const ResampleAxis& ax, const Pixel4* w, Pixel4* out)
{
#if defined(KALVORA_ROWS_AVX)
    if (cpuHasAvx()) {
        horizontalPassAvx(in, ax, w, out);
        return;
    }
#endif
    horizontalPassPlain(in, ax, w, out);
}

void addScaled(Pixel4* acc, float w, const Pixel4* row, int32_t count)
{
#if defined(KALVORA_ROWS_AVX)
    if (cpuHasAvx()) {
        addScaledAvx(acc, w, row, count);
        return;
    }
#endif
    for (int32_t x = 0; x < count; ++x) acc[x] += w * row[x];
}

}  // namespace kalvora::platform::resample
