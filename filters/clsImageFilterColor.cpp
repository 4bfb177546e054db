// Colour and tone filters: every output pixel comes from the snapshot pixel
// at the same place. Filters whose channels depend only on the channel's own
// value map it through a 256-entry table built from the exact formula.

#include <bit>
#include <cmath>

#include "filters/HslShiftAvx2.h"
#include "filters/clsImageFilter.h"
#include "platform/Numeric.h"

#if defined(__SSE2__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace kalvora {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

inline uint32_t red(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t green(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t blue(uint32_t p) { return p & 0xFF; }
inline uint32_t packOpaque(uint32_t r, uint32_t g, uint32_t b) { return kOpaque | (r << 16) | (g << 8) | b; }

double limited(double value, double low, double high)
{
    if (std::isnan(value)) return 0.0;
    return value < low ? low : (value > high ? high : value);
}

float limited(float value, float low, float high)
{
    if (std::isnan(value)) return 0.0f;
    return value < low ? low : (value > high ? high : value);
}

// Per hue sector (0..5): the value subtracted from H / 60 for the ramp, and
// the bit positions of the channels at m2, at m1 and on the ramp.
#if defined(__SSE2__) || defined(__x86_64__)
// Luminance (77 R + 150 G + 28 B) \ 255 of four pixels, one per 32-bit lane.
// The sum fits in 16 bits, and s \ 255 = (s x 32897) >> 23 for every such s.
inline __m128i luminance4(__m128i p)
{
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    const __m128i r = _mm_and_si128(_mm_srli_epi32(p, 16), byteMask);
    const __m128i g = _mm_and_si128(_mm_srli_epi32(p, 8), byteMask);
    const __m128i b = _mm_and_si128(p, byteMask);
    const __m128i sum = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(r, _mm_set1_epi32(77)), _mm_mullo_epi16(g, _mm_set1_epi32(150))),
        _mm_mullo_epi16(b, _mm_set1_epi32(28)));
    return _mm_srli_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi32(32897)), 7);
}
#endif

constexpr float kHueOffset[4] = {360.0f, 0.0f, 120.0f, 240.0f};

// a when the condition holds, else b, without a branch (both are computed).
inline float select(bool condition, float a, float b)
{
    const uint32_t mask = 0u - static_cast<uint32_t>(condition);
    const uint32_t bits = (std::bit_cast<uint32_t>(a) & mask) | (std::bit_cast<uint32_t>(b) & ~mask);
    return std::bit_cast<float>(bits);
}

constexpr float kSectorBase[6] = {0.0f, 2.0f, 2.0f, 4.0f, 4.0f, 6.0f};
constexpr int kRedShift = 16, kGreenShift = 8, kBlueShift = 0;
constexpr int kHighShift[6] = {kRedShift, kGreenShift, kGreenShift, kBlueShift, kBlueShift, kRedShift};
constexpr int kLowShift[6] = {kBlueShift, kBlueShift, kRedShift, kRedShift, kGreenShift, kGreenShift};
constexpr int kRampShift[6] = {kGreenShift, kRedShift, kBlueShift, kGreenShift, kRedShift, kBlueShift};

// The HSL change of one pixel: RGBToHSL, the three offsets, HSLToRGB with
// normalisation, computed with the same single-precision operations in the
// same order as the colour helpers, so every pixel matches them bit for bit.
// Rows go four pixels at a time through SSE2, whose single-precision
// operations round exactly as the scalar ones; the rest one by one.
class HslShift {
public:
    HslShift(float hue, float saturation, float lumination)
        : m_hue(hue), m_saturation(saturation), m_lumination(lumination)
    {
        // A grey pixel has saturation 0 before the change.
        m_greyFraction = clampPercent(0.0f + saturation) / 100.0f;
    }

    void row(const uint32_t* in, uint32_t* out, int32_t n) const
    {
        int32_t x = 0;
        if (HslShiftAvx2::available()) x = HslShiftAvx2{m_hue, m_saturation, m_lumination, m_greyFraction}.row(in, out, n);
#if defined(__SSE2__) || defined(__x86_64__)
        for (; x + 4 <= n; x += 4) fourPixels(in + x, out + x);
#endif
        for (; x < n; ++x) out[x] = pixel(in[x]);
    }

private:
    static float clampPercent(float v) { return v < 0.0f ? 0.0f : (v > 100.0f ? 100.0f : v); }

