#pragma once

#include <utility>

namespace kalvora::platform {

// Runs an action when the scope it lives in ends, on every way out: a
// return, a failure or an exception thrown by code it called. The program
// uses it where a state (a running flag, a busy cursor, a locked image) is
// held across a call into outside code, so that the state is given back even
// when that code throws. The action itself must not throw.
template <typename Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : m_action(std::move(action)) {}
    ~ScopeExit() { m_action(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action m_action;
};

}  // namespace kalvora::platform
