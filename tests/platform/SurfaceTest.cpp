#include <gtest/gtest.h>

#include <cmath>

#include "platform/Compositor.h"
#include "platform/Surface.h"
#include "tests/platform/SurfaceTestImages.h"

using namespace kalvora::platform;
using namespace kalvora::testing;
using enum kalvora::platform::InterpolationMode;

TEST(Surface, ClearWritesTheColourAndAlphaInEveryFormat)
{
    auto argb = blankImage(5, 3);
    Surface(*argb).clear(0x00FFFFFF);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(px(*argb, x, y), 0x00FFFFFFu);
    Surface(*argb).clear(0x80102030);
    EXPECT_EQ(px(*argb, 4, 2), 0x80102030u);

    auto rgb24 = blankImage(3, 2, kFormat24bppRGB);
    Surface(*rgb24).clear(0x00123456);
    EXPECT_EQ(rgb24->row(1)[6], 0x56);
    EXPECT_EQ(rgb24->row(1)[8], 0x12);
    auto rgb32 = blankImage(3, 2, kFormat32bppRGB);
    Surface(*rgb32).clear(0x00123456);
    EXPECT_EQ(rgb32->row(1)[11], 0xFF);
    EXPECT_EQ(px(*rgb32, 2, 1), 0xFF123456u);
}

TEST(Surface, UnscaledDrawsCopyPixelsExactlyInEveryMode)
{
    auto src = texturedImage(37, 23, 7, false);
    for (int32_t number = 0; number <= 7; ++number) {
        const InterpolationMode mode = *interpolationModeFromNumber(number);
        for (PixelOffsetMode offsetMode :
             {PixelOffsetMode::Default, PixelOffsetMode::HighQuality, PixelOffsetMode::Half}) {
            auto target = blankImage(50, 40);
            Surface surface(*target);
            surface.clear(0x00FFFFFF);
            surface.setInterpolationMode(mode);
            surface.setPixelOffsetMode(offsetMode);
            ASSERT_EQ(surface.drawImage(*src, 6, 9), Ok);
            for (int y = 0; y < 23; ++y)
                for (int x = 0; x < 37; ++x)
                    ASSERT_EQ(px(*target, 6 + x, 9 + y), px(*src, x, y)) << "mode " << int(mode);
            EXPECT_EQ(px(*target, 5, 9), 0x00FFFFFFu);
            EXPECT_EQ(px(*target, 43, 31), 0x00FFFFFFu);

            // A source rectangle at equal size, and real coordinates that are whole.
            auto part = blankImage(10, 8);
            auto partF = blankImage(10, 8);
            Surface partSurface(*part);
            Surface partSurfaceF(*partF);
            partSurface.setInterpolationMode(mode);
            partSurfaceF.setInterpolationMode(mode);
            ASSERT_EQ(partSurface.drawImageRectRect(*src, 0, 0, 10, 8, 20, 11, 10, 8), Ok);
            ASSERT_EQ(partSurfaceF.drawImageRectRectF(*src, RectF{0, 0, 10, 8}, RectF{20, 11, 10, 8}), Ok);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 10; ++x) {
                    ASSERT_EQ(px(*part, x, y), px(*src, 20 + x, 11 + y));
                    ASSERT_EQ(px(*partF, x, y), px(*src, 20 + x, 11 + y));
                }
        }
    }
}