    uint32_t pixel(uint32_t p) const
    {
        const int32_t r = static_cast<int32_t>(red(p));
        const int32_t g = static_cast<int32_t>(green(p));
        const int32_t b = static_cast<int32_t>(blue(p));
        const int32_t maxValue = std::max(std::max(r, g), b);
        const int32_t minValue = std::min(std::min(r, g), b);
        const int32_t sum = maxValue + minValue;
        const int32_t span = maxValue - minValue;
        const float lightness = static_cast<float>(sum) / 5.1f;
        const float shiftedL = clampPercent(lightness + m_lumination);

        float s = m_greyFraction;
        float h = 0.0f;
        if (span != 0) {
            const int32_t den = lightness <= 50.0f ? sum : 510 - sum;
            const float sat = static_cast<float>(span * 100) / static_cast<float>(den);
            s = clampPercent(sat + m_saturation) / 100.0f;
            const float f = 60.0f / static_cast<float>(span);
            const bool redMax = maxValue == r;
            const bool greenMax = !redMax && maxValue == g;
            const int32_t numerator = redMax ? g - b : (greenMax ? b - r : r - g);
            const int32_t offsetIndex = redMax ? (g < b ? 0 : 1) : (greenMax ? 2 : 3);
            h = static_cast<float>(numerator) * f + kHueOffset[offsetIndex];
        }
        if (s == 0.0f) {
            const uint32_t v = clsImageFilter::toByte(static_cast<float>(static_cast<double>(shiftedL) * 2.55));
            return packOpaque(v, v, v);
        }
        int32_t whole = clsImageFilter::toWhole(h + m_hue);  // h + hue lies in -180..540
        whole += whole < 0 ? 360 : 0;
        whole -= whole >= 360 ? 360 : 0;
        const float l = shiftedL / 100.0f;
        const float m1 = select(l > 0.5f, l - (1.0f - l) * s, (1.0f - s) * l);
        const float m2 = 2.0f * l - m1;
        const float d = m2 - m1;
        const int32_t sector = whole / 60;
        // One channel at m2, one at m1, one on the ramp m1 +- (h - k) x d,
        // rising in even sectors.
        const float t = (static_cast<float>(whole) / 60.0f - kSectorBase[sector]) * d;
        const float ramp = select(sector & 1, m1 - t, m1 + t);
        return kOpaque | (static_cast<uint32_t>(clsImageFilter::toByte(m2 * 255.0f)) << kHighShift[sector]) |
               (static_cast<uint32_t>(clsImageFilter::toByte(m1 * 255.0f)) << kLowShift[sector]) |
               (static_cast<uint32_t>(clsImageFilter::toByte(ramp * 255.0f)) << kRampShift[sector]);
    }

#if defined(__SSE2__) || defined(__x86_64__)
    static __m128i blend(__m128i mask, __m128i a, __m128i b)
    {
        return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
    }
    static __m128 blend(__m128 mask, __m128 a, __m128 b)
    {
        return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
    }
    static __m128 clampPercent(__m128 v)
    {
        return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(100.0f));
    }
    // Clamped to 0..255 (NaN to 0) and rounded half to even.
    static __m128i toBytes(__m128 v)
    {
        return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f)));
    }

    void fourPixels(const uint32_t* in, uint32_t* out) const
    {
        const __m128i byteMask = _mm_set1_epi32(0xFF);
        const __m128i zero = _mm_setzero_si128();
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i r = _mm_and_si128(_mm_srli_epi32(px, 16), byteMask);
        const __m128i g = _mm_and_si128(_mm_srli_epi32(px, 8), byteMask);
        const __m128i b = _mm_and_si128(px, byteMask);
        // Channels fit in the low 16 bits of each lane, so 16-bit max and min serve.
        const __m128i maxValue = _mm_max_epi16(_mm_max_epi16(r, g), b);
        const __m128i minValue = _mm_min_epi16(_mm_min_epi16(r, g), b);
        const __m128i sum = _mm_add_epi32(maxValue, minValue);
        const __m128i span = _mm_sub_epi32(maxValue, minValue);
        const __m128i spanZero = _mm_cmpeq_epi32(span, zero);

        const __m128 lightness = _mm_div_ps(_mm_cvtepi32_ps(sum), _mm_set1_ps(5.1f));
        const __m128 shiftedL = clampPercent(_mm_add_ps(lightness, _mm_set1_ps(m_lumination)));

        // Saturation; lanes without colour take the grey fraction.
        const __m128i lowerHalf = _mm_castps_si128(_mm_cmple_ps(lightness, _mm_set1_ps(50.0f)));
        const __m128i den = blend(lowerHalf, sum, _mm_sub_epi32(_mm_set1_epi32(510), sum));
        const __m128i span100 = _mm_mullo_epi16(span, _mm_set1_epi32(100));
        const __m128 sat = _mm_div_ps(_mm_cvtepi32_ps(span100), _mm_cvtepi32_ps(den));
        const __m128 shiftedS = clampPercent(_mm_add_ps(sat, _mm_set1_ps(m_saturation)));
        const __m128 s = blend(_mm_castsi128_ps(spanZero), _mm_set1_ps(m_greyFraction),
                               _mm_div_ps(shiftedS, _mm_set1_ps(100.0f)));
        const __m128 grey = _mm_cmpeq_ps(s, _mm_setzero_ps());

        // Hue: red wins ties, then green; the red case adds 360 below zero.
        const __m128i redMax = _mm_cmpeq_epi32(maxValue, r);
        const __m128i greenMax = _mm_andnot_si128(redMax, _mm_cmpeq_epi32(maxValue, g));
        const __m128i blueMax = _mm_andnot_si128(_mm_or_si128(redMax, greenMax), _mm_set1_epi32(-1));
        const __m128i numerator =
            _mm_or_si128(_mm_or_si128(_mm_and_si128(redMax, _mm_sub_epi32(g, b)),
                                      _mm_and_si128(greenMax, _mm_sub_epi32(b, r))),
                         _mm_and_si128(blueMax, _mm_sub_epi32(r, g)));
        const __m128i below = _mm_cmplt_epi32(g, b);
        const __m128 offset = _mm_or_ps(
            _mm_or_ps(_mm_and_ps(_mm_castsi128_ps(_mm_and_si128(redMax, below)), _mm_set1_ps(360.0f)),
                      _mm_and_ps(_mm_castsi128_ps(greenMax), _mm_set1_ps(120.0f))),
            _mm_and_ps(_mm_castsi128_ps(blueMax), _mm_set1_ps(240.0f)));
        const __m128 f = _mm_div_ps(_mm_set1_ps(60.0f), _mm_cvtepi32_ps(span));
        const __m128 hRaw = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(numerator), f), offset);
        const __m128 h = _mm_andnot_ps(_mm_castsi128_ps(spanZero), hRaw);

        __m128i whole = _mm_cvtps_epi32(_mm_add_ps(h, _mm_set1_ps(m_hue)));
        whole = _mm_add_epi32(whole, _mm_and_si128(_mm_cmplt_epi32(whole, zero), _mm_set1_epi32(360)));
        whole = _mm_sub_epi32(whole,
                              _mm_and_si128(_mm_cmpgt_epi32(whole, _mm_set1_epi32(359)), _mm_set1_epi32(360)));
        // whole \ 60 for 0..359 as (whole x 1093) >> 16 in the low 16-bit half of each lane.
        const __m128i sector = _mm_mulhi_epu16(whole, _mm_set1_epi32(1093));
        // Ramp base 0, 2, 2, 4, 4, 6: the sector rounded up to even.
        const __m128i base = _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(sector, _mm_set1_epi32(1)), 1), 1);
        const __m128i odd = _mm_cmpeq_epi32(_mm_and_si128(sector, _mm_set1_epi32(1)), _mm_set1_epi32(1));

        const __m128 one = _mm_set1_ps(1.0f);
        const __m128 l = _mm_div_ps(shiftedL, _mm_set1_ps(100.0f));
        const __m128 m1 = blend(_mm_cmpgt_ps(l, _mm_set1_ps(0.5f)), _mm_sub_ps(l, _mm_mul_ps(_mm_sub_ps(one, l), s)),
                                _mm_mul_ps(_mm_sub_ps(one, s), l));
        const __m128 m2 = _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), l), m1);
        const __m128 d = _mm_sub_ps(m2, m1);
        const __m128 hs = _mm_div_ps(_mm_cvtepi32_ps(whole), _mm_set1_ps(60.0f));
        const __m128 t = _mm_mul_ps(_mm_sub_ps(hs, _mm_cvtepi32_ps(base)), d);
        const __m128 ramp = blend(_mm_castsi128_ps(odd), _mm_sub_ps(m1, t), _mm_add_ps(m1, t));

        const __m128 c255 = _mm_set1_ps(255.0f);
        const __m128i high = toBytes(_mm_mul_ps(m2, c255));
        const __m128i low = toBytes(_mm_mul_ps(m1, c255));
        const __m128i rampByte = toBytes(_mm_mul_ps(ramp, c255));
        const __m128i s0 = _mm_cmpeq_epi32(sector, zero);
        const __m128i s1 = _mm_cmpeq_epi32(sector, _mm_set1_epi32(1));
        const __m128i s2 = _mm_cmpeq_epi32(sector, _mm_set1_epi32(2));
        const __m128i s3 = _mm_cmpeq_epi32(sector, _mm_set1_epi32(3));
        const __m128i s4 = _mm_cmpeq_epi32(sector, _mm_set1_epi32(4));
        const __m128i s5 = _mm_cmpeq_epi32(sector, _mm_set1_epi32(5));
        auto place = [&](__m128i atHigh, __m128i onRamp, __m128i atLow) {
            return _mm_or_si128(_mm_or_si128(_mm_and_si128(atHigh, high), _mm_and_si128(onRamp, rampByte)),
                                _mm_and_si128(atLow, low));
        };
        __m128i outR = place(_mm_or_si128(s0, s5), _mm_or_si128(s1, s4), _mm_or_si128(s2, s3));
        __m128i outG = place(_mm_or_si128(s1, s2), _mm_or_si128(s0, s3), _mm_or_si128(s4, s5));
        __m128i outB = place(_mm_or_si128(s3, s4), _mm_or_si128(s2, s5), _mm_or_si128(s0, s1));

        // Grey: L x 2.55 in double, rounded to single precision, then to a byte.
        const __m128d c255d = _mm_set1_pd(2.55);
        const __m128 greyLow = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(shiftedL), c255d));
        const __m128 greyHigh = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(shiftedL, shiftedL)), c255d));
        const __m128i greyByte = toBytes(_mm_movelh_ps(greyLow, greyHigh));
        const __m128i greyMask = _mm_castps_si128(grey);
        outR = blend(greyMask, greyByte, outR);
        outG = blend(greyMask, greyByte, outG);
        outB = blend(greyMask, greyByte, outB);

        const __m128i packed = _mm_or_si128(
            _mm_or_si128(_mm_set1_epi32(static_cast<int32_t>(kOpaque)), _mm_slli_epi32(outR, 16)),
            _mm_or_si128(_mm_slli_epi32(outG, 8), outB));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), packed);
    }
