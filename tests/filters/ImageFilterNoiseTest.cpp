#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "filters/cNoiseGenerator.h"
#include "filters/clsImageFilter.h"
#include "platform/Numeric.h"
#include "platform/RandomGenerator.h"
#include "tests/filters/FilterTestSupport.h"

namespace kalvora {
namespace {

using namespace testing;
using enum kalvora::platform::InterpolationMode;

uint32_t pattern(int32_t x, int32_t y)
{
    return argb(uint32_t(40 + x * 3 + y), uint32_t((x * 29 + y * 7) % 256), uint32_t((x * 5 + y * 61) % 256),
                uint32_t((x * y) % 256));
}

platform::RandomGenerator seeded(double seed)
{
    platform::RandomGenerator g;
    g.reseedFromNumber(seed);
    return g;
}

// A filter drawing from its own seeded generator.
struct Noisy {
    platform::RandomGenerator random = seeded(4711);
    clsImageFilter filter;
    int32_t width;
    int32_t height;

    Noisy(int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& colour = pattern) : width(w), height(h)
    {
        cBitmap bitmap;
        makeBitmap(bitmap, w, h, colour);
        filter.SetBitmapIn(bitmap);
        filter.setRandomGenerator(&random);
    }
    uint32_t at(int32_t x, int32_t y) const { return filter.GetHandle()->pixelArgb(x, y); }
    // True when exactly `count` values were drawn since the seed.
    bool drew(int count)
    {
        platform::RandomGenerator fresh = seeded(4711);
        for (int i = 0; i < count; ++i) fresh.next();
        return fresh.next() == random.next();
    }
};

TEST(ImageFilterNoise, DiscreteNoiseAddsOneDrawnOffsetToEveryChannel)
{
    Noisy n(7, 5);
    n.filter.CreateDiscreteNoiseFilter(-40);  // amplitude 40
    platform::RandomGenerator expected = seeded(4711);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x) {
            const int32_t d = platform::roundToInt32(double(expected.next()) * 80.0 - 40.0);
            const uint32_t p = pattern(x, y);
            auto shifted = [d](uint32_t c) { return uint32_t(std::clamp(int32_t(c) + d, 0, 255)); };
            ASSERT_EQ(n.at(x, y), argb(255, shifted(redOf(p)), shifted(greenOf(p)), shifted(blueOf(p)))) << x << "," << y;
        }
    }
    EXPECT_EQ(n.random.next(), expected.next());
}

TEST(ImageFilterNoise, DiscreteNoiseLimitsAndZero)
{
    Noisy zero(4, 3);
    zero.filter.CreateDiscreteNoiseFilter(0);
    EXPECT_EQ(zero.at(2, 1), pattern(2, 1) | 0xFF000000u);
    EXPECT_TRUE(zero.drew(12));

    Noisy big(4, 3);
    Noisy limit(4, 3);
    big.filter.CreateDiscreteNoiseFilter(INT32_MIN);
    limit.filter.CreateDiscreteNoiseFilter(255);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(big.at(x, y), limit.at(x, y));
}

TEST(ImageFilterNoise, DiffuseTakesPixelsFromTheLowerRight)
{
    auto coordinates = [](int32_t x, int32_t y) { return argb(9, uint32_t(x), uint32_t(y), 0); };
    Noisy n(20, 15, coordinates);
    ASSERT_NE(n.filter.CreateDiffuseFilter(-4), nullptr);
    platform::RandomGenerator expected = seeded(4711);
    for (int32_t y = 0; y < 15; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            const int32_t sy = std::min(platform::roundToInt32(double(expected.next()) * 4 + y), 14);
            const int32_t sx = std::min(platform::roundToInt32(double(expected.next()) * 4 + x), 19);
            ASSERT_EQ(n.at(x, y), argb(255, uint32_t(sx), uint32_t(sy), 0)) << x << "," << y;
        }
    }
    Noisy counted(20, 15, coordinates);
    counted.filter.CreateDiffuseFilter(3);
    EXPECT_TRUE(counted.drew(600));

    Noisy none(6, 5, coordinates);
    none.filter.CreateDiffuseFilter(0);
    EXPECT_EQ(none.at(5, 4), argb(255, 5, 4, 0));
    EXPECT_EQ(none.at(2, 3), argb(255, 2, 3, 0));

    // Radius at most 10: offsets never pass 10.
    Noisy wide(40, 40, coordinates);
    wide.filter.CreateDiffuseFilter(1000);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const uint32_t p = wide.at(x, y);
            ASSERT_LE(redOf(p) - uint32_t(x), 10u);
            ASSERT_LE(greenOf(p) - uint32_t(y), 10u);
        }
}

