#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DrawingTestSupport.h"
#include "engine/BrickPainter.h"
#include "engine/TexturePostProcess.h"
#include "filters/clsImageFilter.h"

namespace kalvora {
namespace {

using testing::alphaAt;
using testing::pixelAt;

constexpr uint32_t kGreen = 0xFF00C000u;

class PostProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BrickDefaults::reset(project);
        project.Width = 40;
        project.Height = 10;
        filter.setRandomGenerator(&random);
    }

    void fill(const std::shared_ptr<cInlineBitmap>& image)
    {
        const cBitmap& b = image->Bitmap;
        ASSERT_EQ(out.CreateFromClone(b.Width(), b.Height(), b.Handle(), b.PixelFormat()), platform::Ok);
    }

    TexturePostProcess post() { return TexturePostProcess(project, sizes, options, out, work, filter); }

    cBrickData project;
    LayoutPixelSizes sizes;
    TextureOptionsValues options;
    cBitmap out;
    cBitmap work;
    clsImageFilter filter;
    platform::RandomGenerator random;
};

TEST_F(PostProcessTest, APieceCutsTheTextureAndWrapsAtTheRightEdge)
{
    fill(testing::solidImage(40, 10, kGreen));
    tBrick piece;
    piece.Left = 30;
    piece.Top = 2;
    piece.Width = 20;
    piece.Height = 4;
    post().DrawBrickAlpha(piece, false);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const bool cut = y >= 2 && y < 6 && (x >= 30 || x < 10);
            EXPECT_EQ(pixelAt(out, x, y), cut ? (kGreen & 0x00FFFFFFu) : kGreen) << x << "," << y;
        }
    EXPECT_EQ(work.Handle(), nullptr);

    // Pieces of no size cut nothing.
    piece.Width = 0;
    post().DrawBrickAlpha(piece, true);
    piece.Width = 5;
    piece.Height = -1;
    post().DrawBrickAlpha(piece, true);
    EXPECT_EQ(alphaAt(out, 15, 3), 255u);
}

TEST_F(PostProcessTest, WithTheMarginTheMaskRunsStraightThroughTopAndBottom)
{
    fill(testing::solidImage(40, 10, kGreen));
    sizes.BorderSizePx = 2;
    sizes.AntiAliasPx = 2;
    tBrick piece;
    piece.Left = 5;
    piece.Top = 0;
    piece.Width = 30;
    piece.Height = 10;
    post().DrawBrickAlpha(piece, true);
    // Top and bottom rows are cut like the middle; the ends are soft.
    EXPECT_EQ(alphaAt(out, 20, 0), 0u);
    EXPECT_EQ(alphaAt(out, 20, 9), 0u);
    EXPECT_EQ(alphaAt(out, 20, 5), 0u);
    EXPECT_EQ(alphaAt(out, 4, 5), 255u);
    EXPECT_GT(alphaAt(out, 5, 5), 0u);
    EXPECT_LT(alphaAt(out, 5, 5), 255u);
    EXPECT_EQ(alphaAt(out, 5, 0), alphaAt(out, 5, 5));
}

