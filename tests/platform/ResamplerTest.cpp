#include <gtest/gtest.h>

#include <cstring>

#include "platform/Compositor.h"
#include "platform/PaddedImageSource.h"
#include "platform/ResampleRows.h"
#include "platform/Resampler.h"
#include "platform/Surface.h"
#include "platform/ThreadPool.h"
#include "tests/platform/SurfaceTestImages.h"

using namespace kalvora::platform;
using namespace kalvora::testing;
using enum kalvora::platform::InterpolationMode;

namespace {

// Resizes the way the bitmap class does: through the edge-padded source.
std::unique_ptr<Image> paddedResize(const Image& src, int32_t nw, int32_t nh, InterpolationMode mode,
                                    bool threads = true)
{
    auto out = blankImage(nw, nh);
    Surface surface(*out);
    surface.setInterpolationMode(mode);
    surface.setPixelOffsetMode(PixelOffsetMode::HighQuality);
    surface.setUseThreadPool(threads);
    EXPECT_EQ(surface.drawImagePadded(src, resizePad(src.width(), src.height(), nw, nh), 0, 0, nw, nh), Ok);
    return out;
}

std::unique_ptr<Image> plainResize(const Image& src, int32_t nw, int32_t nh, InterpolationMode mode)
{
    auto out = blankImage(nw, nh);
    Surface surface(*out);
    surface.setInterpolationMode(mode);
    EXPECT_EQ(surface.drawImageRect(src, 0, 0, nw, nh), Ok);
    return out;
}

struct Size {
    int32_t w, h;
};

const Size kSizes[] = {{1, 1}, {3, 2}, {17, 31}, {64, 48}, {150, 90}, {333, 7}};

}  // namespace

TEST(Resampler, BilinearAndBicubicWeightsAtKnownPositions)
{
    // 2 x 1 grey ramp enlarged to 4 x 1: centres at source 0.25, 0.75, 1.25,
    // 1.75; taps outside the image drop out and the rest are renormalised.
    auto ramp = blankImage(2, 1);
    ramp->setPixel(0, 0, 0xFF000000);
    ramp->setPixel(1, 0, 0xFFFFFFFF);
    auto linear = plainResize(*ramp, 4, 1, Bilinear);
    EXPECT_EQ(px(*linear, 0, 0), 0xFF000000u);
    EXPECT_EQ(px(*linear, 1, 0), 0xFF404040u);  // 63.75
    EXPECT_EQ(px(*linear, 2, 0), 0xFFBFBFBFu);  // 191.25
    EXPECT_EQ(px(*linear, 3, 0), 0xFFFFFFFFu);

    // Halves round to even: 0.25 * 2 = 0.5 -> 0, 0.25 * 6 = 1.5 -> 2, 4.5 -> 4.
    auto small = blankImage(2, 1);
    small->setPixel(0, 0, 0xFF000004);
    small->setPixel(1, 0, 0xFF020606);
    auto halves = plainResize(*small, 4, 1, Bilinear);
    EXPECT_EQ(px(*halves, 1, 0), 0xFF000204u);

    // Cubic, a = -0.5, centre 1.25: weights -0.0703125, 0.8671875,
    // 0.2265625, -0.0234375 over 0, 0, 255, 255 -> 51.8 -> 52; centre 1.75
    // mirrors them: 255 * 0.796875 = 203.2 -> 203.
    auto step = blankImage(4, 1);
    for (int x = 0; x < 4; ++x) step->setPixel(x, 0, x < 2 ? 0xFF000000 : 0xFFFFFFFF);
    auto cubic = plainResize(*step, 8, 1, Bicubic);
    EXPECT_EQ(px(*cubic, 3, 0), 0xFF343434u);
    EXPECT_EQ(px(*cubic, 4, 0), 0xFFCBCBCBu);
}