TEST(Surface, CompositesStraightAlphaSourceOver)
{
    auto target = blankImage(4, 1);
    target->setPixel(0, 0, 0xFF0000FF);
    target->setPixel(1, 0, 0xFF0000FF);
    target->setPixel(2, 0, 0x00000000);
    target->setPixel(3, 0, 0x80402010);
    auto src = blankImage(4, 1);
    src->setPixel(0, 0, 0x80FF0000);  // half red over opaque blue
    src->setPixel(1, 0, 0x00FF0000);  // transparent: leaves the destination
    src->setPixel(2, 0, 0x40ABCDEF);  // over transparent: lands exactly
    src->setPixel(3, 0, 0xFF010203);  // opaque: replaces
    Surface(*target).drawImage(*src, 0, 0);
    // Red 255 * 128 / 255 = 128, blue 255 * 127 / 255 = 127, alpha 255.
    EXPECT_EQ(px(*target, 0, 0), 0xFF80007Fu);
    EXPECT_EQ(px(*target, 1, 0), 0xFF0000FFu);
    EXPECT_EQ(px(*target, 2, 0), 0x40ABCDEFu);
    EXPECT_EQ(px(*target, 3, 0), 0xFF010203u);

    // Both half transparent: alpha 128 + 128 * 127 / 255 = 191.75 -> 192;
    // red (200 * 128 * 255 + 100 * 128 * 127) / (191.75 * 255) = 166.8 -> 167.
    auto dst = uniformImage(1, 1, 0x80640000);
    auto half = uniformImage(1, 1, 0x80C80000);
    Surface(*dst).drawImage(*half, 0, 0);
    EXPECT_EQ(px(*dst, 0, 0), 0xC0A70000u);

    // A target without alpha counts as opaque.
    auto rgb = blankImage(1, 1, kFormat24bppRGB);
    Surface(*rgb).clear(0xFF0000FF);
    Surface(*rgb).drawImage(*uniformImage(1, 1, 0x80FF0000), 0, 0);
    EXPECT_EQ(px(*rgb, 0, 0), 0xFF80007Fu);
}

TEST(Surface, FlatteningOverBlackRoundsEveryChannelAlphaPairToNearest)
{
    for (uint32_t a = 0; a < 256; ++a) {
        uint8_t src[256 * 4];
        uint8_t dst[256 * 3];
        for (uint32_t c = 0; c < 256; ++c) {
            src[4 * c] = uint8_t(c);
            src[4 * c + 1] = uint8_t(255 - c);
            src[4 * c + 2] = uint8_t(c ^ 0x5A);
            src[4 * c + 3] = uint8_t(a);
        }
        Compositor::flattenOverBlack(src, dst, 256);
        for (uint32_t i = 0; i < 256 * 3; ++i) {
            const uint8_t c = src[4 * (i / 3) + i % 3];
            ASSERT_EQ(dst[i], uint8_t(std::lround(c * a / 255.0))) << "c=" << int(c) << " a=" << a;
        }
    }
}

TEST(Surface, ClipsToTheTargetAndDrawsOnlySourcePixelsInsideTheImage)
{
    auto src = texturedImage(20, 10, 3, true);
    auto target = blankImage(16, 8);
    Surface surface(*target);
    surface.clear(0x00FFFFFF);
    // Partly outside on every side.
    ASSERT_EQ(surface.drawImage(*src, -5, -3), Ok);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 15; ++x) ASSERT_EQ(px(*target, x, y), px(*src, x + 5, y + 3));
    EXPECT_EQ(px(*target, 15, 0), 0x00FFFFFFu);
    EXPECT_EQ(px(*target, 0, 7), 0x00FFFFFFu);
    // Entirely outside: nothing, and no failure.
    EXPECT_EQ(surface.drawImage(*src, 100, 100), Ok);
    EXPECT_EQ(surface.drawImage(*src, -100, 2), Ok);
    EXPECT_EQ(surface.drawImageRectRect(*src, 0, 0, 5, 5, 30, 0, 5, 5), Ok);
    EXPECT_EQ(px(*target, 0, 7), 0x00FFFFFFu);
}

