// Tiled draws: every target pixel comes from the copy its centre lies in,
// all copies in one pass, with filter kernels reading across copy edges.

#include <gtest/gtest.h>

#include <chrono>

#include "platform/Surface.h"
#include "tests/platform/SurfaceTestImages.h"

namespace kalvora::testing {
namespace {

using kalvora::platform::InterpolationMode;
using platform::RectF;
using platform::Surface;
using enum kalvora::platform::InterpolationMode;

TEST(SurfaceTiled, UnscaledTilesRepeatTheImageFromTheFirstTilesCorner)
{
    auto image = texturedImage(100, 100, 7, false);
    auto target = uniformImage(320, 230, 0xFF000000);
    Surface surface(*target);
    surface.setInterpolationMode(NearestNeighbor);
    ASSERT_EQ(surface.drawImageTiled(*image, RectF{-50, 0, 100, 100}), platform::Ok);
    auto expected = uniformImage(1, 1, 0xFF000000);
    for (int32_t y = 0; y < target->height(); ++y)
        for (int32_t x = 0; x < target->width(); ++x) {
            // Source-over onto opaque black, as one plain draw of that pixel gives.
            expected->setPixel(0, 0, 0xFF000000);
            Surface one(*expected);
            one.drawImageRectRect(*image, 0, 0, 1, 1, (x + 50) % 100, y % 100, 1, 1);
            ASSERT_EQ(px(*target, x, y), px(*expected, 0, 0)) << x << ", " << y;
        }
}

TEST(SurfaceTiled, ScaledNearestTilesMatchOneDrawPerTile)
{
    // Tiles 37.5 pixels wide: their edges fall between pixel centres in
    // varying places, and each pixel still belongs to exactly one copy.
    auto image = texturedImage(15, 9, 3, true);
    const RectF first{-20.25, -7.75, 37.5, 22.5};
    auto tiled = uniformImage(200, 120, 0xFF000000);
    Surface a(*tiled);
    a.setInterpolationMode(NearestNeighbor);
    ASSERT_EQ(a.drawImageTiled(*image, first), platform::Ok);

    auto perTile = uniformImage(200, 120, 0xFF000000);
    Surface b(*perTile);
    b.setInterpolationMode(NearestNeighbor);
    for (double x = first.x; x < 200; x += first.width)
        for (double y = first.y; y < 120; y += first.height)
            b.drawImageRectRectF(*image, RectF{x, y, first.width, first.height}, RectF{0, 0, 15, 9});
    EXPECT_TRUE(samePixels(*tiled, *perTile));
}

TEST(SurfaceTiled, FilteredTilesBlendIntoTheNeighbouringCopyInEveryMode)
{
    // The tiled draw must equal one plain draw of a picture made of 5 x 5
    // real copies, around whose middle the target lies: a kernel at a copy's
    // edge reads the next copy, never a cut-off edge. Scales of 4 and 1/2
    // keep every sample position exact, so the bytes agree exactly.
    auto image = texturedImage(6, 4, 11, false);
    auto repeated = blankImage(30, 20);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 30; ++x) repeated->setPixel(x, y, px(*image, x % 6, y % 4));
    for (InterpolationMode mode : kResamplingModes) {
        for (double tileW : {24.0, 3.0}) {
            const double tileH = tileW * 4 / 6;
            const int32_t w = static_cast<int32_t>(2 * tileW);
            const int32_t h = static_cast<int32_t>(2 * tileH);
            auto tiled = uniformImage(w, h, 0xFFFFFFFF);
            Surface a(*tiled);
            a.setInterpolationMode(mode);
            ASSERT_EQ(a.drawImageTiled(*image, RectF{-tileW + 3, -tileH + 2, tileW, tileH}), platform::Ok);
            auto plain = uniformImage(w, h, 0xFFFFFFFF);
            Surface b(*plain);
            b.setInterpolationMode(mode);
            b.drawImageRectRectF(*repeated, RectF{-2 * tileW + 3, -2 * tileH + 2, 5 * tileW, 5 * tileH},
                                 RectF{0, 0, 30, 20});
            EXPECT_TRUE(samePixels(*tiled, *plain)) << "mode " << int(mode) << ", tile width " << tileW;
        }
    }
}

TEST(SurfaceTiled, UniformImagesStayUniformAtAnyScaleAndFormat)
{
    for (auto format : {platform::kFormat32bppARGB, platform::kFormat24bppRGB}) {
        auto image = blankImage(3, 2, format);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 3; ++x) image->setPixel(x, y, 0xFF3A7C15);
        for (InterpolationMode mode : kResamplingModes)
            for (double tile : {0.06, 1.3, 2.0, 40.0}) {
                auto target = uniformImage(64, 48, 0xFF000000);
                Surface surface(*target);
                surface.setInterpolationMode(mode);
                ASSERT_EQ(surface.drawImageTiled(*image, RectF{-0.4, 0.3, tile, tile * 2 / 3}), platform::Ok);
                for (int32_t y = 0; y < 48; ++y)
                    for (int32_t x = 0; x < 64; ++x)
                        ASSERT_EQ(px(*target, x, y), 0xFF3A7C15u) << "mode " << int(mode) << " tile " << tile;
            }
    }
}

TEST(SurfaceTiled, ManyCopiesDrawInOnePassAndHostileTilesAreRefused)
{
    // A 1 x 1 image at 0.02 pixels a copy: millions of copies, one pass.
    auto image = uniformImage(1, 1, 0xFF102030);
    auto target = uniformImage(1920, 1080, 0xFF000000);
    Surface surface(*target);
    surface.setInterpolationMode(NearestNeighbor);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(surface.drawImageTiled(*image, RectF{0, 0, 0.02, 0.02}), platform::Ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(px(*target, 1919, 1079), 0xFF102030u);

    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(surface.drawImageTiled(*image, RectF{inf, 0, 1, 1}), platform::InvalidParameter);
    EXPECT_EQ(surface.drawImageTiled(*image, RectF{0, 0, 1e-9, 1}), platform::InvalidParameter);
    EXPECT_EQ(surface.drawImageTiled(*image, RectF{0, 0, 0, 1}), platform::Ok);
    // Far-off origins still land every tile on the grid.
    EXPECT_EQ(surface.drawImageTiled(*image, RectF{-1e12, 3e11, 7, 7}), platform::Ok);
    EXPECT_EQ(px(*target, 0, 0), 0xFF102030u);
}

}  // namespace
}  // namespace kalvora::testing
