#pragma once

#include <cstddef>

namespace kalvora::platform {

// Gives large pixel blocks back to the system on a thread of its own. Freeing
// a gigabyte takes 70 to 300 ms (every page is unmapped), which the thread
// that drops an image (the UI thread in a run) need not wait for. Blocks below
// kThreshold are freed at once.
class LargeBlockReleaser {
public:
    static constexpr size_t kThreshold = size_t(64) << 20;

    // Frees a block from std::malloc or std::calloc of that many bytes.
    static void release(void* block, size_t bytes);
    // Returns once every block handed over so far has been freed: an
    // allocation that failed tries again after it.
    static void waitUntilReleased();
};

}  // namespace kalvora::platform
