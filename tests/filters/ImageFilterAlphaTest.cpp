#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "filters/cNoiseGenerator.h"
#include "filters/clsImageFilter.h"
#include "tests/filters/FilterTestSupport.h"

namespace kalvora {
namespace {

using namespace testing;
using enum kalvora::platform::InterpolationMode;

TEST(SoftBorderGeometry, EdgeAlphaRampsOverSoftnessPlusOnePixels)
{
    EXPECT_EQ(clsImageFilter::EdgeAlpha(-3.0f, 0), 255);
    EXPECT_EQ(clsImageFilter::EdgeAlpha(0.0f, 0), 255);
    EXPECT_EQ(clsImageFilter::EdgeAlpha(0.5f, 0), 128);  // 127.5 to even
    EXPECT_EQ(clsImageFilter::EdgeAlpha(1.0f, 0), 0);
    EXPECT_EQ(clsImageFilter::EdgeAlpha(2.5f, 4), 128);
    EXPECT_EQ(clsImageFilter::EdgeAlpha(1.0f, 3), 191);  // 255 - 63.75
    EXPECT_EQ(clsImageFilter::EdgeAlpha(4.999f, 4), 0);
    EXPECT_EQ(clsImageFilter::EdgeAlpha(5.0f, 4), 0);
    // A negative softness has no ramp and divides by nothing.
    EXPECT_EQ(clsImageFilter::EdgeAlpha(0.5f, -1), 0);
    EXPECT_EQ(clsImageFilter::EdgeAlpha(0.5f, -7), 0);
    EXPECT_EQ(clsImageFilter::EdgeAlpha(1.0f, INT32_MAX), 255);
    // Inside the corner circle, on it, and outside it.
    EXPECT_EQ(clsImageFilter::CornerAlpha(3.0f, 4.0f, 6, 2), 255);
    EXPECT_EQ(clsImageFilter::CornerAlpha(3.0f, 4.0f, 5, 2), 255);
    EXPECT_EQ(clsImageFilter::CornerAlpha(3.0f, 4.0f, 4, 2), 170);
}

TEST(SoftBorderGeometry, RegionsAndTheirDistances)
{
    // MaxX = MaxY = 40, B = 2, R = 5, A = 0, S = 1: c = 8, sides at 3 and 37.
    auto alpha = [](float x, float y) { return clsImageFilter::RoundRectAlpha(x, y, 40, 40, 2, 5, 0, 1); };
    EXPECT_EQ(alpha(8.0f, 2.5f), 128);   // top edge, x = c is the middle column
    EXPECT_EQ(alpha(8.0f, 2.0f), 0);
    EXPECT_EQ(alpha(2.5f, 20.0f), 128);  // left edge
    EXPECT_EQ(alpha(3.0f, 32.0f), 255);  // y = MaxY - c is still the left edge
    EXPECT_EQ(alpha(3.0f, 32.5f), 249);  // lower corner: sqrt(25.25) - 5 = 0.025
    EXPECT_EQ(alpha(20.0f, 37.5f), 128); // bottom edge
    EXPECT_EQ(alpha(20.0f, 38.0f), 0);
    EXPECT_EQ(alpha(37.5f, 20.0f), 128); // right edge
    EXPECT_EQ(alpha(0.0f, 0.0f), 0);     // corners
    EXPECT_EQ(alpha(40.0f, 40.0f), 0);
    EXPECT_EQ(alpha(20.0f, 20.0f), 255);
}

// Alpha of every pixel of a solid w x h image after the soft border.
std::vector<uint32_t> borderAlpha(int32_t w, int32_t h, int32_t b, int32_t r, int32_t s, float n, int32_t a,
                                  uint32_t colour = argb(77, 10, 20, 30))
{
    cBitmap bitmap;
    makeSolid(bitmap, w, h, colour);
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    platform::Image* out = filter.CreateTransparentBorder(b, r, s, n, a);
    std::vector<uint32_t> alpha;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t p = out->pixelArgb(x, y);
            EXPECT_EQ(p & 0xFFFFFFu, colour & 0xFFFFFFu);
            alpha.push_back(alphaOf(p));
        }
    return alpha;
}

TEST(SoftBorder, StraightEdgesCornersAndInteriorWithoutNoise)
{
    const int32_t w = 40, h = 30, b = 5, a = 3;
    const std::vector<uint32_t> alpha = borderAlpha(w, h, b, 0, 0, 4.0f, a);
    auto at = [&](int32_t x, int32_t y) { return alpha[static_cast<size_t>(y) * w + x]; };
    const int32_t mid = 15;
    EXPECT_EQ(at(b, mid), 255u);
    EXPECT_EQ(at(b - 1, mid), 191u);  // 255 - 255 / 4 = 191.25
    EXPECT_EQ(at(b - 2, mid), 128u);  // 127.5 to even
    EXPECT_EQ(at(b - 3, mid), 64u);   // 63.75
    for (int32_t x = 0; x <= b - a - 1; ++x) EXPECT_EQ(at(x, mid), 0u) << x;
    EXPECT_EQ(at(w - 1 - b, mid), 255u);
    EXPECT_EQ(at(w - b, mid), 191u);
    for (int32_t x = w - b + a; x < w; ++x) EXPECT_EQ(at(x, mid), 0u) << x;
    // Interior fully opaque; the source's own alpha (77) is not used.
    for (int32_t y = b; y <= h - 1 - b; ++y)
        for (int32_t x = b; x <= w - 1 - b; ++x) ASSERT_EQ(at(x, y), 255u) << x << "," << y;
    // With no rounding the corner falls off with the distance from (b, b).
    EXPECT_EQ(at(b - 1, b - 1), clsImageFilter::EdgeAlpha(std::sqrt(2.0f), a));
    EXPECT_EQ(at(b - 2, b - 1), clsImageFilter::EdgeAlpha(static_cast<float>(std::sqrt(5.0)), a));
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(w - 1, h - 1), 0u);
}

