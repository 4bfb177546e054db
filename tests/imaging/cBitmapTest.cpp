#include "imaging/cBitmap.h"

#include <gtest/gtest.h>

#include <tiffio.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "imaging/cGDIP.h"
#include "platform/ImageLimits.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TestImages.h"

namespace kalvora {
namespace {

using platform::kFormat24bppRGB;
using platform::kFormat32bppARGB;
using platform::kFormat32bppRGB;
using testing::makeBitmap;

using kalvora::platform::InterpolationMode;
using enum kalvora::platform::InterpolationMode;

uint32_t px(cBitmap& b, int32_t x, int32_t y) { return static_cast<uint32_t>(b.GetPixelARGB(x, y)); }

// Distinct opaque colour per pixel.
uint32_t pattern(int32_t x, int32_t y)
{
    return 0xFF000000u | (static_cast<uint32_t>(x * 37 + y * 11) & 0xFF) << 16 |
           (static_cast<uint32_t>(x * 5 + y * 71) & 0xFF) << 8 | (static_cast<uint32_t>(x ^ (y * 3)) & 0xFF);
}

// Distinct colour and alpha per pixel, alpha never 0.
uint32_t patternWithAlpha(int32_t x, int32_t y)
{
    return (pattern(x, y) & 0x00FFFFFFu) | static_cast<uint32_t>(1 + (x * 13 + y * 29) % 255) << 24;
}

platform::EncoderClsid pngEncoder()
{
    cGDIP session;
    platform::EncoderClsid clsid{};
    EXPECT_TRUE(session.GetEncoderClsid("image/png", clsid));
    return clsid;
}

TEST(cBitmapTest, EmptyBitmapAnswersWithFailuresAndChangesNothing)
{
    cBitmap b;
    EXPECT_EQ(b.Handle(), nullptr);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_EQ(b.GetPixelARGB(0, 0), 0);
    EXPECT_NE(b.CurErr(), platform::Ok);
    EXPECT_NE(b.RotateFlip(platform::RotateFlipType::Rotate90FlipNone), platform::Ok);
    b.ResizePicture(10, 10);
    b.CropPicture(0, 0, 4, 4);
    int32_t x = -3, y = 7;
    b.ShiftPicture(x, y, true);
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(b.Handle(), nullptr);
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_EQ(b.SaveToByteArray(bytes, pngEncoder()), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(b.Picture(), nullptr);
    b.Dispose();
    b.Dispose();
    EXPECT_EQ(b.Handle(), nullptr);
}

TEST(cBitmapTest, DisposeReleasesOnceAndResetsSize)
{
    cBitmap b;
    makeBitmap(b, 5, 4, pattern);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 4);
    EXPECT_EQ(b.PixelFormat(), kFormat32bppARGB);
    EXPECT_EQ(b.GetBoundsRect().width, 5);
    b.Dispose();
    b.Dispose();
    EXPECT_EQ(b.Handle(), nullptr);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    makeBitmap(b, 2, 2, pattern);  // usable again; destruction releases it
}

TEST(cBitmapTest, CreatingFromItsOwnImageReplacesWithoutUseAfterRelease)
{
    cBitmap b;
    makeBitmap(b, 8, 6, pattern);
    ASSERT_EQ(b.CreateFromClone(5, 3, b.Handle(), kFormat32bppARGB), platform::Ok);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(px(b, x, y), pattern(x, y));

    // A failed creation keeps the current image.
    platform::Image* before = b.Handle();
    EXPECT_NE(b.CreateFromClone(50, 3, b.Handle(), kFormat32bppARGB), platform::Ok);
    EXPECT_NE(b.CreateFromScan0(0, 3, 0, kFormat32bppARGB), platform::Ok);
    EXPECT_NE(b.CreateFromStream({0x89, 'P', 'N', 'G'}), platform::Ok);
    EXPECT_EQ(b.Handle(), before);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(px(b, 4, 2), pattern(4, 2));
}

TEST(cBitmapTest, Scan0CopiesGivenPixelsAndChecksTheStride)
{
    const uint8_t data[] = {1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 9, 10, 11, 12, 13, 14, 15, 16, 0, 0};
    cBitmap b;
    ASSERT_EQ(b.CreateFromScan0(2, 2, 10, kFormat32bppARGB, data), platform::Ok);
    EXPECT_EQ(px(b, 0, 0), 0x04030201u);
    EXPECT_EQ(px(b, 1, 1), 0x100F0E0Du);
    EXPECT_EQ(b.CreateFromScan0(2, 2, 7, kFormat32bppARGB, data), platform::InvalidParameter);
    EXPECT_EQ(px(b, 1, 0), 0x08070605u);
    EXPECT_EQ(b.CreateFromScan0(2, 2, 0, 0x12345, nullptr), platform::InvalidParameter);
}

TEST(cBitmapTest, ResizePadFollowsTheSmallerScaleFactor)
{
    EXPECT_EQ(cBitmap::ResizePad(100, 80, 200, 160), 3);  // m = 2
    EXPECT_EQ(cBitmap::ResizePad(100, 80, 100, 400), 4);  // m = 1
    EXPECT_EQ(cBitmap::ResizePad(100, 80, 80, 200), 4);   // m = 0.8: 2.5 rounds to 2
    EXPECT_EQ(cBitmap::ResizePad(100, 80, 50, 40), 6);    // m = 0.5
    EXPECT_EQ(cBitmap::ResizePad(10, 10, 40, 40), 2);     // m = 4: 0.5 rounds to 0
    EXPECT_EQ(cBitmap::ResizePad(10, 10, 15, 15), 3);     // m = 1.5: 1.33 rounds to 1
    EXPECT_EQ(cBitmap::ResizePad(10, 10, 40, 5), 6);      // sy is the smaller one
    EXPECT_EQ(cBitmap::ResizePad(4096, 4096, 1, 1), 8194);
    EXPECT_EQ(cBitmap::ResizePad(0, 10, 5, 5), 0);
}

TEST(cBitmapTest, ResizeToSameSizeOrNothingChangesNothing)
{
    cBitmap b;
    makeBitmap(b, 6, 4, pattern, kFormat24bppRGB);
    platform::Image* before = b.Handle();
    b.ResizePicture(6, 4);
    b.ResizePicture(0, 10);
    b.ResizePicture(10, -1);
    b.ResizePicture(0, 0, NearestNeighbor);
    EXPECT_EQ(b.Handle(), before);
    EXPECT_EQ(b.PixelFormat(), kFormat24bppRGB);
    EXPECT_EQ(b.Width(), 6);
    EXPECT_EQ(b.Height(), 4);
}

TEST(cBitmapTest, AssignResizedMatchesACloneResizedAndLeavesTheSourceAlone)
{
    for (platform::PixelFormatId format : {kFormat24bppRGB, kFormat32bppARGB}) {
        cBitmap source;
        makeBitmap(source, 40, 30, patternWithAlpha, format);
        const platform::Image* sourceImage = source.Handle();
        for (auto size : {std::pair{13, 9}, std::pair{97, 61}, std::pair{40, 30}}) {
            cBitmap expected;
            ASSERT_EQ(expected.CreateFromClone(40, 30, source.Handle(), format), platform::Ok);
            expected.ResizePicture(size.first, size.second, platform::InterpolationMode::HighQualityBicubic);
            cBitmap work;
            work.assignResized(source, size.first, size.second, platform::InterpolationMode::HighQualityBicubic);
            ASSERT_EQ(work.PixelFormat(), expected.PixelFormat());
            ASSERT_EQ(work.Width(), size.first);
            ASSERT_EQ(work.Height(), size.second);
            for (int32_t y = 0; y < work.Height(); ++y)
                for (int32_t x = 0; x < work.Width(); ++x)
                    ASSERT_EQ(px(work, x, y), px(expected, x, y)) << size.first << " at " << x << "," << y;
        }
        EXPECT_EQ(source.Handle(), sourceImage);
    }
}

TEST(cBitmapTest, APartOfAResizeHasThePixelsOfTheWhole)
{
    // Up and down, both kernels the soft border and the resize use, and
    // parts on the edges and inside.
    cBitmap source;
    makeBitmap(source, 9, 7, patternWithAlpha, kFormat32bppARGB);
    for (InterpolationMode mode : {Bicubic, HighQualityBicubic}) {
        for (auto size : {std::pair{301, 117}, std::pair{5, 4}}) {
            cBitmap whole;
            ASSERT_EQ(whole.CreateFromClone(9, 7, source.Handle(), kFormat32bppARGB), platform::Ok);
            whole.ResizePicture(size.first, size.second, mode);
            const int32_t w = size.first;
            const int32_t h = size.second;
            for (platform::PixelRect area : {platform::PixelRect{0, 0, w, 2}, platform::PixelRect{0, h - 1, w, 1},
                                             platform::PixelRect{w - 3, 1, 3, h - 2},
                                             platform::PixelRect{w / 3, h / 3, w / 3 + 1, h / 3 + 1}}) {
                const std::unique_ptr<platform::Image> part = source.resizedArea(w, h, mode, area);
                ASSERT_TRUE(part);
                ASSERT_EQ(part->width(), area.width);
                ASSERT_EQ(part->height(), area.height);
                for (int32_t y = 0; y < area.height; ++y)
                    for (int32_t x = 0; x < area.width; ++x)
                        ASSERT_EQ(part->pixelArgb(x, y), px(whole, area.x + x, area.y + y))
                            << w << " at " << area.x + x << "," << area.y + y;
            }
        }
    }
}

TEST(cBitmapTest, ResizeKeepsOpaqueImagesOpaqueToTheEdges)
{
    for (InterpolationMode mode : {Bilinear, Bicubic, NearestNeighbor, HighQualityBilinear, HighQualityBicubic}) {
        for (auto size : {std::pair{37, 23}, std::pair{5, 7}, std::pair{1, 1}, std::pair{64, 3}}) {
            cBitmap b;
            makeBitmap(b, 16, 12, pattern, kFormat24bppRGB);
            b.ResizePicture(size.first, size.second, mode);
            ASSERT_EQ(b.Width(), size.first);
            ASSERT_EQ(b.Height(), size.second);
            EXPECT_EQ(b.PixelFormat(), kFormat32bppARGB);
            for (int32_t y = 0; y < b.Height(); ++y)
                for (int32_t x = 0; x < b.Width(); ++x)
                    ASSERT_EQ(px(b, x, y) >> 24, 255u) << "mode " << int(mode) << " at " << x << "," << y;
        }
    }
}

TEST(cBitmapTest, ResizeKeepsUniformImagesUniformAndAlphaUncompounded)
{
    for (uint32_t colour : {0xFF336699u, 0x80336699u, 0x01FFFFFFu}) {
        for (InterpolationMode mode : {Bilinear, Bicubic, NearestNeighbor, HighQualityBilinear, HighQualityBicubic}) {
            for (auto size : {std::pair{40, 30}, std::pair{3, 2}, std::pair{11, 29}}) {
                cBitmap b;
                makeBitmap(b, 13, 9, [&](int32_t, int32_t) { return colour; });
                b.ResizePicture(size.first, size.second, mode);
                for (int32_t y = 0; y < b.Height(); ++y)
                    for (int32_t x = 0; x < b.Width(); ++x)
                        ASSERT_EQ(px(b, x, y), colour)
                            << std::hex << colour << std::dec << " mode " << int(mode) << " at " << x << "," << y;
            }
        }
    }
}

TEST(cBitmapTest, ResizeKeepsAlphaOfHalfTransparentImages)
{
    cBitmap b;
    makeBitmap(b, 10, 10, [](int32_t x, int32_t y) { return (pattern(x, y) & 0x00FFFFFFu) | 0x80000000u; });
    b.ResizePicture(25, 17, HighQualityBicubic);
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) ASSERT_EQ(px(b, x, y) >> 24, 0x80u) << x << "," << y;
}

TEST(cBitmapTest, ResizeNeedsNoPaddedImage)
{
    // Shrinking 1024 x 1024 into one pixel pads by 2050 pixels a side: a
    // padded image of 5124 x 5124 would exceed this cap, the source and the
    // result do not.
    platform::ImageLimits::set(2048, int64_t(2048) * 2048 * 4);
    cBitmap b;
    makeBitmap(b, 1024, 1024, [](int32_t, int32_t) { return 0xFF20A0E0u; });
    b.ResizePicture(1, 1, HighQualityBicubic);
    platform::ImageLimits::reset();
    ASSERT_EQ(b.Width(), 1);
    ASSERT_EQ(b.Height(), 1);
    EXPECT_EQ(px(b, 0, 0), 0xFF20A0E0u);
}

TEST(cBitmapTest, NearestNeighbourIntegerEnlargementReplicatesPixels)
{
    cBitmap b;
    makeBitmap(b, 4, 3, patternWithAlpha);
    b.ResizePicture(12, 9, NearestNeighbor);
    ASSERT_EQ(b.Width(), 12);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 12; ++x) ASSERT_EQ(px(b, x, y), patternWithAlpha(x / 3, y / 3)) << x << "," << y;
}

