#pragma once

#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>

namespace kalvora::fuzzing {

// The most heap memory held at once between start() and stop(), counted
// through the address sanitizer's allocation hooks, so it covers the
// libraries' allocations as well as the program's own.
class HeapMeter {
public:
    static void start()
    {
        static const bool installed = [] {
            __sanitizer_install_malloc_and_free_hooks(onAllocate, onFree);
            return true;
        }();
        (void)installed;
        s_live = 0;
        s_peak = 0;
        s_counting = true;
    }

    static uint64_t stop()
    {
        s_counting = false;
        return s_peak > 0 ? uint64_t(s_peak) : 0;
    }

private:
    static void onAllocate(const volatile void*, size_t size)
    {
        if (!s_counting) return;
        s_live += int64_t(size);
        if (s_live > s_peak) s_peak = s_live;
    }

    // A block allocated before start() and freed while counting lowers the
    // count: the peak may come out a little low, never high.
    static void onFree(const volatile void* p)
    {
        if (!s_counting || !p || !__sanitizer_get_ownership(const_cast<const void*>(p))) return;
        s_live -= int64_t(__sanitizer_get_allocated_size(const_cast<const void*>(p)));
    }

    static inline bool s_counting = false;
    static inline int64_t s_live = 0;
    static inline int64_t s_peak = 0;
};

}  // namespace kalvora::fuzzing