TEST_F(PostProcessTest, CutsInPlaceMatchTheFiltersAlphaStamp)
{
    // A ragged, soft, wrapping piece over a texture with its own alpha.
    project.NoiseFrequency = 40.0f;
    sizes.MinHeightPx = 8;
    sizes.MaxHeightPx = 12;
    sizes.BorderSizePx = 2;
    sizes.NoiseStrengthPx = 2;
    sizes.AntiAliasPx = 2;
    sizes.RoundedBorderPx = 3;
    auto texture = testing::gradientImage(40, 16, true);
    tBrick piece;
    piece.Left = 27;
    piece.Top = 3;
    piece.Width = 22;
    piece.Height = 9;
    for (bool withMargin : {false, true}) {
        fill(texture);
        const platform::RandomGenerator before = random;
        post().DrawBrickAlpha(piece, withMargin);

        // The same steps through the filter on a copy of the whole texture.
        platform::RandomGenerator same = before;
        clsImageFilter f;
        f.setRandomGenerator(&same);
        const int32_t margin = withMargin ? sizes.AntiAliasPx + sizes.NoiseStrengthPx : 0;
        cBitmap mask;
        ASSERT_EQ(mask.CreateFromScan0(piece.Width, piece.Height + 2 * margin, 0, platform::kFormat32bppARGB),
                  platform::Ok);
        ASSERT_EQ(BrickPainter::ShapeBrickImage(mask, f, sizes, BrickPainter::noiseLength(40.0f, sizes)), platform::Ok);
        mask.CropPicture(0, margin, piece.Width, piece.Height);
        cBitmap expected;
        ASSERT_EQ(expected.CreateFromClone(40, 16, texture->Bitmap.Handle(), platform::kFormat32bppARGB), platform::Ok);
        const int32_t first = 40 - piece.Left;
        const int32_t over = piece.Left + piece.Width - 40;
        f.SetBitmapIn(expected);
        expected.CreateFromClone(40, 16, f.CreateDrawAlphaOnly(mask, piece.Left, piece.Top, first, piece.Height, 0, 0,
                                                               first, piece.Height, true, true),
                                 platform::kFormat32bppARGB);
        f.SetBitmapIn(expected);
        expected.CreateFromClone(40, 16, f.CreateDrawAlphaOnly(mask, 0, piece.Top, over, piece.Height, first, 0, over,
                                                               piece.Height, true, true),
                                 platform::kFormat32bppARGB);
        EXPECT_FALSE(testing::sameBytes(texture->Bitmap, out));
        EXPECT_TRUE(testing::sameBytes(expected, out)) << withMargin;
        EXPECT_EQ(same.next(), platform::RandomGenerator(random).next());
    }
}

tBrick rect(int32_t left, int32_t top, int32_t width, int32_t height)
{
    tBrick b;
    b.Left = left;
    b.Top = top;
    b.Width = width;
    b.Height = height;
    return b;
}

TEST_F(PostProcessTest, BorderRowsAndJointsAreCutPieceByPiece)
{
    // A strip 40 wide and 30 high with three rows; the first brick's row
    // remainder and the last brick's joint wrap at the right edge, and the
    // last joint continues at the top of the strip.
    project.Width = 40;
    project.NoiseFrequency = 50.0f;
    options.BorderWidth = 20;
    options.BorderHeight = 30;
    options.BorderAntialias = 2;
    sizes.MinHeightPx = 10;
    sizes.MaxHeightPx = 10;
    sizes.BorderSizePx = 3;
    sizes.AntiAliasPx = 1;
    sizes.RoundedBorderPx = 2;
    sizes.NoiseStrengthPx = 1;
    const LayoutPixelSizes kept = sizes;
    const std::vector<tBrick> bricks = {rect(10, 0, 15, 10), rect(12, 10, 16, 11), rect(6, 21, 14, 9)};
    auto texture = testing::gradientImage(40, 30, true);
    const platform::RandomGenerator start = random;

    fill(texture);
    std::vector<float> values;
    post().ProcessBorders(bricks, [] { return false; }, [&](float value, const std::string& text) {
        EXPECT_EQ(text, "Post Processing Borders...");
        values.push_back(value);
    });
    EXPECT_EQ(sizes, kept);
    const platform::RandomGenerator afterBorders = random;
    EXPECT_EQ(values, (std::vector<float>{0.49f, static_cast<float>(1.0 / 3.0 / 2.0 + 0.49),
                                          static_cast<float>(2.0 / 3.0 / 2.0 + 0.49)}));
    cBitmap processed;
    ASSERT_EQ(processed.CreateFromClone(40, 30, out.Handle(), platform::kFormat32bppARGB), platform::Ok);

    // The same cuts one by one: each row from its brick's right edge round
    // to its left edge with the project's sizes; each joint e = 4 pixels
    // inside the outer edges of its two bricks, from the middle of one to
    // the middle of the next, with the joint's own sizes.
    random = start;
    fill(texture);
    LayoutPixelSizes joint = kept;
    joint.BorderSizePx = 3;  // noise strength + border antialias
    joint.AntiAliasPx = 2;
    joint.RoundedBorderPx = 0;
    const auto cut = [&](const LayoutPixelSizes& with, const tBrick& piece, bool margin) {
        sizes = with;
        post().DrawBrickAlpha(piece, margin);
    };
    cut(kept, rect(25, 0, 25, 10), false);
    cut(joint, rect(32, 5, 14, 10), true);
    cut(kept, rect(28, 10, 24, 11), false);
    cut(joint, rect(32, 15, 10, 9), true);
    cut(kept, rect(20, 21, 26, 9), false);
    cut(joint, rect(29, 25, 13, 5), true);
    cut(joint, rect(29, 0, 13, 5), true);
    EXPECT_TRUE(testing::sameBytes(processed, out));
    EXPECT_EQ(platform::RandomGenerator(random).next(), platform::RandomGenerator(afterBorders).next());
    EXPECT_FALSE(testing::sameBytes(texture->Bitmap, out));
}

