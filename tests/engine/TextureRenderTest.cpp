#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "DrawingTestSupport.h"
#include "tests/support/FakeServices.h"
#include "engine/BrickLayout.h"
#include "engine/BrickPainter.h"
#include "engine/MortarBackground.h"
#include "engine/cBrickGenerator.h"
#include "filters/clsImageFilter.h"
#include "imaging/cGraphics.h"
#include "platform/ImageLimits.h"
#include "platform/RandomGenerator.h"
#include "platform/ScopeExit.h"
#include "platform/YieldPoint.h"

namespace kalvora {
namespace {

using testing::alphaAt;

struct Variant {
    bool mortar;
    bool alpha;
};

const Variant kVariants[] = {{true, false}, {true, true}, {false, false}, {false, true}};

// A small project of solid and gradient bricks (some with alpha), with or
// without an opaque gradient mortar, and ragged soft outlines.
void makeProject(cBrickData& p, Variant v)
{
    BrickDefaults::reset(p);
    p.Width = 160;
    p.Height = 120;
    p.BorderSize = 20.0f;
    p.NoiseStrength = 10.0f;
    p.NoiseFrequency = 30.0f;
    p.AntiAlias = 50.0f;
    p.FlipV = true;
    p.RepeatX = 3;
    p.RepeatY = 2;
    p.RandomSeed = 77;
    p.BrickFiles->Add(testing::solidImage(16, 12, 0xFFB04020u));
    p.BrickFiles->Add(testing::gradientImage(24, 16, v.alpha));
    p.BrickFiles->Add(testing::solidImage(10, 30, v.alpha ? 0x80306090u : 0xFF306090u, platform::kFormat24bppRGB));
    if (v.mortar) p.MortarFile = testing::gradientImage(32, 32);
}

class TextureRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.listenTo(generator);
        host.editOptions = testing::smallTextureOptions;
    }
    void TearDown() override { BrickPainter::setParallelPreparation(true); }

    void run(int32_t style, Variant v = kVariants[0])
    {
        makeProject(project, v);
        host.reports.clear();
        ASSERT_TRUE(generator.GenerateBricks(project, style, host));
    }

    cBitmap copyOfResult() const
    {
        cBitmap copy;
        const cBitmap& out = generator.OutBitmap;
        EXPECT_EQ(copy.CreateFromClone(out.Width(), out.Height(), out.Handle(), out.PixelFormat()), platform::Ok);
        return copy;
    }

    bool anyAlpha(uint32_t alpha) const
    {
        const cBitmap& out = generator.OutBitmap;
        for (int32_t y = 0; y < out.Height(); ++y)
            for (int32_t x = 0; x < out.Width(); ++x)
                if (alphaAt(out, x, y) == alpha) return true;
        return false;
    }

    cBrickData project;
    testing::DrawingHost host;
    cBrickGenerator generator;
};

TEST_F(TextureRenderTest, EveryTextureTypeHasItsSize)
{
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(::testing::Message() << "mortar " << v.mortar << " alpha " << v.alpha);
        run(SeamlessTexture, v);
        EXPECT_EQ(generator.lastStatus(), platform::Ok);
        EXPECT_EQ(host.reports.back().second.rfind("Completed", 0), 0u);
        EXPECT_EQ(generator.OutBitmap.Width(), 160);
        EXPECT_EQ(generator.OutBitmap.Height(), 120);
        EXPECT_EQ(generator.OutBitmap.PixelFormat(), platform::kFormat32bppARGB);

        run(BothBorders, v);
        EXPECT_EQ(generator.OutBitmap.Width(), 80);
        EXPECT_EQ(generator.OutBitmap.Height(), 120);
        run(LeftBorder, v);
        EXPECT_EQ(generator.OutBitmap.Width(), 40);
        EXPECT_EQ(generator.OutBitmap.Height(), 120);
        run(RightBorder, v);
        EXPECT_EQ(generator.OutBitmap.Width(), 40);

        run(ArchTexture, v);
        EXPECT_EQ(generator.OutBitmap.Width(), 150);
        EXPECT_EQ(generator.OutBitmap.Height(), 100);

        run(ColumnTexture, v);
        const LayoutPixelSizes& sizes = generator.pixelSizes();
        const int32_t m = sizes.BorderSizePx + 2 * sizes.NoiseStrengthPx;
        EXPECT_EQ(m, 6);
        EXPECT_EQ(generator.OutBitmap.Width(), 60 - 2 * m);
        EXPECT_EQ(generator.OutBitmap.Height(), 120);
        EXPECT_EQ(generator.lastStatus(), platform::Ok);
    }
}

