#pragma once

#include <cstdint>

#include "platform/Image.h"

namespace kalvora {

struct ScreenPoint {
    int32_t left = 0;
    int32_t top = 0;
};

// Where an editor's tool dialog opens, in pixels: level with the editor's top,
// to the editor's right when the screen has room for it there, otherwise
// flush with the screen's right edge. The rectangles are frame geometries.
ScreenPoint toolDialogPlacement(int32_t screenWidth, const platform::PixelRect& editor,
                                const platform::PixelRect& dialog);

}  // namespace kalvora
