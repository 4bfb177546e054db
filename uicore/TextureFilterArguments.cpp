#include "uicore/TextureFilterArguments.h"

#include <algorithm>

#include "imaging/UISupport.h"
#include "platform/Numeric.h"

namespace kalvora::TextureFilterArguments {

namespace {

// A share in pixels: (percent x base) / 100, rounded half to even.
int32_t wholeShare(int32_t percent, int32_t base)
{
    return platform::roundToInt32(static_cast<double>(percent * base) / 100.0);
}

int32_t share(float percent, int32_t base)
{
    return platform::roundToInt32(static_cast<double>(percent) * base / 100.0);
}

}  // namespace

int32_t seamlessOverlap(int32_t blendPercent, int32_t width) { return wholeShare(blendPercent, width); }

TransparentBorderArguments transparentBorder(int32_t width, int32_t height, int32_t borderPercent,
                                             int32_t roundedPercent, float strengthPercent,
                                             float frequencyPercent, float blendPercent)
{
    const int32_t smaller = std::min(width, height);
    const int32_t larger = std::max(width, height);
    TransparentBorderArguments a;
    a.BorderSize = wholeShare(borderPercent, smaller);
    a.RoundedEdgeSize =
        platform::roundToInt32(static_cast<double>(roundedPercent * (smaller - 2 * a.BorderSize + 1)) / 200.0);
    a.NoiseLength = UISupport::MapRange(frequencyPercent, 0.0f, 100.0f, static_cast<float>(larger), 1.0f);
    a.NoiseStrength = share(strengthPercent, a.BorderSize);
    a.AntiAlias = share(blendPercent, a.BorderSize);
    return a;
}

}  // namespace kalvora::TextureFilterArguments
