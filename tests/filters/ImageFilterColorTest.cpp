#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "tests/filters/FilterTestSupport.h"
#include "filters/clsImageFilter.h"
#include "tests/support/FakeServices.h"

namespace kalvora {
namespace {

using namespace testing;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

Rgb hslToRgb(float h, float s, float l, bool normalize)
{
    uint8_t r, g, b;
    clsImageFilter::HSLToRGB(h, s, l, r, g, b, normalize);
    return {r, g, b};
}

uint32_t rgbToArgb(const Rgb& c) { return argb(255, uint32_t(c.r), uint32_t(c.g), uint32_t(c.b)); }

Rgb rgbOf(uint32_t p) { return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)}; }

TEST(ImageFilterColourHelpers, RgbToHslOfPrimariesAndGreys)
{
    float h, s, l;
    clsImageFilter::RGBToHSL(255, 0, 0, h, s, l);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(s, 100.0f);
    EXPECT_EQ(l, 50.0f);
    clsImageFilter::RGBToHSL(0, 0, 255, h, s, l);
    EXPECT_EQ(h, 240.0f);
    clsImageFilter::RGBToHSL(0, 255, 0, h, s, l);
    EXPECT_EQ(h, 120.0f);
    clsImageFilter::RGBToHSL(77, 77, 77, h, s, l);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(s, 0.0f);
    // Magenta-ish red: hue below zero wraps up by 360.
    clsImageFilter::RGBToHSL(255, 0, 128, h, s, l);
    EXPECT_EQ(h, 128.0f * (60.0f / 255.0f) * -1.0f + 360.0f);
    // Light colour takes the upper-half saturation formula, in single precision.
    clsImageFilter::RGBToHSL(255, 200, 200, h, s, l);
    EXPECT_EQ(l, 455.0f / 5.1f);
    EXPECT_EQ(s, 5500.0f / 55.0f);
}

TEST(ImageFilterColourHelpers, NormalizeWrapsHueAndLimitsSaturationAndLightness)
{
    float h = -30, s = -5, l = 130;
    clsImageFilter::NormalizeHSL(h, s, l);
    EXPECT_EQ(h, 330.0f);
    EXPECT_EQ(s, 0.0f);
    EXPECT_EQ(l, 100.0f);
    h = 725, s = 130, l = -1;
    clsImageFilter::NormalizeHSL(h, s, l);
    EXPECT_EQ(h, 5.0f);
    EXPECT_EQ(s, 100.0f);
    EXPECT_EQ(l, 0.0f);
    h = 360, s = 50, l = 50;
    clsImageFilter::NormalizeHSL(h, s, l);
    EXPECT_EQ(h, 0.0f);
    h = 0.5f;  // half to even
    clsImageFilter::NormalizeHSL(h, s, l);
    EXPECT_EQ(h, 0.0f);
    h = 1.5f;
    clsImageFilter::NormalizeHSL(h, s, l);
    EXPECT_EQ(h, 2.0f);
}

TEST(ImageFilterColourHelpers, HslToRgbExactValues)
{
    // 50 x 2.55 is 127.4999... in double, exactly 127.5 in single precision.
    EXPECT_EQ(hslToRgb(0, 0, 50, false), (Rgb{128, 128, 128}));
    EXPECT_EQ(hslToRgb(120, 100, 50, false), (Rgb{0, 255, 0}));
    EXPECT_EQ(hslToRgb(0, 100, 50, false), (Rgb{255, 0, 0}));
    EXPECT_EQ(hslToRgb(330, 100, 50, false), (Rgb{255, 0, 128}));
    EXPECT_EQ(hslToRgb(-30, 100, 50, true), (Rgb{255, 0, 128}));
    EXPECT_EQ(hslToRgb(0, 0, 100, false), (Rgb{255, 255, 255}));
    EXPECT_EQ(hslToRgb(0, 0, 0, false), (Rgb{0, 0, 0}));
    // Round trip of every colour of a coarse cube.
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51) {
                float h, s, l;
                clsImageFilter::RGBToHSL(uint8_t(r), uint8_t(g), uint8_t(b), h, s, l);
                const Rgb back = hslToRgb(h, s, l, true);
                EXPECT_NEAR(back.r, r, 2);
                EXPECT_NEAR(back.g, g, 2);
                EXPECT_NEAR(back.b, b, 2);
            }
}

