#include <gtest/gtest.h>

#include "uicore/ResizeRules.h"

namespace kalvora {
namespace {

using namespace ResizeRules;

TEST(ResizeRules, BoxesAreValidatedByTheirKind)
{
    EXPECT_EQ(validPixels(std::nullopt), 1.0);
    EXPECT_EQ(validPixels(12.5), 12.0);
    EXPECT_EQ(validPixels(13.5), 14.0);
    EXPECT_EQ(validPixels(0.2), 1.0);
    EXPECT_EQ(validPixels(-5), 1.0);
    EXPECT_EQ(validPixels(3e9), std::nullopt);
    EXPECT_EQ(validPercent(std::nullopt), 100.0);
    EXPECT_EQ(validPercent(-1), 1.0);
    EXPECT_EQ(validRatio(std::nullopt), 1.0);
    EXPECT_EQ(validRatio(0.000001), 1.0);
    EXPECT_EQ(validRatio(1.333333333), 1.33333);
    EXPECT_EQ(validRatio(0.125005), 0.125);
}

TEST(ResizeRules, OneBoxGivesAnotherRoundedOrNothingBeyondThirtyTwoBits)
{
    EXPECT_EQ(percentOf(300, 640), 47.0);
    EXPECT_EQ(pixelsOf(640, 50), 320.0);
    EXPECT_EQ(heightFor(320, 640.0 / 480.0), 240.0);
    EXPECT_EQ(widthFor(240, 2), 480.0);
    EXPECT_EQ(ratioOf(300, 480), 0.625);
    EXPECT_EQ(pixelsOf(640, 1e9), std::nullopt);
    EXPECT_EQ(heightFor(1, 1e-12), std::nullopt);
    EXPECT_EQ(wholeText(320), "320");
    EXPECT_EQ(decimalText(640.0 / 480.0), "1.3333333333333333");
    EXPECT_EQ(decimalText(0.625), "0.625");
    EXPECT_EQ(decimalText(2), "2");
    EXPECT_EQ(failedText("100000", "480"), "Could not resize the image to 100000 x 480 pixels.");
}

}  // namespace
}  // namespace kalvora
