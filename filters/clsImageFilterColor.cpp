// Colour and tone filters: every output pixel comes from the snapshot pixel
// at the same place. Filters whose channels depend only on the channel's own
// value map it through a 256-entry table built from the exact formula.

#include <cmath>
#include <cstdlib>

#include "filters/clsImageFilter.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

inline uint32_t red(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t green(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t blue(uint32_t p) { return p & 0xFF; }
inline uint32_t packOpaque(uint32_t r, uint32_t g, uint32_t b) { return kOpaque | (r << 16) | (g << 8) | b; }

// Absolute value of a 32-bit parameter limited to at most `limit`, without
// overflowing for the most negative value.
int32_t absLimited(int32_t value, int32_t limit)
{
    const int64_t a = std::llabs(static_cast<int64_t>(value));
    return a > limit ? limit : static_cast<int32_t>(a);
}

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
    const int32_t t = absLimited(lFilterValue, 255);
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
    const float hue = limited(sngHue, -180.0f, 180.0f);
    const float saturation = limited(sngSaturation, -100.0f, 100.0f);
    const float lumination = limited(sngLumination, -100.0f, 100.0f);

    // Everything that depends on max + min alone: the lightness before the
    // change (for the saturation formula's branch), the lightness fraction
    // after it, and the grey a colour with no saturation left becomes.
    struct LightnessEntry {
        float l;
        uint8_t grey;
        bool lowerHalf;
    };
    LightnessEntry lightness[511];
    for (int sum = 0; sum <= 510; ++sum) {
        const float original = static_cast<float>(sum) / 5.1f;
        float shifted = original + lumination;
        shifted = shifted < 0.0f ? 0.0f : (shifted > 100.0f ? 100.0f : shifted);
        lightness[sum].l = shifted / 100.0f;
        lightness[sum].grey = toByte(static_cast<float>(static_cast<double>(shifted) * 2.55));
        lightness[sum].lowerHalf = original <= 50.0f;
    }
    float hueStep[256];  // 60 / (max - min)
    hueStep[0] = 0.0f;
    for (int span = 1; span < 256; ++span) hueStep[span] = 60.0f / static_cast<float>(span);
    float sixtieths[360];  // H / 60 of a whole hue
    for (int h = 0; h < 360; ++h) sixtieths[h] = static_cast<float>(h) / 60.0f;
    // The grey of an unsaturated pixel also needs the saturation change.
    const float greySaturation = saturation < 0.0f ? 0.0f : (saturation > 100.0f ? 100.0f : saturation);
    const float greyFraction = greySaturation / 100.0f;

    const int32_t width = loadedWidth();
    forEachRow(
        [&](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                const int32_t r = static_cast<int32_t>(red(p));
                const int32_t g = static_cast<int32_t>(green(p));
                const int32_t b = static_cast<int32_t>(blue(p));
                const int32_t maxValue = std::max(std::max(r, g), b);
                const int32_t minValue = std::min(std::min(r, g), b);
                const int32_t sum = maxValue + minValue;
                const int32_t span = maxValue - minValue;
                const LightnessEntry& le = lightness[sum];

                float h;
                float s;
                if (span == 0) {
                    h = 0.0f;
                    s = greyFraction;
                    if (greySaturation == 0.0f) {
                        const uint32_t v = le.grey;
                        out[x] = packOpaque(v, v, v);
                        continue;
                    }
                } else {
                    const float sat = static_cast<float>(span * 100) /
                                      static_cast<float>(le.lowerHalf ? sum : 510 - sum);
                    float shifted = sat + saturation;
                    shifted = shifted < 0.0f ? 0.0f : (shifted > 100.0f ? 100.0f : shifted);
                    if (shifted == 0.0f) {
                        const uint32_t v = le.grey;
                        out[x] = packOpaque(v, v, v);
                        continue;
                    }
                    s = shifted / 100.0f;
                    const float f = hueStep[span];
                    if (maxValue == r) {
                        h = static_cast<float>(g - b) * f;
                        if (g < b) h = h + 360.0f;
                    } else if (maxValue == g) {
                        h = static_cast<float>(b - r) * f + 120.0f;
                    } else {
                        h = static_cast<float>(r - g) * f + 240.0f;
                    }
                }
                // Whole hue in 0..359: h + hue lies in -180..540.
                int32_t whole = toWhole(h + hue);
                if (whole < 0) whole += 360;
                if (whole >= 360) whole -= 360;

                const float l = le.l;
                const float m1 = l > 0.5f ? l - (1.0f - l) * s : (1.0f - s) * l;
                const float m2 = 2.0f * l - m1;
                const float d = m2 - m1;
                const float hs = sixtieths[whole];
                float ro;
                float go;
                float bo;
                switch (whole / 60) {
                case 0: ro = m2; go = m1 + hs * d; bo = m1; break;
                case 1: ro = m1 - (hs - 2.0f) * d; go = m2; bo = m1; break;
                case 2: ro = m1; go = m2; bo = m1 + (hs - 2.0f) * d; break;
                case 3: ro = m1; go = m1 - (hs - 4.0f) * d; bo = m2; break;
                case 4: ro = m1 + (hs - 4.0f) * d; go = m1; bo = m2; break;
                default: ro = m2; go = m1; bo = m1 - (hs - 6.0f) * d; break;
                }
                out[x] = packOpaque(toByte(ro * 255.0f), toByte(go * 255.0f), toByte(bo * 255.0f));
            }
        },
        true);
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
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                const uint32_t v = (77u * red(p) + 150u * green(p) + 28u * blue(p)) / 255u;
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
    uint64_t histogram[256] = {};
    for (const uint32_t p : m_snapshot) ++histogram[Luminance(red(p), green(p), blue(p))];

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
    const double k = absLimited(lFilterValue, 100) / 100.0;
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
    const auto t = static_cast<uint32_t>(absLimited(lFilterValue, 255));
    const int32_t width = loadedWidth();
    forEachRow(
        [=](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                const bool black = red(p) < t && green(p) < t && blue(p) < t;
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
            const uint8_t* matrixRow = kMatrix[y % 4];
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                const bool white = level[red(p) + green(p) + blue(p)] >= matrixRow[x % 4];
                out[x] = white ? 0xFFFFFFFFu : kOpaque;
            }
        },
        true);
    return pictureResult();
}

}  // namespace kalvora
