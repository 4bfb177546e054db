#include <gtest/gtest.h>

#include "engine/BrickDefaults.h"
#include "engine/BrickLayout.h"
#include "engine/TextureOptionsModel.h"

namespace kalvora {
namespace {

BrickSettings projectOf(int32_t size, float noise = 0.0f, float antiAlias = 0.0f)
{
    BrickSettings s = BrickDefaults::settings();
    s.Width = size;
    s.Height = size;
    s.NoiseStrength = noise;
    s.AntiAlias = antiAlias;
    return s;
}

struct WorkedExample {
    int32_t size;
    float noise, antiAlias;
    LayoutPixelSizes sizes;  // the eight sizes (BlendBordersPx unused)
    TextureOptionsValues values;
    int32_t blendMax[3];  // border, arch, column
};

// The three worked examples; offsets are the project's RowOffset 0.
const WorkedExample kExamples[] = {
    {1024, 0, 0, {102, 154, 205, 256, 5, 5, 0, 0, 0}, {241, 1024, 0, 0, 166, 1036, 1, 0, 154, 1024, 0, 0}, {77, 51, 154}},
    {512, 0, 0, {51, 77, 102, 128, 3, 3, 0, 0, 0}, {121, 512, 0, 0, 85, 520, 1, 0, 77, 512, 0, 0}, {38, 25, 77}},
    {1024, 10, 50, {102, 154, 205, 256, 5, 5, 20, 0, 2}, {263, 1024, 4, 0, 250, 1120, 23, 0, 154, 1024, 4, 0}, {77, 51, 154}},
};

TEST(TextureOptionsModel, WorkedExamplesOfTheDefaults)
{
    for (const WorkedExample& e : kExamples) {
        SCOPED_TRACE(::testing::Message() << e.size << " noise " << e.noise << " antialias " << e.antiAlias);
        const BrickSettings project = projectOf(e.size, e.noise, e.antiAlias);
        const int32_t styles[3] = {BothBorders, ArchTexture, ColumnTexture};
        for (int i = 0; i < 3; ++i) {
            TextureOptionsModel options;
            EXPECT_EQ(options.ShowDialog(project, styles[i]), 1);
            EXPECT_EQ(options.values(), e.values);
            EXPECT_EQ(options.pixelSizes(), e.sizes);
            EXPECT_EQ(options.sliderLimits().blendMax, e.blendMax[i]);
            EXPECT_EQ(options.sliderLimits().blendTickFrequency, e.blendMax[i] / 8);
        }
    }
}

TEST(TextureOptionsModel, SeamlessTypeShowsAndTouchesNothing)
{
    TextureOptionsModel options;
    const BrickSettings project = projectOf(1024);
    EXPECT_EQ(options.ShowDialog(project, SeamlessTexture), 1);
    EXPECT_FALSE(options.Initialized());
    EXPECT_EQ(options.values(), TextureOptionsValues{});
    EXPECT_EQ(options.LastWidth(), 0);

    options.ShowDialog(project, ArchTexture);
    const TextureOptionsValues before = options.values();
    const BrickSettings other = projectOf(512);
    EXPECT_EQ(options.ShowDialog(other, SeamlessTexture), 1);
    EXPECT_EQ(options.values(), before);
    EXPECT_EQ(options.LastWidth(), 1024);
    EXPECT_EQ(options.brickStyle(), ArchTexture);
}

TEST(TextureOptionsModel, UserValuesStayUntilTheSizeChanges)
{
    BrickSettings project = projectOf(1024);
    TextureOptionsModel options;
    ASSERT_TRUE(options.prepareShowing(project, ArchTexture));
    options.StoreValues({300, 700, 9, RowOffsetNone});
    EXPECT_EQ(options.ArcWidth, 300);

    // Same size: the stored values come back, also after a changed project.
    project.MaxWidth = 40.0f;
    options.ShowDialog(project, ArchTexture);
    EXPECT_EQ(options.ArcWidth, 300);
    EXPECT_EQ(options.ArcHeight, 700);
    EXPECT_EQ(options.ArcAntialias, 9);
    EXPECT_EQ(options.ArcBrickOffset, RowOffsetNone);

    // A preview size after the final size recomputes sizes and blends but
    // keeps the chosen offset.
    BrickSettings preview = projectOf(512);
    options.ShowDialog(preview, ArchTexture);
    EXPECT_EQ(options.ArcWidth, 85);
    EXPECT_EQ(options.ArcHeight, 520);
    EXPECT_EQ(options.ArcAntialias, 1);
    EXPECT_EQ(options.ArcBrickOffset, RowOffsetNone);
    EXPECT_EQ(options.LastWidth(), 512);
    EXPECT_EQ(options.LastHeight(), 512);
}

TEST(TextureOptionsModel, DefaultsResetEveryTypeAndTheOffsets)
{
    BrickSettings project = projectOf(1024);
    project.RowOffset = RowOffsetHalf;
    TextureOptionsModel options;
    options.prepareShowing(project, ArchTexture);
    options.StoreValues({300, 700, 9, RowOffsetNone});
    options.BorderWidth = 5;
    options.ColumnBrickOffset = RowOffsetRandom;
    options.restoreDefaults();
    EXPECT_EQ(options.ArcWidth, 166);
    EXPECT_EQ(options.BorderWidth, 241);
    EXPECT_EQ(options.ArcBrickOffset, RowOffsetHalf);
    EXPECT_EQ(options.BorderBrickOffset, RowOffsetHalf);
    EXPECT_EQ(options.ColumnBrickOffset, RowOffsetHalf);
}

TEST(TextureOptionsModel, ArchSizesUseTheBlendHeldAtThatMoment)
{
    const BrickSettings project = projectOf(1024);
    TextureOptionsModel options;
    options.prepareShowing(project, ArchTexture);
    options.ArcAntialias = 10;
    options.ComputeDefaults(true, true, false, false);
    EXPECT_EQ(options.ArcWidth, 154 + 2 * (10 + 0 + 5));
    EXPECT_EQ(options.ArcHeight, 1024 + 2 * (10 + 0 + 5));
    EXPECT_EQ(options.ArcAntialias, 10);
}

TEST(TextureOptionsModel, ValuesAreHeldToTheSliderRanges)
{
    // "Distance" 100 % and "Smoothness" 100 %: the border blend proposed is
    // 204, but its slider ends at half the largest brick width.
    BrickSettings project = projectOf(1024);
    project.BorderSize = 100.0f;
    project.AntiAlias = 100.0f;
    TextureOptionsModel options;
    options.prepareShowing(project, BothBorders);
    EXPECT_EQ(options.BorderAntialias, 204);
    EXPECT_EQ(options.ShowDialog(project, BothBorders), 1);
    EXPECT_EQ(options.BorderAntialias, 77);
    // Only the shown type's values are held.
    EXPECT_EQ(options.ColumnAntialias, 204);

    // Sizes are 16..16384; offsets are the three list items.
    BrickSettings tall = projectOf(16384);
    options.ShowDialog(tall, ArchTexture);
    EXPECT_EQ(options.ArcHeight, 16384);
    options.StoreValues({3, 99999, -4, 7});
    EXPECT_EQ(options.ArcWidth, 16);
    EXPECT_EQ(options.ArcHeight, 16384);
    EXPECT_EQ(options.ArcAntialias, 0);
    EXPECT_EQ(options.ArcBrickOffset, 2);
}

}  // namespace
}  // namespace kalvora
