#include <gtest/gtest.h>

#include "uicore/ToolDialogPlacement.h"

namespace kalvora {
namespace {

TEST(ToolDialogPlacement, RightOfTheEditorWhenThereIsRoomElseAtTheScreensEdge)
{
    const platform::PixelRect dialog{0, 0, 300, 200};
    ScreenPoint p = toolDialogPlacement(1024, platform::PixelRect{600, 37, 400, 500}, dialog);
    EXPECT_EQ(p.left, 724);
    EXPECT_EQ(p.top, 37);
    p = toolDialogPlacement(1024, platform::PixelRect{100, 37, 400, 500}, dialog);
    EXPECT_EQ(p.left, 500);
    // Exactly enough room still goes to the right.
    p = toolDialogPlacement(1024, platform::PixelRect{324, 0, 400, 500}, dialog);
    EXPECT_EQ(p.left, 724);
}

}  // namespace
}  // namespace kalvora