TEST(Resampler, UniformStaysUniformAndAlphaIsKept)
{
    for (uint32_t colour : {0xFF1E90C8u, 0x80FF4010u, 0x01FFFFFFu}) {
        for (const Size& from : {Size{1, 1}, Size{5, 3}, Size{64, 48}}) {
            auto src = uniformImage(from.w, from.h, colour);
            for (const Size& to : kSizes) {
                for (InterpolationMode mode : kResamplingModes) {
                    for (int padded = 0; padded < 2; ++padded) {
                        auto out = padded ? paddedResize(*src, to.w, to.h, mode) : plainResize(*src, to.w, to.h, mode);
                        for (int y = 0; y < to.h; ++y)
                            for (int x = 0; x < to.w; ++x)
                                ASSERT_EQ(px(*out, x, y), colour) << from.w << "x" << from.h << " -> " << to.w << "x"
                                                                  << to.h << " mode " << int(mode);
                    }
                }
            }
        }
    }
}

TEST(Resampler, OpaqueStaysOpaqueThroughThePaddedResize)
{
    auto src = texturedImage(64, 48, 21, true);
    for (const Size& to : kSizes) {
        for (InterpolationMode mode : kResamplingModes) {
            auto out = paddedResize(*src, to.w, to.h, mode);
            for (int y = 0; y < to.h; ++y)
                for (int x = 0; x < to.w; ++x) ASSERT_EQ(px(*out, x, y) >> 24, 255u) << to.w << "x" << to.h;
        }
    }
    // Shrunk to a single pixel the kernel spans the whole padded image.
    auto big = texturedImage(300, 200, 4, true);
    auto dot = paddedResize(*big, 1, 1, HighQualityBicubic);
    EXPECT_EQ(px(*dot, 0, 0) >> 24, 255u);
    // Averaging noise gives a middle grey, not an edge pixel.
    for (int c = 0; c < 3; ++c) {
        int v = (px(*dot, 0, 0) >> (8 * c)) & 0xFF;
        EXPECT_GT(v, 100);
        EXPECT_LT(v, 155);
    }
}

TEST(Resampler, TransparentPixelsDoNotBleedTheirColour)
{
    // Left half opaque red, right half transparent green.
    auto src = blankImage(16, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) src->setPixel(x, y, x < 8 ? 0xFFFF0000 : 0x0000FF00);
    for (InterpolationMode mode : {Bilinear, Bicubic, HighQualityBilinear, HighQualityBicubic}) {
        for (const Size& to : {Size{5, 3}, Size{40, 20}, Size{16, 8}}) {
            auto out = paddedResize(*src, to.w, to.h, mode);
            bool sawPartial = false;
            for (int y = 0; y < to.h; ++y)
                for (int x = 0; x < to.w; ++x) {
                    uint32_t v = px(*out, x, y);
                    if ((v >> 24) == 0) continue;
                    ASSERT_EQ(v & 0xFFFFFF, 0xFF0000u) << "mode " << int(mode);
                    sawPartial |= (v >> 24) != 255;
                }
            if (to.w != 16) {
                EXPECT_TRUE(sawPartial);
            }
        }
    }
}

TEST(Resampler, HighQualityModesAverageWhenShrinkingPlainOnesDoNot)
{
    // One-pixel stripes shrunk by 3: the plain kernels hit single columns,
    // the high-quality ones average the columns each output covers.
    auto stripes = blankImage(96, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 96; ++x) stripes->setPixel(x, y, x % 2 ? 0xFFFFFFFF : 0xFF000000);
    for (InterpolationMode mode : {Bilinear, Bicubic}) {
        auto out = paddedResize(*stripes, 32, 2, mode);
        for (int x = 1; x < 31; ++x) {
            int v = px(*out, x, 0) & 0xFF;
            EXPECT_TRUE(v == 0 || v == 255) << "mode " << int(mode) << " x " << x << " " << v;
        }
    }
    for (InterpolationMode mode : {HighQualityBilinear, HighQualityBicubic}) {
        auto out = paddedResize(*stripes, 32, 2, mode);
        for (int x = 1; x < 31; ++x) {
            int v = px(*out, x, 0) & 0xFF;
            EXPECT_GT(v, 64) << "mode " << int(mode);
            EXPECT_LT(v, 192) << "mode " << int(mode);
        }
    }
}

