#include <gtest/gtest.h>

#include <cstring>

#include "platform/Image.h"
#include "platform/ImageLimits.h"
#include "platform/LargeBlockReleaser.h"

using namespace kalvora::platform;

namespace {

std::unique_ptr<Image> makeImage(int w, int h, PixelFormatId f)
{
    std::unique_ptr<Image> img;
    EXPECT_EQ(Image::create(w, h, f, img), Ok);
    return img;
}

}  // namespace

TEST(Image, CreateRejectsBadSizesAndHonoursTheCap)
{
    std::unique_ptr<Image> img;
    EXPECT_EQ(Image::create(0, 5, kFormat32bppARGB, img), InvalidParameter);
    EXPECT_EQ(Image::create(5, -1, kFormat32bppARGB, img), InvalidParameter);
    ImageLimits::set(64, 64 * 64 * 4);
    EXPECT_EQ(Image::create(65, 1, kFormat32bppARGB, img), OutOfMemory);
    EXPECT_EQ(Image::create(64, 64, kFormat32bppARGB, img), Ok);
    EXPECT_EQ(Image::create(64, 64, kFormat24bppRGB, img), Ok);
    ImageLimits::reset();
    EXPECT_EQ(Image::create(70000, 1, kFormat32bppARGB, img), OutOfMemory);
}

TEST(Image, BlankImagesAndFormatConversions)
{
    auto argb = makeImage(3, 2, kFormat32bppARGB);
    uint32_t px = 1;
    ASSERT_EQ(argb->getPixel(2, 1, px), Ok);
    EXPECT_EQ(px, 0u);
    EXPECT_EQ(argb->getPixel(3, 0, px), InvalidParameter);
    ASSERT_EQ(argb->setPixel(1, 1, 0x80102030u), Ok);

    std::unique_ptr<Image> rgb;
    ASSERT_EQ(argb->cloneArea(3, 2, kFormat24bppRGB, rgb), Ok);
    EXPECT_EQ(rgb->pixelArgb(1, 1), 0xFF102030u);  // alpha dropped, colour kept
    EXPECT_EQ(rgb->stride(), 12);                  // rows padded to four bytes

    std::unique_ptr<Image> back;
    ASSERT_EQ(rgb->cloneArea(2, 2, kFormat32bppARGB, back), Ok);
    EXPECT_EQ(back->width(), 2);
    EXPECT_EQ(back->pixelArgb(0, 0), 0xFF000000u);
    EXPECT_EQ(rgb->cloneArea(4, 2, kFormat32bppARGB, back), InvalidParameter);
}

TEST(Image, CopyingPixelsIntoAnImageOfTheSameSize)
{
    auto target = makeImage(300, 200, kFormat32bppARGB);
    auto argb = makeImage(300, 200, kFormat32bppARGB);
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 300; ++x) argb->setPixel(x, y, uint32_t(x * 7 + y * 1031) | 0x40000000u);
    const uint8_t* pixels = target->data();
    ASSERT_EQ(target->copyPixelsFrom(*argb), Ok);
    EXPECT_EQ(target->data(), pixels);
    EXPECT_EQ(target->format(), kFormat32bppARGB);
    EXPECT_EQ(std::memcmp(target->data(), argb->data(), static_cast<size_t>(argb->byteSize())), 0);

    // Into another format: converted as a clone would be.
    auto rgb = makeImage(300, 200, kFormat24bppRGB);
    ASSERT_EQ(rgb->copyPixelsFrom(*argb), Ok);
    std::unique_ptr<Image> cloned;
    ASSERT_EQ(argb->cloneArea(300, 200, kFormat24bppRGB, cloned), Ok);
    EXPECT_EQ(std::memcmp(rgb->data(), cloned->data(), static_cast<size_t>(rgb->byteSize())), 0);

    // An area of more than 8 MiB, its rows starting and ending off the
    // 16-byte grid: copied exactly, the rest left as it was.
    auto large = makeImage(2100, 1100, kFormat32bppARGB);
    auto into = makeImage(2100, 1100, kFormat32bppARGB);
    for (int32_t y = 0; y < 1100; ++y)
        for (int32_t x = 0; x < 2100; ++x) {
            large->setPixel(x, y, uint32_t(x * 13 + y * 7919));
            into->setPixel(x, y, 0x12345678u);
        }
    ASSERT_EQ(into->copyPixelsFrom(*large, {3, 5, 2095, 1090}), Ok);
    for (int32_t y = 0; y < 1100; ++y)
        for (int32_t x = 0; x < 2100; ++x) {
            const bool inside = x >= 3 && x < 2098 && y >= 5 && y < 1095;
            ASSERT_EQ(into->pixelArgb(x, y), inside ? large->pixelArgb(x, y) : 0x12345678u) << x << "," << y;
        }

    auto other = makeImage(300, 201, kFormat32bppARGB);
    EXPECT_EQ(target->copyPixelsFrom(*other), InvalidParameter);
    LockedBits bits;
    ASSERT_EQ(target->lockBits({0, 0, 1, 1}, LockRead, bits), Ok);
    EXPECT_EQ(target->copyPixelsFrom(*argb), WrongState);
    EXPECT_EQ(target->reshape(10, 10, kFormat32bppARGB), WrongState);
    ASSERT_EQ(target->unlockBits(bits), Ok);

    // Touched memory keeps its pixels; another shape within the memory held
    // keeps the memory, a larger one changes nothing.
    target->touchMemory(-5, target->capacity() + 4096);
    EXPECT_EQ(std::memcmp(target->data(), argb->data(), static_cast<size_t>(argb->byteSize())), 0);
    EXPECT_EQ(target->capacity(), 300 * 4 * 200);
    ASSERT_EQ(target->reshape(399, 200, kFormat24bppRGB), Ok);
    EXPECT_EQ(target->data(), pixels);
    EXPECT_EQ(target->stride(), 1200);
    EXPECT_EQ(target->format(), kFormat24bppRGB);
    ASSERT_EQ(target->copyPixelsFrom(*makeImage(399, 200, kFormat24bppRGB)), Ok);
    EXPECT_EQ(target->reshape(401, 200, kFormat24bppRGB), OutOfMemory);
    EXPECT_EQ(target->width(), 399);
    EXPECT_EQ(target->reshape(0, 200, kFormat24bppRGB), InvalidParameter);
}

