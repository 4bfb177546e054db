#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Status.h"
#include "platform/Surface.h"

namespace kalvora {

class cBitmap;
class cBrickData;
class cGraphics;
class clsImageFilter;

// The mortar background: the project's mortar image stretched into
// RepeatX x RepeatY cells that meet without gap or overlap and end exactly
// at the canvas's edges, each cell optionally blended so it continues across
// its own edges. Cells of equal size are equal images, so each distinct
// size (at most two widths and two heights) is resized and blended once; an
// unblended size that only one cell has is resized straight onto the canvas.
class MortarBackground {
public:
    // One cell along an axis: its first pixel and its length.
    struct Span {
        int32_t start = 0;
        int32_t size = 0;
        bool operator==(const Span&) const = default;
    };

    // Cell index of count equal parts of total pixels: start R(index x c),
    // length R((index + 1) x c) - start, c = total / count in double
    // precision, rounded half to even. A count above total gives cells of 0.
    static Span cellSpan(int32_t index, int32_t count, int32_t total);
    // The cells of length 1 or more, in order; together they cover 0..total.
    static std::vector<Span> cellSpans(int32_t count, int32_t total);

    // Lets the event queue run; true when the run was cancelled.
    using YieldPoll = std::function<bool()>;

    // Draws the mortar cells over the surface, which covers the project's
    // Width x Height and is already cleared. Nothing without a mortar image.
    // The blend runs when SeamlessH or SeamlessV is set and blendBordersPx is
    // not 0. One yield after each cell; a cancel stops the tiling. A cell
    // that cannot be made or drawn for lack of memory stops the tiling with
    // OutOfMemory; one that fails otherwise is left out.
    static platform::Status DrawMortarTiles(const cBrickData& project, int32_t blendBordersPx,
                                platform::InterpolationMode resizeMode, cGraphics& surface, clsImageFilter& filter,
                                const YieldPoll& yieldPoll);

    // Blends work's edges over blendBordersPx pixels in the chosen
    // directions, keeping its size; the filter's failure otherwise.
    static platform::Status MakeImageSeamless(cBitmap& work, clsImageFilter& filter, int32_t blendBordersPx, bool seamlessH,
                                  bool seamlessV);
};

}  // namespace kalvora