TEST(Surface, NegativeSourceOffsetDrawsThePartInsideWhereItWouldLand)
{
    // The wrap-around of a brick past the right edge: the second piece starts
    // at a source x below 0, so the image lands once, at its own position.
    auto src = texturedImage(6, 4, 11, true);
    for (InterpolationMode mode : {Bilinear, NearestNeighbor, HighQualityBicubic}) {
        auto target = blankImage(10, 4);
        Surface surface(*target);
        surface.setInterpolationMode(mode);
        ASSERT_EQ(surface.drawImageRectRect(*src, 0, 0, 9, 4, -3, 0, 9, 4), Ok);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 3; ++x) ASSERT_EQ(px(*target, x, y), 0u);
            for (int x = 3; x < 9; ++x) ASSERT_EQ(px(*target, x, y), px(*src, x - 3, y));
            ASSERT_EQ(px(*target, 9, y), 0u);
        }
    }
    // Scaled: a source rectangle twice the image's width, half of it left of
    // the image, fills only the right half of the destination.
    auto target = blankImage(12, 4);
    Surface surface(*target);
    surface.setInterpolationMode(NearestNeighbor);
    ASSERT_EQ(surface.drawImageRectRect(*src, 0, 0, 12, 4, -6, 0, 12, 4), Ok);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(px(*target, x, 2), 0u);
    for (int x = 6; x < 12; ++x) EXPECT_EQ(px(*target, x, 2), px(*src, x - 6, 2));
}

TEST(Surface, ColourKeySkipsPixelsInsideTheRange)
{
    auto src = blankImage(3, 1);
    src->setPixel(0, 0, 0xFF10F020);  // inside the key
    src->setPixel(1, 0, 0xFF10F040);  // blue outside
    src->setPixel(2, 0, 0x8012EE1E);  // inside, alpha does not matter
    ImageAttributes key;
    key.hasColorKey = true;
    key.keyLow = 0x0010E010;
    key.keyHigh = 0x0012F030;
    for (InterpolationMode mode : {NearestNeighbor, HighQualityBicubic}) {
        auto target = uniformImage(3, 1, 0xFF000000);
        Surface surface(*target);
        surface.setInterpolationMode(mode);
        ASSERT_EQ(surface.drawImageRectRect(*src, 0, 0, 3, 1, 0, 0, 3, 1, &key), Ok);
        EXPECT_EQ(px(*target, 0, 0), 0xFF000000u);
        EXPECT_EQ(px(*target, 1, 0), 0xFF10F040u);
        EXPECT_EQ(px(*target, 2, 0), 0xFF000000u);
    }
    // Not drawn means not drawn: over a transparent destination too, keyed
    // pixels leave what was there.
    auto clearTarget = uniformImage(3, 1, 0x00FFFFFF);
    ASSERT_EQ(Surface(*clearTarget).drawImageRectRect(*src, 0, 0, 3, 1, 0, 0, 3, 1, &key), Ok);
    EXPECT_EQ(px(*clearTarget, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(px(*clearTarget, 1, 0), 0xFF10F040u);
    EXPECT_EQ(px(*clearTarget, 2, 0), 0x00FFFFFFu);
    // Resampled: keyed pixels are transparent to the filter.
    auto wide = blankImage(6, 6);
    Surface surface(*wide);
    surface.setInterpolationMode(HighQualityBicubic);
    ASSERT_EQ(surface.drawImageRectRect(*src, 0, 0, 6, 6, 0, 0, 3, 1, &key), Ok);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(px(*wide, 0, y), 0u);
        uint32_t mid = px(*wide, 3, y);
        if (mid >> 24) {
            EXPECT_EQ(mid & 0xFFFFFF, 0x10F040u);
        }
    }
}

TEST(Surface, TranslationMovesEveryDraw)
{
    auto src = texturedImage(4, 4, 5, true);
    auto target = blankImage(10, 10);
    Surface surface(*target);
    surface.translateTransform(2, 3);
    surface.translateTransform(1, 0);
    EXPECT_EQ(surface.translateX(), 3);
    surface.drawImage(*src, 1, 1);
    EXPECT_EQ(px(*target, 4, 4), px(*src, 0, 0));
    EXPECT_EQ(px(*target, 7, 7), px(*src, 3, 3));
    EXPECT_EQ(px(*target, 3, 4), 0u);
    surface.resetTransform();
    surface.drawImage(*src, 0, 0);
    EXPECT_EQ(px(*target, 0, 0), px(*src, 0, 0));
}

TEST(Surface, NearestNeighbourEnlargementReplicatesPixels)
{
    auto src = texturedImage(7, 5, 9, false);
    auto target = blankImage(21, 20);
    Surface surface(*target);
    surface.setInterpolationMode(NearestNeighbor);
    surface.setPixelOffsetMode(PixelOffsetMode::HighQuality);
    ASSERT_EQ(surface.drawImageRect(*src, 0, 0, 21, 20), Ok);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 21; ++x) ASSERT_EQ(px(*target, x, y), px(*src, x / 3, y / 4));

    // Zoomed views draw with real coordinates: 2.5x from a fractional origin.
    auto view = blankImage(10, 4);
    Surface viewSurface(*view);
    viewSurface.setInterpolationMode(NearestNeighbor);
    ASSERT_EQ(viewSurface.drawImageRectRectF(*src, RectF{0, 0, 10, 4}, RectF{0.4, 0, 4, 1.6}), Ok);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(px(*view, x, 0), px(*src, static_cast<int>(std::floor(0.4 + (x + 0.5) / 2.5)), 0));
}

