#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "LayoutTestSupport.h"
#include "engine/BrickDefaults.h"
#include "engine/GeneratorHost.h"
#include "engine/TextureOptionsModel.h"
#include "engine/cBrickData.h"
#include "engine/cBrickGenerator.h"
#include "platform/ImageLimits.h"

namespace kalvora {
namespace {

struct Report {
    int32_t progress;
    int32_t secondsLeft;
    std::string text;
    bool final;
};

// A host in a few lines: the texture options model stands in for the
// dialog and the "event queue" is a callback that counts its runs.
class FakeHost : public GeneratorHost {
public:
    TextureOptionsModel options;
    int32_t dialogResult = kTextureOptionsOk;
    std::function<void(TextureOptionsModel&)> editOptions;
    int dialogCalls = 0;
    bool preview = false;
    int32_t quality = 0;
    mutable int previewReads = 0;
    std::function<void()> onYield;

    int32_t showTextureOptions(cBrickData& project, int32_t brickStyle) override
    {
        ++dialogCalls;
        const int32_t result = options.ShowDialog(project, brickStyle);
        if (editOptions) editOptions(options);
        return dialogResult == kTextureOptionsCancel ? dialogResult : result;
    }
    TextureOptionsValues textureOptions() const override { return options.values(); }
    bool previewTabShown() const override
    {
        ++previewReads;
        return preview;
    }
    int32_t previewQualityIndex() const override { return quality; }
    int yields = 0;
    void processEvents() override
    {
        ++yields;
        if (onYield) onYield();
    }
};

class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BrickDefaults::reset(project);
        for (int i = 0; i < 3; ++i) project.BrickFiles->Add(std::make_shared<cInlineBitmap>());
        generator.setTickSource([this] { return clock; });
        generator.Progress = [this](int32_t& p, int32_t& s, std::string& d, bool f) { reports.push_back({p, s, d, f}); };
    }

    bool run(int32_t style) { return generator.GenerateBricks(project, style, host); }

    std::vector<std::string> textsFrom(size_t first) const
    {
        std::vector<std::string> texts;
        for (size_t i = first; i < reports.size(); ++i) texts.push_back(reports[i].text);
        return texts;
    }

    cBrickData project;
    FakeHost host;
    cBrickGenerator generator;
    int64_t clock = 1000000;
    std::vector<Report> reports;
};

TEST(GeneratorReports, ElapsedTimeSuffix)
{
    EXPECT_EQ(cBrickGenerator::minutesSeconds(754), "12:34");
    EXPECT_EQ(cBrickGenerator::minutesSeconds(3600), "60:00");
    EXPECT_EQ(cBrickGenerator::elapsedSuffix(0), " (0:00)");
    EXPECT_EQ(cBrickGenerator::elapsedSuffix(5), " (0:05)");
    EXPECT_EQ(cBrickGenerator::elapsedSuffix(75), " (1:15)");
    EXPECT_EQ(cBrickGenerator::elapsedSuffix(3725), " (62:05)");
}

TEST(GeneratorReports, EstimateAndPercentage)
{
    EXPECT_EQ(cBrickGenerator::estimateSecondsLeft(10000, 0.5f), 10);
    EXPECT_EQ(cBrickGenerator::estimateSecondsLeft(10000, 0.25f), 30);
    EXPECT_EQ(cBrickGenerator::estimateSecondsLeft(0, 0.3f), 0);
    EXPECT_EQ(cBrickGenerator::percentOf(0.99f), 99);
    EXPECT_EQ(cBrickGenerator::percentOf(0.49f), 49);
    EXPECT_EQ(cBrickGenerator::percentOf(static_cast<float>(1.0 - 0.00001)), 100);
    EXPECT_EQ(cBrickGenerator::percentOf(0.0f), 0);
    EXPECT_EQ(cBrickGenerator::percentOf(0.004f), 0);
}

