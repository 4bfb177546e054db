// What the main window shows of a run: the progress text and which reports
// copy the output to the preview.

#include <gtest/gtest.h>

#include <vector>

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

TEST_F(ThrottleTest, CopiesButTheLongestStayUnderAFiftiethOfTheRun)
{
    throttle.startRun(0);
    // The first copy brings over the whole background in 400 ms: it is the
    // longest, so it uses up none of the budget.
    EXPECT_TRUE(at(kFirst, true, false, 400).copy);
    EXPECT_TRUE(at(1400, false, false, 30).copy);
    // Now the budget holds 30 ms: the next copy may come once the run is
    // past 1500 ms, though 50 ms have passed before.
    EXPECT_FALSE(at(1450).copy);
    EXPECT_FALSE(at(1500).copy);
    EXPECT_TRUE(at(1501, false, false, 30).copy);
    EXPECT_FALSE(at(1800).copy);
    EXPECT_EQ(throttle.copyTimeMs(), 460);
}

TEST_F(ThrottleTest, WhileBricksComeThePictureIsNeverOlderThanTheCadence)
{
    // Every copy takes 200 ms, far past the budget: the copies come as the
    // picture would otherwise get older than a second at the next report.
    for (const int64_t step : {90, 200, 600}) {
        SCOPED_TRACE(step);
        throttle.startRun(0);
        std::vector<int64_t> copies;
        // Reports once the run has lasted a second.
        int64_t reports = 0;
        for (int64_t t = 0; t < 20000; t += step) {
            if (t >= kFirst) ++reports;
            if (at(t, false, false, 200).copy) copies.push_back(t);
        }
        ASSERT_GE(copies.size(), 2u);
        EXPECT_GE(copies[0], kFirst);
        EXPECT_LT(copies[0], kFirst + step);
        for (size_t i = 1; i < copies.size(); ++i)
            EXPECT_LE(copies[i] - copies[i - 1], PreviewCopyThrottle::kCadenceMs) << i;
        // Not at every report, unless they come more than half the cadence
        // apart.
        if (step * 2 < PreviewCopyThrottle::kCadenceMs) {
            EXPECT_LT(static_cast<int64_t>(copies.size()) * 2, reports);
        } else {
            EXPECT_EQ(static_cast<int64_t>(copies.size()), reports);
        }
    }
    // Reports more than a second apart copy at each, as long as something
    // was drawn.
    throttle.startRun(0);
    EXPECT_TRUE(at(1200, false, false, 200).copy);
    EXPECT_FALSE(throttle.report(2500, false, false, false).copy);
    EXPECT_TRUE(at(3800, false, false, 200).copy);
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

// A large area comes over in bands of whole rows, and every report that
// finds something drawn goes on with an unfinished copy at once.
TEST_F(ThrottleTest, ALargeAreaComesOverInBandsOnePerReport)
{
    throttle.startRun(0);
    ASSERT_TRUE(throttle.report(kFirst, false, false).copy);
    throttle.copied(kFirst, kFirst + 400, 0, false);
    EXPECT_TRUE(throttle.report(kFirst + 401, false, false).copy);
    throttle.copied(kFirst + 401, kFirst + 402, 0, true);
    EXPECT_FALSE(throttle.report(kFirst + 403, false, false).copy);

    // A queue that has waited long goes first, unless the picture is a
    // second old; the final report copies all the same.
    throttle.copied(kFirst + 500, kFirst + 500, 0, false);
    EXPECT_FALSE(throttle.report(kFirst + 600, false, false, true, 81).copy);
    EXPECT_TRUE(throttle.report(kFirst + 601, false, false, true, 80).copy);
    EXPECT_TRUE(throttle.report(kFirst + 1601, false, false, true, 200).copy);
    EXPECT_TRUE(throttle.report(kFirst + 1602, false, true, true, 200).copy);
}

TEST_F(ThrottleTest, ANewRunForgetsTheLastOne)
{
    throttle.startRun(0);
    at(kFirst, true, false, 1000);
    // Skipped: too soon after the last copy; its reset waits.
    EXPECT_FALSE(at(kFirst + 10, true).copy);
    throttle.startRun(5000);
    EXPECT_FALSE(at(5050).copy);
    const PreviewCopyThrottle::Decision d = at(5000 + kFirst);
    EXPECT_TRUE(d.copy);
    EXPECT_FALSE(d.resetView);
    EXPECT_EQ(throttle.copies(), 1);
    EXPECT_EQ(throttle.copyTimeMs(), 0);
}

}  // namespace
}  // namespace kalvora
