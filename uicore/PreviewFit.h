#pragma once

#include <cstdint>

namespace kalvora {

// Where an image is drawn in a preview box: fitted without enlarging,
// centred.
struct PreviewRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// An image smaller than the box keeps its size; a larger one is scaled down
// until it touches the box on its limiting side. The ratios are taken in
// single precision, the scaled side rounded half to even, the offsets halved
// with truncation. An image without pixels gives an empty rectangle.
PreviewRect fitPreview(int32_t imageWidth, int32_t imageHeight, int32_t boxWidth, int32_t boxHeight);

// A length in twips (1/1440 inch) in pixels at the given logical DPI,
// rounded half to even.
int32_t twipsToPixels(double twips, double logicalDpi);

}  // namespace kalvora