TEST(GeneratorReports, ResizeModeByPreviewState)
{
    using enum platform::InterpolationMode;
    EXPECT_EQ(cBrickGenerator::chooseResizeMode(false, 0), HighQualityBicubic);
    EXPECT_EQ(cBrickGenerator::chooseResizeMode(true, 0), NearestNeighbor);
    EXPECT_EQ(cBrickGenerator::chooseResizeMode(true, 1), Bilinear);
    EXPECT_EQ(cBrickGenerator::chooseResizeMode(true, 2), HighQualityBicubic);
    EXPECT_EQ(cBrickGenerator::chooseResizeMode(true, -1), HighQualityBicubic);
}

TEST_F(GeneratorTest, SeamlessRunReportsEveryPhaseAndBrick)
{
    host.onYield = [this] { clock += 500; };
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(host.dialogCalls, 0);
    EXPECT_EQ(generator.lastStatus(), platform::Ok);
    EXPECT_FALSE(generator.isRunning());
    EXPECT_EQ(generator.OutBitmap.Width(), 1024);
    EXPECT_EQ(generator.OutBitmap.Height(), 1024);

    const size_t n = generator.bricks().size();
    ASSERT_GT(n, 10u);
    ASSERT_EQ(reports.size(), n + 5);
    EXPECT_EQ(reports[0].text, "Create Brick Pattern...");
    EXPECT_EQ(reports[1].text, "Initializing...");
    EXPECT_EQ(reports[2].text, "Drawing Bricks...");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reports[i].progress, 0);
        EXPECT_EQ(reports[i].secondsLeft, 0);
    }
    for (size_t i = 1; i <= n; ++i) {
        const Report& r = reports[2 + i];
        EXPECT_EQ(r.text, "Drawing Brick (" + std::to_string(i) + " of " + std::to_string(n) + ")");
        EXPECT_EQ(r.progress, static_cast<int32_t>(std::nearbyint(static_cast<float>(100.0 * i / n - 0.001))));
        EXPECT_FALSE(r.final);
    }
    // The last brick shows 100 % yet is an estimate: no time is appended.
    EXPECT_EQ(reports[n + 2].progress, 100);
    EXPECT_EQ(reports[n + 2].secondsLeft, 0);
    EXPECT_EQ(reports[n + 3].text, "Post Processing...");
    EXPECT_EQ(reports[n + 3].progress, 99);

    // The final time counts from "Drawing Bricks...": one yield per brick,
    // then "Post Processing..." and the post-processing's own yield.
    const int64_t seconds = static_cast<int64_t>(500 * (n + 2)) / 1000;
    const Report& last = reports.back();
    EXPECT_EQ(last.text, "Completed" + cBrickGenerator::elapsedSuffix(seconds));
    EXPECT_EQ(last.secondsLeft, seconds);
    EXPECT_EQ(last.progress, 100);
    EXPECT_TRUE(last.final);
    for (size_t i = 0; i + 1 < reports.size(); ++i) EXPECT_FALSE(reports[i].final);
}

TEST_F(GeneratorTest, CancelInTheTextureOptionsKeepsThePreviousImage)
{
    ASSERT_TRUE(run(SeamlessTexture));
    const platform::Image* previous = generator.OutBitmap.Handle();
    ASSERT_NE(previous, nullptr);
    const size_t first = reports.size();

    host.dialogResult = GeneratorHost::kTextureOptionsCancel;
    bool firstYield = true;
    host.onYield = [&] {
        if (firstYield) clock += 3000;
        firstYield = false;
    };
    ASSERT_TRUE(run(ArchTexture));
    EXPECT_EQ(host.dialogCalls, 1);
    EXPECT_TRUE(generator.bricks().empty());
    EXPECT_EQ(generator.lastStatus(), platform::Aborted);
    EXPECT_EQ(generator.OutBitmap.Handle(), previous);

    const std::vector<std::string> expected = {"Create Brick Pattern...", "Brick Generation aborted (0:03)",
                                               "Initializing...",         "Drawing Bricks...",
                                               "Post Processing...",      "Aborted (0:00)"};
    EXPECT_EQ(textsFrom(first), expected);
    const int32_t percents[] = {0, 100, 0, 0, 99, 100};
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(reports[first + i].progress, percents[i]);
    EXPECT_EQ(reports[first + 1].secondsLeft, 3);
    EXPECT_FALSE(reports[first + 1].final);
    EXPECT_TRUE(reports.back().final);
}

