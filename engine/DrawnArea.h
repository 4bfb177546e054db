#pragma once

#include <cstdint>
#include <vector>

#include "platform/Image.h"

namespace kalvora {

// The part of the generator's output drawn since it was last taken, as one
// bounding rectangle, so a viewer that keeps its own copy of the output need
// only bring that part over. A new image or a pass over the whole image
// marks all of it. Each marked rectangle is one thing drawn (a brick), whose
// rows a viewer brings over in one copy: a copy of part of the area ends
// only where no such rectangle crosses, so a viewer never shows a brick cut
// in two.
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
    // The part of that area that one copy brings over: its rows from fromRow
    // on (from its top when that lies above), some maxPixels of them and at
    // least one row, widened to the whole rows of every marked rectangle
    // that crosses its top or bottom edge (the bottom edge moves up where
    // that leaves rows). What stays marked: the rows below the part, or all
    // of the area when rows above the part are left too.
    platform::PixelRect takeRows(int32_t imageWidth, int32_t imageHeight, int64_t maxPixels, int32_t fromRow);

private:
    // Rows [top, bottom) of marked rectangles; spans that share rows are
    // joined, so no two overlap and they lie in order.
    struct RowSpan {
        int64_t top;
        int64_t bottom;
    };

    platform::PixelRect bounds(int32_t imageWidth, int32_t imageHeight) const;
    void addSpan(int64_t top, int64_t bottom);
    // The span with row strictly inside it, if any.
    const RowSpan* spanAcross(int64_t row) const;

    bool m_all = false;
    bool m_empty = true;
    int64_t m_left = 0;
    int64_t m_top = 0;
    int64_t m_right = 0;
    int64_t m_bottom = 0;
    std::vector<RowSpan> m_spans;
};

}  // namespace kalvora
