#include "engine/LayoutPixelSizes.h"

#include "engine/BrickSettings.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

int32_t pixels(float percent, double reference, double divisor)
{
    const int32_t r = platform::roundToInt32(static_cast<double>(percent) * reference / divisor);
    return platform::clampInt(r, -LayoutPixelSizes::kLargestSize, LayoutPixelSizes::kLargestSize);
}

}  // namespace

LayoutPixelSizes LayoutPixelSizes::compute(const BrickSettings& project)
{
    const double w = project.Width;
    const double h = project.Height;
    LayoutPixelSizes s;
    s.MinWidthPx = pixels(project.MinWidth, w, 100.0);
    s.MaxWidthPx = pixels(project.MaxWidth, w, 100.0);
    s.MinHeightPx = pixels(project.MinHeight, h, 100.0);
    s.MaxHeightPx = pixels(project.MaxHeight, h, 100.0);
    s.BorderSizePx = pixels(project.BorderSize, s.MinHeightPx, 200.0);
    s.RoundedBorderPx = pixels(project.RoundedBorder, s.MinHeightPx, 200.0);
    s.NoiseStrengthPx = pixels(project.NoiseStrength, s.MinHeightPx, 100.0);
    s.BlendBordersPx = pixels(project.BlendBorders, w, 100.0);
    s.AntiAliasPx = pixels(project.AntiAlias, s.BorderSizePx, 100.0);
    return s;
}

void LayoutPixelSizes::raiseBrickSizesToUsable()
{
    if (MinWidthPx < 2) MinWidthPx = 2;
    if (MaxWidthPx < 2) MaxWidthPx = 2;
    if (MinHeightPx < 2) MinHeightPx = 2;
    if (MaxHeightPx < 2) MaxHeightPx = 2;
}

}  // namespace kalvora