TEST(ImageFilterNoise, NoiseFilterStrengthZeroKeepsTheImageAndFullStrengthIsTheNoise)
{
    Noisy keep(30, 20);
    keep.filter.CreateNoiseFilter(0, 20, NearestNeighbor, false);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 30; ++x) ASSERT_EQ(keep.at(x, y), pattern(x, y));

    Noisy full(30, 20);
    full.filter.CreateNoiseFilter(255, 20, NearestNeighbor, false);  // 6 x 4 cells
    platform::RandomGenerator same = seeded(4711);
    cNoiseGenerator noise(&same);
    noise.CreateNoise(6, 4, false);
    noise.Interpolate(30, 20, NearestNeighbor);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 30; ++x) {
            const uint32_t expected = (uint32_t(noise.GetPixel(x, y)) & 0x00FFFFFFu) | (pattern(x, y) & 0xFF000000u);
            ASSERT_EQ(full.at(x, y), expected) << x << "," << y;
        }
    EXPECT_TRUE(full.drew(6 * 4 * 3));

    // In between: the cross-fade of each pixel with its noise.
    Noisy mixed(30, 20);
    mixed.filter.CreateNoiseFilter(77, 20, NearestNeighbor, false);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 30; ++x)
            ASSERT_EQ(mixed.at(x, y), uint32_t(clsImageFilter::BlendPixel(int32_t(pattern(x, y)), noise.GetPixel(x, y), 77)));
}

TEST(ImageFilterNoise, NoiseCellsAreRoundedHalfToEvenAndAtLeastTwo)
{
    // 50 cells per 100 pixels of 101: 50.5 -> 50; one row: 0.5 -> 0 -> 2.
    Noisy half(101, 1);
    half.filter.CreateNoiseFilter(128, 50, NearestNeighbor, true);
    EXPECT_TRUE(half.drew(50 * 2));
    // 1 per 100 on 100 pixels: 1 cell, raised to 2; colour noise draws three a cell.
    Noisy few(100, 100);
    few.filter.CreateNoiseFilter(128, 1, Bicubic, false);
    EXPECT_TRUE(few.drew(2 * 2 * 3));
    // One cell a pixel.
    Noisy dense(12, 9);
    dense.filter.CreateNoiseFilter(128, 100, HighQualityBicubic, true);
    EXPECT_TRUE(dense.drew(12 * 9));
}

TEST(ImageFilterNoise, SameSeedSameImage)
{
    Noisy a(25, 17);
    Noisy b(25, 17);
    a.filter.CreateNoiseFilter(200, 30, HighQualityBicubic, true);
    b.filter.CreateNoiseFilter(200, 30, HighQualityBicubic, true);
    Noisy c(25, 17);
    c.filter.CreateNoiseFilter(200, 30, HighQualityBicubic, false);
    bool differs = false;
    for (int32_t y = 0; y < 17; ++y)
        for (int32_t x = 0; x < 25; ++x) {
            ASSERT_EQ(a.at(x, y), b.at(x, y));
            differs = differs || a.at(x, y) != c.at(x, y);
        }
    EXPECT_TRUE(differs);  // monochrome and colour noise draw differently
}

}  // namespace
}  // namespace kalvora
