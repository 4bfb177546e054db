#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "engine/BrickDefaults.h"
#include "engine/BrickLayout.h"
#include "engine/BrickSettings.h"
#include "engine/LayoutPixelSizes.h"
#include "engine/LayoutRandomTables.h"
#include "engine/TextureOptionsValues.h"
#include "engine/tBrick.h"

namespace kalvora::testing {

// Everything one layout works on, set up as a run would: pixel sizes from
// the settings (raised to 2), tables from the seed.
struct LayoutRun {
    BrickSettings project = BrickDefaults::settings();
    int32_t imageCount = 3;
    LayoutPixelSizes sizes;
    LayoutRandomTables random;
    TextureOptionsValues options;
    std::vector<tBrick> bricks;
    int rows = 0;

    void prepare()
    {
        sizes = LayoutPixelSizes::compute(project);
        sizes.raiseBrickSizesToUsable();
        random.InitRandomTables(project.RandomSeed);
        bricks.clear();
        rows = 0;
    }

    BrickLayout layout(int32_t style)
    {
        return BrickLayout(project, imageCount, sizes, random, options, style, bricks, [this] {
            ++rows;
            return false;
        });
    }

    void run(int32_t style)
    {
        prepare();
        layout(style).layout();
    }
};

// Bricks grouped by row (Top), in layout order.
inline std::map<int32_t, std::vector<tBrick>> rowsOf(const std::vector<tBrick>& bricks)
{
    std::map<int32_t, std::vector<tBrick>> rows;
    for (const tBrick& b : bricks) rows[b.Top].push_back(b);
    return rows;
}

// Rows follow one another from top to the height without gap or overlap,
// and every row's bricks follow one another across exactly the width,
// starting at the row's offset (bricks past the right edge wrap; the
// offset itself may reach the largest brick width).
inline void expectTiles(const std::vector<tBrick>& bricks, int32_t width, int32_t height, int32_t originX = 0,
                        int32_t originY = 0)
{
    ASSERT_FALSE(bricks.empty());
    const auto rows = rowsOf(bricks);
    int32_t y = originY;
    for (const auto& [top, row] : rows) {
        EXPECT_EQ(top, y);
        const int32_t rowHeight = row.front().Height;
        EXPECT_GE(rowHeight, 1);
        int32_t x = row.front().Left;
        EXPECT_GE(x, originX);
        int32_t covered = 0;
        for (const tBrick& b : row) {
            EXPECT_EQ(b.Height, rowHeight);
            EXPECT_EQ(b.Left, x);
            EXPECT_GE(b.Width, 1);
            x += b.Width;
            covered += b.Width;
        }
        EXPECT_EQ(covered, width) << "row at " << top;
        y += rowHeight;
    }
    EXPECT_EQ(y, originY + height);
}

}  // namespace kalvora::testing