TEST(Surface, DrawingIntoOtherFormatsAndOntoItself)
{
    auto src = texturedImage(8, 8, 13, true);
    auto rgb = blankImage(8, 8, kFormat24bppRGB);
    Surface surface(*rgb);
    surface.setInterpolationMode(HighQualityBicubic);
    ASSERT_EQ(surface.drawImage(*src, 0, 0), Ok);
    EXPECT_EQ(px(*rgb, 5, 6), px(*src, 5, 6));
    ASSERT_EQ(surface.drawImageRect(*src, 0, 0, 4, 4), Ok);

    // Shifting an image onto itself reads the pixels as they were.
    auto self = texturedImage(8, 8, 17, true);
    auto before = texturedImage(8, 8, 17, true);
    ASSERT_EQ(Surface(*self).drawImage(*self, 1, 1), Ok);
    for (int y = 1; y < 8; ++y)
        for (int x = 1; x < 8; ++x) ASSERT_EQ(px(*self, x, y), px(*before, x - 1, y - 1));
}

TEST(Surface, HostileGeometryIsRefusedOrDrawsNothing)
{
    auto src = texturedImage(8, 8, 1, true);
    auto target = blankImage(8, 8);
    Surface surface(*target);
    surface.setInterpolationMode(HighQualityBicubic);
    EXPECT_EQ(surface.drawImageRectRectF(*src, RectF{NAN, 0, 4, 4}, RectF{0, 0, 8, 8}), InvalidParameter);
    EXPECT_EQ(surface.drawImageRectRectF(*src, RectF{0, 0, 4, 4}, RectF{0, 0, INFINITY, 8}), InvalidParameter);
    EXPECT_EQ(surface.drawImageRectRect(*src, 0, 0, 0, 4, 0, 0, 8, 8), Ok);
    EXPECT_EQ(surface.drawImageRectRect(*src, 0, 0, -4, 4, 0, 0, 8, 8), Ok);
    EXPECT_EQ(surface.drawImageRectRect(*src, 0, 0, 4, 4, 0, 0, 0, 8), Ok);
    EXPECT_EQ(surface.drawImageRectRectF(*src, RectF{0, 0, 8, 8}, RectF{0, 0, 1e-300, 1e300}), Ok);
    EXPECT_EQ(surface.drawImageRectRect(*src, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 8, 8), Ok);
    EXPECT_EQ(surface.drawImageRectRect(*src, -2, -2, 12, 12, -1000000, -7, 2000000, 30), Ok);
    EXPECT_EQ(surface.drawImagePadded(*src, -1, 0, 0, 4, 4), InvalidParameter);
    EXPECT_EQ(surface.drawImagePadded(*src, INT32_MAX / 2, 0, 0, 4, 4), InvalidParameter);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(px(*target, x, y) >> 24, 0u) << x << "," << y;
}

