#pragma once

#include <cstdint>
#include <exception>
#include <functional>

namespace kalvora::platform {

// Thrown by a yield hook to stop the work it interrupts (a cancelled run).
class WorkStopped : public std::exception {
public:
    const char* what() const noexcept override { return "work stopped"; }
};

// Long work on a thread that must stay responsive (the UI thread during a
// generator run) lets a hook run every few milliseconds: parallel loops call
// poll() on that thread between their chunks and while they wait for the
// workers, and a loop that runs serially there is cut into bands with a poll
// between them. The hook may throw (WorkStopped) to stop the work: the loop
// then starts no further chunk, waits for the chunks under way and passes
// the exception on. No poll happens inside a chunk, so a band is never left
// half written.
class YieldPoint {
public:
    using Hook = std::function<void()>;

    // The hook is called at most once per this many milliseconds of polls.
    static constexpr int64_t kSpacingMs = 15;
    // Tests set 0, so every poll calls the hook; negative puts kSpacingMs back.
    static void setSpacingMs(int64_t spacingMs);
    static int64_t spacingMs();

    // Installs the hook on the calling thread for the scope's life (the one
    // before comes back afterwards).
    class Scope {
    public:
        explicit Scope(Hook hook);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Hook* m_outerHook;
        int m_outerHolds;
        Hook m_hook;
    };

    // Within a Hold, polls on this thread do nothing: a chunk of a loop, or
    // a step that must run to its end once begun.
    class Hold {
    public:
        Hold();
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
    };

    // Within a WholeStep, polls still reach the hook, but it must not stop
    // the work: a step that must end whole (compositing one brick).
    class WholeStep {
    public:
        WholeStep();
        ~WholeStep();
        WholeStep(const WholeStep&) = delete;
        WholeStep& operator=(const WholeStep&) = delete;
    };

    // Within an Allow, polls reach the hook again, also inside a Hold: a
    // thread that waits inside a chunk for work of other threads.
    class Allow {
    public:
        Allow();
        ~Allow();
        Allow(const Allow&) = delete;
        Allow& operator=(const Allow&) = delete;

    private:
        int m_holds;
    };

    // Whether polls on this thread reach a hook.
    static bool active();
    // Whether the hook may stop the work under way (outside every WholeStep).
    static bool mayStop();
    // Calls the hook when one is active here and kSpacingMs have passed
    // since it last ran; may throw what the hook throws.
    static void poll();
};

}  // namespace kalvora::platform