#endif

    float m_hue;
    float m_saturation;
    float m_lumination;
    float m_greyFraction = 0.0f;
};

}  // namespace

platform::Image* clsImageFilter::CreateBrightnessFilter(double dblFilterValue)
{
    if (!hasSession()) return nullptr;
    const double b = limited(dblFilterValue, -255.0, 255.0);
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = platform::roundToByte(i + b);
    applyChannelTable(table);
    return handleResult();
}

platform::Image* clsImageFilter::CreateContrastFilter(double dblFilterValue)
{
    if (!hasSession()) return nullptr;
    const double v = limited(dblFilterValue, -255.0, 255.0);
    const double root = (v + 255.0) / 255.0;
    const double k = root * root;
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = platform::roundToByte((i - 128) * k + 128.0);
    applyChannelTable(table);
    return handleResult();
}

platform::Image* clsImageFilter::CreateGammaFilter(double dblFilterValue)
{
    if (!hasSession()) return nullptr;
    const double g = std::isnan(dblFilterValue) ? 0.0 : std::min(std::fabs(dblFilterValue), 10.0);
    const double exponent = 1.0 / (g + 0.00000001);
    uint8_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = platform::roundToByte(std::min(255.0, 255.0 * std::pow(i / 255.0, exponent)));
    applyChannelTable(table);
    return handleResult();
}