TEST_F(TextureRenderTest, WithoutMortarTheJointsStayTransparent)
{
    for (int32_t style : {SeamlessTexture, ArchTexture}) {
        run(style, {true, false});
        // The edges of an arch are soft; inside, opaque mortar and bricks.
        const cBitmap& out = generator.OutBitmap;
        const int32_t inset = style == ArchTexture ? 16 : 0;
        for (int32_t y = inset; y < out.Height() - inset; ++y)
            for (int32_t x = inset; x < out.Width() - inset; ++x) ASSERT_EQ(alphaAt(out, x, y), 255u) << x << "," << y;

        run(style, {false, false});
        EXPECT_TRUE(anyAlpha(0)) << style;
        EXPECT_TRUE(anyAlpha(255)) << style;
    }
}

TEST_F(TextureRenderTest, SerialAndParallelRunsGiveTheSameBytes)
{
    for (int32_t style = SeamlessTexture; style <= ColumnTexture; ++style) {
        BrickPainter::setParallelPreparation(false);
        run(style, {true, true});
        const cBitmap serial = copyOfResult();
        run(style, {true, true});
        EXPECT_TRUE(testing::sameBytes(serial, generator.OutBitmap)) << "a second run, type " << style;

        BrickPainter::setParallelPreparation(true);
        run(style, {true, true});
        EXPECT_TRUE(testing::sameBytes(serial, generator.OutBitmap)) << "type " << style;
    }
}

// FNV-1a over the size and every pixel's bytes.
uint64_t fingerprint(uint64_t h, const cBitmap& image)
{
    const auto add = [&h](uint8_t byte) { h = (h ^ byte) * 0x100000001B3ull; };
    for (int32_t v : {image.Width(), image.Height()})
        for (int shift = 0; shift < 32; shift += 8) add(static_cast<uint8_t>(v >> shift));
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x) {
            const uint32_t p = testing::pixelAt(image, x, y);
            for (int shift = 0; shift < 32; shift += 8) add(static_cast<uint8_t>(p >> shift));
        }
    return h;
}

// Every type, all four variants with a brick image reduced several times
// and blended mortar cells, at the three interpolations, keeps the bytes
// it had before the drawing was reworked for speed.
TEST_F(TextureRenderTest, EveryTypeKeepsItsBytes)
{
    const uint64_t expected[6] = {0x123632572e79ec86, 0x69837c2b5e07cff9, 0xab121fc0980c20fb,
                                  0x8d08758ae999c2f3, 0xfb3f67874cfa45ea, 0xc62da22f1b831c4f};
    for (int32_t style = SeamlessTexture; style <= ColumnTexture; ++style) {
        uint64_t h = 0xCBF29CE484222325ull;
        for (const Variant& v : kVariants)
            for (int32_t quality : {0, 1, 2}) {
                makeProject(project, v);
                project.BrickFiles->Add(testing::gradientImage(90, 70, v.alpha));
                project.SeamlessH = quality == 2;
                project.BlendBorders = 10.0f;
                host.preview = quality < 2;
                host.quality = quality;
                ASSERT_TRUE(generator.GenerateBricks(project, style, host));
                h = fingerprint(h, generator.OutBitmap);
            }
        EXPECT_EQ(h, expected[style]) << "type " << style << ": 0x" << std::hex << h;
    }
}

TEST_F(TextureRenderTest, RandomNumbersDrawnElsewhereDuringARunChangeNothing)
{
    BrickPainter::setParallelPreparation(false);
    for (int32_t style : {SeamlessTexture, BothBorders}) {
        run(style, {true, true});
        const cBitmap quiet = copyOfResult();
        // The program's shared generator is used while the run yields (a
        // "Randomize" click, the editor's noise filter): the run's edges stay.
        host.onReport = [](const std::string&) { platform::RandomGenerator::processDefault().next(); };
        run(style, {true, true});
        host.onReport = nullptr;
        EXPECT_TRUE(testing::sameBytes(quiet, generator.OutBitmap)) << "type " << style;
    }
}