TEST(ImageFilterColourHelpers, BlendAndLuminance)
{
    const auto black = static_cast<int32_t>(argb(200, 0, 0, 0));
    const auto white = static_cast<int32_t>(argb(10, 255, 255, 255));
    EXPECT_EQ(static_cast<uint32_t>(clsImageFilter::BlendPixel(black, white, 128)), argb(200, 128, 128, 128));
    EXPECT_EQ(clsImageFilter::BlendPixel(black, white, 0), black);
    EXPECT_EQ(static_cast<uint32_t>(clsImageFilter::BlendPixel(black, white, 255)), argb(200, 255, 255, 255));
    EXPECT_EQ(clsImageFilter::Luminance(255, 255, 255), 255);
    EXPECT_EQ(clsImageFilter::Luminance(255, 0, 0), 77);
    EXPECT_EQ(clsImageFilter::Luminance(10, 20, 30), (770 + 3000 + 840) / 255);
}

TEST(ImageFilterTone, BrightnessIsClampedAndRoundsHalfToEven)
{
    auto bright = [](uint32_t c, double v) {
        return filterOnePixel(c, [v](clsImageFilter& f) { return f.CreateBrightnessFilter(v); });
    };
    EXPECT_EQ(bright(argb(0, 0, 100, 200), 300), argb(255, 255, 255, 255));
    EXPECT_EQ(bright(argb(7, 10, 11, 0), 0.5), argb(255, 10, 12, 0));
    EXPECT_EQ(bright(argb(7, 10, 11, 0), -300), argb(255, 0, 0, 0));
    EXPECT_EQ(bright(argb(7, 10, 11, 200), -10.5), argb(255, 0, 0, 190));
}

TEST(ImageFilterTone, ContrastStretchesAroundTheMiddle)
{
    auto contrast = [](uint32_t c, double v) {
        return filterOnePixel(c, [v](clsImageFilter& f) { return f.CreateContrastFilter(v); });
    };
    EXPECT_EQ(contrast(argb(0, 0, 100, 255), -255), argb(255, 128, 128, 128));
    EXPECT_EQ(contrast(argb(0, 100, 200, 128), 255), argb(255, 16, 255, 128));
    EXPECT_EQ(contrast(argb(0, 100, 200, 128), 1000), argb(255, 16, 255, 128));
    EXPECT_EQ(contrast(argb(0, 100, 200, 0), 0), argb(255, 100, 200, 0));
}

TEST(ImageFilterTone, GammaTable)
{
    auto gamma = [](uint32_t c, double v) {
        return filterOnePixel(c, [v](clsImageFilter& f) { return f.CreateGammaFilter(v); });
    };
    // 255 x sqrt(1/255) = 15.97; 255 x sqrt(64/255) = 127.75.
    EXPECT_EQ(gamma(argb(0, 1, 64, 255), 2), argb(255, 16, 128, 255));
    EXPECT_EQ(gamma(argb(0, 1, 64, 255), -2), argb(255, 16, 128, 255));
    EXPECT_EQ(gamma(argb(0, 1, 254, 255), 0), argb(255, 0, 0, 255));
    EXPECT_EQ(gamma(argb(0, 1, 128, 254), 1), argb(255, 1, 128, 254));
    // Limited to 10: 255 x (128/255)^0.1 = 238.02.
    EXPECT_EQ(gamma(argb(0, 0, 128, 0), 1000), gamma(argb(0, 0, 128, 0), 10));
    EXPECT_EQ(greenOf(gamma(argb(0, 0, 128, 0), 10)), 238u);
}

