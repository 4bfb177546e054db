#include <gtest/gtest.h>

#include "uicore/PreviewFit.h"

namespace kalvora {
namespace {

void expectRect(PreviewRect r, int32_t x, int32_t y, int32_t w, int32_t h)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

TEST(PreviewFit, SmallImagesKeepTheirSizeLargeOnesTouchTheLimitingSide)
{
    expectRect(fitPreview(100, 50, 129, 129), 14, 39, 100, 50);
    // 129 / 2 = 64.5 rounds to the even 64.
    expectRect(fitPreview(400, 200, 129, 129), 0, 32, 129, 64);
    expectRect(fitPreview(50, 400, 129, 129), 56, 0, 16, 129);
    expectRect(fitPreview(4096, 4096, 129, 129), 0, 0, 129, 129);
    expectRect(fitPreview(0, 0, 129, 129), 0, 0, 0, 0);
    expectRect(fitPreview(10, 0, 129, 129), 0, 0, 0, 0);
    EXPECT_EQ(twipsToPixels(1935, 96), 129);
    EXPECT_EQ(twipsToPixels(1935, 120), 161);
}

}  // namespace
}  // namespace kalvora
