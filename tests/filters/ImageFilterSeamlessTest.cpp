#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "filters/clsImageFilter.h"
#include "tests/filters/FilterTestSupport.h"
#include "tests/support/FakeServices.h"

namespace kalvora {
namespace {

using namespace testing;
using enum kalvora::platform::InterpolationMode;

uint32_t rgbOf(uint32_t p) { return p & 0x00FFFFFFu; }

uint32_t pattern(int32_t x, int32_t y)
{
    return argb(uint32_t(60 + (x * 7 + y) % 190), uint32_t((x * 37 + y * 11) % 256), uint32_t((x * x + 3 * y) % 256),
                uint32_t((x ^ y) * 5 % 256));
}

// The loaded image stretched the way the seamless filter stretches it.
std::unique_ptr<platform::Image> stretched(int32_t w, int32_t h, int32_t newW, int32_t newH)
{
    cBitmap bitmap;
    makeBitmap(bitmap, w, h, pattern);
    bitmap.ResizePicture(newW, newH, HighQualityBicubic);
    std::unique_ptr<platform::Image> copy;
    bitmap.Handle()->clone(copy);
    return copy;
}

struct Seamless {
    cBitmap source;
    clsImageFilter filter;
    std::vector<int32_t> progress;

    Seamless(int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& colour = pattern)
    {
        makeBitmap(source, w, h, colour);
        filter.SetBitmapIn(source);
        filter.Progess = [this](int32_t& value) { progress.push_back(value); };
    }
};

TEST(ImageFilterSeamless, BandOfZeroOrLessLeavesTheImage)
{
    for (int32_t band : {0, -1, -50, INT_MIN}) {
        Seamless s(20, 10);
        platform::Image* before = s.filter.GetHandle();
        platform::Image* result = s.filter.CreateSeamlessTextureFilter(band, true, true);
        EXPECT_EQ(result, before);
        ASSERT_EQ(result->width(), 20);
        ASSERT_EQ(result->height(), 10);
        EXPECT_EQ(result->pixelArgb(3, 4), pattern(3, 4));
        EXPECT_TRUE(s.progress.empty());
    }
}

TEST(ImageFilterSeamless, BothDirectionsBlendTheBandAndReportRisingProgress)
{
    Seamless s(100, 100);
    platform::Image* result = s.filter.CreateSeamlessTextureFilter(10, true, true);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->width(), 110);
    ASSERT_EQ(result->height(), 110);
    EXPECT_EQ(s.filter.loadedWidth(), 110);

    const auto plain = stretched(100, 100, 110, 110);
    // Outside the strips: the stretched image unchanged.
    EXPECT_EQ(result->pixelArgb(50, 50), plain->pixelArgb(50, 50));
    EXPECT_EQ(result->pixelArgb(109, 109), plain->pixelArgb(109, 109));
    for (int32_t y = 11; y < 110; y += 7) {
        // Column 0 takes column 99's colour with its own alpha; column 10 keeps its own.
        EXPECT_EQ(rgbOf(result->pixelArgb(0, y)), rgbOf(plain->pixelArgb(99, y))) << y;
        EXPECT_EQ(alphaOf(result->pixelArgb(0, y)), alphaOf(plain->pixelArgb(0, y))) << y;
        EXPECT_EQ(result->pixelArgb(10, y), plain->pixelArgb(10, y)) << y;
        // Column 5: weight round(127.5) = 128.
        EXPECT_EQ(result->pixelArgb(5, y),
                  uint32_t(clsImageFilter::BlendPixel(int32_t(plain->pixelArgb(5, y)), int32_t(plain->pixelArgb(104, y)), 128)));
    }
    for (int32_t x = 11; x < 110; x += 9) {
        EXPECT_EQ(rgbOf(result->pixelArgb(x, 0)), rgbOf(plain->pixelArgb(x, 99))) << x;
        EXPECT_EQ(result->pixelArgb(x, 10), plain->pixelArgb(x, 10)) << x;
        // Row 3: weight round(7 / 10 * 255) = 178 (178.5 rounds to even).
        EXPECT_EQ(result->pixelArgb(x, 3),
                  uint32_t(clsImageFilter::BlendPixel(int32_t(plain->pixelArgb(x, 3)), int32_t(plain->pixelArgb(x, 102)), 178)));
    }