TEST_F(GeneratorTest, CancelDuringTheFirstReportIsKept)
{
    host.onYield = [this] {
        if (reports.size() == 1) generator.CancelProcess();
    };
    ASSERT_TRUE(run(ArchTexture));
    EXPECT_EQ(host.dialogCalls, 0);
    EXPECT_TRUE(generator.bricks().empty());
    EXPECT_EQ(generator.lastStatus(), platform::Aborted);
    const std::vector<std::string> expected = {"Create Brick Pattern...", "Brick Generation aborted (0:00)",
                                               "Initializing...",         "Drawing Bricks...",
                                               "Post Processing...",      "Aborted (0:00)"};
    EXPECT_EQ(textsFrom(0), expected);
}

TEST_F(GeneratorTest, CancelWhileDrawingSkipsTheRestOfTheBricks)
{
    host.onYield = [this] {
        if (!reports.empty() && reports.back().text.rfind("Drawing Brick (3 of", 0) == 0) generator.CancelProcess();
    };
    ASSERT_TRUE(run(SeamlessTexture));
    const size_t n = generator.bricks().size();
    const std::vector<std::string> tail(reports.size() >= 4 ? textsFrom(reports.size() - 4) : std::vector<std::string>{});
    const std::vector<std::string> expected = {"Drawing Brick (3 of " + std::to_string(n) + ")",
                                               "Brick Generation aborted (0:00)", "Post Processing...",
                                               "Aborted (0:00)"};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(generator.lastStatus(), platform::Aborted);
}

TEST_F(GeneratorTest, CancelReportsOnceWithoutLettingTheQueueRun)
{
    // Two cancels inside one yield: each raises exactly one report at once,
    // and neither runs the event queue, so no handler is entered twice.
    int yieldsDuringCancels = -1;
    size_t reportsBefore = 0;
    host.onYield = [&] {
        if (reports.size() != 1 || yieldsDuringCancels >= 0) return;
        reportsBefore = reports.size();
        const int yieldsBefore = host.yields;
        generator.CancelProcess();
        generator.CancelProcess();
        yieldsDuringCancels = host.yields - yieldsBefore;
    };
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(yieldsDuringCancels, 0);
    ASSERT_GE(reports.size(), reportsBefore + 2);
    EXPECT_EQ(reports[reportsBefore].text, "Brick Generation aborted (0:00)");
    EXPECT_EQ(reports[reportsBefore + 1].text, "Brick Generation aborted (0:00)");
    EXPECT_EQ(reports[reportsBefore].progress, 100);
    EXPECT_FALSE(reports[reportsBefore].final);
    int finals = 0;
    for (const Report& r : reports) finals += r.final;
    EXPECT_EQ(finals, 1);
    EXPECT_EQ(reports.back().text, "Aborted (0:00)");
}

TEST_F(GeneratorTest, CancelDuringTheLayoutKeepsThePlacedRows)
{
    int rowYields = 0;
    host.onYield = [&] {
        if (reports.size() == 1 && ++rowYields == 3) generator.CancelProcess();
    };
    ASSERT_TRUE(run(SeamlessTexture));
    // One yield for the first report, then one per row: two rows placed.
    EXPECT_EQ(testing::rowsOf(generator.bricks()).size(), 2u);
    const std::vector<std::string> expected = {"Create Brick Pattern...", "Brick Generation aborted (0:00)",
                                               "Initializing...",         "Drawing Bricks...",
                                               "Post Processing...",      "Aborted (0:00)"};
    EXPECT_EQ(textsFrom(0), expected);
}

