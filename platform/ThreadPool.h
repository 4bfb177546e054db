#pragma once

#include <cstdint>
#include <functional>

namespace kalvora::platform {

// The one pool of worker threads of the process. Its size is set once,
// before the first parallel loop (1 = everything runs on the calling
// thread; default: the number of cores). Loops split a range of rows into
// contiguous chunks; each chunk must write only its own rows, so the result
// is the same for every pool size.
class ThreadPool {
public:
    // Sets the size; has an effect only before the pool first runs a loop.
    static void setSize(int threads);
    // The threads that run loops: the calling thread and the workers that
    // started (in a loop with a yield hook, a stand-in worker for the calling
    // thread). Fewer than set when the system refused to start some threads.
    static int size();

    // For tests on a system that would start every thread: the pool's thread
    // starts fail, as the system's would, after this many workers (negative:
    // no such failure). Has an effect only before the pool first runs a loop.
    static void failWorkerStartsAfter(int workers);

    // Calls body(begin, end) for disjoint chunks covering [first, last), on the
    // calling thread and the workers, and returns when all are done. Ranges
    // shorter than minChunk * 2 run serially on the calling thread. When a
    // chunk throws, the other chunks still run and the first exception is
    // rethrown here, on the calling thread. On a thread with an active yield
    // hook (YieldPoint) the calling thread leaves its chunks to a stand-in
    // worker and polls it while it waits (between its own chunks where no
    // stand-in started), a serial run is cut into bands for it, and what the
    // hook throws stops the loop before its next chunk and is rethrown here.
    // A loop that finds the workers busy with another thread's loop runs
    // serially on the calling thread rather than wait for it.
    static void parallelFor(int64_t first, int64_t last, int64_t minChunk,
                            const std::function<void(int64_t, int64_t)>& body);

    // Whether runBeside would run workers beside the caller: the pool has
    // some and the caller is not inside a loop of the pool.
    static bool workersBeside();
    // Runs onCaller on the calling thread and onWorker once on every worker
    // beside it, and returns when all are done; without workers (none, or
    // all busy with another thread's loop) only onCaller runs. onCaller
    // learns which. Loops nested in either run serially. What onCaller
    // throws is rethrown once the workers are done (a caller with an active
    // yield hook polls it while it waits for them); what a worker throws is
    // rethrown after that.
    static void runBeside(const std::function<void(bool withWorkers)>& onCaller,
                          const std::function<void()>& onWorker);
};

}  // namespace kalvora::platform