platform::Image* clsImageFilter::CreateThresholdFilter(int32_t lFilterValue)
{
    if (!hasSession()) return nullptr;
    const int32_t t = limitedMagnitude(lFilterValue, 255);
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i < t ? 0 : (i > t ? 255 : i));
    applyChannelTable(table);
    return handleResult();
}

platform::Image* clsImageFilter::CreateShiftRGBFilter(int32_t lFilterRedValue, int32_t lFilterGreenValue,
                                                      int32_t lFilterBlueValue)
{
    if (!hasSession()) return nullptr;
    const int32_t dr = platform::clampInt(lFilterRedValue, -255, 255);
    const int32_t dg = platform::clampInt(lFilterGreenValue, -255, 255);
    const int32_t db = platform::clampInt(lFilterBlueValue, -255, 255);
    uint32_t redTable[256];
    uint32_t greenTable[256];
    uint32_t blueTable[256];
    for (int i = 0; i < 256; ++i) {
        redTable[i] = static_cast<uint32_t>(platform::clampInt(i + dr, 0, 255)) << 16;
        greenTable[i] = static_cast<uint32_t>(platform::clampInt(i + dg, 0, 255)) << 8;
        blueTable[i] = static_cast<uint32_t>(platform::clampInt(i + db, 0, 255));
    }
    applyChannelTables(redTable, greenTable, blueTable);
    return handleResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateInvertFilter()
{
    if (!hasSession()) return nullptr;
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(255 - i);
    applyChannelTable(table);
    return pictureResult();
}

platform::Image* clsImageFilter::CreateHSLFilter(float sngHue, float sngSaturation, float sngLumination)
{
    if (!hasSession()) return nullptr;
    const HslShift shift(limited(sngHue, -180.0f, 180.0f), limited(sngSaturation, -100.0f, 100.0f),
                         limited(sngLumination, -100.0f, 100.0f));
    const int32_t width = loadedWidth();
    forEachRow([&](int32_t, const uint32_t* in, uint32_t* out) { shift.row(in, out, width); }, true);
    return handleResult();
}

platform::Image* clsImageFilter::CreateSepiaFilter()
{
    if (!hasSession()) return nullptr;
    // The result depends on R + G + B only.
    std::vector<uint32_t> bySum(766);
    for (int sum = 0; sum <= 765; ++sum) {
        const float l = static_cast<float>(static_cast<double>(sum) / 765.0);
        uint8_t r;
        uint8_t g;
        uint8_t b;
        HSLToRGB(36.0f, 25.0f, l * 100.0f, r, g, b, false);
        bySum[static_cast<size_t>(sum)] = packOpaque(r, g, b);
    }
    const uint32_t* table = bySum.data();
    const int32_t width = loadedWidth();
    forEachRow(
        [=](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                out[x] = table[red(p) + green(p) + blue(p)];
            }
        },
        true);
    return handleResult();
}

