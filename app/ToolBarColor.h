#pragma once

#include <cstdint>

class QToolBar;

// Paints a toolbar's background in one fixed colour, whatever the style or
// palette.
namespace kalvora::ToolBarColor {

// Color is a platform colour 0x00BBGGRR; a negative value names a system
// colour and takes the palette's button colour. With Force not 0 the colour
// is applied once per toolbar: a later call changes nothing.
void SetToolbarBackColor(QToolBar* Toolbar, int32_t Color, int32_t Force);

}  // namespace kalvora::ToolBarColor
