#include <gtest/gtest.h>

#include "filters/cNoiseGenerator.h"
#include "platform/Numeric.h"
#include "tests/filters/FilterTestSupport.h"

namespace kalvora {
namespace {

using testing::argb;
using enum kalvora::platform::InterpolationMode;

TEST(NoiseGenerator, MakesAtLeastTwoByTwoRandomPixelsInDrawOrder)
{
    platform::RandomGenerator random;
    random.reseedFromNumber(3);
    cNoiseGenerator noise(&random);
    noise.CreateNoise(1, -5, false);
    ASSERT_EQ(noise.Bitmap.Width(), 2);
    ASSERT_EQ(noise.Bitmap.Height(), 2);
    EXPECT_EQ(noise.Bitmap.PixelFormat(), platform::kFormat32bppARGB);

    platform::RandomGenerator replay;
    replay.reseedFromNumber(3);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x) {
            const uint32_t r = platform::roundToByte(replay.next() * 255.0);
            const uint32_t g = platform::roundToByte(replay.next() * 255.0);
            const uint32_t b = platform::roundToByte(replay.next() * 255.0);
            EXPECT_EQ(static_cast<uint32_t>(noise.GetPixel(x, y)), argb(255, r, g, b));
        }
    EXPECT_EQ(noise.GetPixel(2, 0), 0);
    EXPECT_EQ(noise.GetPixel(-1, 0), 0);
}

TEST(NoiseGenerator, MonochromeDrawsOneValueAPixel)
{
    platform::RandomGenerator a;
    platform::RandomGenerator b;
    cNoiseGenerator mono(&a);
    cNoiseGenerator colour(&b);
    mono.CreateNoise(5, 4, true);
    colour.CreateNoise(5, 4, false);
    bool differs = false;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            const auto p = static_cast<uint32_t>(mono.GetPixel(x, y));
            EXPECT_EQ(p >> 24, 255u);
            EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
            EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF);
            differs = differs || p != static_cast<uint32_t>(colour.GetPixel(x, y));
        }
    EXPECT_TRUE(differs);
    // Twenty pixels: twenty draws against sixty.
    platform::RandomGenerator replay;
    for (int i = 0; i < 20; ++i) replay.next();
    EXPECT_EQ(a.lastValue(), replay.lastValue());
    for (int i = 0; i < 40; ++i) replay.next();
    EXPECT_EQ(b.lastValue(), replay.lastValue());
}

TEST(NoiseGenerator, InterpolateStretchesToTheNewSize)
{
    platform::RandomGenerator random;
    cNoiseGenerator noise(&random);
    noise.CreateNoise(3, 2, false);
    noise.Interpolate(30, 17, Bicubic);
    EXPECT_EQ(noise.Bitmap.Width(), 30);
    EXPECT_EQ(noise.Bitmap.Height(), 17);
    EXPECT_EQ(static_cast<uint32_t>(noise.GetPixel(29, 16)) >> 24, 255u);
}

}  // namespace
}  // namespace kalvora
