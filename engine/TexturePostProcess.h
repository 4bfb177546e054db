#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/LayoutPixelSizes.h"
#include "engine/TextureOptionsValues.h"
#include "engine/tBrick.h"
#include "platform/Image.h"
#include "platform/Status.h"

namespace kalvora {

class cBitmap;
class cBrickData;
class clsImageFilter;

// Finishes the partial textures on the output image: a border strip loses
// everything beyond its column of bricks (the rest of every row and the
// joints past the bricks become transparent, with soft irregular edges); an
// arch gets a soft irregular outline; a column loses a margin on both sides
// and its side edges are blended so it tiles horizontally. Each step
// overrides some pixel sizes or project flags and puts them back when done.
class TexturePostProcess {
public:
    using Report = std::function<void(float value, const std::string& description)>;
    // Polled before each brick of the border loop; true stops it.
    using StopPoll = std::function<bool()>;

    TexturePostProcess(cBrickData& project, LayoutPixelSizes& sizes, const TextureOptionsValues& options,
                       cBitmap& outBitmap, cBitmap& workBitmap, clsImageFilter& imageFilter);

    // Makes the output transparent under a brick-shaped mask of the piece:
    // opaque mask, transparent texture. With the margin the mask runs
    // straight through the piece's top and bottom edges. The part past the
    // project's Width comes in at x 0. A piece of size 0 cuts nothing.
    void DrawBrickAlpha(const tBrick& b, bool WithMargin);

    // For every brick (one per row) of a border strip 2 x BorderWidth wide:
    // the rest of its row and the joint below it, beyond the bricks, are cut
    // out; the last brick's joint continues at the top. Reports before each
    // brick, from 49 % towards 99 %. A cut that cannot be made for lack of
    // memory stops the cuts with OutOfMemory; one that fails otherwise is
    // left out.
    platform::Status ProcessBorders(const std::vector<tBrick>& bricks, const StopPoll& stop, const Report& report);

    // The whole texture gets the brick outline, inset ArcAntialias, and the
    // outline is multiplied into the alpha it already has. A stop halfway
    // (WorkStopped) or a failure leaves the output as it was; OutOfMemory
    // when memory ran out.
    platform::Status PostProcessArch();

    // Crops BorderSizePx + 2 x NoiseStrengthPx from both sides, then blends
    // the side edges over ColumnAntialias pixels. A stop during the blend
    // (WorkStopped) or a failure leaves the output cropped and unblended;
    // OutOfMemory when memory ran out.
    platform::Status PostProcessColumn();
    // The width a column canvas that wide keeps once its sides are cropped.
    static int32_t columnWidth(int32_t canvasWidth, const LayoutPixelSizes& sizes);

private:
    // One cut of a border strip: the piece, whether its mask has the
    // margins, the outline sizes it is shaped with, and the brick (index in
    // the list) whose row or joint it cuts.
    struct BorderCut {
        tBrick piece;
        bool withMargin = false;
        LayoutPixelSizes sizes;
        size_t brick = 0;
    };

    // The rows the mask of a cut has above and below the piece.
    static int64_t marginOf(const BorderCut& cut);
    // The cuts of a border strip in the order they are made.
    std::vector<BorderCut> planBorderCuts(const std::vector<tBrick>& bricks) const;
    // Makes the canvas a transparent image of that size, in its own memory
    // when that holds it; the status of the allocation otherwise.
    static platform::Status makeTransparentCanvas(cBitmap& canvas, int32_t width, int32_t height);
    // The mask of a cut in mask (the piece's size with its margins): Ok;
    // InvalidParameter when the piece cuts nothing; else the status of the
    // step that failed.
    platform::Status shapeCutMask(const BorderCut& cut, cBitmap& mask, clsImageFilter& filter) const;
    // Cuts the piece's mask out of the output; the part past the project's
    // Width comes in at x 0.
    platform::Status cutWithMask(const BorderCut& cut, cBitmap& mask);
    // Replaces the output's alpha a by a x (255 - m) \ 255 over the
    // destination rectangle, m the alpha of mask from (srcx, srcy).
    platform::Status cutAlpha(cBitmap& mask, int32_t dstx, int32_t dsty, int32_t width, int32_t height,
                              int32_t srcx, int32_t srcy);
    // Shapes and makes one cut, its mask left in the work image; the status
    // of the first step that failed.
    platform::Status makeCut(const BorderCut& cut);
    // Multiplies the alpha of shaped (the output's size) by the output's
    // alpha; false when the sizes differ or an image cannot be read.
    bool multiplyOutputAlphaInto(cBitmap& shaped);
    // The work image (32-bit ARGB) becomes the output; false when there is none.
    bool takeWorkAsOutput();
    float outlineNoiseLength() const;

    cBrickData& m_project;
    LayoutPixelSizes& m_sizes;
    const TextureOptionsValues& m_options;
    cBitmap& m_out;
    cBitmap& m_work;
    clsImageFilter& m_filter;
};

}  // namespace kalvora