TEST_F(TextureRenderTest, BorderStripsAreTransparentBeyondTheirBricks)
{
    run(BothBorders);
    const cBitmap& out = generator.OutBitmap;
    // Bricks straddle x 40 with parts of 16 to 24 pixels: far from them,
    // rows and joints alike are cut away; the bricks' middles stay.
    for (int32_t y = 8; y < 112; ++y) {
        EXPECT_EQ(alphaAt(out, 2, y), 0u) << y;
        EXPECT_EQ(alphaAt(out, 77, y), 0u) << y;
    }
    for (const tBrick& b : generator.bricks()) EXPECT_EQ(alphaAt(out, 40, b.Top + b.Height / 2), 255u) << b.Top;

    // The border pass reports from 49 % after the 99 % of "Post Processing...".
    const auto post = std::find_if(host.reports.begin(), host.reports.end(),
                                   [](const auto& r) { return r.second == "Post Processing..."; });
    ASSERT_NE(post, host.reports.end());
    EXPECT_EQ(post->first, 99);
    ASSERT_NE(post + 1, host.reports.end());
    EXPECT_EQ((post + 1)->first, 49);
    EXPECT_EQ((post + 1)->second, "Post Processing Borders...");
}

TEST_F(TextureRenderTest, LeftAndRightBordersKeepTheirHalvesOfTheStrip)
{
    run(BothBorders);
    const cBitmap strip = copyOfResult();
    ASSERT_EQ(strip.Width(), 80);
    // A left border keeps the right half of the strip, a right border the left half.
    for (auto [style, from] : {std::pair{LeftBorder, 40}, std::pair{RightBorder, 0}}) {
        run(style);
        const cBitmap& out = generator.OutBitmap;
        ASSERT_EQ(out.Width(), 40) << style;
        ASSERT_EQ(out.Height(), strip.Height()) << style;
        for (int32_t y = 0; y < out.Height(); ++y)
            for (int32_t x = 0; x < out.Width(); ++x)
                ASSERT_EQ(testing::pixelAt(out, x, y), testing::pixelAt(strip, x + from, y)) << style << " " << x
                                                                                            << "," << y;
    }
}

TEST_F(TextureRenderTest, TheBorderMortarIsTheCanvasMortarShiftedRightByTheBorderWidth)
{
    run(BothBorders);
    const cBitmap& out = generator.OutBitmap;
    // The mortar tiled over the 160 x 120 canvas, as the strip saw it
    // before its shift by 40 and its crop to 80 x 120.
    cBrickData canvas;
    makeProject(canvas, kVariants[0]);
    cBitmap tiled;
    cGraphics graphics;
    ASSERT_EQ(tiled.CreateFromScan0(160, 120, 0, platform::kFormat32bppARGB), platform::Ok);
    ASSERT_EQ(graphics.GetGraphicsContext(tiled.Handle()), platform::Ok);
    clsImageFilter filter;
    MortarBackground::DrawMortarTiles(canvas, 0, platform::InterpolationMode::HighQualityBicubic, graphics, filter,
                                      [] { return false; });
    graphics.Dispose();
    // Far from the bricks the cuts leave the mortar's colour under alpha 0.
    for (int32_t y = 8; y < 112; ++y)
        for (int32_t x : {1, 2, 76, 77}) {
            ASSERT_EQ(alphaAt(out, x, y), 0u) << x << "," << y;
            EXPECT_EQ(testing::pixelAt(out, x, y) & 0xFFFFFFu,
                      testing::pixelAt(tiled, (x + 120) % 160, y) & 0xFFFFFFu)
                << x << "," << y;
        }
}

