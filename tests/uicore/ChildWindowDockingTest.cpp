#include <gtest/gtest.h>

#include "uicore/ChildWindowDocking.h"

namespace kalvora {
namespace {

using Placement = ChildWindowDocking::Placement;

void expectTwips(const Placement& p, int32_t left, int32_t top, int32_t width, int32_t height)
{
    EXPECT_EQ(p.Left, left);
    EXPECT_EQ(p.Top, top);
    EXPECT_EQ(p.Width, width);
    EXPECT_EQ(p.Height, height);
}

TEST(ChildWindowDocking, ClientAreaOf20000By12000Twips)
{
    const ChildWindowDocking docking(96);
    const ChildWindowDocking::Children c = docking.ArrangeChildWindows(20000, 12000);
    expectTwips(c.settingsPanel, 0, 8760, 20000, 3240);
    expectTwips(c.outputPanel, 16655, 0, 3345, 8760);
    expectTwips(c.preview, 0, 0, 16655, 8760);
    // At 96 DPI a pixel is 15 twips, rounded half to even.
    EXPECT_EQ(c.settingsPanel.y, 584);
    EXPECT_EQ(c.settingsPanel.height, 216);
    EXPECT_EQ(c.settingsPanel.width, 1333);
    EXPECT_EQ(c.outputPanel.x, 1110);
    EXPECT_EQ(c.outputPanel.width, 223);
    EXPECT_EQ(c.preview.width, 1110);
}

TEST(ChildWindowDocking, MinimumSizesReachBeyondTheClientArea)
{
    const ChildWindowDocking docking(96);
    // Narrow: the settings panel keeps its minimum width, the preview none.
    ChildWindowDocking::Children c = docking.ArrangeChildWindows(9000, 12000);
    expectTwips(c.settingsPanel, 0, 8760, 11385, 3240);
    expectTwips(c.outputPanel, 5655, 0, 3345, 8760);
    expectTwips(c.preview, 0, 0, 5655, 8760);

    // Low: the output panel keeps its minimum height and overlaps the
    // settings panel by 640 twips.
    c = docking.ArrangeChildWindows(20000, 6000);
    expectTwips(c.settingsPanel, 0, 2760, 20000, 3240);
    expectTwips(c.outputPanel, 16655, 0, 3345, 3400);
    EXPECT_EQ(c.outputPanel.height, 227);
    EXPECT_EQ(c.outputPanel.Top + c.outputPanel.Height - c.settingsPanel.Top, 640);

    // Narrower than the output panel and lower than the settings panel: the
    // preview gets no size, never a negative one.
    c = docking.ArrangeChildWindows(2000, 1000);
    expectTwips(c.preview, 0, 0, 0, 0);
    EXPECT_EQ(c.outputPanel.Left, -1345);
    EXPECT_EQ(c.settingsPanel.Top, -2240);
}

TEST(ChildWindowDocking, SizesAreReadBackInWholePixels)
{
    // At 120 DPI a pixel is 12 twips: 3345 twips become 279 pixels, which
    // read back as 3348 twips, and the output panel and the preview use that.
    const ChildWindowDocking docking(120);
    EXPECT_EQ(docking.toPixels(3345), 279);
    EXPECT_EQ(docking.toTwips(279), 3348);
    const ChildWindowDocking::Children c = docking.ArrangeChildWindows(20000, 12000);
    expectTwips(c.outputPanel, 16652, 0, 3345, 8760);
    expectTwips(c.preview, 0, 0, 16652, 8760);

    // Halves go to even, both ways: at 144 DPI a pixel is 10 twips, at 192
    // DPI 7.5 twips.
    EXPECT_EQ(ChildWindowDocking(96).toPixels(3400), 227);
    EXPECT_EQ(ChildWindowDocking(144).toPixels(25), 2);
    EXPECT_EQ(ChildWindowDocking(144).toPixels(35), 4);
    EXPECT_EQ(ChildWindowDocking(192).toTwips(1), 8);
    EXPECT_EQ(ChildWindowDocking(192).toTwips(3), 22);
}

}  // namespace
}  // namespace kalvora
