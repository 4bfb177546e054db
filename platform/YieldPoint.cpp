#include "platform/YieldPoint.h"

#include <atomic>
#include <utility>

#include "platform/Clock.h"

namespace kalvora::platform {

namespace {

thread_local YieldPoint::Hook* t_hook = nullptr;
thread_local int t_holds = 0;
thread_local int t_wholeSteps = 0;
thread_local int64_t t_lastCallMs = 0;
std::atomic<int64_t> g_spacingMs{YieldPoint::kSpacingMs};

}  // namespace

YieldPoint::Scope::Scope(Hook hook) : m_outerHook(t_hook), m_outerHolds(t_holds), m_hook(std::move(hook))
{
    t_hook = m_hook ? &m_hook : nullptr;
    t_holds = 0;
    t_lastCallMs = tickCountMs();
}

YieldPoint::Scope::~Scope()
{
    t_hook = m_outerHook;
    t_holds = m_outerHolds;
}

void YieldPoint::setSpacingMs(int64_t spacingMs) { g_spacingMs = spacingMs < 0 ? kSpacingMs : spacingMs; }

int64_t YieldPoint::spacingMs() { return g_spacingMs.load(std::memory_order_relaxed); }

YieldPoint::Hold::Hold() { ++t_holds; }

YieldPoint::Hold::~Hold() { --t_holds; }

YieldPoint::WholeStep::WholeStep() { ++t_wholeSteps; }

YieldPoint::WholeStep::~WholeStep() { --t_wholeSteps; }

bool YieldPoint::mayStop() { return t_wholeSteps == 0; }

YieldPoint::Allow::Allow() : m_holds(t_holds) { t_holds = 0; }

YieldPoint::Allow::~Allow() { t_holds = m_holds; }

bool YieldPoint::active() { return t_hook && t_holds == 0; }

void YieldPoint::poll()
{
    if (!active()) return;
    const int64_t now = tickCountMs();
    if (now - t_lastCallMs < g_spacingMs.load(std::memory_order_relaxed)) return;
    t_lastCallMs = now;
    // The hook may poll again (a nested loop in an event handler): those
    // polls do nothing until it returns.
    const Hold nested;
    (*t_hook)();
}

}  // namespace kalvora::platform
