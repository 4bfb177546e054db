#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/LayoutPixelSizes.h"
#include "engine/tBrick.h"
#include "platform/Image.h"
#include "platform/RandomGenerator.h"
#include "platform/Status.h"
#include "platform/Surface.h"

namespace kalvora {

class cBitmap;
class cBrickData;
class cInlineBitmap;
class cGraphics;
class clsImageFilter;

// Paints the placed bricks onto the output surface. Each brick image is
// copied, resized to the brick, recoloured, flipped, given its soft
// irregular outline and composited at its place, wrapping at the canvas's
// right edge. Bricks are composited in list order; their preparation may run
// on the thread pool, with the random numbers of every brick's outline fixed
// beforehand in list order, so the result is the same bytes as one thread.
class BrickPainter {
public:
    // Called after each brick with its 1-based number and the brick count.
    using BrickDone = std::function<void(size_t number, size_t count)>;
    // Polled before each brick; true stops the drawing.
    using StopPoll = std::function<bool()>;

    // The project supplies the brick images, its width (the canvas width)
    // and its noise frequency; the sizes are read at the moment of use.
    BrickPainter(const cBrickData& project, const LayoutPixelSizes& sizes, platform::InterpolationMode resizeMode);

    // Draws every brick onto the surface in list order. workers 1 prepares
    // each brick with work and filter on the calling thread; more prepare
    // bricks ahead on the thread pool with filter objects of their own.
    // The filter's random generator advances exactly as in the serial run.
    // A brick that cannot be made or composited for lack of memory stops
    // the drawing before its report, with OutOfMemory; a brick that fails
    // otherwise is left out. Ok when every brick was drawn or left out.
    platform::Status DrawAllBricks(const std::vector<tBrick>& bricks, cGraphics& surface, cBitmap& work,
                                   clsImageFilter& filter, int workers, const StopPoll& stop,
                                   const BrickDone& done) const;

    // One brick on one thread: prepared in work, then composited. The
    // status of the step that failed (see prepareBrick), Ok when drawn.
    platform::Status DrawBrick(const tBrick& b, cGraphics& surface, cBitmap& work, clsImageFilter& filter) const;

    // Copy, resize, colour, flip and outline of one brick in work. Ok when
    // it is ready; InvalidParameter for a brick with nothing to draw (no
    // pixels, a size below one pixel); else the status of the step that
    // failed.
    platform::Status prepareBrick(const tBrick& b, cBitmap& work, clsImageFilter& filter) const;

    // Composites a prepared brick at its place; the part past canvasWidth
    // comes in at x 0 of the same rows. The first failing draw's status.
    static platform::Status compositeBrick(cGraphics& surface, const cBitmap& work, const tBrick& b,
                                           int32_t canvasWidth);

    // Loads work into the filter, releases work's image, runs the step and
    // makes work the step's result at the loaded size, as 32-bit ARGB.
    // Otherwise the status of the failure: the filter did not take the
    // image, the step met a failure or its result could not be copied.
    using FilterStep = std::function<const platform::Image*(clsImageFilter&)>;
    static platform::Status runFilter(cBitmap& work, clsImageFilter& filter, const FilterStep& step);
    // Makes out a 32-bit ARGB copy of the top-left width x height part of
    // image, keeping out's session; on failure out is unchanged.
    static platform::Status replaceWith(cBitmap& out, const platform::Image* image, int32_t width,
                                        int32_t height);

    // The copy and resize of a brick: work becomes source resized to width x
    // height (a copy when the size is the source's own), made without an
    // intermediate copy; source is only read, so threads may share it.
    static platform::Status ResizeBrickImage(cBitmap& work, const cBitmap& source, int32_t width, int32_t height,
                                             platform::InterpolationMode resizeMode);
    // The colour shift; nothing when all three values are 0.
    static platform::Status ApplyBrickColor(cBitmap& work, clsImageFilter& filter, float hue, float saturation,
                                            float luminance);
    // Mirrors left to right and/or top to bottom.
    static platform::Status FlipBrickImage(cBitmap& work, bool flipH, bool flipV);
    // The soft, noise-ragged outline with the sizes of this moment. The image
    // becomes 32-bit ARGB first, so an image without alpha keeps its soft
    // edge.
    static platform::Status ShapeBrickImage(cBitmap& work, clsImageFilter& filter, const LayoutPixelSizes& sizes,
                                            float noiseLength);

    // The outline's noise cell length: the smaller row height at frequency
    // 0 down to one pixel at frequency 100.
    static float noiseLength(float noiseFrequency, const LayoutPixelSizes& sizes);

    // Advances the generator exactly as the outline of a width x height
    // image draws from it.
    static void skipOutlineDraws(platform::RandomGenerator& random, int32_t width, int32_t height,
                                 float noiseLength);

    // Whether the generator may prepare bricks on the thread pool (on by
    // default); tests turn it off to compare the two ways.
    static void setParallelPreparation(bool enabled);
    static bool parallelPreparation();

private:
    struct Slots;
    // Each brick's outline random state and pixel count (0: not drawn).
    struct Plan {
        std::vector<platform::RandomGenerator> starts;
        std::vector<int64_t> pixels;
    };

    // The image of a brick that prepareBrick would draw (an image with
    // pixels, a brick of at least one pixel); nullptr for any other brick.
    std::shared_ptr<cInlineBitmap> drawableImage(const tBrick& b) const;
    platform::Status drawSerial(const std::vector<tBrick>& bricks, cGraphics& surface, cBitmap& work,
                                clsImageFilter& filter, const StopPoll& stop, const BrickDone& done) const;
    platform::Status drawParallel(const std::vector<tBrick>& bricks, cGraphics& surface, clsImageFilter& filter,
                                  int workers, const StopPoll& stop, const BrickDone& done) const;
    // Fixes every brick's random state, advancing random past them all.
    Plan planOutlines(const std::vector<tBrick>& bricks, platform::RandomGenerator& random) const;
    // Prepares brick number index in the slot; safe on any thread.
    void prepareInSlot(const tBrick& b, const Plan& plan, size_t index, Slots& slots, size_t slot) const;

    const cBrickData& m_project;
    const LayoutPixelSizes& m_sizes;
    platform::InterpolationMode m_resizeMode;
};

}  // namespace kalvora
