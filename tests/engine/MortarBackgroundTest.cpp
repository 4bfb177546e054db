#include <gtest/gtest.h>

#include <cstdlib>

#include "DrawingTestSupport.h"
#include "engine/MortarBackground.h"
#include "filters/clsImageFilter.h"
#include "imaging/cGraphics.h"

namespace kalvora {
namespace {

using testing::alphaAt;
using testing::pixelAt;

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr platform::InterpolationMode kNearest = platform::InterpolationMode::NearestNeighbor;

TEST(MortarCells, ThreeCellsOnAThousandPixelsAre333And334And333)
{
    const auto spans = MortarBackground::cellSpans(3, 1000);
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0], (MortarBackground::Span{0, 333}));
    EXPECT_EQ(spans[1], (MortarBackground::Span{333, 334}));
    EXPECT_EQ(spans[2], (MortarBackground::Span{667, 333}));
}

TEST(MortarCells, CellsCoverTheCanvasWithoutGapOrOverlap)
{
    for (int32_t total : {1, 7, 256, 1000, 1023}) {
        for (int32_t count : {1, 2, 3, 7, 13, 255, 256, 257, 1000, 100000, 2147483647}) {
            const auto spans = MortarBackground::cellSpans(count, total);
            int32_t x = 0;
            for (const auto& s : spans) {
                EXPECT_EQ(s.start, x) << count << " on " << total;
                EXPECT_GE(s.size, 1);
                x += s.size;
            }
            EXPECT_EQ(x, total) << count << " on " << total;
        }
    }
    EXPECT_TRUE(MortarBackground::cellSpans(0, 100).empty());
    EXPECT_TRUE(MortarBackground::cellSpans(3, 0).empty());
}

class MortarTilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BrickDefaults::reset(project);
        project.Width = 10;
        project.Height = 4;
        // Left half red, right half blue: each stretched cell shows both.
        project.MortarFile = testing::paintedImage(2, 1, [](int32_t x, int32_t) { return x == 0 ? kRed : kBlue; });
    }

    void draw(int32_t blend = 0)
    {
        ASSERT_EQ(out.CreateFromScan0(project.Width, project.Height, 0, platform::kFormat32bppARGB), platform::Ok);
        ASSERT_EQ(graphics.GetGraphicsContext(out.Handle()), platform::Ok);
        MortarBackground::DrawMortarTiles(project, blend, kNearest, graphics, filter, [this] {
            ++yields;
            return false;
        });
        graphics.Dispose();
    }

    cBrickData project;
    cBitmap out;
    cGraphics graphics;
    clsImageFilter filter;
    int yields = 0;
};

TEST_F(MortarTilesTest, EachCellIsTheWholeMortarStretchedToIt)
{
    project.RepeatX = 3;  // cells 3, 4 and 3 pixels wide
    project.RepeatY = 2;
    draw();
    EXPECT_EQ(yields, 6);
    // Every cell starts red and ends blue: cells at x 0, 3 and 7.
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x : {0, 3, 7}) EXPECT_EQ(pixelAt(out, x, y), kRed) << x << "," << y;
        for (int32_t x : {2, 6, 9}) EXPECT_EQ(pixelAt(out, x, y), kBlue) << x << "," << y;
        for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(alphaAt(out, x, y), 255u);
    }
}

TEST_F(MortarTilesTest, RepeatCountsBeyondTheCanvasSkipEmptyCells)
{
    project.Width = 16;
    project.RepeatX = 1000;
    project.RepeatY = 70000;
    draw();
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 16; ++x) EXPECT_EQ(alphaAt(out, x, y), 255u);
    EXPECT_EQ(yields, 16 * 4);
}

TEST_F(MortarTilesTest, NoMortarImageLeavesTheCanvasTransparent)
{
    project.MortarFile = std::make_shared<cInlineBitmap>();
    draw();
    EXPECT_EQ(yields, 0);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(pixelAt(out, x, y), 0u);
    project.MortarFile.reset();
    draw();
    EXPECT_EQ(pixelAt(out, 0, 0), 0u);
}

TEST_F(MortarTilesTest, ACancelStopsTheTiling)
{
    project.RepeatX = 5;
    ASSERT_EQ(out.CreateFromScan0(10, 4, 0, platform::kFormat32bppARGB), platform::Ok);
    ASSERT_EQ(graphics.GetGraphicsContext(out.Handle()), platform::Ok);
    MortarBackground::DrawMortarTiles(project, 0, kNearest, graphics, filter, [this] { return ++yields == 2; });
    EXPECT_EQ(yields, 2);
    EXPECT_EQ(alphaAt(out, 3, 0), 255u);
    EXPECT_EQ(alphaAt(out, 4, 0), 0u);
}

// The largest jump between horizontally neighbouring pixels of a row,
// counting the jump from the last pixel back to the first separately.
int32_t wrapJump(const cBitmap& image, int32_t y, int32_t& inner)
{
    const auto red = [&](int32_t x) { return static_cast<int32_t>((pixelAt(image, x, y) >> 16) & 0xFF); };
    inner = 0;
    for (int32_t x = 1; x < image.Width(); ++x) inner = std::max(inner, std::abs(red(x) - red(x - 1)));
    return std::abs(red(0) - red(image.Width() - 1));
}

TEST_F(MortarTilesTest, BlendedCellsContinueAcrossTheirEdges)
{
    project.Width = 64;
    project.Height = 64;
    project.MortarFile = testing::gradientImage(64, 64);
    project.SeamlessH = true;
    project.SeamlessV = true;
    int32_t inner = 0;
    draw(0);  // no blend band: the gradient jumps at the wrap
    EXPECT_GT(wrapJump(out, 10, inner), 200);

    draw(16);
    for (int32_t y : {0, 31, 63}) {
        const int32_t jump = wrapJump(out, y, inner);
        EXPECT_LE(jump, inner + 2) << y;
    }
    // Vertically as well: the green channel of the top and bottom rows.
    const auto green = [&](int32_t x, int32_t y) { return static_cast<int32_t>((pixelAt(out, x, y) >> 8) & 0xFF); };
    int32_t innerV = 0;
    for (int32_t y = 1; y < 64; ++y) innerV = std::max(innerV, std::abs(green(20, y) - green(20, y - 1)));
    EXPECT_LE(std::abs(green(20, 0) - green(20, 63)), innerV + 2);
}

}  // namespace
}  // namespace kalvora
