#include "platform/OrderedPipeline.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "platform/ThreadPool.h"
#include "platform/YieldPoint.h"

namespace kalvora::platform {

namespace {

class PipelineRun {
public:
    PipelineRun(const std::vector<int64_t>& weights, size_t slots, int64_t weightBudget,
                const OrderedPipeline::Prepare& prepare, const OrderedPipeline::Consume& consume,
                int64_t selfWeightLimit)
        : m_count(weights.size()), m_slots(std::max<size_t>(1, slots)), m_budget(weightBudget),
          m_prepare(prepare), m_consume(consume), m_prefix(weights.size() + 1, 0),
          m_responsive(YieldPoint::active() && ThreadPool::workersBeside()), m_selfWeightLimit(selfWeightLimit),
          m_ready(weights.size(), 0), m_failures(weights.size())
    {
        for (size_t i = 0; i < m_count; ++i) m_prefix[i + 1] = m_prefix[i] + std::max<int64_t>(0, weights[i]);
    }

    // A worker: prepares the next items while there is room, waits for room
    // while the consumer is at work, and leaves when no item is left or the
    // consumer has finished.
    void work()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_finished || m_nextClaim >= m_count) return;
            if (claimable(m_nextClaim)) {
                prepareClaimed(lock, m_nextClaim++);
                continue;
            }
            m_room.wait(lock);
        }
    }

    // The consumer: every item in order, preparing one itself when no worker
    // has taken it yet.
    // No worker prepares: the consumer prepares every item itself, as on a
    // pool of one thread.
    void prepareAllItself() { m_responsive = false; }

    void consumeAll()
    {
        struct Finish {
            PipelineRun& run;
            ~Finish()
            {
                std::lock_guard<std::mutex> lock(run.m_mutex);
                run.m_finished = true;
                run.m_room.notify_all();
            }
        };
        const Finish finish{*this};
        for (size_t i = 0; i < m_count; ++i) {
            waitForItem(i);
            if (m_failures[i]) std::rethrow_exception(m_failures[i]);
            const bool more = m_consume(i);
            std::lock_guard<std::mutex> lock(m_mutex);
            // A stop is known to the workers before the room it makes: no
            // preparation starts after it.
            if (!more) m_finished = true;
            m_consumed = i + 1;
            m_room.notify_all();
            if (!more) return;
        }
    }

private:
    bool claimable(size_t item) const
    {
        if (item == m_consumed) return true;
        return item < m_consumed + m_slots && m_prefix[item + 1] - m_prefix[m_consumed] <= m_budget;
    }

    // Runs the preparation of a claimed item without the lock.
    void prepareClaimed(std::unique_lock<std::mutex>& lock, size_t item)
    {
        lock.unlock();
        std::exception_ptr failure;
        try {
            m_prepare(item);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        m_failures[item] = failure;
        m_ready[item] = 1;
        m_itemReady.notify_one();
    }

    // Until the item is ready the consumer prepares items itself: the item
    // when no worker has taken it yet (items are claimed in order), else the
    // next one there is room for. Otherwise it waits, in slices when its
    // thread polls a yield hook: what the hook throws ends the run.
    void waitForItem(size_t item)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_ready[item]) {
            if (m_nextClaim < m_count && claimable(m_nextClaim) && selfPreparable(m_nextClaim)) {
                // A preparation runs whole, as on a worker.
                const YieldPoint::Hold whole;
                prepareClaimed(lock, m_nextClaim++);
                continue;
            }
            if (!m_responsive) {
                m_itemReady.wait(lock);
                continue;
            }
            m_itemReady.wait_for(lock, std::chrono::milliseconds(YieldPoint::kSpacingMs));
            if (m_ready[item]) break;
            lock.unlock();
            {
                const YieldPoint::Allow allow;
                YieldPoint::poll();
            }
            lock.lock();
        }
    }

    // Whether the consumer may prepare the item itself: any item, unless it
    // polls a yield hook; then only a small one, so a large preparation
    // never keeps it from its polls (the workers take the large ones).
    bool selfPreparable(size_t item) const
    {
        return !m_responsive || m_prefix[item + 1] - m_prefix[item] <= m_selfWeightLimit;
    }

    const size_t m_count;
    const size_t m_slots;
    const int64_t m_budget;
    const OrderedPipeline::Prepare& m_prepare;
    const OrderedPipeline::Consume& m_consume;
    std::vector<int64_t> m_prefix;
    // Whether the consumer polls its thread's yield hook while it waits.
    bool m_responsive;
    const int64_t m_selfWeightLimit;

    std::mutex m_mutex;
    std::condition_variable m_room;
    std::condition_variable m_itemReady;
    std::vector<char> m_ready;
    std::vector<std::exception_ptr> m_failures;
    size_t m_nextClaim = 0;
    size_t m_consumed = 0;
    bool m_finished = false;
};

}  // namespace

void OrderedPipeline::run(const std::vector<int64_t>& weights, size_t slots, int64_t weightBudget,
                          const Prepare& prepare, const Consume& consume, int64_t selfWeightLimit)
{
    if (weights.empty()) return;
    PipelineRun run(weights, slots, weightBudget, prepare, consume, selfWeightLimit);
    // The calling thread consumes while the workers beside it prepare.
    ThreadPool::runBeside(
        [&run](bool withWorkers) {
            if (!withWorkers) run.prepareAllItself();
            run.consumeAll();
        },
        [&run] { run.work(); });
}

}  // namespace kalvora::platform