TEST(SoftBorder, ShapeIsSymmetricWithoutNoise)
{
    const int32_t w = 37, h = 23;
    const std::vector<uint32_t> alpha = borderAlpha(w, h, 2, 6, 0, 3.0f, 2);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = alpha[static_cast<size_t>(y) * w + x];
            ASSERT_EQ(v, alpha[static_cast<size_t>(y) * w + (w - 1 - x)]) << x << "," << y;
            ASSERT_EQ(v, alpha[static_cast<size_t>(h - 1 - y) * w + x]) << x << "," << y;
        }
    // Rounded corners: the corner pixel is transparent, the centre opaque,
    // and alpha never falls toward the centre along the diagonal.
    EXPECT_EQ(alpha[0], 0u);
    EXPECT_EQ(alpha[static_cast<size_t>(h / 2) * w + w / 2], 255u);
    for (int32_t i = 1; i < h / 2; ++i)
        EXPECT_GE(alpha[static_cast<size_t>(i) * w + i], alpha[static_cast<size_t>(i - 1) * w + (i - 1)]);
}

TEST(SoftBorder, NoiseStaysWithinItsStrength)
{
    // Displacements of at most S pixels, sides moved in by S: columns up to
    // B - A - 1 stay transparent and the core 2S inside the border opaque.
    const int32_t w = 64, h = 48, b = 4, s = 3, a = 1;
    const std::vector<uint32_t> alpha = borderAlpha(w, h, b, 0, s, 8.0f, a);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = alpha[static_cast<size_t>(y) * w + x];
            if (x <= b - a - 1 || y <= b - a - 1 || x >= w - b + a || y >= h - b + a) {
                ASSERT_EQ(v, 0u);
            }
            if (x >= b + 2 * s && x <= w - 1 - b - 2 * s && y >= b + 2 * s && y <= h - 1 - b - 2 * s) {
                ASSERT_EQ(v, 255u);
            }
        }
}

TEST(SoftBorder, WideImagesRepeatTheirEdgeSquareOnesDoNot)
{
    platform::RandomGenerator::processDefault().reseedFromNumber(5);
    EXPECT_EQ(borderAlpha(48, 32, 2, 3, 4, 6.0f, 2), borderAlpha(48, 32, 2, 3, 4, 6.0f, 2));
    EXPECT_NE(borderAlpha(32, 32, 2, 3, 4, 6.0f, 2), borderAlpha(32, 32, 2, 3, 4, 6.0f, 2));
}

TEST(SoftBorder, DrawsInTheStatedOrder)
{
    // One draw with 1 - |W / H| (a reseed for a wide image), then three per
    // noise cell: 40 \ 10 by 30 \ 10 cells.
    cBitmap bitmap;
    makeSolid(bitmap, 40, 30, argb(255, 1, 2, 3));
    platform::RandomGenerator random;
    clsImageFilter filter;
    filter.setRandomGenerator(&random);
    filter.SetBitmapIn(bitmap);
    filter.CreateTransparentBorder(1, 2, 3, 10.0f, 1);

    platform::RandomGenerator replay;
    replay.next(1.0 - 40.0 / 30.0);
    for (int i = 0; i < 4 * 3 * 3; ++i) replay.next();
    EXPECT_EQ(random.next(), replay.next());
}

