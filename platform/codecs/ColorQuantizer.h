#pragma once

#include <cstdint>
#include <vector>

#include "platform/Image.h"

namespace kalvora::platform {

// An image reduced to at most 256 palette colours, one index per pixel.
struct IndexedImage {
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    int transparentIndex = -1;      // palette slot of fully transparent pixels, or -1
    std::vector<uint8_t> indices;   // width * height, rows top-down
};

// Reduces an image to a palette for formats limited to 256 colours. Fully
// transparent pixels (alpha 0) share one transparent slot; other pixels keep
// their colour and lose their alpha. An image with few enough colours is
// mapped exactly; otherwise the most frequent colours of a 5-5-5 histogram
// become the palette and every pixel takes the nearest of them.
class ColorQuantizer {
public:
    static Status quantize(const Image& image, IndexedImage& out);
};

}  // namespace kalvora::platform
