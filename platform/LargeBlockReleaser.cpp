#include "platform/LargeBlockReleaser.h"

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace kalvora::platform {

namespace {

// One thread frees the blocks in the order they came. The object lives as
// long as the process: blocks still waiting at its end stay reachable, and
// images dropped by other objects' destructors at exit still find it.
class ReleaseQueue {
public:
    void push(void* block)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (startThread() && queued(block)) {
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
    bool queued(void* block)
    {
        try {
            m_blocks.push_back(block);
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
            void* block = m_blocks.front();
            m_blocks.pop_front();
            m_freeing = true;
            lock.unlock();
            std::free(block);
            lock.lock();
            m_freeing = false;
            if (m_blocks.empty()) m_emptied.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_emptied;
    std::deque<void*> m_blocks;
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
    queue().push(block);
}

void LargeBlockReleaser::waitUntilReleased() { queue().waitUntilEmpty(); }

}  // namespace kalvora::platform