TEST_F(TextureRenderTest, ACancelInTheBorderPassKeepsTheCutsAndTheHalf)
{
    int borderReports = 0;
    host.onReport = [&](const std::string& text) {
        if (text == "Post Processing Borders..." && ++borderReports == 2) generator.CancelProcess();
    };
    run(LeftBorder);
    EXPECT_EQ(borderReports, 2);
    EXPECT_EQ(host.reports.back().second.rfind("Aborted", 0), 0u);
    EXPECT_EQ(generator.OutBitmap.Width(), 40);
    EXPECT_EQ(generator.OutBitmap.Height(), 120);
    // The first two rows were cut beyond their bricks, the last row was not.
    const tBrick& first = generator.bricks().front();
    const tBrick& last = generator.bricks().back();
    EXPECT_EQ(alphaAt(generator.OutBitmap, 38, first.Top + first.Height / 2), 0u);
    EXPECT_EQ(alphaAt(generator.OutBitmap, 38, last.Top + last.Height / 2), 255u);
}

TEST_F(TextureRenderTest, ACancelInsideAPostProcessingPassEndsItAtOnce)
{
    // Every poll of a pass yields; the third yield after "Post Processing..."
    // (its report's, the phase's, then the first inside a pass) cancels.
    platform::YieldPoint::setSpacingMs(0);
    const platform::ScopeExit spacing([] { platform::YieldPoint::setSpacingMs(-1); });
    cBitmap before;
    int yieldsAfter = -1;
    host.onReport = [&](const std::string& text) {
        if (text != "Post Processing...") return;
        before = copyOfResult();
        yieldsAfter = 0;
    };
    bool copyOfferedInsidePass = false;
    host.onYield = [&] {
        if (yieldsAfter < 0 || ++yieldsAfter != 3) return;
        // The output may be half written here: nothing may copy it.
        copyOfferedInsidePass = generator.hasDrawnArea();
        generator.CancelProcess();
    };
    // The arch keeps the texture as it was before its outline.
    run(ArchTexture);
    EXPECT_EQ(host.reports.back().second.rfind("Aborted", 0), 0u);
    EXPECT_EQ(fingerprint(0, generator.OutBitmap), fingerprint(0, before));
    EXPECT_FALSE(copyOfferedInsidePass);
    yieldsAfter = -1;
    host.onYield = nullptr;
    run(ArchTexture);
    EXPECT_NE(fingerprint(0, generator.OutBitmap), fingerprint(0, before));

    // A left border stops cutting and still keeps its half.
    host.onYield = [&] {
        if (yieldsAfter >= 0 && ++yieldsAfter == 3) generator.CancelProcess();
    };
    yieldsAfter = -1;
    run(LeftBorder);
    EXPECT_EQ(host.reports.back().second.rfind("Aborted", 0), 0u);
    EXPECT_EQ(generator.OutBitmap.Width(), 40);
}

TEST_F(TextureRenderTest, AHostThatThrowsEndsTheRunAndLeavesTheGeneratorReady)
{
    const Variant v = kVariants[1];
    makeProject(project, v);
    cBrickGenerator fresh;
    ASSERT_TRUE(fresh.GenerateBricks(project, BothBorders, host));
    // Where the progress handler throws, and whether the previous image is
    // still untouched there.
    const std::pair<std::string, bool> throwsAt[] = {{"Create Brick Pattern...", true},
                                                     {"Drawing Brick (2 of", false},
                                                     {"Post Processing Borders...", false},
                                                     {"Completed", false}};
    for (const auto& [text, keepsPrevious] : throwsAt) {
        SCOPED_TRACE(text);
        run(BothBorders, v);
        const platform::Image* previous = generator.OutBitmap.Handle();
        host.onReport = [&text](const std::string& report) {
            if (report.rfind(text, 0) == 0) throw std::runtime_error("the progress window is gone");
        };
        makeProject(project, v);
        EXPECT_THROW(generator.GenerateBricks(project, BothBorders, host), std::runtime_error);
        host.onReport = nullptr;
        EXPECT_FALSE(generator.isRunning());
        EXPECT_EQ(generator.lastStatus(), platform::Aborted);
        EXPECT_EQ(generator.OutBitmap.Handle(), keepsPrevious ? previous : nullptr);

        run(BothBorders, v);
        EXPECT_EQ(generator.lastStatus(), platform::Ok);
        EXPECT_TRUE(testing::sameBytes(fresh.OutBitmap, generator.OutBitmap));
    }
}