platform::Image* clsImageFilter::CreateGrayScaleFilter()
{
    if (!hasSession()) return nullptr;
    const int32_t width = loadedWidth();
    forEachRow(
        [=](int32_t, const uint32_t* in, uint32_t* out) {
            int32_t x = 0;
#if defined(__SSE2__) || defined(__x86_64__)
            for (; x + 4 <= width; x += 4) {
                const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
                const __m128i v = luminance4(p);
                const __m128i grey = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(v, 16), _mm_slli_epi32(v, 8)), v);
                const __m128i alpha = _mm_andnot_si128(_mm_set1_epi32(0x00FFFFFF), p);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(alpha, grey));
            }
#endif
            for (; x < width; ++x) {
                const uint32_t p = in[x];
                const uint32_t v = Luminance(static_cast<uint8_t>(red(p)), static_cast<uint8_t>(green(p)),
                                             static_cast<uint8_t>(blue(p)));
                out[x] = (p & 0xFF000000u) | (v << 16) | (v << 8) | v;
            }
        },
        true);
    return handleResult();
}

platform::Image* clsImageFilter::CreateEqualizeFilter()
{
    if (!hasSession()) return nullptr;
    if (m_snapshot.empty()) {
        forEachRow([](int32_t, const uint32_t*, uint32_t*) {});
        return handleResult();
    }
    // Pass 1: histogram of the luminance, without progress events.
    // Four partial histograms, so runs of equal levels do not wait on each other.
    uint64_t partial[4][256] = {};
    const size_t count = m_snapshot.size();
    const uint32_t* pixels = m_snapshot.data();
    auto level = [](uint32_t p) {
        return Luminance(static_cast<uint8_t>(red(p)), static_cast<uint8_t>(green(p)), static_cast<uint8_t>(blue(p)));
    };
    size_t i = 0;
#if defined(__SSE2__) || defined(__x86_64__)
    for (; i + 4 <= count; i += 4) {
        const __m128i v = luminance4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i)));
        ++partial[0][_mm_extract_epi16(v, 0)];
        ++partial[1][_mm_extract_epi16(v, 2)];
        ++partial[2][_mm_extract_epi16(v, 4)];
        ++partial[3][_mm_extract_epi16(v, 6)];
    }