TEST(Resampler, PaddedSourceMatchesTheNestedNearestNeighbourDraws)
{
    // The padded border is what drawing the image pad + 1 times into shrinking
    // nested rectangles with nearest neighbour leaves behind, for an opaque
    // image, where the draws do not compound.
    for (const Size& size : {Size{1, 1}, Size{7, 5}, Size{13, 20}}) {
        for (int32_t pad : {0, 1, 3, 6, 25}) {
            auto src = texturedImage(size.w, size.h, 31, true);
            const int32_t wp = size.w + 2 * pad;
            const int32_t hp = size.h + 2 * pad;
            auto reference = blankImage(wp, hp);
            Surface surface(*reference);
            surface.setInterpolationMode(NearestNeighbor);
            surface.setPixelOffsetMode(PixelOffsetMode::HighQuality);
            for (int32_t i = 0; i <= pad; ++i)
                ASSERT_EQ(surface.drawImageRect(*src, i, i, wp - 2 * i, hp - 2 * i), Ok);
            PaddedImageSource padded(*src, pad);
            ASSERT_EQ(padded.width(), wp);
            std::vector<uint8_t> scratch(4 * wp);
            for (int32_t y = 0; y < hp; ++y) {
                ASSERT_EQ(std::memcmp(padded.row(y, 0, wp, scratch.data()), reference->row(y), 4 * wp), 0)
                    << size.w << "x" << size.h << " pad " << pad << " row " << y;
                // Any column window reads the same pixels.
                const int32_t x0 = wp / 3;
                const int32_t x1 = wp - wp / 4;
                ASSERT_EQ(std::memcmp(padded.row(y, x0, x1, scratch.data()), reference->row(y) + 4 * x0, 4 * (x1 - x0)), 0);
            }

            // Resampling through the rule equals resampling the built image.
            for (InterpolationMode mode : {Bicubic, NearestNeighbor, HighQualityBicubic}) {
                auto viaRule = blankImage(9, 4);
                auto viaImage = blankImage(9, 4);
                Surface a(*viaRule);
                Surface b(*viaImage);
                a.setInterpolationMode(mode);
                b.setInterpolationMode(mode);
                ASSERT_EQ(a.drawImagePadded(*src, pad, 0, 0, 9, 4), Ok);
                ASSERT_EQ(b.drawImageRectRect(*reference, 0, 0, 9, 4, pad, pad, size.w, size.h), Ok);
                ASSERT_TRUE(samePixels(*viaRule, *viaImage)) << "mode " << int(mode);
            }
        }
    }
}

TEST(Resampler, SourcesWithoutAlphaResampleAsOpaque)
{
    // A 24-bit source gives the bytes of its opaque 32-bit copy, padded or not.
    auto argb = texturedImage(23, 17, 5, true);
    std::unique_ptr<Image> rgb;
    ASSERT_EQ(argb->cloneArea(23, 17, kFormat24bppRGB, rgb), Ok);
    for (InterpolationMode mode : {Bilinear, NearestNeighbor, HighQualityBicubic}) {
        auto fromArgb = paddedResize(*argb, 40, 9, mode);
        auto fromRgb = paddedResize(*rgb, 40, 9, mode);
        EXPECT_TRUE(samePixels(*fromArgb, *fromRgb)) << "mode " << int(mode);
        auto plainArgb = plainResize(*argb, 11, 30, mode);
        auto plainRgb = plainResize(*rgb, 11, 30, mode);
        EXPECT_TRUE(samePixels(*plainArgb, *plainRgb)) << "mode " << int(mode);
    }
}

TEST(Resampler, PaddedResizeKeepsHalfTransparencyAtTheEdges)
{
    // Drawing the border by compositing layers would compound the alpha; the
    // rule keeps a uniform 50 % image at 50 % up to its edges.
    auto src = uniformImage(40, 30, 0x80336699);
    for (const Size& to : {Size{10, 8}, Size{80, 60}, Size{40, 30}, Size{2, 200}}) {
        auto out = paddedResize(*src, to.w, to.h, HighQualityBicubic);
        for (int y = 0; y < to.h; ++y)
            for (int x = 0; x < to.w; ++x) ASSERT_EQ(px(*out, x, y), 0x80336699u);
    }
    auto noisy = texturedImage(40, 30, 8, false);
    auto out = paddedResize(*noisy, 40, 30, HighQualityBicubic);
    EXPECT_TRUE(samePixels(*out, *noisy));
}

