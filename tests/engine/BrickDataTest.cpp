#include <gtest/gtest.h>

#include "BrickTestSupport.h"
#include "engine/BrickDefaults.h"
#include "engine/cBrickData.h"

using namespace kalvora;
using kalvora::testing::makeImage;

TEST(BrickDataTest, NewProjectIsZeroAndResetGivesTheDefaults)
{
    cBrickData p;
    EXPECT_TRUE(p.settings() == BrickSettings{});
    EXPECT_EQ(p.BrickFiles->Count(), 0);
    EXPECT_EQ(p.MortarFile->Bitmap.Handle(), nullptr);

    p.BrickFiles->Add(makeImage(2, 2, 1, "/a.png"));
    p.MortarFile = makeImage(2, 2, 2, "/m.png");
    BrickDefaults::reset(p);
    EXPECT_EQ(p.BrickFiles->Count(), 0);
    EXPECT_EQ(p.MortarFile->Bitmap.Handle(), nullptr);
    EXPECT_EQ(p.MortarFile->FileName, "");
    // Every value is also pinned by the saved bytes in BrickFileTest.
    EXPECT_TRUE(p.settings() == BrickDefaults::settings());
    EXPECT_EQ(p.Width, 1024);
    EXPECT_EQ(p.PreviewHeight, 512);
    EXPECT_EQ(p.Name, "Untitled");
    EXPECT_EQ(p.RandomSeed, 1);
    EXPECT_EQ(p.MaxHeight, 25.0f);
    EXPECT_TRUE(p.FlipH);
    EXPECT_EQ(p.RepeatY, 1);
}
