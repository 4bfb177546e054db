#include "uicore/PreviewCopyThrottle.h"

namespace kalvora {

void PreviewCopyThrottle::startRun(int64_t nowMs)
{
    *this = PreviewCopyThrottle();
    m_runStartMs = nowMs;
    m_lastCopyStartMs = nowMs;
}

PreviewCopyThrottle::Decision PreviewCopyThrottle::report(int64_t nowMs, bool phaseStart, bool isFinal, bool drawn)
{
    if (!isFinal && !(drawn && allowed(nowMs))) {
        if (phaseStart) m_resetPending = true;
        return {};
    }
    const bool reset = phaseStart || m_resetPending;
    m_resetPending = false;
    return {true, reset};
}

void PreviewCopyThrottle::copied(int64_t startMs, int64_t endMs, int64_t pixels)
{
    ++m_copies;
    m_copiedPixels += pixels;
    m_lastCopyStartMs = startMs;
    if (endMs > startMs) m_copyTimeMs += endMs - startMs;
}

bool PreviewCopyThrottle::allowed(int64_t nowMs) const
{
    if (nowMs - m_runStartMs < kFirstCopyAfterMs) return false;
    if (m_copies > 0 && nowMs - m_lastCopyStartMs < kMinimumSpacingMs) return false;
    return m_copyTimeMs * kRunShareDivisor < nowMs - m_runStartMs;
}

}  // namespace kalvora
