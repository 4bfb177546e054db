#include <gtest/gtest.h>

#include <vector>

#include "DrawingTestSupport.h"
#include "engine/BrickPainter.h"
#include "filters/clsImageFilter.h"
#include "imaging/cGraphics.h"
#include "platform/RandomGenerator.h"

namespace kalvora {
namespace {

using testing::alphaAt;
using testing::pixelAt;

constexpr uint32_t kGreen = 0xFF00C000u;
constexpr uint32_t kMortar = 0xFF808080u;
constexpr platform::InterpolationMode kNearest = platform::InterpolationMode::NearestNeighbor;
constexpr platform::InterpolationMode kBicubic = platform::InterpolationMode::HighQualityBicubic;

tBrick brickAt(int32_t left, int32_t top, int32_t width, int32_t height, int32_t number = 1)
{
    tBrick b;
    b.Left = left;
    b.Top = top;
    b.Width = width;
    b.Height = height;
    b.BrickNumber = number;
    return b;
}

class BrickPainterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BrickDefaults::reset(project);
        project.Width = 100;
        project.Height = 40;
        project.BrickFiles->Add(testing::solidImage(8, 8, kGreen));
        filter.setRandomGenerator(&random);
    }

    void newCanvas(uint32_t fill = 0)
    {
        graphics.Dispose();
        ASSERT_EQ(out.CreateFromScan0(project.Width, project.Height, 0, platform::kFormat32bppARGB), platform::Ok);
        ASSERT_EQ(graphics.GetGraphicsContext(out.Handle()), platform::Ok);
        graphics.Clear(static_cast<int32_t>(fill));
    }

    void draw(const std::vector<tBrick>& bricks, platform::InterpolationMode mode = kNearest, int workers = 1)
    {
        BrickPainter painter(project, sizes, mode);
        painter.DrawAllBricks(bricks, graphics, work, filter, workers, [] { return false; },
                              [this](size_t, size_t) { ++done; });
    }

    cBrickData project;
    LayoutPixelSizes sizes;  // all 0: square, hard, opaque outline
    cBitmap out;
    cBitmap work;
    cGraphics graphics;
    clsImageFilter filter;
    platform::RandomGenerator random;
    int done = 0;
};

TEST_F(BrickPainterTest, ABrickPastTheRightEdgeWrapsToTheLeftOfItsRow)
{
    newCanvas();
    draw({brickAt(90, 5, 60, 10)});
    EXPECT_EQ(done, 1);
    for (int32_t x = 0; x < 100; ++x) {
        const bool covered = x >= 90 || x < 50;
        EXPECT_EQ(pixelAt(out, x, 5), covered ? kGreen : 0u) << x;
        EXPECT_EQ(pixelAt(out, x, 14), covered ? kGreen : 0u) << x;
        EXPECT_EQ(pixelAt(out, x, 4), 0u) << x;
        EXPECT_EQ(pixelAt(out, x, 15), 0u) << x;
    }
}

TEST_F(BrickPainterTest, ABrickWhollyPastTheEdgeIsDrawnOneWidthToTheLeft)
{
    newCanvas();
    draw({brickAt(110, 0, 20, 4)});
    for (int32_t x = 0; x < 100; ++x) EXPECT_EQ(pixelAt(out, x, 0), x >= 10 && x < 30 ? kGreen : 0u) << x;
}

TEST_F(BrickPainterTest, ColourChangesOnlyWhenAShiftIsSet)
{
    newCanvas();
    tBrick plain = brickAt(0, 0, 20, 10);
    tBrick shifted = brickAt(40, 0, 20, 10);
    shifted.Hue = 120;
    draw({plain, shifted}, kBicubic);
    EXPECT_EQ(pixelAt(out, 10, 5), kGreen);
    EXPECT_NE(pixelAt(out, 50, 5), kGreen);
    EXPECT_EQ(alphaAt(out, 50, 5), 255u);
}

TEST_F(BrickPainterTest, FlipsMirrorTheBrickImage)
{
    project.BrickFiles->RemoveAll();
    project.BrickFiles->Add(testing::gradientImage(20, 10));
    newCanvas();
    tBrick b = brickAt(0, 0, 20, 10);
    tBrick mirrored = brickAt(0, 20, 20, 10);
    mirrored.FlipH = true;
    mirrored.FlipV = true;
    tBrick leftRight = brickAt(40, 0, 20, 10);
    leftRight.FlipH = true;
    tBrick upDown = brickAt(40, 20, 20, 10);
    upDown.FlipV = true;
    draw({b, mirrored, leftRight, upDown});
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            EXPECT_EQ(pixelAt(out, x, y), pixelAt(out, 19 - x, 29 - y)) << x << "," << y;
            EXPECT_EQ(pixelAt(out, x, y), pixelAt(out, 59 - x, y)) << x << "," << y;
            EXPECT_EQ(pixelAt(out, x, y), pixelAt(out, 40 + x, 29 - y)) << x << "," << y;
        }
}

TEST_F(BrickPainterTest, AnImageWithoutAlphaAtBrickSizeKeepsItsSoftEdge)
{
    sizes.BorderSizePx = 2;
    sizes.AntiAliasPx = 2;
    sizes.RoundedBorderPx = 3;
    project.BrickFiles->RemoveAll();
    project.BrickFiles->Add(testing::solidImage(20, 10, kGreen, platform::kFormat24bppRGB));
    project.BrickFiles->Add(testing::solidImage(20, 10, kGreen));
    newCanvas();
    draw({brickAt(0, 0, 20, 10, 1), brickAt(30, 0, 20, 10, 2)});
    EXPECT_EQ(alphaAt(out, 0, 0), 0u);
    EXPECT_EQ(alphaAt(out, 10, 5), 255u);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) EXPECT_EQ(pixelAt(out, x, y), pixelAt(out, x + 30, y)) << x << "," << y;
}