TEST(SoftBorder, NoiseRedMovesAcrossAndGreenDownWithinTheStrength)
{
    // Every pixel against the rule: the stretched noise's red moves the test
    // point along x, its green along y, by (n x S x 2) / 255 - S, held inside
    // the image. A cell length of 6.5 rounds to 6 (half to even): 53 \ 6 by
    // 37 \ 6 cells.
    const int32_t w = 53, h = 37, b = 3, r = 5, s = 4, a = 2;
    std::vector<uint32_t> colours(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = 0x12345678u * static_cast<uint32_t>(i + 1);
    cBitmap bitmap;
    makeBitmap(bitmap, w, h, [&](int32_t x, int32_t y) { return colours[static_cast<size_t>(y) * w + x]; });
    platform::RandomGenerator random;
    random.reseedFromNumber(9);
    clsImageFilter filter;
    filter.setRandomGenerator(&random);
    filter.SetBitmapIn(bitmap);
    const platform::Image* out = filter.CreateTransparentBorder(b, r, s, 6.5f, a);
    ASSERT_NE(out, nullptr);

    platform::RandomGenerator replay;
    replay.reseedFromNumber(9);
    replay.next(1.0 - static_cast<double>(w) / h);
    cNoiseGenerator noise(&replay);
    noise.CreateNoise(w / 6, h / 6, false);
    noise.Interpolate(w, h, Bicubic);
    int32_t mismatches = 0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const auto n = static_cast<uint32_t>(noise.GetPixel(x, y));
            const auto nr = static_cast<int32_t>((n >> 16) & 0xFF);
            const auto ng = static_cast<int32_t>((n >> 8) & 0xFF);
            float px = static_cast<float>(static_cast<double>(nr * s * 2) / 255.0 - s + x);
            float py = static_cast<float>(static_cast<double>(ng * s * 2) / 255.0 - s + y);
            px = std::min(std::max(px, 0.0f), static_cast<float>(w - 1));
            py = std::min(std::max(py, 0.0f), static_cast<float>(h - 1));
            const uint32_t alpha = clsImageFilter::RoundRectAlpha(px, py, w - 1, h - 1, b, r, a, s);
            const uint32_t want = (colours[static_cast<size_t>(y) * w + x] & 0xFFFFFFu) | (alpha << 24);
            mismatches += out->pixelArgb(x, y) != want;
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(random.next(), replay.next());
}

TEST(SoftBorder, NoiseLengthBelowOnePixelStillWorks)
{
    const std::vector<uint32_t> zero = borderAlpha(20, 10, 2, 0, 0, 0.0f, 1);
    const std::vector<uint32_t> tiny = borderAlpha(20, 10, 2, 0, 0, -3.0f, 1);
    EXPECT_EQ(zero, tiny);
    EXPECT_EQ(zero[5 * 20 + 10], 255u);
    // Huge parameters neither overflow nor crash.
    const std::vector<uint32_t> huge = borderAlpha(8, 8, INT32_MAX, INT32_MAX, INT32_MAX, 1e30f, INT32_MAX);
    EXPECT_EQ(huge.size(), 64u);
}

// A 6 x 6 target (colour c, alpha a) with the alpha stamp applied.
struct StampResult {
    platform::Image* image;
    std::vector<int32_t> progress;
};

TEST(AlphaStamp, InvertedOpaqueMaskClearsOnlyTheRectangle)
{
    cBitmap target;
    makeBitmap(target, 6, 6, [](int32_t x, int32_t y) { return argb(255, x, y, 9); });
    cBitmap mask;
    makeSolid(mask, 3, 3, argb(255, 0, 0, 0));
    clsImageFilter filter;
    filter.SetBitmapIn(target);
    std::vector<int32_t> progress;
    filter.Progess = [&](int32_t& v) { progress.push_back(v); };
    platform::Image* out = filter.CreateDrawAlphaOnly(mask, 1, 2, 3, 3, 0, 0, 3, 3, false, true);
    ASSERT_NE(out, nullptr);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x <= 3 && y >= 2 && y <= 4;
            EXPECT_EQ(out->pixelArgb(x, y), argb(inside ? 0 : 255, x, y, 9)) << x << "," << y;
        }
    // Rows 2..4 of a 6-row image.
    EXPECT_EQ(progress, (std::vector<int32_t>{40, 60, 80}));
}

TEST(AlphaStamp, MultipliesWithTheSnapshotAlpha)
{
    cBitmap target;
    makeBitmap(target, 2, 1, [](int32_t x, int32_t) { return x == 0 ? argb(255, 1, 1, 1) : argb(100, 2, 2, 2); });
    cBitmap mask;
    makeSolid(mask, 2, 1, argb(128, 50, 50, 50));
    clsImageFilter filter;
    filter.SetBitmapIn(target);
    platform::Image* out = filter.CreateDrawAlphaOnly(mask, 0, 0, 2, 1, 0, 0, 2, 1, true, false);
    EXPECT_EQ(out->pixelArgb(0, 0), argb(128, 1, 1, 1));
    EXPECT_EQ(out->pixelArgb(1, 0), argb(50, 2, 2, 2));
    // Inverted: 255 x 127 \ 255 and 100 x 127 \ 255 = 49.8 -> 49.
    out = filter.CreateDrawAlphaOnly(mask, 0, 0, 2, 1, 0, 0, 2, 1, true, true);
    EXPECT_EQ(out->pixelArgb(0, 0), argb(127, 1, 1, 1));
    EXPECT_EQ(out->pixelArgb(1, 0), argb(49, 2, 2, 2));
}

