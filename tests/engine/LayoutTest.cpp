#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <set>

#include "LayoutTestSupport.h"

namespace kalvora {
namespace {

using namespace testing;

TEST(SizeFitting, CanFillSpanFollowsFloorsAndRemainders)
{
    EXPECT_FALSE(BrickLayout::CanFillSpan(350, 400, 1000));
    EXPECT_TRUE(BrickLayout::CanFillSpan(300, 400, 1000));  // floors 2 and 3
    EXPECT_TRUE(BrickLayout::CanFillSpan(100, 150, 300));   // exact multiples
    EXPECT_TRUE(BrickLayout::CanFillSpan(10, 15, 0));
    EXPECT_TRUE(BrickLayout::CanFillSpan(10, 15, -12));
    EXPECT_FALSE(BrickLayout::CanFillSpan(10, 15, -3));
    // A size of 0 cannot fill anything but an empty span (no division by 0).
    EXPECT_FALSE(BrickLayout::CanFillSpan(0, 15, 30));
    EXPECT_TRUE(BrickLayout::CanFillSpan(0, 0, 0));
}

TEST(SizeFitting, FitBrickSizesShrinksTheMinimumUntilTheWidthFills)
{
    LayoutRun run;
    run.project.Width = 1000;
    run.project.Height = 1000;
    run.prepare();
    run.sizes.MinWidthPx = 350;
    run.sizes.MaxWidthPx = 400;
    run.sizes.MinHeightPx = 200;
    run.sizes.MaxHeightPx = 250;
    run.layout(SeamlessTexture).FitBrickSizes();
    EXPECT_EQ(run.sizes.MinWidthPx, 333);
    EXPECT_EQ(run.sizes.MaxWidthPx, 400);
    EXPECT_EQ(run.sizes.MinHeightPx, 200);

    run.sizes.MinHeightPx = 350;
    run.sizes.MaxHeightPx = 400;
    run.layout(SeamlessTexture).FitBrickSizes();
    EXPECT_EQ(run.sizes.MinHeightPx, 333);
}

TEST(SizeFitting, FitPairWidthsMakesWholePairsFillTheSpan)
{
    LayoutRun run;
    run.project.Width = 1000;
    run.prepare();
    run.sizes.MinWidthPx = 120;
    run.sizes.MaxWidthPx = 150;
    BrickLayout layout = run.layout(SeamlessTexture);
    layout.FitPairWidths(1000, 0, 0);
    EXPECT_EQ(run.sizes.MinWidthPx, 111);
    EXPECT_EQ(run.sizes.MaxWidthPx, 139);

    // Odd columns never refit.
    layout.FitPairWidths(700, 0, 1);
    layout.FitPairWidths(700, 1, 2 + 1);
    EXPECT_EQ(run.sizes.MinWidthPx, 111);
    EXPECT_EQ(run.sizes.MaxWidthPx, 139);

    // Less than half a pair left: one pair, scaled down.
    layout.FitPairWidths(100, 0, 2);
    EXPECT_EQ(run.sizes.MinWidthPx, 44);
    EXPECT_EQ(run.sizes.MaxWidthPx, 56);

    // At the full width a count of 0 leaves the sizes alone.
    run.sizes.MinWidthPx = 900;
    run.sizes.MaxWidthPx = 1300;
    layout.FitPairWidths(1000, 0, 0);
    EXPECT_EQ(run.sizes.MinWidthPx, 900);
    EXPECT_EQ(run.sizes.MaxWidthPx, 1300);
}

TEST(SizeFitting, ComputeBrickSizeNudgesSoTheRestStillFills)
{
    LayoutRun run;
    run.prepare();
    run.sizes.MinWidthPx = 100;
    run.sizes.MaxWidthPx = 150;
    // Find a table position whose draw gives the base size 120.
    int found = -1;
    for (int p = 0; p < 1022 && found < 0; ++p) {
        const double r = (run.random.seedTable(p) * 256 + run.random.seedTable(p + 1)) / 65535.0;
        const float rf = static_cast<float>(r);
        if (std::nearbyint(100 + static_cast<double>(rf) * 50) == 120) found = p;
    }
    ASSERT_GE(found, 0);
    run.random.setPosition(true, LayoutRandomTables::kChannelBrickWidth, found);
    int32_t lo = 100;
    int32_t hi = 150;
    const int32_t size =
        run.layout(SeamlessTexture).ComputeBrickSize(lo, hi, 180, 0, 0, true, LayoutRandomTables::kChannelBrickWidth);
    EXPECT_EQ(size, 80);
    EXPECT_EQ(run.random.seedPos(LayoutRandomTables::kChannelBrickWidth), (found + 2) % 1023);
}

TEST(SizeFitting, ComputeBrickSizeNeverReturnsLessThanOne)
{
    LayoutRun run;
    run.project.RowOffset = RowOffsetNone;
    run.prepare();
    run.sizes.MinWidthPx = 2;
    run.sizes.MaxWidthPx = 2;
    // Refitting the pair to a span of 1 gives a minimum width of 0.
    int32_t lo = 5;
    int32_t hi = 9;
    const int32_t size = run.layout(ColumnTexture).ComputeBrickSize(lo, hi, 1, 0, 0, true, 0);
    EXPECT_EQ(size, 1);
}

TEST(PixelSizes, RoundHalfToEvenFromTheRoundedReferences)
{
    BrickSettings s = BrickDefaults::settings();
    s.Width = 1000;
    s.Height = 1000;
    s.MinWidth = 12.5f;
    s.MinHeight = 23.0f;
    EXPECT_EQ(LayoutPixelSizes::compute(s).MinWidthPx, 125);
    EXPECT_EQ(LayoutPixelSizes::compute(s).MinHeightPx, 230);
    EXPECT_EQ(LayoutPixelSizes::compute(s).BorderSizePx, 6);  // 5.75
    s.MinHeight = 10.0f;
    EXPECT_EQ(LayoutPixelSizes::compute(s).BorderSizePx, 2);  // 2.5
    s.MinHeight = 14.0f;
    EXPECT_EQ(LayoutPixelSizes::compute(s).BorderSizePx, 4);  // 3.5

    s = BrickDefaults::settings();
    s.NoiseStrength = 10.0f;
    s.AntiAlias = 50.0f;
    s.BlendBorders = 2.5f;
    const LayoutPixelSizes p = LayoutPixelSizes::compute(s);
    EXPECT_EQ(p.MinWidthPx, 102);
    EXPECT_EQ(p.MaxWidthPx, 154);
    EXPECT_EQ(p.MinHeightPx, 205);
    EXPECT_EQ(p.MaxHeightPx, 256);
    EXPECT_EQ(p.BorderSizePx, 5);
    EXPECT_EQ(p.RoundedBorderPx, 5);
    EXPECT_EQ(p.NoiseStrengthPx, 20);  // 20.5
    EXPECT_EQ(p.AntiAliasPx, 2);       // 2.5
    EXPECT_EQ(p.BlendBordersPx, 26);   // 25.6
}

TEST(PixelSizes, BrickSizesAreRaisedToTwo)
{
    BrickSettings s = BrickDefaults::settings();
    s.MinWidth = 0.0f;
    s.MaxWidth = 0.1f;
    s.MinHeight = -5.0f;
    s.MaxHeight = 0.0f;
    LayoutPixelSizes p = LayoutPixelSizes::compute(s);
    p.raiseBrickSizesToUsable();
    EXPECT_EQ(p.MinWidthPx, 2);
    EXPECT_EQ(p.MaxWidthPx, 2);
    EXPECT_EQ(p.MinHeightPx, 2);
    EXPECT_EQ(p.MaxHeightPx, 2);
}

struct SizeCase {
    int32_t width, height;
    float minW, maxW, minH, maxH;
};

const SizeCase kSizeCases[] = {
    {1024, 1024, 10, 15, 20, 25},     {1000, 700, 12, 15, 13, 30},       {1024, 256, 3.99f, 32.21f, 2.1f, 73.77f},
    {777, 333, 1, 1, 1, 1},           {300, 300, 0, 0, 0, 0},            {1024, 1024, 40, 100, 60, 100},
    {640, 480, 33.3f, 33.4f, 50, 50}, {256, 4096, 100, 100, 0.5f, 2.5f},
};

TEST(SeamlessLayout, TilesTheCanvasForEveryOffsetMode)
{
    for (const SizeCase& c : kSizeCases) {
        for (int32_t offset : {0, 1, 2}) {
            for (int32_t seed : {1, 2, 4711, 65535}) {
                SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " " << c.minW << "/" << c.maxW
                                                  << " " << c.minH << "/" << c.maxH << " offset " << offset
                                                  << " seed " << seed);
                LayoutRun run;
                run.project.Width = c.width;
                run.project.Height = c.height;
                run.project.MinWidth = c.minW;
                run.project.MaxWidth = c.maxW;
                run.project.MinHeight = c.minH;
                run.project.MaxHeight = c.maxH;
                run.project.RowOffset = offset;
                run.project.RandomSeed = seed;
                run.run(SeamlessTexture);
                expectTiles(run.bricks, c.width, c.height);
                EXPECT_EQ(run.rows, static_cast<int>(rowsOf(run.bricks).size()));
                EXPECT_EQ(run.project.Width, c.width);
                EXPECT_EQ(run.project.RowOffset, offset);
                for (const auto& [top, row] : rowsOf(run.bricks)) {
                    EXPECT_LE(row.front().Left, run.sizes.MaxWidthPx);
                    if (offset != RowOffsetRandom) { EXPECT_LT(row.front().Left, c.width); }
                }
            }
        }
    }
}

TEST(SeamlessLayout, HalfOffsetShiftsEvenRowsAndAlternatesFittedWidths)
{
    LayoutRun run;
    run.project.Width = 1000;
    run.project.Height = 1000;
    run.project.MinWidth = 12.0f;
    run.project.MaxWidth = 15.0f;
    run.project.RowOffset = RowOffsetHalf;
    run.run(SeamlessTexture);
    const auto rows = rowsOf(run.bricks);
    ASSERT_GE(rows.size(), 2u);
    int index = 0;
    for (const auto& [top, row] : rows) {
        const bool odd = index % 2 == 1;
        EXPECT_EQ(row.front().Left, odd ? 0 : 55);
        for (size_t col = 0; col < row.size(); ++col) {
            const bool wide = (col % 2 == 1) != odd;
            EXPECT_EQ(row[col].Width, wide ? 139 : 111) << "row " << index << " col " << col;
        }
        ++index;
    }
}

TEST(SeamlessLayout, NoOffsetStartsEveryRowAtZeroWithRandomHeights)
{
    LayoutRun run;
    run.project.Width = 1000;
    run.project.Height = 1000;
    run.project.MinWidth = 12.0f;
    run.project.MaxWidth = 15.0f;
    run.project.MinHeight = 5.0f;
    run.project.MaxHeight = 15.0f;
    run.project.RowOffset = RowOffsetNone;
    run.run(SeamlessTexture);
    const auto rows = rowsOf(run.bricks);
    std::set<int32_t> heights;
    int index = 0;
    for (const auto& [top, row] : rows) {
        EXPECT_EQ(row.front().Left, 0);
        EXPECT_EQ(row.front().Width, index % 2 ? 139 : 111);
        heights.insert(row.front().Height);
        ++index;
    }
    EXPECT_GT(heights.size(), 1u);
    // Widths drew nothing on channel 2, offsets nothing on channel 3.
    LayoutRandomTables fresh;
    fresh.InitRandomTables(run.project.RandomSeed);
    EXPECT_EQ(run.random.seedPos(2), fresh.seedPos(2));
    EXPECT_EQ(run.random.seedPos(3), fresh.seedPos(3));
    EXPECT_EQ(run.random.seedPos(1), (fresh.seedPos(1) + 2 * static_cast<int>(rows.size())) % 1023);
}

TEST(BrickValues, ImagesNeverRepeatWithThreeOrMoreAndAlternateWithTwo)
{
    for (int32_t count : {0, 1, 2, 3, 7}) {
        SCOPED_TRACE(count);
        LayoutRun run;
        run.imageCount = count;
        run.run(SeamlessTexture);
        int32_t previous = 0;
        for (const tBrick& b : run.bricks) {
            if (count == 0) {
                EXPECT_TRUE(b.BrickNumber == 0 || b.BrickNumber == 1);
                continue;
            }
            EXPECT_GE(b.BrickNumber, 1);
            EXPECT_LE(b.BrickNumber, count);
            if (count == 1) { EXPECT_EQ(b.BrickNumber, 1); }
            if (count == 2 && previous != 0) { EXPECT_EQ(b.BrickNumber, 3 - previous); }
            if (count >= 3) { EXPECT_NE(b.BrickNumber, previous); }
            previous = b.BrickNumber;
        }
    }
}

TEST(BrickValues, FlipsFollowTheProjectWithoutChangingOtherDraws)
{
    LayoutRun both;
    both.project.FlipH = true;
    both.project.FlipV = true;
    both.run(SeamlessTexture);
    LayoutRun none;
    none.project.FlipH = false;
    none.project.FlipV = false;
    none.run(SeamlessTexture);

    ASSERT_EQ(both.bricks.size(), none.bricks.size());
    bool anyH = false;
    bool anyV = false;
    for (size_t i = 0; i < both.bricks.size(); ++i) {
        EXPECT_FALSE(none.bricks[i].FlipH);
        EXPECT_FALSE(none.bricks[i].FlipV);
        anyH |= both.bricks[i].FlipH;
        anyV |= both.bricks[i].FlipV;
        tBrick a = both.bricks[i];
        a.FlipH = false;
        a.FlipV = false;
        EXPECT_EQ(a, none.bricks[i]);
    }
    EXPECT_TRUE(anyH);
    EXPECT_TRUE(anyV);
}

// Reads a copy of the tables the way a channel does: one byte, then the
// position advances modulo 1023.
struct TableReader {
    const LayoutRandomTables& tables;
    bool seeded;
    int32_t pos;