TEST_F(GeneratorTest, ASecondRunCannotStartInsideTheFirst)
{
    bool nestedResult = true;
    bool runningInside = false;
    host.onYield = [&] {
        runningInside = generator.isRunning();
        cBrickData other;
        BrickDefaults::reset(other);
        FakeHost otherHost;
        nestedResult = generator.GenerateBricks(other, SeamlessTexture, otherHost);
    };
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_TRUE(runningInside);
    EXPECT_FALSE(nestedResult);
    int finals = 0;
    for (const Report& r : reports) finals += r.final;
    EXPECT_EQ(finals, 1);
    EXPECT_EQ(reports.back().text.rfind("Completed", 0), 0u);
    EXPECT_FALSE(generator.isRunning());
}

TEST_F(GeneratorTest, PreviewStateIsReadOnce)
{
    host.preview = true;
    host.quality = 1;
    host.onYield = [this] { host.quality = 0; };
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(host.previewReads, 1);
    EXPECT_EQ(generator.resizeMode(), platform::InterpolationMode::Bilinear);
    host.preview = false;
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(generator.resizeMode(), platform::InterpolationMode::HighQualityBicubic);
}

TEST_F(GeneratorTest, SameProjectSameLayoutFromRunToRun)
{
    ASSERT_TRUE(run(SeamlessTexture));
    const std::vector<tBrick> first = generator.bricks();
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(generator.bricks(), first);
    project.RandomSeed = -1;
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(generator.bricks(), first);
    project.RandomSeed = std::numeric_limits<int32_t>::min();
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_NE(generator.bricks(), first);
}

TEST_F(GeneratorTest, CanvasSizesOfEachTextureType)
{
    ASSERT_TRUE(run(BothBorders));
    EXPECT_EQ(host.options.BorderWidth, 241);
    EXPECT_EQ(generator.OutBitmap.Width(), 482);
    EXPECT_EQ(generator.OutBitmap.Height(), 1024);
    EXPECT_EQ(project.Width, 482);
    EXPECT_EQ(generator.lastStatus(), platform::Ok);

    BrickDefaults::reset(project);
    ASSERT_TRUE(run(LeftBorder));
    EXPECT_EQ(generator.OutBitmap.Width(), 241);
    BrickDefaults::reset(project);
    ASSERT_TRUE(run(RightBorder));
    EXPECT_EQ(generator.OutBitmap.Width(), 241);

    BrickDefaults::reset(project);
    ASSERT_TRUE(run(ArchTexture));
    EXPECT_EQ(generator.OutBitmap.Width(), 166);
    EXPECT_EQ(generator.OutBitmap.Height(), 1036);

    BrickDefaults::reset(project);
    ASSERT_TRUE(run(ColumnTexture));
    // The column loses BorderSizePx (5) + 2 x NoiseStrengthPx (0) on each side.
    EXPECT_EQ(generator.OutBitmap.Width(), 154 - 2 * 5);
    EXPECT_EQ(generator.OutBitmap.Height(), 1024);
    EXPECT_EQ(generator.pixelSizes().RoundedBorderPx, 0);
    EXPECT_EQ(project.RowOffset, RowOffsetNone);
}

TEST_F(GeneratorTest, BorderRunWritesTheChosenOffsetIntoTheProject)
{
    host.editOptions = [](TextureOptionsModel& o) { o.BorderBrickOffset = RowOffsetHalf; };
    ASSERT_TRUE(run(BothBorders));
    EXPECT_EQ(project.RowOffset, RowOffsetHalf);
}

TEST_F(GeneratorTest, UnusableSettingsEndAbortedWithAStatus)
{
    const std::vector<std::function<void(cBrickData&)>> spoilers = {
        [](cBrickData& p) { p.MinWidth = std::numeric_limits<float>::quiet_NaN(); },
        [](cBrickData& p) { p.ChangeHue = std::numeric_limits<float>::infinity(); },
        [](cBrickData& p) { p.Width = 0; },
        [](cBrickData& p) { p.Height = -5; },
        [](cBrickData& p) { p.RepeatX = 0; },
        [](cBrickData& p) { p.RepeatY = -1; },
    };
    for (size_t i = 0; i < spoilers.size(); ++i) {
        SCOPED_TRACE(i);
        BrickDefaults::reset(project);
        spoilers[i](project);
        reports.clear();
        ASSERT_TRUE(run(ArchTexture));
        EXPECT_EQ(host.dialogCalls, 0);
        EXPECT_TRUE(generator.bricks().empty());
        EXPECT_EQ(generator.lastStatus(), platform::InvalidParameter);
        EXPECT_EQ(reports.back().text, "Aborted (0:00)");
        EXPECT_TRUE(reports.back().final);
    }
}