TEST(AlphaStamp, RectangleReachingPastTheImageChangesOnlyPixelsInside)
{
    cBitmap target;
    makeSolid(target, 3, 3, argb(255, 5, 5, 5));
    cBitmap mask;
    makeBitmap(mask, 4, 4, [](int32_t x, int32_t y) { return argb(10 * (x + 4 * y), 0, 0, 0); });
    clsImageFilter filter;
    filter.SetBitmapIn(target);
    std::vector<int32_t> progress;
    filter.Progess = [&](int32_t& v) { progress.push_back(v); };
    platform::Image* out = filter.CreateDrawAlphaOnly(mask, -2, -2, 4, 4, 0, 0, 4, 4, false, false);
    // Image (0, 0) is mask (2, 2), image (1, 1) mask (3, 3).
    EXPECT_EQ(alphaOf(out->pixelArgb(0, 0)), 100u);
    EXPECT_EQ(alphaOf(out->pixelArgb(1, 0)), 110u);
    EXPECT_EQ(alphaOf(out->pixelArgb(1, 1)), 150u);
    EXPECT_EQ(alphaOf(out->pixelArgb(2, 2)), 255u);
    EXPECT_EQ(alphaOf(out->pixelArgb(2, 0)), 255u);
    EXPECT_EQ(progress, (std::vector<int32_t>{0, 50}));

    // Far outside, or with no width: nothing changes and nothing is reported.
    progress.clear();
    filter.CreateBrightnessFilter(10);
    out = filter.CreateDrawAlphaOnly(mask, 50, INT32_MAX, 4, INT32_MAX, 0, 0, 4, 4, false, false);
    out = filter.CreateDrawAlphaOnly(mask, 0, 0, 0, 3, 0, 0, 4, 4, false, false);
    out = filter.CreateDrawAlphaOnly(mask, 0, 0, 3, -1, 0, 0, 4, 4, false, false);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(progress.size(), 3u);  // only the brightness filter's rows
    // Pixels outside keep the working bitmap's content from the filter before.
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(out->pixelArgb(x, y), argb(255, 15, 15, 15));
}

TEST(AlphaRampAndGrey, RampRunsFromStartToEnd)
{
    cBitmap bitmap;
    makeSolid(bitmap, 256, 3, argb(9, 1, 2, 3));
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    platform::Image* out = filter.CreateAlphaRamp(0, 255, true);
    for (int32_t x = 0; x < 256; ++x) ASSERT_EQ(out->pixelArgb(x, 1), argb(x, 1, 2, 3));
    out = filter.CreateAlphaRamp(200, 100, false);
    EXPECT_EQ(alphaOf(out->pixelArgb(7, 0)), 200u);
    EXPECT_EQ(alphaOf(out->pixelArgb(7, 1)), 150u);
    EXPECT_EQ(alphaOf(out->pixelArgb(7, 2)), 100u);
    // 255 down to 0 over 256 columns never wraps.
    out = filter.CreateAlphaRamp(255, 0, true);
    for (int32_t x = 0; x < 256; ++x) ASSERT_EQ(alphaOf(out->pixelArgb(x, 0)), 255u - x);

    cBitmap column;
    makeSolid(column, 1, 4, argb(9, 1, 2, 3));
    filter.SetBitmapIn(column);
    out = filter.CreateAlphaRamp(60, 250, true);
    for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(alphaOf(out->pixelArgb(0, y)), 60u);
}

TEST(AlphaRampAndGrey, AlphaAsGrey)
{
    cBitmap bitmap;
    makeBitmap(bitmap, 3, 1, [](int32_t x, int32_t) { return argb(x == 0 ? 255 : (x == 1 ? 0 : 77), 1, 2, 3); });
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    platform::Image* out = filter.CreateAlphaAsGray();
    EXPECT_EQ(out->pixelArgb(0, 0), argb(255, 255, 255, 255));
    EXPECT_EQ(out->pixelArgb(1, 0), argb(255, 0, 0, 0));
    EXPECT_EQ(out->pixelArgb(2, 0), argb(255, 77, 77, 77));
}

}  // namespace
}  // namespace kalvora