    int32_t byte()
    {
        const int32_t b = seeded ? tables.seedTable(pos) : tables.timeTable(pos);
        pos = (pos + 1) % 1023;
        return b;
    }
    double value()
    {
        const int32_t b1 = byte();
        const int32_t b2 = byte();
        return static_cast<float>((b1 * 256 + b2) / 65535.0);
    }
};

// Channel 0 starts every layout at 1021 and wraps at 1023; per brick it
// gives the two flip bytes, hue, saturation, luminance and the image, in
// this order. Channel 3 gives each row's offset.
TEST(BrickValues, DrawnFromChannelZeroInTheirOrder)
{
    for (bool rearrange : {false, true}) {
        SCOPED_TRACE(rearrange);
        LayoutRun run;
        run.imageCount = 5;
        run.project.RandomSeed = 321;
        run.project.FlipH = true;
        run.project.FlipV = true;
        run.project.ChangeHue = 50.0f;
        run.project.ChangeSaturation = 30.0f;
        run.project.ChangeLuminance = 20.0f;
        run.project.RandomBrickDistribution = rearrange;
        run.prepare();
        const LayoutRandomTables tables = run.random;
        ASSERT_EQ(tables.seedPos(0), 1021);
        run.layout(SeamlessTexture).layout();

        TableReader brick{tables, true, tables.seedPos(0)};
        TableReader image{tables, !rearrange, rearrange ? tables.timePos(0) : 0};
        TableReader& images = rearrange ? image : brick;
        TableReader offsets{tables, true, tables.seedPos(3)};
        int32_t previous = 0;
        int32_t lastTop = -1;
        for (size_t i = 0; i < run.bricks.size(); ++i) {
            SCOPED_TRACE(i);
            const tBrick& b = run.bricks[i];
            if (b.Top != lastTop) {
                EXPECT_EQ(b.Left, static_cast<int32_t>(std::nearbyint(offsets.value() * run.sizes.MaxWidthPx)));
                lastTop = b.Top;
            }
            EXPECT_EQ(b.FlipH, brick.byte() % 2 == 0);
            EXPECT_EQ(b.FlipV, brick.byte() % 2 == 0);
            EXPECT_EQ(b.Hue, static_cast<int32_t>(std::nearbyint((brick.value() - 0.5) * 50.0 * 7.2)));
            EXPECT_EQ(b.Saturation, static_cast<float>(std::nearbyint((brick.value() - 0.5) * 30.0 * 4.0)));
            EXPECT_EQ(b.Luminance, static_cast<float>(std::nearbyint((brick.value() - 0.5) * 20.0 * 4.0)));
            int32_t n = static_cast<int32_t>(std::nearbyint(images.value() * 4 + 1));
            if (n == previous) n = n == 1 ? 5 : n - 1;
            EXPECT_EQ(b.BrickNumber, n);
            previous = n;
        }
        EXPECT_EQ(run.random.seedPos(0), (1021 + (rearrange ? 8 : 10) * static_cast<int>(run.bricks.size())) % 1023);
    }
}

// With a random offset each row's brick lies between lo and hi by the
// row's offset draw on channel 3, after its width draw on channel 2.
TEST(BorderLayout, RandomOffsetPlacesTheBrickByTheOffsetDraw)
{
    LayoutRun run;
    run.project.RandomSeed = 77;
    run.options.BorderWidth = 241;
    run.options.BorderBrickOffset = RowOffsetRandom;
    run.prepare();
    const LayoutRandomTables tables = run.random;
    run.layout(LeftBorder).layout();
    const int32_t minW = run.sizes.MinWidthPx;
    const int32_t maxW = run.sizes.MaxWidthPx;
    const int32_t b = run.options.BorderWidth;
    TableReader offsets{tables, true, tables.seedPos(3)};
    std::set<int32_t> widths;
    for (const tBrick& brick : run.bricks) {
        const int32_t w = brick.Width;
        widths.insert(w);
        EXPECT_GE(w, 2 * minW);
        EXPECT_LE(w, minW + maxW);
        const int32_t lo = std::max(b + minW - w, b - maxW);
        const int32_t hi = std::min(b - minW, b + maxW - w);
        const double off = std::nearbyint(offsets.value() * maxW);
        EXPECT_EQ(brick.Left, static_cast<int32_t>(std::nearbyint(off / maxW * (hi - lo) + lo)));
    }
    EXPECT_GT(widths.size(), 1u);
    const int rows = static_cast<int>(run.bricks.size());
    EXPECT_EQ(run.random.seedPos(2), (tables.seedPos(2) + 2 * rows) % 1023);
    EXPECT_EQ(run.random.seedPos(3), (tables.seedPos(3) + 2 * rows) % 1023);
}

TEST(Reproducibility, SameSeedSameLayoutAndSignIgnored)
{
    auto layoutFor = [](int32_t seed, int32_t offset) {
        LayoutRun run;
        run.project.RandomSeed = seed;
        run.project.RowOffset = offset;
        run.run(SeamlessTexture);
        return run.bricks;
    };
    for (int32_t offset : {0, 1, 2}) {
        EXPECT_EQ(layoutFor(1, offset), layoutFor(1, offset));
        EXPECT_EQ(layoutFor(5, offset), layoutFor(-5, offset));
        EXPECT_NE(layoutFor(1, offset), layoutFor(2, offset));
    }
}

TEST(Reproducibility, RearrangeBrickFilesChangesOnlyTheImagesFromRunToRun)
{
    auto rearranged = [] {
        LayoutRun run;
        run.imageCount = 9;
        run.project.RandomBrickDistribution = true;
        run.run(SeamlessTexture);
        return run.bricks;
    };
    const std::vector<tBrick> first = rearranged();
    const std::vector<tBrick> second = rearranged();
    ASSERT_EQ(first.size(), second.size());
    bool imagesDiffer = false;
    for (size_t i = 0; i < first.size(); ++i) {
        tBrick a = first[i];
        imagesDiffer |= a.BrickNumber != second[i].BrickNumber;
        a.BrickNumber = second[i].BrickNumber;
        EXPECT_EQ(a, second[i]);
    }
    EXPECT_TRUE(imagesDiffer);
}

// Each row's single brick straddles the middle line of the strip, with both
// parts between the smallest and largest brick width.
TEST(BorderLayout, OneBrickPerRowAcrossTheMiddleLine)
{
    for (int32_t offset : {0, 1, 2}) {
        for (int32_t seed : {1, 99, 5000}) {
            SCOPED_TRACE(::testing::Message() << "offset " << offset << " seed " << seed);
            LayoutRun run;
            run.project.RandomSeed = seed;
            run.project.RowOffset = 2 - offset;
            run.options.BorderWidth = 241;
            run.options.BorderBrickOffset = offset;
            run.run(BothBorders);
            EXPECT_EQ(run.project.RowOffset, offset);
            const int32_t minW = run.sizes.MinWidthPx;
            const int32_t maxW = run.sizes.MaxWidthPx;
            const int32_t b = run.options.BorderWidth;
            const auto rows = rowsOf(run.bricks);
            int32_t y = 0;
            int index = 0;
            for (const auto& [top, row] : rows) {
                ASSERT_EQ(row.size(), 1u);
                const tBrick& brick = row.front();
                EXPECT_EQ(top, y);
                y += brick.Height;
                EXPECT_GE(b - brick.Left, minW);
                EXPECT_LE(b - brick.Left, maxW);
                EXPECT_GE(brick.Left + brick.Width - b, minW);
                EXPECT_LE(brick.Left + brick.Width - b, maxW);
                const int32_t w = brick.Width;
                const int32_t lo = std::max(b + minW - w, b - maxW);
                const int32_t hi = std::min(b - minW, b + maxW - w);
                if (offset == RowOffsetNone) { EXPECT_EQ(brick.Left, lo + (hi - lo) / 2); }
                if (offset == RowOffsetHalf) { EXPECT_EQ(brick.Left, index % 2 ? hi : lo); }
                if (offset != RowOffsetRandom) { EXPECT_EQ(w, minW + maxW); }
                ++index;
            }
            EXPECT_EQ(y, run.project.Height);
        }
    }
}

TEST(ArchLayout, InsetByTheMarginWithoutRowShifts)
{
    for (int32_t offset : {0, 1, 2}) {
        SCOPED_TRACE(offset);
        LayoutRun run;
        run.options.ArcWidth = 166;
        run.options.ArcHeight = 1036;
        run.options.ArcAntialias = 1;
        run.options.ArcBrickOffset = offset;
        run.prepare();
        const int32_t channel3 = run.random.seedPos(3);
        run.layout(ArchTexture).layout();
        const int32_t m = 0 + 5 + 1;
        EXPECT_EQ(BrickLayout::archMargin(run.sizes, run.options), m);
        expectTiles(run.bricks, 166 - 2 * m, 1036 - 2 * m, m, m);
        for (const auto& [top, row] : rowsOf(run.bricks)) EXPECT_EQ(row.front().Left, m);
        EXPECT_EQ(run.project.Width, 1024 + 2 * m);
        EXPECT_EQ(run.project.Height, 1024);
        EXPECT_EQ(run.project.RowOffset, offset);
        const int rows = static_cast<int>(rowsOf(run.bricks).size());
        const int32_t expected3 = offset == RowOffsetRandom ? (channel3 + 2 * rows) % 1023 : channel3;
        EXPECT_EQ(run.random.seedPos(3), expected3);
    }
}

TEST(ColumnLayout, AlternatingRowHeightsEndAtTheColumnHeight)
{
    LayoutRun run;
    run.options.ColumnWidth = 154;
    run.options.ColumnHeight = 1024;
    run.prepare();
    const int32_t channel1 = run.random.seedPos(1);
    run.layout(ColumnTexture).layout();
    EXPECT_EQ(run.project.RowOffset, RowOffsetNone);
    const auto rows = rowsOf(run.bricks);
    int32_t y = 0;
    std::set<int32_t> evenHeights;
    std::set<int32_t> oddHeights;
    int index = 0;
    for (const auto& [top, row] : rows) {
        ASSERT_EQ(row.size(), 1u);
        EXPECT_EQ(top, y);
        EXPECT_EQ(row.front().Left, 0);
        EXPECT_EQ(row.front().Width, 154);
        y += row.front().Height;
        (index % 2 ? oddHeights : evenHeights).insert(row.front().Height);
        ++index;
    }
    EXPECT_EQ(y, 1024);
    EXPECT_EQ(run.random.seedPos(1), channel1);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_LT(*evenHeights.begin(), *oddHeights.rbegin());
}

TEST(ColumnLayout, EndsWhereAZeroHeightRowWouldLoopForever)
{
    LayoutRun run;
    run.project.Width = 1024;
    run.project.Height = 256;
    run.project.MinWidth = 3.99f;
    run.project.MaxWidth = 32.21f;
    run.project.MinHeight = 2.1f;
    run.project.MaxHeight = 73.77f;
    run.options.ColumnWidth = 330;
    run.options.ColumnHeight = 256;
    run.run(ColumnTexture);
    int32_t y = 0;
    for (const tBrick& b : run.bricks) {
        EXPECT_EQ(b.Top, y);
        EXPECT_GE(b.Height, 1);
        y += b.Height;
    }
    EXPECT_EQ(y, 256);
}

TEST(Layout, StopsAtTheBrickLimit)
{
    LayoutRun run;
    run.prepare();
    BrickLayout layout = run.layout(SeamlessTexture);
    layout.setBrickLimit(10);
    EXPECT_THROW(layout.layout(), std::bad_alloc);
    EXPECT_EQ(run.bricks.size(), 10u);
}

TEST(Layout, CancelStopsAfterTheCurrentRow)
{
    LayoutRun run;
    run.prepare();
    int rows = 0;
    BrickLayout layout(run.project, 3, run.sizes, run.random, run.options, SeamlessTexture, run.bricks,
                       [&rows] { return ++rows == 2; });
    layout.layout();
    EXPECT_EQ(rowsOf(run.bricks).size(), 2u);
}

}  // namespace
}  // namespace kalvora