TEST_F(BrickPainterTest, BricksWithoutPixelsOrSizeAreSkippedAndTheRestDrawn)
{
    project.BrickFiles->Add(std::make_shared<cInlineBitmap>());  // an undecodable image: no pixels
    newCanvas(kMortar);
    draw({brickAt(0, 0, 10, 10, 2), brickAt(10, 0, 0, 10), brickAt(20, 0, 10, -3), brickAt(30, 0, 10, 10, 7),
          brickAt(40, 0, 10, 10, 1)});
    EXPECT_EQ(done, 5);
    EXPECT_EQ(pixelAt(out, 5, 5), kMortar);
    EXPECT_EQ(pixelAt(out, 35, 5), kMortar);
    EXPECT_EQ(pixelAt(out, 45, 5), kGreen);
}

TEST_F(BrickPainterTest, SkippingTheOutlineDrawsFollowsTheOutlineFilter)
{
    for (auto [w, h] : {std::pair{30, 10}, {10, 30}, {16, 16}, {7, 40}, {1, 1}}) {
        for (float length : {1.0f, 5.4f, 100.0f}) {
            platform::RandomGenerator used;
            platform::RandomGenerator skipped;
            used.next();
            skipped.next();
            clsImageFilter f;
            f.setRandomGenerator(&used);
            auto image = testing::solidImage(w, h, kGreen);
            f.SetBitmapIn(image->Bitmap);
            ASSERT_NE(f.CreateTransparentBorder(1, 2, 3, length, 1), nullptr);
            BrickPainter::skipOutlineDraws(skipped, w, h, length);
            EXPECT_EQ(used.lastValue(), skipped.lastValue()) << w << "x" << h << " " << length;
            EXPECT_EQ(used.next(), skipped.next()) << w << "x" << h << " " << length;
        }
    }
}

// A busy project: gradients with alpha, ragged soft outlines, colour
// shifts, flips, bricks taller than wide (whose outlines draw on from the
// previous state) and bricks that wrap.
std::vector<tBrick> busyLayout()
{
    std::vector<tBrick> bricks;
    for (int32_t i = 0; i < 37; ++i) {
        tBrick b = brickAt((i * 37) % 130, (i * 11) % 50, 12 + (i * 7) % 30, 10 + (i * 5) % 25, 1 + i % 3);
        b.FlipH = i % 2 == 0;
        b.FlipV = i % 3 == 0;
        b.Hue = (i % 4) * 17 - 20;
        b.Saturation = static_cast<float>(i % 5) - 2.0f;
        b.Luminance = i % 7 == 0 ? 0.0f : 3.0f;
        if (i % 6 == 0) {
            b.Hue = 0;
            b.Saturation = 0.0f;
            b.Luminance = 0.0f;
        }
        bricks.push_back(b);
    }
    return bricks;
}

TEST_F(BrickPainterTest, ParallelPreparationGivesTheSerialBytes)
{
    project.Width = 120;
    project.Height = 60;
    project.NoiseFrequency = 60.0f;
    project.BrickFiles->RemoveAll();
    project.BrickFiles->Add(testing::gradientImage(40, 30, true));
    project.BrickFiles->Add(testing::gradientImage(17, 50));
    project.BrickFiles->Add(testing::solidImage(9, 9, kGreen, platform::kFormat24bppRGB));
    sizes.MinHeightPx = 12;
    sizes.MaxHeightPx = 20;
    sizes.BorderSizePx = 2;
    sizes.RoundedBorderPx = 3;
    sizes.NoiseStrengthPx = 2;
    sizes.AntiAliasPx = 1;
    const auto bricks = busyLayout();

    newCanvas(kMortar);
    draw(bricks, kBicubic, 1);
    cBitmap serial;
    ASSERT_EQ(serial.CreateFromClone(out.Width(), out.Height(), out.Handle(), out.PixelFormat()), platform::Ok);
    const float serialNext = platform::RandomGenerator(random).next();

    for (int workers : {2, 3, 8}) {
        random = platform::RandomGenerator();
        newCanvas(kMortar);
        done = 0;
        draw(bricks, kBicubic, workers);
        EXPECT_EQ(done, static_cast<int>(bricks.size()));
        EXPECT_TRUE(testing::sameBytes(serial, out)) << workers;
        EXPECT_EQ(platform::RandomGenerator(random).next(), serialNext) << workers;
    }
}

TEST_F(BrickPainterTest, AStopBeforeABrickEndsTheDrawing)
{
    std::vector<tBrick> bricks;
    for (int32_t i = 0; i < 40; ++i) bricks.push_back(brickAt((i % 10) * 10, (i / 10) * 10, 10, 10));
    BrickPainter painter(project, sizes, kNearest);
    for (int workers : {1, 2, 4}) {
        newCanvas();
        int polls = 0;
        done = 0;
        // The stop comes in the second batch of two workers.
        painter.DrawAllBricks(bricks, graphics, work, filter, workers, [&] { return ++polls > 19; },
                              [this](size_t, size_t) { ++done; });
        EXPECT_EQ(done, 19) << workers;
        EXPECT_EQ(pixelAt(out, 85, 15), kGreen) << workers;
        EXPECT_EQ(pixelAt(out, 95, 15), 0u) << workers;
    }
}

}  // namespace
}  // namespace kalvora