    const std::vector<int32_t> progress = s.progress;
    // The snapshot is the blended image now: a plain copy reproduces it.
    std::vector<uint32_t> blended;
    for (int32_t y = 0; y < 110; ++y)
        for (int32_t x = 0; x < 110; ++x) blended.push_back(result->pixelArgb(x, y));
    s.filter.CreateBasisFilter();
    for (int32_t y = 0; y < 110; ++y)
        for (int32_t x = 0; x < 110; ++x) ASSERT_EQ(s.filter.GetHandle()->pixelArgb(x, y), blended[size_t(y) * 110 + x]);

    // Horizontal pass: one value a row rising to 50; then 50, 55, ..., 100.
    ASSERT_EQ(progress.size(), 110u + 11u);
    for (size_t i = 0; i < 110; ++i) EXPECT_EQ(progress[i], int32_t(i * 50 / 109)) << i;
    for (size_t i = 0; i <= 10; ++i) EXPECT_EQ(progress[110 + i], int32_t(50 + 5 * i)) << i;
}

TEST(ImageFilterSeamless, CroppedResultTilesAcrossItsEdges)
{
    // Kept at the loaded size, the first column (row) repeats the colour of
    // the last, so a tile continues into its neighbour.
    for (auto [horizontal, vertical] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        Seamless s(40, 30);
        platform::Image* result = s.filter.CreateSeamlessTextureFilter(8, horizontal, vertical);
        ASSERT_EQ(result->width(), horizontal ? 48 : 40);
        ASSERT_EQ(result->height(), vertical ? 38 : 30);
        if (horizontal) {
            for (int32_t y = 9; y < 30; ++y)
                EXPECT_EQ(rgbOf(result->pixelArgb(0, y)), rgbOf(result->pixelArgb(39, y))) << y;
            EXPECT_EQ(s.progress.front(), 0);
            EXPECT_EQ(s.progress[size_t(result->height() - 1)], vertical ? 50 : 100);
        }
        if (vertical) {
            for (int32_t x = 9; x < 40; ++x)
                EXPECT_EQ(rgbOf(result->pixelArgb(x, 0)), rgbOf(result->pixelArgb(x, 29))) << x;
            EXPECT_EQ(s.progress.back(), 100);
        }
        for (size_t i = 1; i < s.progress.size(); ++i) {
            EXPECT_GE(s.progress[i], 0);
            EXPECT_LE(s.progress[i], 100);
        }
    }
}

TEST(ImageFilterSeamless, RowsAloneReportTheirShareOfTheBand)
{
    // Without the column pass the rows report (Y * 100) \ n.
    Seamless s(12, 9);
    ASSERT_EQ(s.filter.CreateSeamlessTextureFilter(8, false, true)->height(), 17);
    EXPECT_EQ(s.progress, (std::vector<int32_t>{0, 12, 25, 37, 50, 62, 75, 87, 100}));
}

TEST(ImageFilterSeamless, BandWiderThanTheImageStaysInside)
{
    Seamless s(6, 5);
    platform::Image* result = s.filter.CreateSeamlessTextureFilter(20, true, true);
    ASSERT_EQ(result->width(), 26);
    ASSERT_EQ(result->height(), 25);
    const auto plain = stretched(6, 5, 26, 25);
    EXPECT_EQ(rgbOf(result->pixelArgb(0, 24)), rgbOf(plain->pixelArgb(5, 24)));
}

TEST(ImageFilterSeamless, ImpossibleStretchLeavesTheInstanceUnchanged)
{
    testing::ScopedFakeServices services;
    Seamless s(20, 10);
    platform::Image* before = s.filter.GetHandle();
    EXPECT_EQ(s.filter.CreateSeamlessTextureFilter(INT_MAX, true, false), before);
    EXPECT_EQ(s.filter.loadedWidth(), 20);
    EXPECT_EQ(before->pixelArgb(7, 7), pattern(7, 7));
    EXPECT_FALSE(services.messageBox.shown.empty());
    // Wider than any image may be: the stretch fails, nothing changes.
    EXPECT_EQ(s.filter.CreateSeamlessTextureFilter(70000, true, true), before);
    EXPECT_EQ(s.filter.loadedWidth(), 20);
    EXPECT_EQ(s.filter.loadedHeight(), 10);
    // Still usable afterwards.
    EXPECT_EQ(s.filter.CreateSeamlessTextureFilter(2, true, false)->width(), 22);
}

// ---- Normal map ---------------------------------------------------------

TEST(ImageFilterNormalMap, FlatHeightPointsStraightUp)
{
    Seamless s(5, 4, [](int32_t, int32_t) { return argb(17, 90, 1, 2); });
    platform::Image* result = s.filter.CreateNormalMap(false);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(result->pixelArgb(x, y), argb(255, 128, 128, 255));
    result = s.filter.CreateNormalMap(true);
    EXPECT_EQ(result->pixelArgb(4, 3), argb(90, 128, 128, 255));
    EXPECT_EQ(s.progress, (std::vector<int32_t>{0, 33, 66, 100, 0, 33, 66, 100}));
}

TEST(ImageFilterNormalMap, RampsTiltTheNormalAgainstTheSlope)
{
    // Red rising 20 a column: B = 4 * 40 / 255, A = 0.
    Seamless right(8, 3, [](int32_t x, int32_t) { return argb(255, uint32_t(20 * x), 0, 0); });
    platform::Image* result = right.filter.CreateNormalMap(true);
    EXPECT_EQ(result->pixelArgb(3, 1), argb(60, 60, 128, 236));

    // Rising downward: A < 0, green of 128 or more.
    Seamless down(3, 8, [](int32_t, int32_t y) { return argb(255, uint32_t(20 * y), 0, 0); });
    result = down.filter.CreateNormalMap(false);
    EXPECT_EQ(result->pixelArgb(1, 3), argb(255, 128, 195, 236));
}

TEST(ImageFilterNormalMap, MapTilesLikeTheHeightField)
{
    // Shifting the height field around its edges shifts the map the same way.
    const int32_t w = 9, h = 7, dx = 4, dy = 5;
    auto height = [](int32_t x, int32_t y) { return argb(255, uint32_t((x * 53 + y * y * 31) % 256), 0, 0); };
    Seamless plain(w, h, height);
    Seamless shifted(w, h, [&](int32_t x, int32_t y) { return height((x + dx) % w, (y + dy) % h); });
    platform::Image* a = plain.filter.CreateNormalMap(true);
    platform::Image* b = shifted.filter.CreateNormalMap(true);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) ASSERT_EQ(b->pixelArgb(x, y), a->pixelArgb((x + dx) % w, (y + dy) % h)) << x << "," << y;
}