TEST(ImageFilterTone, ThresholdKeepsTheThresholdItself)
{
    auto threshold = [](uint32_t c, int32_t v) {
        return filterOnePixel(c, [v](clsImageFilter& f) { return f.CreateThresholdFilter(v); });
    };
    EXPECT_EQ(threshold(argb(0, 127, 128, 129), 128), argb(255, 0, 128, 255));
    EXPECT_EQ(threshold(argb(0, 254, 255, 0), -300), argb(255, 0, 255, 0));
    EXPECT_EQ(threshold(argb(0, 254, 255, 0), INT32_MIN), argb(255, 0, 255, 0));
    EXPECT_EQ(threshold(argb(0, 0, 1, 2), 0), argb(255, 0, 255, 255));
}

TEST(ImageFilterTone, ShiftRgbAndInvert)
{
    EXPECT_EQ(filterOnePixel(argb(9, 10, 20, 30),
                             [](clsImageFilter& f) { return f.CreateShiftRGBFilter(-20, 1000, 5); }),
              argb(255, 0, 255, 35));
    EXPECT_EQ(pictureOnePixel(argb(255, 10, 20, 30), [](clsImageFilter& f) { return f.CreateInvertFilter(); }),
              argb(255, 245, 235, 225));
}

TEST(ImageFilterColour, HslShiftsHueWithRounding)
{
    auto hsl = [](uint32_t c, float h, float s, float l) {
        return filterOnePixel(c, [=](clsImageFilter& f) { return f.CreateHSLFilter(h, s, l); });
    };
    EXPECT_EQ(hsl(argb(0, 255, 0, 0), 120, 0, 0), argb(255, 0, 255, 0));
    EXPECT_EQ(hsl(argb(0, 255, 0, 0), -30, 0, 0), argb(255, 255, 0, 128));
    // Limited to 180 and -100.
    EXPECT_EQ(hsl(argb(0, 255, 0, 0), 500, 0, 0), hsl(argb(0, 255, 0, 0), 180, 0, 0));
    EXPECT_EQ(hsl(argb(0, 255, 0, 0), 180, 0, 0), argb(255, 0, 255, 255));
    EXPECT_EQ(hsl(argb(0, 255, 0, 0), 0, -500, 0), argb(255, 128, 128, 128));
    EXPECT_EQ(hsl(argb(0, 255, 0, 0), 0, 0, 100), argb(255, 255, 255, 255));
    // A grey gains colour only through saturation.
    EXPECT_EQ(hsl(argb(0, 128, 128, 128), 0, 100, 0), rgbToArgb(hslToRgb(0, 100, 256.0f / 5.1f, true)));
}

TEST(ImageFilterColour, HslFilterMatchesTheHelpersOnEveryPixel)
{
    // Random colours, plus greys and pure hues, which take their own paths.
    std::mt19937 gen(7);
    cBitmap bitmap;
    makeBitmap(bitmap, 61, 53, [&](int32_t x, int32_t y) {
        const auto v = static_cast<uint32_t>(gen());
        if (y % 5 == 1) return (v & 0xFF000000u) | (v & 0xFF) * 0x010101u;
        if (y % 5 == 2) return argb(v >> 24, x % 3 == 0 ? 255 : 0, x % 3 == 1 ? v & 0xFF : 0, x % 3 == 2 ? 255 : 0);
        return v;
    });
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    const float params[][3] = {{0, 0, 0},       {37.5f, -12.25f, 8.5f}, {-180, 100, -100}, {179.5f, -0.5f, 0.5f},
                               {-90, -100, 30}, {0.49f, 33.3f, -33.3f}, {120, 100, 100}, {-0.5f, 0.0f, 100},
                               {90.5f, 1e-3f, -1e-3f}, {-179.5f, -99.99f, 99.99f}};
    for (const auto& p : params) {
        platform::Image* out = filter.CreateHSLFilter(p[0], p[1], p[2]);
        ASSERT_NE(out, nullptr);
        for (int32_t y = 0; y < 53; ++y)
            for (int32_t x = 0; x < 61; ++x) {
                const auto in = static_cast<uint32_t>(bitmap.GetPixelARGB(x, y));
                float h, s, l;
                clsImageFilter::RGBToHSL(uint8_t(in >> 16), uint8_t(in >> 8), uint8_t(in), h, s, l);
                const Rgb want = hslToRgb(h + p[0], s + p[1], l + p[2], true);
                ASSERT_EQ(rgbOf(out->pixelArgb(x, y)), want) << x << "," << y << " params " << p[0] << " " << p[1];
                ASSERT_EQ(out->pixelArgb(x, y) >> 24, 255u);
            }
    }
}

