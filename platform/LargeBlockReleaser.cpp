#include "platform/LargeBlockReleaser.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kalvora::platform {

namespace {

// Drops the pages of a block in steps before it is freed. Unmapping a
// gigabyte at once holds the process's address-space lock for 100 ms and
// more, and the UI thread's next large allocation would wait for it; page
// by page in steps of this size the lock is held only briefly each time,
// and the free that follows finds nothing left to drop.
constexpr size_t kDropStep = size_t(32) << 20;

void dropPages(void* block, size_t bytes)
{
#if defined(__linux__)
    constexpr uintptr_t kPage = 4096;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kPage - 1);
    for (uintptr_t at = begin; at < end; at += kDropStep)
        madvise(reinterpret_cast<void*>(at), std::min<uintptr_t>(kDropStep, end - at), MADV_DONTNEED);
#else
    (void)block;
    (void)bytes;
#endif
}

// One thread frees the blocks in the order they came. The object lives as
// long as the process: blocks still waiting at its end stay reachable, and
// images dropped by other objects' destructors at exit still find it.
class ReleaseQueue {
public:
    void push(void* block, size_t bytes)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (startThread() && queued(block, bytes)) {
            m_wake.notify_one();
            return;
        }
        // No thread, or no room in the queue: freed here after all.
        lock.unlock();
        std::free(block);
    }

    void waitUntilEmpty()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_emptied.wait(lock, [this] { return m_blocks.empty() && !m_freeing; });
    }

private:
    // Under the lock; false when the queue could not grow.
    bool queued(void* block, size_t bytes)
    {
        try {
            m_blocks.emplace_back(block, bytes);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    // Under the lock; false when no thread could be started.
    bool startThread()
    {
        if (m_started) return true;
        try {
            std::thread(&ReleaseQueue::run, this).detach();
        } catch (const std::system_error&) {
            return false;
        }
        m_started = true;
        return true;
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return !m_blocks.empty(); });
            const auto [block, bytes] = m_blocks.front();
            m_blocks.pop_front();
            m_freeing = true;
            lock.unlock();
            dropPages(block, bytes);
            std::free(block);
            lock.lock();
            m_freeing = false;
            if (m_blocks.empty()) m_emptied.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_emptied;
    std::deque<std::pair<void*, size_t>> m_blocks;
    bool m_started = false;
    bool m_freeing = false;
};

ReleaseQueue& queue()
{
    static ReleaseQueue* const instance = new ReleaseQueue;
    return *instance;
}

}  // namespace

void LargeBlockReleaser::release(void* block, size_t bytes)
{
    if (!block) return;
    if (bytes < kThreshold) {
        std::free(block);
        return;
    }
    queue().push(block, bytes);
}

void LargeBlockReleaser::waitUntilReleased() { queue().waitUntilEmpty(); }

}  // namespace kalvora::platform