TEST_F(TextureRenderTest, AnOutputThatCannotBeAllocatedFailsAndLeavesNoImage)
{
    run(SeamlessTexture);
    ASSERT_NE(generator.OutBitmap.Handle(), nullptr);
    platform::ImageLimits::set(platform::ImageLimits::kDefaultMaxSide, 4096);
    for (int32_t style = SeamlessTexture; style <= ColumnTexture; ++style) {
        run(style);
        EXPECT_EQ(generator.OutBitmap.Handle(), nullptr) << style;
        EXPECT_EQ(host.reports.back().second.rfind("Not enough memory (", 0), 0u) << style;
        EXPECT_EQ(generator.lastStatus(), platform::OutOfMemory) << style;
    }
    platform::ImageLimits::reset();
    run(ArchTexture);
    EXPECT_EQ(generator.lastStatus(), platform::Ok);
}

// Images a run asks for, refused one at a time: each either fails the run
// (a final report that says so, no image left, no message of its own: the
// host tells of it once) or is one the run does without (its texture then
// right, as where a band of a brick's outline noise falls back to the whole
// noise); the run after it is right. Every image of the texture's size, in
// every phase of each type, and a spread of the bricks' images, prepared
// on this thread and on the pool.
TEST_F(TextureRenderTest, AnImageARunCannotGetFailsTheRunAndTheNextRunIsRight)
{
    testing::ScopedFakeServices services;
    const platform::ScopeExit limits([] { platform::ImageLimits::reset(); });
    const Variant v = kVariants[1];
    // A run with the nth image of at least minBytes refused (0: none); the
    // number of such images it asked for.
    const auto runRefusing = [&](int32_t style, int64_t nth, int64_t minBytes) {
        makeProject(project, v);
        host.reports.clear();
        // A new output image, not the last one's memory reset.
        generator.OutBitmap.Dispose();
        platform::ImageLimits::failAllocation(nth, minBytes);
        EXPECT_TRUE(generator.GenerateBricks(project, style, host));
        const int64_t counted = platform::ImageLimits::allocationsCounted();
        platform::ImageLimits::reset();
        return counted;
    };
    struct Case {
        int32_t style;
        bool parallel;
        int64_t minBytes;
        int64_t stride;
    };
    // Images of 16 KiB or more are the canvas's; the bricks' are smaller.
    const Case cases[] = {{SeamlessTexture, false, 16384, 1}, {BothBorders, false, 16384, 1},
                          {LeftBorder, false, 16384, 1},      {ArchTexture, false, 16384, 1},
                          {ColumnTexture, false, 16384, 1},   {SeamlessTexture, false, 1, 7},
                          {SeamlessTexture, true, 1, 7}};
    for (const Case& c : cases) {
        BrickPainter::setParallelPreparation(c.parallel);
        run(c.style, v);
        const cBitmap right = copyOfResult();
        const int64_t count = runRefusing(c.style, 0, c.minBytes);
        int64_t failures = 0;
        for (int64_t nth = 1; nth <= count; nth += c.stride) {
            SCOPED_TRACE(::testing::Message() << "type " << c.style << " parallel " << c.parallel << ", image " << nth
                                              << " of " << count << " from " << c.minBytes << " bytes");
            runRefusing(c.style, nth, c.minBytes);
            if (generator.lastStatus() != platform::OutOfMemory) {
                EXPECT_EQ(generator.lastStatus(), platform::Ok);
                EXPECT_TRUE(testing::sameBytes(right, generator.OutBitmap));
                continue;
            }
            ++failures;
            EXPECT_EQ(host.reports.back().second.rfind("Not enough memory (", 0), 0u);
            EXPECT_EQ(generator.failureMessage(), "Not enough memory for a " + std::to_string(right.Width()) + " x " +
                                                      std::to_string(right.Height()) + " texture.");
            EXPECT_EQ(generator.OutBitmap.Handle(), nullptr);
            run(c.style, v);
            EXPECT_EQ(generator.lastStatus(), platform::Ok);
            EXPECT_TRUE(testing::sameBytes(right, generator.OutBitmap));
        }
        EXPECT_GE(failures * 2, (count + c.stride - 1) / c.stride) << c.style;
    }
    EXPECT_TRUE(services.messageBox.shown.empty());
}

}  // namespace
}  // namespace kalvora