TEST(Surface, ClippingDoesNotMoveTheSamples)
{
    // The part of a scaled draw that lands inside a small target equals the
    // same part of the draw into a target large enough to hold all of it.
    auto src = texturedImage(50, 40, 23, false);
    for (InterpolationMode mode : kResamplingModes) {
        auto whole = blankImage(120, 100);
        Surface wholeSurface(*whole);
        wholeSurface.setInterpolationMode(mode);
        ASSERT_EQ(wholeSurface.drawImageRectRectF(*src, RectF{10, 5, 93.5, 71}, RectF{2.5, 1, 45, 37}), Ok);
        auto part = blankImage(30, 20);
        Surface partSurface(*part);
        partSurface.setInterpolationMode(mode);
        ASSERT_EQ(partSurface.drawImageRectRectF(*src, RectF{-30, -25, 93.5, 71}, RectF{2.5, 1, 45, 37}), Ok);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) ASSERT_EQ(px(*part, x, y), px(*whole, x + 40, y + 30)) << "mode " << int(mode);
    }
}

TEST(Surface, RandomGeometryStaysInsideItsRectangle)
{
    // Arbitrary rectangles, fractional, reversed, far outside or huge, in
    // every mode and target format: nothing is written outside the target
    // (the sanitizer build checks) nor outside the destination rectangle.
    uint32_t state = 99;
    auto next = [&](int32_t lo, int32_t hi) {
        state = state * 1664525u + 1013904223u;
        return lo + static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(hi - lo + 1));
    };
    auto src = texturedImage(13, 9, 2, false);
    const PixelFormatId formats[] = {kFormat32bppARGB, kFormat24bppRGB, kFormat32bppRGB};
    for (int round = 0; round < 400; ++round) {
        auto target = blankImage(next(1, 20), next(1, 20), formats[round % 3]);
        Surface surface(*target);
        surface.clear(0xFF123456);
        surface.setInterpolationMode(static_cast<InterpolationMode>(next(0, 8)));
        const RectF dst{next(-40, 40) / 4.0, next(-40, 40) / 4.0, next(-8, 120) / 4.0, next(-8, 120) / 4.0};
        const RectF from{next(-60, 60) / 3.0, next(-60, 60) / 3.0, next(-4, 90) / 3.0, next(-4, 90) / 3.0};
        ImageAttributes key;
        key.hasColorKey = round % 5 == 0;
        key.keyHigh = 0x808080;
        const bool padded = round % 7 == 0;
        const RectF whole{std::trunc(dst.x), std::trunc(dst.y), std::trunc(dst.width), std::trunc(dst.height)};
        const Status s = padded ? surface.drawImagePadded(*src, next(0, 30), static_cast<int32_t>(whole.x),
                                                          static_cast<int32_t>(whole.y), static_cast<int32_t>(whole.width),
                                                          static_cast<int32_t>(whole.height))
                                : surface.drawImageRectRectF(*src, dst, from, &key);
        ASSERT_EQ(s, Ok);
        const RectF& drawn = padded ? whole : dst;
        const double x0 = drawn.x;
        const double y0 = drawn.y;
        const double x1 = drawn.x + drawn.width;
        const double y1 = drawn.y + drawn.height;
        for (int y = 0; y < target->height(); ++y)
            for (int x = 0; x < target->width(); ++x) {
                const bool inside = x + 0.5 >= x0 && x + 0.5 < x1 && y + 0.5 >= y0 && y + 0.5 < y1;
                if (!inside) {
                    ASSERT_EQ(px(*target, x, y), 0xFF123456u) << "round " << round << " at " << x << "," << y;
                }
            }
    }
}
