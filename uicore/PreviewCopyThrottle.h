#pragma once

#include <cstdint>

namespace kalvora {

// Decides which progress reports of a run hand the output to the preview
// window. Copying the whole output at every report would cost more than the
// run itself for large textures, so a copy is made at the final report and
// otherwise at most once per 50 ms and only while the copies so far have
// taken under a tenth of the run's time (so none at the very start, when the
// output still holds the last run's picture). A phase start (0 %) resets the
// preview's view; when its copy is skipped, the next copy resets it instead.
// Times are milliseconds of one clock.
class PreviewCopyThrottle {
public:
    static constexpr int64_t kMinimumSpacingMs = 50;
    // Copies may take at most 1 / kRunShareDivisor of the run's time.
    static constexpr int64_t kRunShareDivisor = 10;

    struct Decision {
        bool copy = false;
        bool resetView = false;
    };

    void startRun(int64_t nowMs);
    // The decision for one report; a skipped phase start is remembered.
    Decision report(int64_t nowMs, bool phaseStart, bool isFinal);
    // A copy decided by report() ran from startMs to endMs.
    void copied(int64_t startMs, int64_t endMs);

    int32_t copies() const { return m_copies; }
    int64_t copyTimeMs() const { return m_copyTimeMs; }

private:
    bool allowed(int64_t nowMs) const;

    int64_t m_runStartMs = 0;
    int64_t m_lastCopyStartMs = 0;
    int64_t m_copyTimeMs = 0;
    int32_t m_copies = 0;
    bool m_resetPending = false;
};

}  // namespace kalvora
