#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

#include "engine/BrickSettings.h"

namespace kalvora {

// Which panel holds a setting's controls.
enum class SettingPanel { Output, Settings };

// How a setting is shown:
// - SliderWithText: a slider holding the value, its text box showing it
//   with 0 decimals;
// - Check: a check box, ticked for true;
// - List: a drop-down list whose index is the value;
// - Text: a text box holding the text;
// - PercentWithPixels: a percent text box (the value, 2 decimals), its
//   slider (the value x 100) and a pixel box (the percentage of a reference
//   size);
// - Percent: a percent text box and its slider, without pixels.
enum class SettingControl { SliderWithText, Check, List, Text, PercentWithPixels, Percent };

// The size a pixel box shows its percentage of.
enum class PixelReference {
    None,
    OutputWidth,
    OutputHeight,
    // M: MinHeight x Height / 100, rounded half to even.
    SmallestBrick,
    // M \ 2.
    HalfSmallestBrick,
    // The border's pixel box (just written) \ 2.
    HalfBorderPixels,
};

using SettingMember = std::variant<int32_t BrickSettings::*, uint8_t BrickSettings::*, bool BrickSettings::*,
                                   float BrickSettings::*, std::string BrickSettings::*>;

// One row of the copy between the controls and the project. `control` names
// the control read for the value (the slider, check box, list or the text
// box of a percentage); `slider`, `text` and `pixels` name the others.
struct SettingRow {
    const char* field;
    SettingMember member;
    SettingPanel panel;
    SettingControl kind;
    const char* control;
    const char* slider;
    const char* text;
    const char* pixels;
    PixelReference reference;
};

// The thirty settings in their fixed order.
const std::array<SettingRow, 30>& settingRows();

// The reference size in pixels of a pixel box, from the project's values and
// the border's pixel box.
int32_t pixelReference(PixelReference reference, const BrickSettings& settings, int32_t borderPixels);

// The brick files button: "N File(s) &Selected...".
std::string brickFilesCaption(int32_t count);
// The mortar file button: the file name shortened to 50 characters, or
// "&Select File..." without one.
std::string mortarFileCaption(const std::string& fileName);

}  // namespace kalvora
