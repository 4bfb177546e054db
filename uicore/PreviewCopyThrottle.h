#pragma once

#include <cstdint>

namespace kalvora {

// Decides which progress reports of a run hand the output to the preview
// window. A copy brings over only what was drawn since the one before, but
// each also redraws the view, and at every report that would cost more than
// the run itself for large textures. So a copy is made at the final report
// and otherwise only when something was drawn, once the run has lasted a
// second (a shorter run shows only its result, which is all the eye would
// catch), at most once per 50 ms and only while the copies so far have
// taken under a hundredth of the run's time. A phase start (0 %) resets the
// preview's view; when its copy is skipped, the next copy resets it instead.
// Times are milliseconds of one clock.
class PreviewCopyThrottle {
public:
    static constexpr int64_t kFirstCopyAfterMs = 1000;
    static constexpr int64_t kMinimumSpacingMs = 50;
    // Copies may take at most 1 / kRunShareDivisor of the run's time.
    static constexpr int64_t kRunShareDivisor = 100;

    struct Decision {
        bool copy = false;
        bool resetView = false;
    };

    void startRun(int64_t nowMs);
    // The decision for one report, of which drawn says whether the output
    // changed since the last copy; a skipped phase start is remembered.
    Decision report(int64_t nowMs, bool phaseStart, bool isFinal, bool drawn = true);
    // A copy decided by report() ran from startMs to endMs and brought
    // over that many pixels.
    void copied(int64_t startMs, int64_t endMs, int64_t pixels = 0);

    int32_t copies() const { return m_copies; }
    int64_t copyTimeMs() const { return m_copyTimeMs; }
    int64_t copiedPixels() const { return m_copiedPixels; }

private:
    bool allowed(int64_t nowMs) const;

    int64_t m_runStartMs = 0;
    int64_t m_lastCopyStartMs = 0;
    int64_t m_copyTimeMs = 0;
    int64_t m_copiedPixels = 0;
    int32_t m_copies = 0;
    bool m_resetPending = false;
};

}  // namespace kalvora
