#include "imaging/cGraphics.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/cGDIP.h"

namespace kalvora {
namespace {

using kalvora::platform::InterpolationMode;
using platform::Image;
using platform::kFormat32bppARGB;
using enum kalvora::platform::InterpolationMode;

std::unique_ptr<Image> makeImage(int32_t w, int32_t h, uint32_t (*fn)(int32_t, int32_t))
{
    std::unique_ptr<Image> image;
    EXPECT_EQ(Image::create(w, h, kFormat32bppARGB, image), platform::Ok);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) image->setPixel(x, y, fn(x, y));
    return image;
}

uint32_t varied(int32_t x, int32_t y)
{
    return static_cast<uint32_t>(1 + (x * 13 + y * 29) % 255) << 24 | static_cast<uint32_t>(x * 40 + y) << 8 |
           static_cast<uint32_t>(y * 50 + x);
}

uint32_t opaqueRed(int32_t, int32_t) { return 0xFFFF0000u; }

TEST(cGraphicsTest, WithoutSurfaceEveryCallFailsAndReportsToTheSession)
{
    cGraphics g;
    g.Dispose();
    g.Dispose();
    EXPECT_EQ(g.Handle(), nullptr);

    auto session = std::make_shared<cGDIP>();
    std::vector<std::string> classes;
    session->AddGdipErrorHandler(
        [&](int32_t, const std::string&, const std::string& cls) { classes.push_back(cls); });
    g.gdip = session;
    auto image = makeImage(2, 2, opaqueRed);
    EXPECT_EQ(g.Clear(0), platform::InvalidParameter);
    EXPECT_EQ(g.DrawImageI(image.get(), 0, 0), platform::InvalidParameter);
    EXPECT_EQ(g.DrawImageRectRectI(image.get(), 0, 0, 1, 1, 0, 0, 1, 1), platform::InvalidParameter);
    EXPECT_EQ(g.SetInterpolationMode(NearestNeighbor), platform::InvalidParameter);
    EXPECT_EQ(g.CurErr(), platform::InvalidParameter);
    EXPECT_EQ(classes.size(), 4u);
    EXPECT_EQ(classes.front(), "cGraphics");

    // Windows and device contexts have no surfaces here.
    EXPECT_EQ(g.CreateFromHdc(1234), platform::NotImplemented);
    EXPECT_EQ(g.CreateFromHWND(1234), platform::NotImplemented);
    EXPECT_EQ(g.Handle(), nullptr);
    EXPECT_EQ(g.GetGraphicsContext(nullptr), platform::InvalidParameter);
}

TEST(cGraphicsTest, ClearThenEqualSizeDrawCopiesPixelsExactly)
{
    auto target = makeImage(9, 7, opaqueRed);
    auto source = makeImage(9, 7, varied);
    cGraphics g;
    ASSERT_EQ(g.GetGraphicsContext(target.get()), platform::Ok);
    ASSERT_NE(g.Handle(), nullptr);
    ASSERT_EQ(g.Clear(0x00FFFFFF), platform::Ok);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 9; ++x) ASSERT_EQ(target->pixelArgb(x, y), 0x00FFFFFFu);

    for (InterpolationMode mode : {Bilinear, Bicubic, NearestNeighbor, HighQualityBilinear, HighQualityBicubic}) {
        ASSERT_EQ(g.SetInterpolationMode(mode), platform::Ok);
        ASSERT_EQ(g.Clear(0x00FFFFFF), platform::Ok);
        ASSERT_EQ(g.DrawImageRectRectI(source.get(), 0, 0, 9, 7, 0, 0, 9, 7), platform::Ok);
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 9; ++x) ASSERT_EQ(target->pixelArgb(x, y), varied(x, y)) << int(mode);
    }
}

TEST(cGraphicsTest, DrawsOnlyTheDestinationPartInsideTheSurface)
{
    auto target = makeImage(6, 6, opaqueRed);
    auto source = makeImage(4, 4, [](int32_t x, int32_t y) { return 0xFF000000u | static_cast<uint32_t>(x * 16 + y); });
    cGraphics g;
    ASSERT_EQ(g.GetGraphicsContext(target.get()), platform::Ok);
    ASSERT_EQ(g.DrawImageRectRectI(source.get(), 4, -2, 4, 4, 0, 0, 4, 4), platform::Ok);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            const bool drawn = x >= 4 && y < 2;
            const uint32_t expected =
                drawn ? 0xFF000000u | static_cast<uint32_t>((x - 4) * 16 + (y + 2)) : 0xFFFF0000u;
            EXPECT_EQ(target->pixelArgb(x, y), expected) << x << "," << y;
        }

    ASSERT_EQ(g.DrawImageI(source.get(), 0, 3), platform::Ok);
    EXPECT_EQ(target->pixelArgb(3, 5), 0xFF000000u | (3 * 16 + 2));
}

TEST(cGraphicsTest, InvalidModesAreRefusedAndKeepTheOldMode)
{
    auto target = makeImage(2, 2, opaqueRed);
    cGraphics g;
    ASSERT_EQ(g.GetGraphicsContext(target.get()), platform::Ok);
    InterpolationMode mode = Default;
    ASSERT_EQ(g.SetInterpolationMode(HighQualityBicubic), platform::Ok);
    ASSERT_EQ(g.GetInterpolationMode(mode), platform::Ok);
    EXPECT_EQ(mode, HighQualityBicubic);
    EXPECT_EQ(g.SetInterpolationMode(static_cast<InterpolationMode>(8)), platform::InvalidParameter);
    EXPECT_EQ(g.SetInterpolationMode(static_cast<InterpolationMode>(-1)), platform::InvalidParameter);
    ASSERT_EQ(g.GetInterpolationMode(mode), platform::Ok);
    EXPECT_EQ(mode, HighQualityBicubic);

    EXPECT_EQ(g.RotateTransform(90.0f, 0), platform::NotImplemented);
    EXPECT_EQ(g.TranslateTransform(1.0f, 1.0f, 2), platform::InvalidParameter);

    g.Dispose();
    EXPECT_EQ(g.Handle(), nullptr);
}

}  // namespace
}  // namespace kalvora
