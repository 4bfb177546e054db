#pragma once

#include <cstdint>
#include <string>

namespace kalvora {

// The thirty settings of a project, in their fixed order: the order of the
// project file and of every copy between the controls and the project.
// Plain data: nothing here checks a range. A new value is all zeros, false
// and empty texts; BrickDefaults holds the values of a reset project.
struct BrickSettings {
    int32_t Width = 0;
    int32_t Height = 0;
    bool MaintainAspectRatio = false;
    int32_t PreviewWidth = 0;
    int32_t PreviewHeight = 0;
    uint8_t PreviewQuality = 0;
    std::string Name;
    std::string Description;
    int32_t RowOffset = 0;
    int32_t RandomSeed = 0;
    bool RandomBrickDistribution = false;
    float MinWidth = 0.0f;
    float MaxWidth = 0.0f;
    float MinHeight = 0.0f;
    float MaxHeight = 0.0f;
    float BorderSize = 0.0f;
    float RoundedBorder = 0.0f;
    float NoiseStrength = 0.0f;
    float NoiseFrequency = 0.0f;
    float AntiAlias = 0.0f;
    bool FlipH = false;
    bool FlipV = false;
    float ChangeHue = 0.0f;
    float ChangeSaturation = 0.0f;
    float ChangeLuminance = 0.0f;
    int32_t RepeatX = 0;
    int32_t RepeatY = 0;
    bool SeamlessH = false;
    bool SeamlessV = false;
    float BlendBorders = 0.0f;

    bool operator==(const BrickSettings&) const = default;
};

}  // namespace kalvora