TEST_F(PostProcessTest, TheArchOutlineMultipliesIntoTheExistingAlpha)
{
    options.ArcAntialias = 2;
    sizes.AntiAliasPx = 3;
    sizes.RoundedBorderPx = 4;
    // Transparent joints on the left half, opaque bricks on the right.
    fill(testing::paintedImage(40, 20, [](int32_t x, int32_t) { return x < 20 ? 0x00000000u : kGreen; }));
    cBitmap opaque;
    auto solid = testing::solidImage(40, 20, kGreen);
    ASSERT_EQ(opaque.CreateFromClone(40, 20, solid->Bitmap.Handle(), platform::kFormat32bppARGB), platform::Ok);
    platform::RandomGenerator same = random;

    post().PostProcessArch();
    EXPECT_EQ(sizes.BorderSizePx, 0);
    EXPECT_EQ(out.Width(), 40);
    EXPECT_EQ(out.Height(), 20);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) EXPECT_EQ(alphaAt(out, x, y), 0u) << x << "," << y;

    // On an opaque texture the result is the outline itself.
    clsImageFilter plain;
    plain.setRandomGenerator(&same);
    LayoutPixelSizes arch = sizes;
    arch.BorderSizePx = 2;
    ASSERT_EQ(BrickPainter::ShapeBrickImage(opaque, plain, arch, BrickPainter::noiseLength(0.0f, arch)), platform::Ok);
    EXPECT_LT(alphaAt(opaque, 39, 10), 255u);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 20; x < 40; ++x) EXPECT_EQ(pixelAt(out, x, y), pixelAt(opaque, x, y)) << x << "," << y;
}

TEST_F(PostProcessTest, AColumnLosesItsMarginsAndBlendsItsSides)
{
    sizes.BorderSizePx = 2;
    sizes.NoiseStrengthPx = 3;  // margin 8 on each side
    sizes.BlendBordersPx = 7;
    project.SeamlessV = true;
    auto source = testing::gradientImage(50, 10);
    fill(source);
    post().PostProcessColumn();
    ASSERT_EQ(out.Width(), 34);
    ASSERT_EQ(out.Height(), 10);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 34; ++x) EXPECT_EQ(pixelAt(out, x, y), pixelAt(source->Bitmap, x + 8, y));
    EXPECT_EQ(sizes.BlendBordersPx, 7);
    EXPECT_FALSE(project.SeamlessH);
    EXPECT_TRUE(project.SeamlessV);

    options.ColumnAntialias = 6;
    fill(source);
    post().PostProcessColumn();
    ASSERT_EQ(out.Width(), 34);
    const auto red = [&](int32_t x) { return static_cast<int32_t>((pixelAt(out, x, 4) >> 16) & 0xFF); };
    EXPECT_LT(std::abs(red(0) - red(33)), 30);
    EXPECT_EQ(sizes.BlendBordersPx, 7);
    EXPECT_FALSE(project.SeamlessH);
}

}  // namespace
}  // namespace kalvora
