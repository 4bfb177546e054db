#include "uicore/PreviewCopyThrottle.h"

#include <algorithm>

namespace kalvora {

void PreviewCopyThrottle::startRun(int64_t nowMs)
{
    *this = PreviewCopyThrottle();
    m_runStartMs = nowMs;
    m_lastReportMs = nowMs;
    m_lastCopyStartMs = nowMs;
}

PreviewCopyThrottle::Decision PreviewCopyThrottle::report(int64_t nowMs, bool phaseStart, bool isFinal, bool drawn,
                                                          int64_t queueWaitMs)
{
    const int64_t sinceLastReport = std::max<int64_t>(nowMs - m_lastReportMs, 0);
    m_lastReportMs = nowMs;
    const bool queueFirst = queueWaitMs > kQueueWaitLimitMs && nowMs - m_lastCopyStartMs < kCadenceMs;
    if (!isFinal && !(drawn && !queueFirst && (m_unfinished || allowed(nowMs, sinceLastReport)))) {
        if (phaseStart) m_resetPending = true;
        return {};
    }
    const bool reset = phaseStart || m_resetPending;
    m_resetPending = false;
    return {true, reset};
}

void PreviewCopyThrottle::copied(int64_t startMs, int64_t endMs, int64_t pixels, bool finished)
{
    m_unfinished = !finished;
    ++m_copies;
    m_copiedPixels += pixels;
    m_lastCopyStartMs = startMs;
    if (endMs <= startMs) return;
    m_copyTimeMs += endMs - startMs;
    m_longestCopyMs = std::max(m_longestCopyMs, endMs - startMs);
}

bool PreviewCopyThrottle::allowed(int64_t nowMs, int64_t sinceLastReportMs) const
{
    const int64_t runMs = nowMs - m_runStartMs;
    if (runMs < kFirstCopyAfterMs) return false;
    const int64_t shownAgeAtNextReport = nowMs - m_lastCopyStartMs + sinceLastReportMs;
    if (shownAgeAtNextReport > kCadenceMs) return true;
    if (nowMs - m_lastCopyStartMs < kMinimumSpacingMs) return false;
    return (m_copyTimeMs - m_longestCopyMs) * kRunShareDivisor < runMs;
}

}  // namespace kalvora