#endif
    for (; i < count; ++i) ++partial[0][level(pixels[i])];
    uint64_t histogram[256];
    for (int v = 0; v < 256; ++v) histogram[v] = partial[0][v] + partial[1][v] + partial[2][v] + partial[3][v];

    const auto half = static_cast<int64_t>(
        platform::roundHalfEven(static_cast<double>(MaxY()) * static_cast<double>(MaxX()) * 0.5));
    int32_t m = 0;
    int64_t running = 0;
    for (m = 0; m < 256; ++m) {
        running += static_cast<int64_t>(histogram[m]);
        if (running > half) break;
    }
    if (m > 255) m = 255;
    if (static_cast<int64_t>(histogram[m] / 2) <= running - half) m = m - 1;

    // A side of zero width (m = 255 or m = 1) has nothing to spread: factor 0.
    const float kHigh = (255 - m) == 0 ? 0.0f : 127.0f / static_cast<float>(255 - m);
    const float kLow = (m - 1) == 0 ? 0.0f : 127.0f / static_cast<float>(m - 1);
    uint8_t table[256];
    for (int c = 0; c < 256; ++c) {
        if (c >= m)
            table[c] = platform::roundToByte(static_cast<double>(kHigh) * (c - m) + 128.0);
        else
            table[c] = platform::roundToByte(static_cast<double>(kLow) * c);
    }
    applyChannelTable(table);
    return handleResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateSaturationFilter(int32_t lFilterValue)
{
    if (!hasSession()) return nullptr;
    const double k = limitedMagnitude(lFilterValue, 100) / 100.0;
    // Output channel by (average of the pixel, channel).
    std::vector<uint8_t> byAverage(256 * 256);
    for (int avg = 0; avg < 256; ++avg)
        for (int c = 0; c < 256; ++c)
            byAverage[static_cast<size_t>(avg * 256 + c)] = platform::roundToByte(c + (c - avg) * k);
    uint8_t average[766];
    for (int s = 0; s <= 765; ++s) average[s] = platform::roundToByte(s / 3.0);

    const uint8_t* table = byAverage.data();
    const int32_t width = loadedWidth();
    forEachRow(
        [&, table, width](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                const uint8_t* row = table + 256 * average[red(p) + green(p) + blue(p)];
                out[x] = packOpaque(row[red(p)], row[green(p)], row[blue(p)]);
            }
        },
        true);
    return pictureResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateSwapColorFilter(int32_t eSwapColor)
{
    if (!hasSession()) return nullptr;
    const int32_t width = loadedWidth();
    forEachRow(
        [=](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                const uint32_t r = red(p);
                const uint32_t g = green(p);
                const uint32_t b = blue(p);
                switch (eSwapColor) {
                case 0: out[x] = packOpaque(b, r, g); break;
                case 1: out[x] = packOpaque(g, b, r); break;
                case 2: out[x] = packOpaque(r, b, g); break;
                case 3: out[x] = packOpaque(b, g, r); break;
                case 4: out[x] = packOpaque(g, r, b); break;
                default: out[x] = packOpaque(r, g, b); break;
                }
            }
        },
        true);
    return pictureResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateShiftFilter(int32_t lFilterColorFromValue,
                                                                   int32_t lFilterIncValue,
                                                                   int32_t lFilterToleranceValue)
{
    if (!hasSession()) return nullptr;
    const auto key = static_cast<uint32_t>(lFilterColorFromValue);
    const int32_t keyRed = static_cast<int32_t>(key & 0xFF);
    const int32_t keyGreen = static_cast<int32_t>((key >> 8) & 0xFF);
    const int32_t keyBlue = static_cast<int32_t>((key >> 16) & 0xFF);
    // At most (2^31 * 1.275)^2 + 1, well inside 64 bits.
    const double scaled = static_cast<double>(lFilterToleranceValue) * 127.5 / 100.0;
    const auto tolerance = static_cast<int64_t>(platform::roundHalfEven(scaled * scaled + 1.0));
    uint8_t shift[256];
    for (int i = 0; i < 256; ++i)
        shift[i] = static_cast<uint8_t>(platform::clampInt(static_cast<int64_t>(i) + lFilterIncValue, 0, 255));

    const int32_t width = loadedWidth();
    forEachRow(
        [&, width](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                const int32_t r = static_cast<int32_t>(red(p));
                const int32_t g = static_cast<int32_t>(green(p));
                const int32_t b = static_cast<int32_t>(blue(p));
                const int64_t distance = static_cast<int64_t>(r - keyRed) * (r - keyRed) +
                                         static_cast<int64_t>(g - keyGreen) * (g - keyGreen) +
                                         static_cast<int64_t>(b - keyBlue) * (b - keyBlue);
                bool shifted = false;
                if (distance <= tolerance) {
                    // round(1 - D / T): 1 below one half, 0 from one half on.
                    const double f = platform::roundHalfEven(
                        1.0 - static_cast<double>(distance) / static_cast<double>(tolerance));
                    shifted = f == 1.0;
                }
                out[x] = shifted ? packOpaque(shift[r], shift[g], shift[b])
                                 : packOpaque(static_cast<uint32_t>(r), static_cast<uint32_t>(g),
                                              static_cast<uint32_t>(b));
            }
        },
        true);
    return pictureResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateBlackWhiteFilter1(int32_t lFilterValue)
{
    if (!hasSession()) return nullptr;
    const auto t = static_cast<uint32_t>(limitedMagnitude(lFilterValue, 255));
    const int32_t width = loadedWidth();
    forEachRow(
        [=](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                // All three below t; bitwise, so random pixels cost no mispredicted branch.
                const uint32_t below = static_cast<uint32_t>(red(p) < t) & static_cast<uint32_t>(green(p) < t) &
                                       static_cast<uint32_t>(blue(p) < t);
                const bool black = below != 0;
                out[x] = black ? kOpaque : 0xFFFFFFFFu;
            }
        },
        true);
    return pictureResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateBlackWhiteFilter3()
{
    if (!hasSession()) return nullptr;
    static constexpr uint8_t kMatrix[4][4] = {
        {1, 13, 4, 16},
        {9, 5, 12, 8},
        {3, 15, 2, 14},
        {11, 7, 10, 6},
    };
    uint8_t level[766];
    for (int s = 0; s <= 765; ++s) level[s] = static_cast<uint8_t>((s / 3) / 16 + 1);
    const int32_t width = loadedWidth();
    forEachRow(
        [&, width](int32_t y, const uint32_t* in, uint32_t* out) {
            const uint8_t* matrixRow = kMatrix[y & 3];
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                const bool white = level[red(p) + green(p) + blue(p)] >= matrixRow[x & 3];
                out[x] = white ? 0xFFFFFFFFu : kOpaque;
            }
        },
        true);
    return pictureResult();
}

}  // namespace kalvora