TEST_F(GeneratorTest, ArchWithoutInnerSpaceEndsAborted)
{
    // Arch width 16 with "Strength" 10 %: the inner width is 16 - 2 x 46.
    project.NoiseStrength = 10.0f;
    host.editOptions = [](TextureOptionsModel& o) { o.StoreValues({16, o.ArcHeight, o.ArcAntialias, o.ArcBrickOffset}); };
    ASSERT_TRUE(run(ArchTexture));
    EXPECT_EQ(host.options.ArcWidth, 16);
    EXPECT_TRUE(generator.bricks().empty());
    EXPECT_EQ(generator.lastStatus(), platform::InvalidParameter);
    EXPECT_EQ(reports.back().text, "Aborted (0:00)");
}

TEST_F(GeneratorTest, OversizedCanvasFailsAsOutOfMemory)
{
    platform::ImageLimits::set(4096, int64_t(1) << 31);
    project.Width = 5000;
    ASSERT_TRUE(run(SeamlessTexture));
    platform::ImageLimits::reset();
    EXPECT_EQ(generator.lastStatus(), platform::OutOfMemory);
    EXPECT_EQ(reports.back().text, "Not enough memory (0:00)");
    EXPECT_EQ(generator.failureMessage(), "Not enough memory for a 5000 x " + std::to_string(project.Height) +
                                              " texture.");
}

TEST_F(GeneratorTest, ZeroPercentSizesStillTileTheCanvas)
{
    project.Width = 300;
    project.Height = 200;
    project.MinWidth = 0.0f;
    project.MaxWidth = 0.0f;
    project.MinHeight = 0.0f;
    project.MaxHeight = 0.0f;
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(generator.lastStatus(), platform::Ok);
    EXPECT_EQ(generator.pixelSizes().MaxWidthPx, 2);
    testing::expectTiles(generator.bricks(), 300, 200);
}

TEST_F(GeneratorTest, ColumnThatWouldLoopForeverEnds)
{
    project.Width = 1024;
    project.Height = 256;
    project.MinWidth = 3.99f;
    project.MaxWidth = 32.21f;
    project.MinHeight = 2.1f;
    project.MaxHeight = 73.77f;
    ASSERT_TRUE(run(ColumnTexture));
    EXPECT_EQ(generator.lastStatus(), platform::Ok);
    int32_t y = 0;
    for (const tBrick& b : generator.bricks()) y += b.Height;
    EXPECT_EQ(y, host.options.ColumnHeight);
}

TEST_F(GeneratorTest, RunWithoutBrickImagesCompletes)
{
    project.BrickFiles->RemoveAll();
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(generator.lastStatus(), platform::Ok);
    EXPECT_FALSE(generator.bricks().empty());
    EXPECT_EQ(reports.back().text.rfind("Completed", 0), 0u);
}

TEST_F(GeneratorTest, UnknownTextureTypeOnlyReportsItsPhases)
{
    ASSERT_TRUE(run(7));
    EXPECT_TRUE(generator.bricks().empty());
    const std::vector<std::string> texts = textsFrom(0);
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], "Create Brick Pattern...");
    EXPECT_EQ(texts[1], "Initializing...");
    EXPECT_EQ(texts[2], "Drawing Bricks...");
    EXPECT_EQ(texts[3], "Post Processing...");
}

TEST_F(GeneratorTest, CancelOutsideARunReportsAndIsForgottenByTheNextRun)
{
    generator.CancelProcess();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].progress, 100);
    EXPECT_EQ(reports[0].text.rfind("Brick Generation aborted (", 0), 0u);
    ASSERT_TRUE(run(SeamlessTexture));
    EXPECT_EQ(generator.lastStatus(), platform::Ok);
}

}  // namespace
}  // namespace kalvora