TEST(ImageFilterColour, SepiaAndGreyScale)
{
    auto sepia = [](uint32_t c) { return filterOnePixel(c, [](clsImageFilter& f) { return f.CreateSepiaFilter(); }); };
    EXPECT_EQ(sepia(argb(0, 128, 128, 128)), argb(255, 160, 134, 96));
    EXPECT_EQ(sepia(argb(0, 255, 0, 0)), argb(255, 106, 89, 64));
    EXPECT_EQ(sepia(argb(0, 255, 255, 255)), argb(255, 255, 255, 255));
    EXPECT_EQ(sepia(argb(0, 0, 0, 0)), argb(255, 0, 0, 0));
    auto grey = [](uint32_t c) {
        return filterOnePixel(c, [](clsImageFilter& f) { return f.CreateGrayScaleFilter(); });
    };
    EXPECT_EQ(grey(argb(77, 255, 255, 255)), argb(77, 255, 255, 255));
    EXPECT_EQ(grey(argb(0, 10, 20, 30)), argb(0, 18, 18, 18));
    EXPECT_EQ(grey(argb(200, 255, 0, 0)), argb(200, 77, 77, 77));
}

TEST(ImageFilterColour, EqualizeSpreadsAroundTheMedian)
{
    auto equalizeSolid = [](uint32_t c) {
        cBitmap bitmap;
        testing::makeSolid(bitmap, 10, 10, c);
        clsImageFilter filter;
        filter.SetBitmapIn(bitmap);
        return filter.CreateEqualizeFilter()->pixelArgb(3, 3);
    };
    EXPECT_EQ(equalizeSolid(argb(255, 0, 0, 0)), argb(255, 128, 128, 128));
    // Median side of width zero (m = 1): no division by zero; 0.5 x 1 + 128 rounds to 128.
    EXPECT_EQ(equalizeSolid(argb(255, 2, 2, 2)), argb(255, 128, 128, 128));
    // All white: m = 254 after the step back, k_high = 127.
    EXPECT_EQ(equalizeSolid(argb(0, 255, 255, 255)), argb(255, 255, 255, 255));

    // Half dark (luminance 50), half bright (200) on a 10 x 10 image: half =
    // round(81 x 0.5) = 40; m = 50 stays, as Hist(50) \ 2 = 25 is above 50 - 40.
    cBitmap bitmap;
    makeBitmap(bitmap, 10, 10, [](int32_t x, int32_t) { return x < 5 ? argb(255, 50, 50, 50) : argb(255, 200, 200, 200); });
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    platform::Image* out = filter.CreateEqualizeFilter();
    const double kHigh = static_cast<double>(127.0f / 205.0f);
    EXPECT_EQ(out->pixelArgb(0, 0), argb(255, 128, 128, 128));
    EXPECT_EQ(redOf(out->pixelArgb(9, 9)), static_cast<uint32_t>(std::nearbyint(kHigh * 150 + 128)));
    EXPECT_EQ(redOf(out->pixelArgb(9, 9)), 221u);

    // Three quarters dark: m moves one level down when the median level's
    // half fits in the excess. 4 x 4 image: half = round(9 x 0.5) = 4 (even);
    // 12 pixels at 50 give running 12 > 4 at m = 50; 12 \ 2 = 6 <= 8, so m = 49.
    cBitmap quarter;
    makeBitmap(quarter, 4, 4, [](int32_t, int32_t y) { return y < 3 ? argb(255, 50, 50, 50) : argb(255, 200, 200, 200); });
    filter.SetBitmapIn(quarter);
    out = filter.CreateEqualizeFilter();
    const double kHigh49 = static_cast<double>(127.0f / 206.0f);
    EXPECT_EQ(redOf(out->pixelArgb(0, 0)), static_cast<uint32_t>(std::nearbyint(kHigh49 * 1 + 128)));
}