TEST(cBitmapTest, CropTakesTheRectangleAndFillsOutsideWithTransparentWhite)
{
    cBitmap b;
    makeBitmap(b, 20, 15, pattern, kFormat24bppRGB);
    platform::Image* before = b.Handle();
    b.CropPicture(10, 10, 20, 15);  // own size: nothing happens wherever it lies
    EXPECT_EQ(b.Handle(), before);
    EXPECT_EQ(b.PixelFormat(), kFormat24bppRGB);

    cBitmap one;
    makeBitmap(one, 20, 15, patternWithAlpha);
    one.CropPicture(0, 0, 1, 1);
    ASSERT_EQ(one.Width(), 1);
    ASSERT_EQ(one.Height(), 1);
    EXPECT_EQ(one.PixelFormat(), kFormat32bppARGB);
    EXPECT_EQ(px(one, 0, 0), patternWithAlpha(0, 0));

    b.CropPicture(3, 2, 5, 4);
    ASSERT_EQ(b.Width(), 5);
    ASSERT_EQ(b.Height(), 4);
    EXPECT_EQ(b.PixelFormat(), kFormat32bppARGB);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(px(b, x, y), pattern(x + 3, y + 2));

    cBitmap edge;
    makeBitmap(edge, 6, 6, pattern);
    edge.CropPicture(-2, 4, 5, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            const bool inside = x >= 2 && y + 4 < 6;
            EXPECT_EQ(px(edge, x, y), inside ? pattern(x - 2, y + 4) : 0x00FFFFFFu) << x << "," << y;
        }

    platform::Image* kept = edge.Handle();
    edge.CropPicture(0, 0, 0, 3);
    EXPECT_EQ(edge.Handle(), kept);
}

