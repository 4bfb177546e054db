#pragma once

#include <cstdint>

namespace kalvora {

// Decides which progress reports of a run hand the output to the preview
// window. A copy brings over only what was drawn since the one before, but
// each also redraws the view, and at every report that would cost more than
// the run itself for large textures. So a copy is made at the final report
// and otherwise only when something was drawn, once the run has lasted a
// second (a shorter run shows only its result, which is all the eye would
// catch), and then when either
// - the picture shown would be older than kCadenceMs at the next report,
//   expected as far after this one as this one came after the last: a long
//   run shows a fresh picture well within every second, also as a screen
//   that refreshes a few times a second sees it, whatever its copies cost
//   (each brings over what that time of drawing made, little beside the
//   drawing itself); or
// - 50 ms have passed since the last copy and the copies so far, the
//   longest of them left out, have taken under a fiftieth of the run's
//   time. The longest copy is as a rule the one that brought over a large
//   area at once (the whole background of a large texture, or the first
//   copy into fresh memory), which would otherwise use up the budget for
//   the rest of the run.
// A report that comes when the event queue has waited longer than
// kQueueWaitLimitMs copies nothing, so that the queue runs at once, unless
// the picture shown is kCadenceMs old.
// A large area comes over in parts of whole rows, one part per report, so
// that no report holds the window long: while a copy is unfinished, every
// report that finds something drawn goes on with it.
// A phase start (0 %) resets the preview's view; when its copy is skipped,
// the next copy resets it instead. Times are milliseconds of one clock.
class PreviewCopyThrottle {
public:
    static constexpr int64_t kFirstCopyAfterMs = 1000;
    // The oldest the shown picture may get while something new was drawn.
    static constexpr int64_t kCadenceMs = 700;
    static constexpr int64_t kMinimumSpacingMs = 50;
    // Copies but the longest may take at most 1 / kRunShareDivisor of the
    // run's time.
    static constexpr int64_t kRunShareDivisor = 50;
    static constexpr int64_t kQueueWaitLimitMs = 80;

    struct Decision {
        bool copy = false;
        bool resetView = false;
    };

    void startRun(int64_t nowMs);
    // The decision for one report, of which drawn says whether the output
    // changed since the last copy and queueWaitMs how long the event queue
    // has not run; a skipped phase start is remembered.
    Decision report(int64_t nowMs, bool phaseStart, bool isFinal, bool drawn = true, int64_t queueWaitMs = 0);
    // A copy decided by report() ran from startMs to endMs and brought
    // over that many pixels; unfinished when part of what was drawn waits
    // for the next report.
    void copied(int64_t startMs, int64_t endMs, int64_t pixels = 0, bool finished = true);

    int32_t copies() const { return m_copies; }
    int64_t copyTimeMs() const { return m_copyTimeMs; }
    int64_t copiedPixels() const { return m_copiedPixels; }

private:
    bool allowed(int64_t nowMs, int64_t sinceLastReportMs) const;

    int64_t m_runStartMs = 0;
    int64_t m_lastReportMs = 0;
    // The start of the last copy; the run's start before the first.
    int64_t m_lastCopyStartMs = 0;
    int64_t m_copyTimeMs = 0;
    int64_t m_longestCopyMs = 0;
    int64_t m_copiedPixels = 0;
    int32_t m_copies = 0;
    bool m_resetPending = false;
    bool m_unfinished = false;
};

}  // namespace kalvora
