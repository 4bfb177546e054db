#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/LayoutPixelSizes.h"
#include "engine/LayoutRandomTables.h"
#include "engine/TextureOptionsValues.h"
#include "engine/tBrick.h"

namespace kalvora {

struct BrickSettings;

// Texture types, as the output panel's list numbers them.
enum BrickStyleValue : int32_t {
    SeamlessTexture = 0,
    LeftBorder = 1,
    RightBorder = 2,
    BothBorders = 3,
    ArchTexture = 4,
    ColumnTexture = 5,
};

// Row offset modes of the project and of the texture options.
enum RowOffsetValue : int32_t {
    RowOffsetRandom = 0,
    RowOffsetHalf = 1,
    RowOffsetNone = 2,
};

// Places the bricks of one run: where each lies, how large it is, which
// brick image it shows, its flips and colour shifts. Every random number
// comes from the run's tables in a fixed order, so a project's "Random ID"
// always reproduces its layout.
//
// The layout works on the run's state, which the generator owns: the
// project (whose RowOffset, and for the arch for a moment Width and Height,
// it writes), the pixel sizes (the size fitting overwrites the brick
// sizes), the random tables and the brick list it fills.
class BrickLayout {
public:
    // Called after every row: lets the event queue run and answers whether
    // the run has been cancelled.
    using RowDone = std::function<bool()>;

    BrickLayout(BrickSettings& project, int32_t brickImageCount, LayoutPixelSizes& sizes,
                LayoutRandomTables& random, const TextureOptionsValues& options, int32_t brickStyle,
                std::vector<tBrick>& bricks, RowDone rowDone);

    // The most bricks one layout places: beyond it the layout stops with
    // std::bad_alloc, as if the list could not grow (tiny bricks on a huge
    // canvas would otherwise take gigabytes).
    static constexpr size_t kDefaultBrickLimit = size_t(1) << 23;
    void setBrickLimit(size_t limit) { m_brickLimit = limit; }

    // The layout of the texture type; a type outside 0..5 places nothing.
    void layout();

    void LayoutSeamlessTexture();
    void LayoutBorderTexture();
    void LayoutArchTexture();
    void LayoutColumnTexture();

    // True when bricks of sizes Min..Max can fill Span exactly.
    static bool CanFillSpan(int32_t Min, int32_t Max, int32_t Span);
    // True when exactly one of a and b is odd.
    static bool IsOddCell(int32_t a, int32_t b);

    void FitBrickSizes();
    void FitPairWidths(int32_t Span, int32_t Row, int32_t Col);
    // The next brick width (Horizontal) or row height. Min and Max may be
    // the pixel-size members themselves, so a refit inside is seen here.
    int32_t ComputeBrickSize(int32_t& Min, int32_t& Max, int32_t Remaining, int32_t Col, int32_t Row,
                             bool Horizontal, int32_t Channel);
    int32_t GetRowOffset(int32_t Row);

    // The margin around the arch's bricks: irregularity + gap + blend size.
    static int32_t archMargin(const LayoutPixelSizes& sizes, const TextureOptionsValues& options);

private:
    // Flips, colour shifts and brick image of the working brick, then
    // appends a copy of it.
    void placeBrick();
    int32_t pickBrickImage();
    bool finishRow();

    BrickSettings& m_project;
    int32_t m_brickImageCount;
    LayoutPixelSizes& m_sizes;
    LayoutRandomTables& m_random;
    const TextureOptionsValues& m_options;
    int32_t m_brickStyle;
    std::vector<tBrick>& m_bricks;
    RowDone m_rowDone;
    size_t m_brickLimit = kDefaultBrickLimit;
    tBrick m_brick;
};

}  // namespace kalvora
