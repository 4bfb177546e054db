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

std::pair<platform::PixelRect, platform::PixelRect> PreviewCopyThrottle::split(const platform::PixelRect& area,
                                                                              int64_t maxPixels, int32_t fromRow)
{
    if (area.width < 1 || area.height < 1) return {area, {}};
    const int32_t bottom = area.y + area.height;
    const int32_t top = std::clamp(fromRow, area.y, bottom - 1);
    const auto rows = static_cast<int32_t>(std::clamp<int64_t>(maxPixels / area.width, 1, bottom - top));
    const platform::PixelRect band{area.x, top, area.width, rows};
    if (top > area.y) return {band, area};
    if (rows == area.height) return {band, {}};
    return {band, {area.x, top + rows, area.width, area.height - rows}};
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