TEST(cBitmapTest, ShiftWrapsOnATorusAndNormalisesTheOffsets)
{
    const int32_t W = 7, H = 5;
    for (auto offset : {std::pair{-1, 0}, std::pair{3, 2}, std::pair{W, H}, std::pair{-15, 12}, std::pair{0, 4}}) {
        cBitmap b;
        makeBitmap(b, W, H, patternWithAlpha);
        int32_t x = offset.first, y = offset.second;
        b.ShiftPicture(x, y, true);
        const int32_t nx = ((offset.first % W) + W) % W;
        const int32_t ny = ((offset.second % H) + H) % H;
        EXPECT_EQ(x, nx);
        EXPECT_EQ(y, ny);
        ASSERT_EQ(b.Width(), W);
        for (int32_t py = 0; py < H; ++py)
            for (int32_t pxl = 0; pxl < W; ++pxl)
                ASSERT_EQ(px(b, pxl, py), patternWithAlpha((pxl - nx + W) % W, (py - ny + H) % H))
                    << offset.first << "," << offset.second << " at " << pxl << "," << py;
    }
}

TEST(cBitmapTest, ShiftWithoutWrapLeavesTransparentWhiteStripsAndKeepsFormat)
{
    cBitmap b;
    makeBitmap(b, 12, 6, pattern);
    int32_t x = 5, y = 0;
    b.ShiftPicture(x, y, false);
    for (int32_t py = 0; py < 6; ++py)
        for (int32_t pxl = 0; pxl < 12; ++pxl)
            EXPECT_EQ(px(b, pxl, py), pxl < 5 ? 0x00FFFFFFu : pattern(pxl - 5, py));

    cBitmap rgb;
    makeBitmap(rgb, 4, 4, pattern, kFormat24bppRGB);
    x = 1;
    y = -1;
    rgb.ShiftPicture(x, y, false);
    EXPECT_EQ(y, 3);
    EXPECT_EQ(rgb.PixelFormat(), kFormat24bppRGB);
    EXPECT_EQ(px(rgb, 1, 3), pattern(0, 0));
    EXPECT_EQ(px(rgb, 0, 0), 0xFFFFFFFFu);  // no alpha channel: the strip reads as opaque white
}

