#include <gtest/gtest.h>

#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "uicore/FilterInputImage.h"

namespace kalvora {
namespace {

uint32_t pixel(cBitmap& image, int32_t x, int32_t y) { return static_cast<uint32_t>(image.GetPixelARGB(x, y)); }

TEST(FilterInputImage, TransparentPixelsBecomeTransparentWhiteAndTheOthersKeepTheirColour)
{
    cBitmap image;
    ASSERT_EQ(image.CreateFromScan0(4, 2, 0, platform::kFormat32bppARGB), platform::Ok);
    const uint32_t pixels[] = {0x00123456u, 0x01123456u, 0x80ABCDEFu, 0xFF000000u,
                               0x00000000u, 0xFE010203u, 0x00FFFFFFu, 0x7F7F7F7Fu};
    for (int i = 0; i < 8; ++i) image.Handle()->setPixel(i % 4, i / 4, pixels[i]);
    ASSERT_EQ(convertToFilterInput(image), platform::Ok);
    EXPECT_EQ(image.PixelFormat(), platform::kFormat32bppARGB);
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Height(), 2);
    for (int i = 0; i < 8; ++i) {
        const uint32_t expected = (pixels[i] >> 24) == 0 ? 0x00FFFFFFu : pixels[i];
        EXPECT_EQ(pixel(image, i % 4, i / 4), expected) << i;
    }
}

TEST(FilterInputImage, ImagesWithoutAlphaBecomeOpaqueArgbAndNoImageStaysNone)
{
    cBitmap image;
    ASSERT_EQ(image.CreateFromScan0(3, 3, 0, platform::kFormat24bppRGB), platform::Ok);
    image.Handle()->setPixel(1, 2, 0xFF102030u);
    image.gdip = std::make_shared<cGDIP>();
    const auto session = image.gdip;
    ASSERT_EQ(convertToFilterInput(image), platform::Ok);
    EXPECT_EQ(image.PixelFormat(), platform::kFormat32bppARGB);
    EXPECT_EQ(pixel(image, 1, 2), 0xFF102030u);
    // The blank pixels of a picture without alpha are opaque black, not transparent.
    EXPECT_EQ(pixel(image, 0, 0), 0xFF000000u);
    EXPECT_EQ(image.gdip, session);

    cBitmap none;
    EXPECT_NE(convertToFilterInput(none), platform::Ok);
    EXPECT_EQ(none.Handle(), nullptr);
}

}  // namespace
}  // namespace kalvora
