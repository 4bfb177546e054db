#include "platform/ThreadPool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/YieldPoint.h"

namespace kalvora::platform {

namespace {

// A test may make the pool's thread starts fail after this many workers
// (negative: only the system refuses).
std::atomic<int> g_workerStartLimit{-1};

class Pool {
public:
    // The pool may end up smaller than asked: the system can refuse a thread
    // (a per-user process limit, a container's task limit). Then the pool
    // works with the workers it could start, and with none every loop runs
    // on the calling thread. Results do not depend on the number of threads,
    // so a refused thread makes the work slower, never different, and no loop
    // ever waits for a worker that did not start.
    explicit Pool(int threads)
    {
        for (int i = 1; i < threads; ++i)
            if (!startWorker(false)) return;
        // One more worker takes the calling thread's share of a responsive
        // loop, so that the caller only polls: a chunk that writes fresh
        // memory can hold a thread for a hundred milliseconds and more.
        if (threads > 1) m_hasStandIn = startWorker(true);
    }

    ~Pool()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        for (auto& t : m_workers) t.join();
    }

    // The workers and the calling thread, which takes chunks too (or the
    // stand-in worker for it).
    int size() const { return static_cast<int>(m_workers.size()) + (m_hasStandIn ? 0 : 1); }

    // With responsive set, the calling thread polls its yield hook between
    // its chunks and while it waits for the workers; when the hook throws,
    // no further chunk starts, and the exception is passed on once the
    // chunks under way are done. With callerWork, the calling thread runs
    // that instead of taking chunks. A responsive caller with a stand-in
    // takes no chunks and only polls while it waits. False, with nothing
    // run, when the workers are running another thread's loop: the caller
    // then runs its loop alone rather than wait, since that loop can last
    // seconds (a PNG encoding in the background) and the caller may be the
    // UI thread.
    bool run(int64_t first, int64_t last, int64_t chunk, const std::function<void(int64_t, int64_t)>& body,
             bool responsive, const std::function<void()>* callerWork = nullptr)
    {
        std::unique_lock<std::mutex> serial(m_runMutex, std::try_to_lock);
        if (!serial.owns_lock()) return false;
        const bool callerPollsOnly = responsive && m_hasStandIn && !callerWork;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_body = &body;
            m_last = last;
            m_chunk = chunk;
            m_next = first;
            m_standInJoins = callerPollsOnly;
            m_pending = static_cast<int>(m_workers.size()) - (m_hasStandIn && !callerPollsOnly ? 1 : 0);
            m_failure = nullptr;
            ++m_generation;
        }
        m_wake.notify_all();
        std::exception_ptr stopped = callerWork ? runStopping(*callerWork) : callerPollsOnly ? nullptr : drain(responsive);
        // Polls while waiting stop only a loop whose chunks were not all
        // handed out, which is the case only when the caller took none.
        std::exception_ptr stoppedWaiting = waitForWorkers(responsive);
        if (callerPollsOnly) stopped = stoppedWaiting;
        m_body = nullptr;
        if (stopped) {
            m_failure = nullptr;
            std::rethrow_exception(stopped);
        }
        // A chunk that threw is reported on the calling thread, never by
        // ending the process from a worker.
        if (m_failure) std::rethrow_exception(std::exchange(m_failure, nullptr));
        return true;
    }

private:
    // Starts one more worker (the stand-in joins responsive loops only);
    // false when its thread could not be started.
    bool startWorker(bool standIn)
    {
        try {
            const int limit = g_workerStartLimit.load();
            if (limit >= 0 && static_cast<int>(m_workers.size()) >= limit)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                        "thread start refused");
            m_workers.emplace_back([this, standIn] { workLoop(standIn); });
            return true;
        } catch (const std::system_error&) {
            return false;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    // Runs chunks until none is left; on the calling thread of a responsive
    // loop, polls between them and gives back what the hook threw.
    std::exception_ptr drain(bool responsive = false)
    {
        for (;;) {
            int64_t begin = m_next.fetch_add(m_chunk);
            if (begin >= m_last) return nullptr;
            try {
                (*m_body)(begin, std::min(begin + m_chunk, m_last));
            } catch (...) {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_failure) m_failure = std::current_exception();
            }
            if (!responsive) continue;
            if (std::exception_ptr stopped = pollCaller()) return stopped;
        }
    }

    // Polls the calling thread's hook; what it throws is given back.
    std::exception_ptr pollCaller()
    {
        return runStopping([] { YieldPoint::poll(); });
    }

    // Runs work on the calling thread (a poll, or its own task); what it
    // throws stops the handing out of chunks and is given back.
    std::exception_ptr runStopping(const std::function<void()>& work)
    {
        try {
            work();
            return nullptr;
        } catch (...) {
            m_next.store(m_last);
            return std::current_exception();
        }
    }

    // Until the workers are done; a responsive caller polls meanwhile, also
    // after a stop (its hook may throw again: the loop is stopping already).
    // Gives back the first thing a poll threw.
    std::exception_ptr waitForWorkers(bool responsive)
    {
        std::exception_ptr stopped;
        std::unique_lock<std::mutex> lock(m_mutex);
        while (m_pending != 0) {
            if (!responsive) {
                m_done.wait(lock, [this] { return m_pending == 0; });
                break;
            }
            m_done.wait_for(lock, std::chrono::milliseconds(std::max<int64_t>(1, YieldPoint::spacingMs())));
            if (m_pending == 0) break;
            lock.unlock();
            std::exception_ptr thrown = pollCaller();
            if (!stopped) stopped = thrown;
            lock.lock();
        }
        return stopped;
    }