TEST(cBitmapTest, RotateFlipSwapsSizesAndMapsPixels)
{
    cBitmap b;
    makeBitmap(b, 300, 200, pattern);
    ASSERT_EQ(b.RotateFlip(platform::RotateFlipType::Rotate90FlipNone), platform::Ok);
    EXPECT_EQ(b.Width(), 200);
    EXPECT_EQ(b.Height(), 300);
    EXPECT_EQ(b.GetBoundsRect().height, 300);
    // Clockwise: the old bottom-left corner is the new top-left.
    EXPECT_EQ(px(b, 0, 0), pattern(0, 199));
    EXPECT_EQ(px(b, 199, 0), pattern(0, 0));
    ASSERT_EQ(b.RotateFlip(platform::RotateFlipType::Rotate270FlipNone), platform::Ok);
    EXPECT_EQ(b.Width(), 300);
    EXPECT_EQ(px(b, 17, 23), pattern(17, 23));
    ASSERT_EQ(b.RotateFlip(platform::RotateFlipType::Rotate180FlipNone), platform::Ok);
    EXPECT_EQ(px(b, 0, 0), pattern(299, 199));
    ASSERT_EQ(b.RotateFlip(platform::RotateFlipType::Rotate180FlipNone), platform::Ok);
    ASSERT_EQ(b.RotateFlip(platform::RotateFlipType::RotateNoneFlipX), platform::Ok);
    EXPECT_EQ(px(b, 0, 5), pattern(299, 5));
    ASSERT_EQ(b.RotateFlip(platform::RotateFlipType::RotateNoneFlipX), platform::Ok);
    ASSERT_EQ(b.RotateFlip(platform::RotateFlipType::RotateNoneFlipY), platform::Ok);
    EXPECT_EQ(px(b, 5, 0), pattern(5, 199));
    EXPECT_EQ(b.RotateFlip(static_cast<platform::RotateFlipType>(8)), platform::InvalidParameter);
    EXPECT_EQ(b.Width(), 300);
}

