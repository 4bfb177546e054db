// What the main window shows of a run: the progress text and which reports
// copy the output to the preview.

#include <gtest/gtest.h>

#include "uicore/PreviewCopyThrottle.h"
#include "uicore/ProgressText.h"

namespace kalvora {
namespace {

TEST(ProgressText, TwoLinesWithUnpaddedMinutes)
{
    EXPECT_EQ(ProgressText::label("Create Brick Pattern...", 0, 0), "Create Brick Pattern...\r\n0% done (0:00 left)");
    EXPECT_EQ(ProgressText::label("Drawing Brick (9 of 20)", 45, 65), "Drawing Brick (9 of 20)\r\n45% done (1:05 left)");
    EXPECT_EQ(ProgressText::label("x", 99, 5), "x\r\n99% done (0:05 left)");
    EXPECT_EQ(ProgressText::label("Completed (12:34)", 100, 754), "Completed (12:34)\r\n100% done (12:34 left)");
    EXPECT_EQ(ProgressText::label("", 100, 3600), "\r\n100% done (60:00 left)");
}

class ThrottleTest : public ::testing::Test {
protected:
    // A report at the given time; a copy, when decided, takes copyMs.
    PreviewCopyThrottle::Decision at(int64_t t, bool phaseStart = false, bool isFinal = false, int64_t copyMs = 0)
    {
        const PreviewCopyThrottle::Decision d = throttle.report(t, phaseStart, isFinal);
        if (d.copy) throttle.copied(t, t + copyMs);
        return d;
    }

    PreviewCopyThrottle throttle;
};

// Mid-run copies start once the run has lasted this long.
constexpr int64_t kFirst = PreviewCopyThrottle::kFirstCopyAfterMs;

TEST_F(ThrottleTest, NothingInTheFirstSecondThenAtMostOneCopyPer50Ms)
{
    throttle.startRun(1000);
    EXPECT_FALSE(at(1000, true).copy);
    EXPECT_FALSE(at(1000 + kFirst - 1, true).copy);
    EXPECT_TRUE(at(1000 + kFirst).copy);
    EXPECT_FALSE(at(1000 + kFirst + 49).copy);
    EXPECT_TRUE(at(1000 + kFirst + 50).copy);
    EXPECT_FALSE(at(1000 + kFirst + 60).copy);
    EXPECT_TRUE(at(1000 + kFirst + 100).copy);
    EXPECT_EQ(throttle.copies(), 3);
}

TEST_F(ThrottleTest, CopiesStayUnderAHundredthOfTheRun)
{
    throttle.startRun(0);
    // The first copy takes 30 ms: the next may come once the run is past
    // 3000 ms, though 50 ms have passed long before.
    EXPECT_TRUE(at(kFirst, true, false, 30).copy);
    EXPECT_FALSE(at(kFirst + 100).copy);
    EXPECT_FALSE(at(3000).copy);
    EXPECT_TRUE(at(3001, false, false, 30).copy);
    EXPECT_EQ(throttle.copyTimeMs(), 60);
    EXPECT_FALSE(at(6000).copy);
    EXPECT_TRUE(at(6001).copy);
}

TEST_F(ThrottleTest, TheFinalReportAlwaysCopies)
{
    throttle.startRun(0);
    EXPECT_TRUE(at(kFirst, false, false, 500).copy);
    EXPECT_FALSE(at(kFirst + 10).copy);
    const PreviewCopyThrottle::Decision d = at(kFirst + 11, false, true);
    EXPECT_TRUE(d.copy);
    EXPECT_FALSE(d.resetView);
    // Even at the very start.
    throttle.startRun(20);
    EXPECT_TRUE(at(20, false, true).copy);
}

TEST_F(ThrottleTest, ASkippedPhaseStartResetsTheViewAtTheNextCopy)
{
    throttle.startRun(0);
    // Skipped at the start, so the first copy resets the view.
    EXPECT_FALSE(at(0, true).copy);
    PreviewCopyThrottle::Decision d = at(kFirst);
    EXPECT_TRUE(d.copy);
    EXPECT_TRUE(d.resetView);
    EXPECT_FALSE(at(kFirst + 10, true).copy);
    EXPECT_FALSE(at(kFirst + 20).copy);
    d = at(kFirst + 50);
    EXPECT_TRUE(d.copy);
    EXPECT_TRUE(d.resetView);
    d = at(kFirst + 100);
    EXPECT_TRUE(d.copy);
    EXPECT_FALSE(d.resetView);
    d = at(kFirst + 150, true);
    EXPECT_TRUE(d.copy);
    EXPECT_TRUE(d.resetView);
    // Skipped, then carried to the final copy.
    EXPECT_FALSE(at(kFirst + 160, true).copy);
    d = at(kFirst + 161, false, true);
    EXPECT_TRUE(d.resetView);

    // Nothing drawn since the last copy: no copy, and its reset waits.
    throttle.startRun(0);
    EXPECT_FALSE(throttle.report(kFirst + 50, true, false, false).copy);
    EXPECT_TRUE(at(kFirst + 100).resetView);
    EXPECT_TRUE(throttle.report(kFirst + 101, false, true, false).copy);
}

TEST_F(ThrottleTest, ANewRunForgetsTheLastOne)
{
    throttle.startRun(0);
    at(kFirst, true, false, 1000);
    EXPECT_FALSE(at(5000, true).copy);
    throttle.startRun(5000);
    EXPECT_FALSE(at(5050).copy);
    const PreviewCopyThrottle::Decision d = at(5000 + kFirst);
    EXPECT_TRUE(d.copy);
    EXPECT_FALSE(d.resetView);
    EXPECT_EQ(throttle.copies(), 1);
}

}  // namespace
}  // namespace kalvora