    void workLoop(bool standIn)
    {
        uint64_t seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock,
                            [&] { return m_stop || (m_generation != seen && (!standIn || m_standInJoins)); });
                if (m_stop) return;
                seen = m_generation;
            }
            drain();
            std::lock_guard<std::mutex> lock(m_mutex);
            if (--m_pending == 0) m_done.notify_one();
        }
    }

    std::vector<std::thread> m_workers;
    std::mutex m_runMutex;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const std::function<void(int64_t, int64_t)>* m_body = nullptr;
    int64_t m_last = 0;
    int64_t m_chunk = 1;
    std::atomic<int64_t> m_next{0};
    int m_pending = 0;
    std::exception_ptr m_failure;
    uint64_t m_generation = 0;
    bool m_stop = false;
    bool m_hasStandIn = false;
    // Whether the stand-in takes part in the loop under way.
    bool m_standInJoins = false;
};

std::atomic<int> g_requestedSize{0};
std::once_flag g_created;
Pool* g_pool = nullptr;

Pool& pool()
{
    std::call_once(g_created, [] {
        int n = g_requestedSize.load();
        if (n < 1) n = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        static Pool instance(n);
        g_pool = &instance;
    });
    return *g_pool;
}

thread_local bool t_insideLoop = false;

// Marks a thread running a loop or a chunk of one, so loops nested in it
// run serially; the mark comes off again when the chunk throws.
struct InsideLoop {
    bool outer = t_insideLoop;
    InsideLoop() { t_insideLoop = true; }
    ~InsideLoop() { t_insideLoop = outer; }
};

// Runs one chunk marked as such: loops nested in it run serially and it
// never polls, so it is never left half done.
template <typename Work>
void runChunk(const Work& work)
{
    const InsideLoop chunkMark;
    const YieldPoint::Hold hold;
    work();
}

// A loop on a thread that polls a yield hook is cut into this many bands
// when it runs serially, and into half this many per thread: a chunk that
// writes fresh memory alongside the other threads can take 30 times as long.
constexpr int64_t kResponsiveBands = 64;

void runSerially(int64_t first, int64_t last, int64_t minChunk, const std::function<void(int64_t, int64_t)>& body,
                 bool responsive)
{
    // A responsive thread runs the range in bands and polls between them.
    if (!responsive) {
        body(first, last);
        return;
    }
    const int64_t count = last - first;
    const int64_t pieces = std::min<int64_t>(count / minChunk, kResponsiveBands);
    const int64_t band = (count + pieces - 1) / pieces;
    for (int64_t begin = first; begin < last; begin += band) {
        runChunk([&] { body(begin, std::min(begin + band, last)); });
        YieldPoint::poll();
    }
}

}  // namespace

void ThreadPool::setSize(int threads) { g_requestedSize = std::max(1, threads); }

int ThreadPool::size() { return pool().size(); }

void ThreadPool::failWorkerStartsAfter(int workers) { g_workerStartLimit = workers; }

void ThreadPool::parallelFor(int64_t first, int64_t last, int64_t minChunk,
                             const std::function<void(int64_t, int64_t)>& body)
{
    if (last <= first) return;
    minChunk = std::max<int64_t>(1, minChunk);
    Pool& p = pool();
    int64_t count = last - first;
    // A thread with an active hook polls it also in a loop nested in work of
    // its own (the compositing thread beside the workers); chunks hold it.
    const bool responsive = YieldPoint::active();
    // Small ranges run serially on the calling thread.
    if (count < minChunk * 2) {
        body(first, last);
        return;
    }
    // Nested loops run serially too, and so do loops that find the workers
    // busy with another thread's loop.
    if (p.size() > 1 && !t_insideLoop) {
        const int64_t piecesPerThread = responsive ? kResponsiveBands / 2 : 4;
        int64_t pieces = std::min<int64_t>(count / minChunk, int64_t(p.size()) * piecesPerThread);
        int64_t chunk = (count + pieces - 1) / pieces;
        InsideLoop caller;
        if (p.run(
                first, last, chunk, [&](int64_t b, int64_t e) { runChunk([&] { body(b, e); }); }, responsive))
            return;
    }
    runSerially(first, last, minChunk, body, responsive);
}


bool ThreadPool::workersBeside() { return pool().size() > 1 && !t_insideLoop; }

void ThreadPool::runBeside(const std::function<void(bool)>& onCaller, const std::function<void()>& onWorker)
{
    if (!workersBeside()) {
        onCaller(false);
        return;
    }
    Pool& p = pool();
    const bool responsive = YieldPoint::active();
    const std::function<void(int64_t, int64_t)> workerChunk = [&](int64_t, int64_t) { runChunk(onWorker); };
    const std::function<void()> callerBesideWorkers = [&] { onCaller(true); };
    bool ran = false;
    {
        const InsideLoop caller;
        ran = p.run(0, p.size() - 1, 1, workerChunk, responsive, &callerBesideWorkers);
    }
    // The workers are busy with another thread's loop: the caller alone.
    if (!ran) onCaller(false);
}

}  // namespace kalvora::platform
