#include "uicore/PreviewFit.h"

#include <algorithm>

#include "platform/Numeric.h"

namespace kalvora {

PreviewRect fitPreview(int32_t imageWidth, int32_t imageHeight, int32_t boxWidth, int32_t boxHeight)
{
    if (imageWidth < 1 || imageHeight < 1 || boxWidth < 1 || boxHeight < 1) return {};
    const float boxRatio = static_cast<float>(boxWidth) / static_cast<float>(boxHeight);
    const float imageRatio = static_cast<float>(imageWidth) / static_cast<float>(imageHeight);
    PreviewRect r;
    if (boxRatio >= imageRatio) {
        r.height = std::min(imageHeight, boxHeight);
        r.width = platform::roundToInt32(static_cast<double>(imageRatio) * r.height);
    } else {
        r.width = std::min(imageWidth, boxWidth);
        r.height = platform::roundToInt32(r.width / static_cast<double>(imageRatio));
    }
    r.x = (boxWidth - r.width) / 2;
    r.y = (boxHeight - r.height) / 2;
    return r;
}

int32_t twipsToPixels(double twips, double logicalDpi)
{
    return platform::roundToInt32(twips / (1440.0 / logicalDpi));
}

}  // namespace kalvora