TEST(Image, LargeImagesAreFreedOnAThreadOfTheirOwn)
{
    // Dropped large images are freed in the order they came; a wait returns
    // once all are, and new images come zeroed as before.
    for (int i = 0; i < 3; ++i) makeImage(4096, 4096, kFormat32bppARGB)->setPixel(4095, 4095, 0xFFFFFFFFu);
    LargeBlockReleaser::waitUntilReleased();
    LargeBlockReleaser::waitUntilReleased();
    EXPECT_EQ(makeImage(4096, 4096, kFormat32bppARGB)->pixelArgb(4095, 4095), 0u);
}

TEST(Image, WriteLockConvertsBackToTheOwnFormat)
{
    auto rgb = makeImage(4, 4, kFormat24bppRGB);
    rgb->setPixel(2, 2, 0xFF445566u);
    LockedBits bits;
    ASSERT_EQ(rgb->lockBits({1, 1, 2, 2}, LockRead | LockWrite, bits), Ok);
    LockedBits second;
    EXPECT_EQ(rgb->lockBits({0, 0, 1, 1}, LockRead, second), WrongState);
    uint8_t* p = bits.scan0 + bits.stride * 1 + 4;  // pixel (2, 2)
    EXPECT_EQ(p[0], 0x66);
    EXPECT_EQ(p[3], 0xFF);
    p[0] = 0x11;
    ASSERT_EQ(rgb->unlockBits(bits), Ok);
    EXPECT_EQ(rgb->pixelArgb(2, 2), 0xFF445511u);
    EXPECT_EQ(rgb->lockBits({3, 3, 2, 2}, LockRead, bits), InvalidParameter);
}

TEST(Image, RotateFlipTypesMapPixelsAndSizes)
{
    // 3 x 2 image with distinct pixels; value = x + 10 y.
    auto img = makeImage(3, 2, kFormat32bppARGB);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) img->setPixel(x, y, uint32_t(x + 10 * y));

    struct Case {
        RotateFlipType type;
        int w, h;
        uint32_t topLeft, topRight;
    };
    const Case cases[] = {
        {RotateFlipType::Rotate90FlipNone, 2, 3, 10, 0},  // the bottom-left pixel comes to the top-left
        {RotateFlipType::Rotate180FlipNone, 3, 2, 12, 10}, {RotateFlipType::Rotate270FlipNone, 2, 3, 2, 12},
        {RotateFlipType::RotateNoneFlipX, 3, 2, 2, 0},     {RotateFlipType::Rotate90FlipX, 2, 3, 0, 10},
        {RotateFlipType::Rotate180FlipX, 3, 2, 10, 12},    {RotateFlipType::Rotate270FlipX, 2, 3, 12, 2},
    };
    for (const Case& c : cases) {
        std::unique_ptr<Image> copy;
        ASSERT_EQ(img->clone(copy), Ok);
        ASSERT_EQ(copy->rotateFlip(c.type), Ok);
        EXPECT_EQ(copy->width(), c.w) << int(c.type);
        EXPECT_EQ(copy->height(), c.h) << int(c.type);
        EXPECT_EQ(copy->pixelArgb(0, 0), c.topLeft) << int(c.type);
        EXPECT_EQ(copy->pixelArgb(c.w - 1, 0), c.topRight) << int(c.type);
    }
    EXPECT_EQ(img->rotateFlip(static_cast<RotateFlipType>(8)), InvalidParameter);
}
