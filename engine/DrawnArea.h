#pragma once

#include <cstdint>

#include "platform/Image.h"

namespace kalvora {

// The part of the generator's output drawn since it was last taken, as one
// bounding rectangle, so a viewer that keeps its own copy of the output need
// only bring that part over. A new image or a pass over the whole image
// marks all of it.
class DrawnArea {
public:
    void markAll();
    bool empty() const { return !m_all && m_empty; }
    // Adds a rectangle; the part outside the image is ignored when taken.
    void mark(int64_t x, int64_t y, int64_t width, int64_t height);
    // A rectangle whose part past wrapWidth comes in at x 0 of the same rows
    // (as the bricks are drawn); a rectangle wholly past it lies one
    // wrapWidth to the left.
    void markWrapping(int64_t x, int64_t y, int64_t width, int64_t height, int64_t wrapWidth);

    // The area marked since the last take, clipped to an image of the given
    // size (empty when nothing was drawn); the area starts empty again.
    platform::PixelRect take(int32_t imageWidth, int32_t imageHeight);

private:
    bool m_all = false;
    bool m_empty = true;
    int64_t m_left = 0;
    int64_t m_top = 0;
    int64_t m_right = 0;
    int64_t m_bottom = 0;
};

}  // namespace kalvora