TEST(cBitmapTest, PngBytesRoundTripWithAlpha)
{
    cBitmap b;
    makeBitmap(b, 23, 17, patternWithAlpha);
    std::vector<uint8_t> bytes;
    const int32_t count = b.SaveToByteArray(bytes, pngEncoder());
    ASSERT_GT(count, 0);
    ASSERT_EQ(static_cast<size_t>(count), bytes.size());
    const uint8_t signature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::memcmp(bytes.data(), signature, 8), 0);

    cBitmap back;
    ASSERT_EQ(back.CreateFromStream(bytes), platform::Ok);
    ASSERT_EQ(back.Width(), 23);
    ASSERT_EQ(back.Height(), 17);
    EXPECT_EQ(back.PixelFormat(), kFormat32bppARGB);
    for (int32_t y = 0; y < 17; ++y)
        for (int32_t x = 0; x < 23; ++x) ASSERT_EQ(px(back, x, y), patternWithAlpha(x, y));

    // Truncated bytes fail without touching the image.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
    EXPECT_NE(back.CreateFromStream(cut), platform::Ok);
    EXPECT_EQ(back.Width(), 23);
    EXPECT_NE(back.CreateFromStream({}), platform::Ok);

    platform::EncoderClsid unknown;
    unknown.fill(0x42);
    std::vector<uint8_t> untouched = {7};
    EXPECT_EQ(b.SaveToByteArray(untouched, unknown), 0);
    EXPECT_EQ(untouched, std::vector<uint8_t>{7});
    EXPECT_NE(b.CurErr(), platform::Ok);
}

TEST(cBitmapTest, ClipboardCarriesTheImageOverBlackWithoutAlpha)
{
    testing::ScopedFakeServices services;
    cBitmap b;
    makeBitmap(b, 3, 2, [](int32_t x, int32_t) { return x == 0 ? 0x80FF4020u : (x == 1 ? 0x00FFFFFFu : 0xFF123456u); });

    cBitmap target;
    makeBitmap(target, 5, 5, pattern);
    EXPECT_FALSE(target.PasteFromClipboard());  // nothing (or only text) on the clipboard
    EXPECT_EQ(target.Width(), 5);
    EXPECT_EQ(px(target, 4, 4), pattern(4, 4));

    cBitmap empty;
    empty.CopyToClipboard();
    EXPECT_FALSE(services.clipboard.hasImage());

    b.CopyToClipboard();
    ASSERT_TRUE(services.clipboard.hasImage());
    ASSERT_TRUE(target.PasteFromClipboard());
    ASSERT_EQ(target.Width(), 3);
    ASSERT_EQ(target.Height(), 2);
    EXPECT_EQ(px(target, 0, 0), 0xFF802010u);
    EXPECT_EQ(px(target, 1, 1), 0xFF000000u);
    EXPECT_EQ(px(target, 2, 0), 0xFF123456u);

    auto picture = b.Picture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->format(), kFormat24bppRGB);
    EXPECT_EQ(picture->pixelArgb(0, 1), 0xFF802010u);
}