TEST(ImageFilterColour, SaturationUsesTheFractionalFactor)
{
    auto saturate = [](uint32_t c, int32_t v) {
        return pictureOnePixel(c, [v](clsImageFilter& f) { return f.CreateSaturationFilter(v); });
    };
    // Average round(450 / 3) = 150.
    EXPECT_EQ(saturate(argb(255, 100, 150, 200), 50), argb(255, 75, 150, 225));
    EXPECT_EQ(saturate(argb(255, 100, 150, 200), -50), argb(255, 75, 150, 225));
    EXPECT_EQ(saturate(argb(255, 100, 150, 200), 1000), argb(255, 50, 150, 250));
    EXPECT_EQ(saturate(argb(255, 100, 150, 200), 0), argb(255, 100, 150, 200));
    // 100 + (-50 x 0.25) = 87.5 rounds to 88; 200 + 12.5 = 212.5 rounds to 212.
    EXPECT_EQ(saturate(argb(255, 100, 150, 200), 25), argb(255, 88, 150, 212));
    EXPECT_EQ(saturate(argb(255, 0, 10, 255), 100), argb(255, 0, 0, 255));
}

TEST(ImageFilterColour, SwapColourModes)
{
    auto swap = [](int32_t mode) {
        return pictureOnePixel(argb(255, 1, 2, 3), [mode](clsImageFilter& f) { return f.CreateSwapColorFilter(mode); });
    };
    EXPECT_EQ(swap(0), argb(255, 3, 1, 2));
    EXPECT_EQ(swap(1), argb(255, 2, 3, 1));
    EXPECT_EQ(swap(2), argb(255, 1, 3, 2));
    EXPECT_EQ(swap(3), argb(255, 3, 2, 1));
    EXPECT_EQ(swap(4), argb(255, 2, 1, 3));
    // A mode outside 0..4 copies the source colour.
    EXPECT_EQ(swap(5), argb(255, 1, 2, 3));
    EXPECT_EQ(swap(-1), argb(255, 1, 2, 3));
}

TEST(ImageFilterColour, ColourKeyedShift)
{
    cBitmap bitmap;
    // Key (100, 50, 20) as 0x00BBGGRR.
    const int32_t key = 100 | (50 << 8) | (20 << 16);
    makeBitmap(bitmap, 4, 1, [](int32_t x, int32_t) {
        switch (x) {
        case 0: return argb(9, 100, 50, 20);   // D = 0
        case 1: return argb(9, 101, 50, 20);   // D = 1
        case 2: return argb(9, 110, 50, 20);   // D = 100
        default: return argb(9, 0, 0, 0);
        }
    });
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    // Tolerance 0: T = 1; D = 0 shifts, D = 1 gives round(0) = 0 and stays.
    auto out = filter.CreateShiftFilter(key, 10, 0);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->pixelArgb(0, 0), argb(255, 110, 60, 30));
    EXPECT_EQ(out->pixelArgb(1, 0), argb(255, 101, 50, 20));
    // Tolerance 10: T = round(12.75^2 + 1) = 164; D = 100: round(1 - 0.61) = 0.
    out = filter.CreateShiftFilter(key, -300, 10);
    EXPECT_EQ(out->pixelArgb(1, 0), argb(255, 0, 0, 0));
    EXPECT_EQ(out->pixelArgb(2, 0), argb(255, 110, 50, 20));
    // A huge tolerance neither overflows nor refuses: everything is near.
    out = filter.CreateShiftFilter(key, 5, INT32_MAX);
    EXPECT_EQ(out->pixelArgb(3, 0), argb(255, 5, 5, 5));
    out = filter.CreateShiftFilter(key, 5, INT32_MIN);
    EXPECT_EQ(out->pixelArgb(3, 0), argb(255, 5, 5, 5));
}

