#pragma once

#include <cstdint>

#include "platform/Image.h"

namespace kalvora::platform {

// Source-over compositing of straight (non-premultiplied) alpha in exact
// integer arithmetic. Over a destination of alpha 0 the source lands exactly
// (colour included, whatever its alpha), a source pixel with alpha 255
// replaces the destination, alpha 0 leaves any other destination unchanged;
// otherwise the result is rounded half to even.
class Compositor {
public:
    // One pixel, both four bytes B, G, R, A.
    static void blendPixel(uint8_t* dst, const uint8_t* src);

    // count pixels of src over count pixels of dst, both B, G, R, A.
    static void blendRow(uint8_t* dst, const uint8_t* src, int32_t count);

    // count pixels of src (B, G, R, A) over the pixels starting at (x, y) of
    // the target in its own format; formats without alpha count as opaque.
    // scratch holds 4 * count bytes for the formats that need converting.
    static void blendIntoImage(Image& target, int32_t x, int32_t y, const uint8_t* src,
                               int32_t count, uint8_t* scratch);

    // count pixels B, G, R, A drawn over black into count pixels B, G, R:
    // each colour times alpha / 255, rounded to nearest (never half way).
    static void flattenOverBlack(const uint8_t* src, uint8_t* dst, int32_t count);

    // Fills every pixel of the image with the colour, alpha included where the
    // format keeps it.
    static void fill(Image& target, uint32_t argb);

private:
    // One pixel of blendRow: an opaque source is copied, any other blended.
    static void blendOne(uint8_t* dst, const uint8_t* src);
};

}  // namespace kalvora::platform
