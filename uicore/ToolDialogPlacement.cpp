#include "uicore/ToolDialogPlacement.h"

namespace kalvora {

ScreenPoint toolDialogPlacement(int32_t screenWidth, const platform::PixelRect& editor,
                                const platform::PixelRect& dialog)
{
    const int64_t roomRight = int64_t(screenWidth) - editor.width - editor.x;
    if (roomRight >= dialog.width) return {editor.x + editor.width, editor.y};
    return {screenWidth - dialog.width, editor.y};
}

}  // namespace kalvora