TEST(cBitmapTest, MakeTransparentKeysOutOneColour)
{
    cBitmap b;
    makeBitmap(
        b, 4, 4, [](int32_t x, int32_t y) { return (x + y) % 2 ? 0xFF00FF00u : pattern(x, y); }, kFormat24bppRGB);
    b.MakeTransparent(static_cast<int32_t>(0xFF00FF00u));
    EXPECT_EQ(b.PixelFormat(), kFormat32bppARGB);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            if ((x + y) % 2)
                EXPECT_EQ(px(b, x, y), 0x00FFFFFFu) << x << "," << y;
            else
                EXPECT_EQ(px(b, x, y), pattern(x, y)) << x << "," << y;
        }
}

TEST(cBitmapTest, PaletteWritesStayInsideThePalette)
{
    cBitmap b;
    makeBitmap(b, 2, 2, pattern);
    b.SetTransColor(3);  // no palette: nothing to write
    EXPECT_TRUE(b.Handle()->palette().empty());

    ASSERT_EQ(b.SetPalette({0xFF102030u, 0xFF405060u}), platform::Ok);
    b.SetTransColor(5);
    EXPECT_EQ(b.Handle()->palette(), (std::vector<uint32_t>{0xFF102030u, 0xFF405060u}));
    b.SetTransColor(257);  // low 8 bits: entry 1
    EXPECT_EQ(b.Handle()->palette(), (std::vector<uint32_t>{0xFF102030u, 0x00405060u}));
    EXPECT_EQ(b.SetPalette(std::vector<uint32_t>(257, 0)), platform::InvalidParameter);
}

TEST(cBitmapTest, PixelReadsLocksAndMetadataAnswerSensibly)
{
    cBitmap b;
    makeBitmap(b, 3, 3, patternWithAlpha);
    EXPECT_EQ(px(b, 2, 1), patternWithAlpha(2, 1));
    EXPECT_EQ(static_cast<uint32_t>(b.GetPixelLong(1, 2)), patternWithAlpha(1, 2));
    EXPECT_EQ(b.GetPixelARGB(3, 0), 0);
    EXPECT_EQ(b.CurErr(), platform::InvalidParameter);
    EXPECT_EQ(b.GetPixelARGB(0, -1), 0);

    platform::LockedBits bits;
    EXPECT_EQ(b.LockBits({0, 0, 3, 3}, platform::LockRead, kFormat24bppRGB, bits), platform::InvalidParameter);
    EXPECT_EQ(b.LockBits({1, 1, 3, 3}, platform::LockRead, kFormat32bppARGB, bits), platform::InvalidParameter);

    EXPECT_EQ(b.FrameCount(), 0);
    EXPECT_EQ(b.SelectActiveFrame(0, true), platform::Ok);
    EXPECT_EQ(b.FrameCount(), 1);
    EXPECT_EQ(b.SelectActiveFrame(1, false), platform::InvalidParameter);
    int32_t value = 99;
    EXPECT_EQ(b.GetPropertyItem(0x5100, value, 0), platform::PropertyNotFound);
    EXPECT_EQ(value, 99);
    EXPECT_EQ(b.GetDelay(0), 0);
    EXPECT_EQ(b.GetLoopCount(), 0);
    EXPECT_EQ(b.SaveAdd(nullptr), platform::InvalidParameter);
}