TEST(Resampler, BytesDoNotDependOnTheNumberOfThreads)
{
    // Reductions take the accumulating vertical pass, enlargements the ring;
    // both, split over the pool, must give the serial bytes.
    auto src = texturedImage(700, 530, 77, false);
    auto small = texturedImage(90, 70, 78, false);
    struct Case {
        const Image* src;
        int32_t w, h, mode;  // the mode by its number
    };
    // The last ones have too few output rows to split and filter blocks of
    // source rows in parallel instead, with and without gaps between windows.
    const Case cases[] = {{src.get(), 301, 257, 7}, {src.get(), 160, 96, 6}, {src.get(), 350, 265, 4},
                          {small.get(), 333, 270, 7}, {small.get(), 400, 300, 3}, {src.get(), 1000, 700, 5},
                          {src.get(), 37, 3, 7}, {src.get(), 1, 1, 6}, {src.get(), 650, 5, 3}, {src.get(), 9, 2, 4}};
    for (const Case& c : cases) {
        const InterpolationMode mode = *interpolationModeFromNumber(c.mode);
        auto serial = paddedResize(*c.src, c.w, c.h, mode, false);
        auto parallel = paddedResize(*c.src, c.w, c.h, mode, true);
        EXPECT_TRUE(samePixels(*serial, *parallel)) << c.w << "x" << c.h << " mode " << c.mode
                                                    << " threads " << ThreadPool::size();
    }
}

// The row conversions and the row blend, whichever vector width runs them,
// give every pixel of a row (odd lengths reach the tails) what the rule for
// one pixel gives.
TEST(Resampler, RowLoopsMatchTheRuleForOnePixel)
{
    constexpr int32_t n = 13;
    uint8_t bytes[4 * n];
    for (int i = 0; i < 4 * n; ++i) bytes[i] = static_cast<uint8_t>(i * 53 + (i % 4 == 3 ? 200 : 7));
    bytes[4 * 5 + 3] = 0;
    resample::Pixel4 premultiplied[n];
    resample::premultiplyRow(bytes, n, premultiplied, resample::ColorKey(nullptr));
    for (int32_t i = 0; i < n; ++i) {
        const float a = bytes[4 * i + 3];
        for (int c = 0; c < 3; ++c) EXPECT_EQ(premultiplied[i][c], bytes[4 * i + c] * a) << i;
        EXPECT_EQ(premultiplied[i][3], a) << i;
    }

    // Colours above alpha clamp to 255, halves round to even, alpha 0.4
    // rounds to 0 and leaves transparent black.
    const resample::Pixel4 sums[5] = {{1.0f, 3.0f, 600.0f, 2.0f},
                                      {10.0f, 20.0f, 30.0f, 0.4f},
                                      {1.0f, 2.5f, 3.5f, 1.0f},
                                      {0.0f, 0.0f, 0.0f, 0.0f},
                                      {64.0f, 96.0f, 128.0f, 128.0f}};
    const uint32_t expected[5] = {0x02FF0200u, 0u, 0x01040201u, 0u, 0x80010100u};
    for (int32_t count : {5, 4, 3}) {
        uint8_t out[4 * 5] = {};
        resample::unpremultiplyRow(sums, count, out);
        for (int32_t i = 0; i < count; ++i) {
            uint32_t pixel;
            std::memcpy(&pixel, out + 4 * i, 4);
            EXPECT_EQ(pixel, expected[i]) << count << " " << i;
        }
    }

    uint8_t row[4 * n];
    uint8_t single[4 * n];
    for (int i = 0; i < 4 * n; ++i) row[i] = single[i] = static_cast<uint8_t>(i * 29 + 90);
    for (int i = 0; i < 8; ++i) bytes[4 * i + 3] = 255;
    Compositor::blendRow(row, bytes, n);
    for (int32_t i = 0; i < n; ++i) Compositor::blendPixel(single + 4 * i, bytes + 4 * i);
    EXPECT_EQ(std::memcmp(row, single, sizeof row), 0);
}