TEST(ImageFilterColour, BlackAndWhite)
{
    auto bw1 = [](uint32_t c, int32_t t) {
        return pictureOnePixel(c, [t](clsImageFilter& f) { return f.CreateBlackWhiteFilter1(t); });
    };
    EXPECT_EQ(bw1(argb(255, 99, 99, 99), 100), argb(255, 0, 0, 0));
    EXPECT_EQ(bw1(argb(255, 99, 100, 0), 100), argb(255, 255, 255, 255));
    EXPECT_EQ(bw1(argb(255, 254, 254, 254), -300), argb(255, 0, 0, 0));
    EXPECT_EQ(bw1(argb(255, 0, 0, 0), 0), argb(255, 255, 255, 255));

    auto dither = [](uint32_t colour) {
        cBitmap bitmap;
        testing::makeSolid(bitmap, 8, 8, colour);
        clsImageFilter filter;
        filter.SetBitmapIn(bitmap);
        return filter.CreateBlackWhiteFilter3();
    };
    auto black = dither(argb(255, 0, 0, 0));
    ASSERT_NE(black, nullptr);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(black->pixelArgb(x, y), (x % 4 == 0 && y % 4 == 0) ? argb(255, 255, 255, 255) : argb(255, 0, 0, 0));
    auto white = dither(argb(255, 255, 255, 255));
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(white->pixelArgb(x, y), argb(255, 255, 255, 255));
    // Mid grey (sum 384 -> level 9) is white where the matrix holds 1..9: half the block and one more.
    auto grey = dither(argb(255, 128, 128, 128));
    int whites = 0;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) whites += grey->pixelArgb(x, y) == argb(255, 255, 255, 255);
    EXPECT_EQ(whites, 9);
}

}  // namespace
}  // namespace kalvora

namespace kalvora {
namespace {

TEST(ImageFilterColour, HslFilterMatchesTheHelpersForEveryColour)
{
    // All 2^24 colours once each, with one set of fractional offsets.
    cBitmap bitmap;
    testing::makeBitmap(bitmap, 4096, 4096,
                        [](int32_t x, int32_t y) { return 0xFF000000u | (static_cast<uint32_t>(y) << 12) | x; });
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    const float hue = 37.5f, saturation = -12.25f, lumination = 8.5f;
    const platform::Image* out = filter.CreateHSLFilter(hue, saturation, lumination);
    ASSERT_NE(out, nullptr);
    int64_t mismatches = 0;
    for (uint32_t c = 0; c < (1u << 24); ++c) {
        float h, s, l;
        clsImageFilter::RGBToHSL(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), h, s, l);
        uint8_t r, g, b;
        clsImageFilter::HSLToRGB(h + hue, s + saturation, l + lumination, r, g, b, true);
        const uint32_t want = 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
        mismatches += out->pixelArgb(int32_t(c & 4095), int32_t(c >> 12)) != want;
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace kalvora

namespace kalvora {
namespace {

TEST(ImageFilterColour, GreyScaleMatchesTheLuminanceForEveryColour)
{
    cBitmap bitmap;
    testing::makeBitmap(bitmap, 4096, 4096, [](int32_t x, int32_t y) {
        return (static_cast<uint32_t>(x * 7) << 24) | (static_cast<uint32_t>(y) << 12) | x;
    });
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    const platform::Image* out = filter.CreateGrayScaleFilter();
    int64_t mismatches = 0;
    for (uint32_t c = 0; c < (1u << 24); ++c) {
        const uint32_t v = clsImageFilter::Luminance(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c));
        const uint32_t alpha = static_cast<uint32_t>((c & 4095) * 7) & 0xFF;
        mismatches += out->pixelArgb(int32_t(c & 4095), int32_t(c >> 12)) != ((alpha << 24) | v * 0x010101u);
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace kalvora