TEST(cBitmapTest, ResourcesAndThumbnails)
{
    cBitmap source;
    makeBitmap(source, 8, 8, pattern);
    std::vector<uint8_t> bytes;
    ASSERT_GT(source.SaveToByteArray(bytes, pngEncoder()), 0);
    cBitmap::RegisterResource(4711, bytes);

    cBitmap b;
    EXPECT_NE(b.CreateFromResource(4712), platform::Ok);
    ASSERT_EQ(b.CreateFromResource(4711), platform::Ok);
    EXPECT_EQ(b.Width(), 8);
    EXPECT_EQ(px(b, 3, 5) & 0x00FFFFFFu, pattern(3, 5) & 0x00FFFFFFu);

    ASSERT_EQ(b.CreateThumbFromImage(4, 4, source.Handle()), platform::Ok);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.PixelFormat(), kFormat32bppARGB);
    EXPECT_EQ(b.CreateThumbFromImage(4, 4, nullptr), platform::InvalidParameter);
}

// The current page of the file holds exactly the bitmap's pixels (alpha only
// when the bitmap has it).
void expectPage(TIFF* tif, cBitmap& expected)
{
    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    ASSERT_EQ(width, static_cast<uint32_t>(expected.Width()));
    ASSERT_EQ(height, static_cast<uint32_t>(expected.Height()));
    const uint32_t samples = expected.PixelFormat() == kFormat32bppARGB ? 4 : 3;
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tif)));
    ASSERT_EQ(row.size(), width * samples);
    for (uint32_t y = 0; y < height; ++y) {
        ASSERT_EQ(TIFFReadScanline(tif, row.data(), y, 0), 1);
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* s = &row[x * samples];
            const uint32_t alpha = samples == 4 ? s[3] : 0xFF;
            ASSERT_EQ(alpha << 24 | s[0] << 16 | s[1] << 8 | s[2], px(expected, x, y)) << x << "," << y;
        }
    }
}

TEST(cBitmapTest, MultiPageTiffReplacesTheTargetWhenFlushedAndRefusesCallsOutOfOrder)
{
    const auto folder = std::filesystem::temp_directory_path() / ("kalvora-pages-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string target = (folder / "pages.tif").string();
    std::ofstream(target) << "old";
    const auto files = [&] { return std::distance(std::filesystem::directory_iterator(folder), {}); };
    cBitmap a, b, firstPage;
    makeBitmap(a, 5, 4, patternWithAlpha);
    makeBitmap(b, 3, 6, pattern, kFormat24bppRGB);
    ASSERT_EQ(firstPage.CreateFromClone(5, 4, a.Handle(), kFormat32bppARGB), platform::Ok);
    const platform::EncoderParameters multiFrame{-1, 18}, nextPage{-1, 23}, flush{-1, 20};
    const platform::EncoderClsid tiff = platform::kTiffEncoderClsid;

    EXPECT_EQ(a.SaveAdd(&nextPage), platform::WrongState);
    EXPECT_EQ(a.SaveToFile(target, pngEncoder(), &multiFrame), platform::InvalidParameter);
    {
        cBitmap unfinished;
        makeBitmap(unfinished, 2, 2, pattern);
        ASSERT_EQ(unfinished.SaveToFile(target, tiff, &multiFrame), platform::Ok);
        EXPECT_EQ(files(), 2);
    }
    EXPECT_EQ(files(), 1);

    ASSERT_EQ(a.SaveToFile(target, tiff, &multiFrame), platform::Ok);
    EXPECT_EQ(a.SaveToFile(target, tiff, &multiFrame), platform::WrongState);
    EXPECT_EQ(a.SaveAddImage(nullptr, &nextPage), platform::InvalidParameter);
    EXPECT_EQ(a.SaveAddImage(b.Handle(), &flush), platform::InvalidParameter);
    ASSERT_EQ(a.SaveAddImage(b.Handle(), &nextPage), platform::Ok);
    ASSERT_EQ(a.RotateFlip(platform::RotateFlipType::Rotate90FlipNone), platform::Ok);
    ASSERT_EQ(a.SaveAdd(&nextPage), platform::Ok);  // the bitmap's pixels as they are now
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(target).rdbuf()), {}), "old");
    ASSERT_EQ(a.SaveAdd(&flush), platform::Ok);
    EXPECT_EQ(a.SaveAdd(&flush), platform::WrongState);

    TIFF* tif = TIFFOpen(target.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    EXPECT_EQ(TIFFNumberOfDirectories(tif), 3);
    for (cBitmap* page : {&firstPage, &b, &a}) {
        expectPage(tif, *page);
        TIFFReadDirectory(tif);
    }
    TIFFClose(tif);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kalvora
