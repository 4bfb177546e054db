#include <gtest/gtest.h>

#include "uicore/TextureFilterArguments.h"

namespace kalvora {
namespace {

using TextureFilterArguments::seamlessOverlap;
using TextureFilterArguments::transparentBorder;

TEST(TextureFilterArguments, BorderIsAShareOfTheSmallerSideAndStrengthAndBlendSharesOfTheBorder)
{
    TransparentBorderArguments a = transparentBorder(200, 200, 10, 50, 50.0f, 100.0f, 25.0f);
    EXPECT_EQ(a.BorderSize, 20);
    // 50 x 161 / 200 = 40.25.
    EXPECT_EQ(a.RoundedEdgeSize, 40);
    EXPECT_EQ(a.NoiseStrength, 10);
    EXPECT_EQ(a.AntiAlias, 5);
    EXPECT_EQ(a.NoiseLength, 1.0f);

    EXPECT_EQ(transparentBorder(200, 200, 10, 50, 50.0f, 0.0f, 25.0f).NoiseLength, 200.0f);
    EXPECT_EQ(transparentBorder(200, 200, 10, 50, 50.0f, 50.0f, 25.0f).NoiseLength, 100.5f);

    // Halves to even: 20.5 gives 20, 21.5 gives 22.
    EXPECT_EQ(transparentBorder(205, 300, 10, 0, 0.0f, 0.0f, 0.0f).BorderSize, 20);
    EXPECT_EQ(transparentBorder(400, 215, 10, 0, 0.0f, 0.0f, 0.0f).BorderSize, 22);

    // The border from the height, the noise cell from the width.
    a = transparentBorder(300, 100, 10, 0, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(a.BorderSize, 10);
    EXPECT_EQ(a.NoiseLength, 300.0f);

    // Without a border, strength and blend are 0 whatever their percentages.
    a = transparentBorder(200, 200, 0, 50, 100.0f, 10.0f, 100.0f);
    EXPECT_EQ(a.NoiseStrength, 0);
    EXPECT_EQ(a.AntiAlias, 0);
    EXPECT_EQ(a.RoundedEdgeSize, 50);

    // Strength and blend keep the percentages' decimals: 12.5 % of 20 is 2.5.
    a = transparentBorder(200, 200, 10, 0, 12.5f, 0.0f, 17.5f);
    EXPECT_EQ(a.NoiseStrength, 2);
    EXPECT_EQ(a.AntiAlias, 4);

    // A border above half the smaller side gives a negative rounded-edge
    // size, passed on as it is: 100 x (100 - 120 + 1) / 200 = -9.5.
    EXPECT_EQ(transparentBorder(100, 100, 60, 100, 0.0f, 0.0f, 0.0f).RoundedEdgeSize, -10);
}

TEST(TextureFilterArguments, SeamlessOverlapIsAShareOfTheWidth)
{
    EXPECT_EQ(seamlessOverlap(10, 300), 30);
    EXPECT_EQ(seamlessOverlap(10, 205), 20);
    EXPECT_EQ(seamlessOverlap(10, 215), 22);
    EXPECT_EQ(seamlessOverlap(1, 20), 0);
    EXPECT_EQ(seamlessOverlap(100, 64), 64);
}

}  // namespace
}  // namespace kalvora
