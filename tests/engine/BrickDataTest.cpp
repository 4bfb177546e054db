#include <gtest/gtest.h>

#include "BrickTestSupport.h"
#include "engine/BrickDefaults.h"
#include "engine/cBrickData.h"

using namespace kalvora;
using kalvora::testing::makeImage;

TEST(BrickDataTest, NewProjectIsEmptyAndZero)
{
    cBrickData p;
    EXPECT_TRUE(p.settings() == BrickSettings{});
    EXPECT_EQ(p.Width, 0);
    EXPECT_FALSE(p.FlipH);
    EXPECT_EQ(p.Name, "");
    ASSERT_TRUE(p.BrickFiles);
    EXPECT_EQ(p.BrickFiles->Count(), 0);
    ASSERT_TRUE(p.MortarFile);
    EXPECT_EQ(p.MortarFile->Bitmap.Handle(), nullptr);
}

TEST(BrickDataTest, ResetGivesTheValuesOfANewProject)
{
    cBrickData p;
    p.BrickFiles->Add(makeImage(2, 2, 1, "/a.png"));
    p.MortarFile = makeImage(2, 2, 2, "/m.png");
    const auto mortar = p.MortarFile;
    BrickDefaults::reset(p);

    EXPECT_EQ(p.BrickFiles->Count(), 0);
    EXPECT_EQ(p.MortarFile->Bitmap.Handle(), nullptr);
    EXPECT_EQ(p.MortarFile->FileName, "");
    EXPECT_EQ(p.Width, 1024);
    EXPECT_EQ(p.Height, 1024);
    EXPECT_TRUE(p.MaintainAspectRatio);
    EXPECT_EQ(p.PreviewWidth, 512);
    EXPECT_EQ(p.PreviewHeight, 512);
    EXPECT_EQ(p.PreviewQuality, 0);
    EXPECT_EQ(p.Name, "Untitled");
    EXPECT_EQ(p.Description, "");
    EXPECT_EQ(p.RowOffset, 0);
    EXPECT_EQ(p.RandomSeed, 1);
    EXPECT_FALSE(p.RandomBrickDistribution);
    EXPECT_EQ(p.MinWidth, 10.0f);
    EXPECT_EQ(p.MaxWidth, 15.0f);
    EXPECT_EQ(p.MinHeight, 20.0f);
    EXPECT_EQ(p.MaxHeight, 25.0f);
    EXPECT_EQ(p.BorderSize, 5.0f);
    EXPECT_EQ(p.RoundedBorder, 5.0f);
    EXPECT_EQ(p.NoiseStrength, 0.0f);
    EXPECT_EQ(p.NoiseFrequency, 0.0f);
    EXPECT_EQ(p.AntiAlias, 0.0f);
    EXPECT_TRUE(p.FlipH);
    EXPECT_FALSE(p.FlipV);
    EXPECT_EQ(p.ChangeHue, 5.0f);
    EXPECT_EQ(p.ChangeSaturation, 5.0f);
    EXPECT_EQ(p.ChangeLuminance, 5.0f);
    EXPECT_EQ(p.RepeatX, 1);
    EXPECT_EQ(p.RepeatY, 1);
    EXPECT_FALSE(p.SeamlessH);
    EXPECT_FALSE(p.SeamlessV);
    EXPECT_EQ(p.BlendBorders, 0.0f);
    EXPECT_TRUE(p.settings() == BrickDefaults::settings());
}

TEST(BrickDataTest, AdoptKeepsTheListObjectAndTakesTheImages)
{
    cBrickData p;
    const auto list = p.BrickFiles;
    p.BrickFiles->Add(makeImage(1, 1, 1, "/old.png"));
    cBrickData loaded;
    BrickDefaults::reset(loaded);
    loaded.Name = "Loaded";
    const auto brick = makeImage(2, 1, 2, "/new.png");
    loaded.BrickFiles->Add(brick);
    const auto mortar = makeImage(1, 2, 3, "/mortar.png");
    loaded.MortarFile = mortar;

    p.adopt(loaded);
    EXPECT_EQ(p.BrickFiles, list);
    ASSERT_EQ(p.BrickFiles->Count(), 1);
    EXPECT_EQ(p.BrickFiles->GetInlineBitmap(1), brick);
    EXPECT_EQ(p.MortarFile, mortar);
    EXPECT_EQ(p.Name, "Loaded");
}