TEST(ImageFilterNormalMap, EveryPixelFollowsTheSobelNormal)
{
    // The map as written out pixel by pixel in double precision.
    const int32_t w = 13, h = 6;
    auto height = [](int32_t x, int32_t y) { return argb(255, uint32_t((x * 97 + y * 41 + x * y * 13) % 256), 0, 0); };
    Seamless s(w, h, height);
    platform::Image* result = s.filter.CreateNormalMap(false);
    auto hAt = [&](int32_t x, int32_t y) { return double(redOf(height((x + w) % w, (y + h) % h))) / 255.0; };
    auto byteOf = [](double v) { return uint32_t(std::nearbyint((v + 1.0) / 2.0 * 255.0)); };
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const double a = (hAt(x - 1, y - 1) + 2.0 * hAt(x, y - 1) + hAt(x + 1, y - 1)) -
                             (hAt(x - 1, y + 1) + 2.0 * hAt(x, y + 1) + hAt(x + 1, y + 1));
            const double b = (hAt(x + 1, y - 1) + 2.0 * hAt(x + 1, y) + hAt(x + 1, y + 1)) -
                             (hAt(x - 1, y - 1) + 2.0 * hAt(x - 1, y) + hAt(x - 1, y + 1));
            const double length = std::sqrt(b * b + a * a + 1.0);
            ASSERT_EQ(result->pixelArgb(x, y), argb(255, byteOf(-b / length), byteOf(-a / length), byteOf(1.0 / length)))
                << x << "," << y;
        }
}

TEST(ImageFilterNormalMap, OnePixelSidesWrapOntoThemselves)
{
    Seamless one(1, 1, [](int32_t, int32_t) { return argb(255, 200, 0, 0); });
    EXPECT_EQ(one.filter.CreateNormalMap(false)->pixelArgb(0, 0), argb(255, 128, 128, 255));
    EXPECT_EQ(one.progress, (std::vector<int32_t>{100}));

    // One column: no left-right slope; the vertical one still counts.
    Seamless column(1, 8, [](int32_t, int32_t y) { return argb(255, uint32_t(20 * y), 0, 0); });
    EXPECT_EQ(column.filter.CreateNormalMap(false)->pixelArgb(0, 3), argb(255, 128, 195, 236));
    Seamless row(8, 1, [](int32_t x, int32_t) { return argb(255, uint32_t(20 * x), 0, 0); });
    EXPECT_EQ(row.filter.CreateNormalMap(false)->pixelArgb(3, 0), argb(255, 60, 128, 236));
}

}  // namespace
}  // namespace kalvora
