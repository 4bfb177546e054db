#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

#include "platform/ScopeExit.h"
#include "platform/ThreadPool.h"
#include "platform/YieldPoint.h"

using namespace kalvora::platform;

namespace {

// A little work per index, so the calling thread takes chunks of its own.
void busyWork()
{
    volatile uint32_t x = 1;
    for (int k = 0; k < 3000; ++k) x = x * 1664525u + 1013904223u;
}

}  // namespace

TEST(ThreadPool, CoversEveryIndexExactlyOnceAndNestsSerially)
{
    std::vector<std::atomic<int>> hits(10007);
    ThreadPool::parallelFor(0, 10007, 16, [&](int64_t b, int64_t e) {
        for (int64_t i = b; i < e; ++i) hits[i]++;
        // A nested loop runs on the same thread without deadlock.
        ThreadPool::parallelFor(0, 100, 1, [](int64_t, int64_t) {});
    });
    for (auto& h : hits) ASSERT_EQ(h.load(), 1);
    int calls = 0;
    ThreadPool::parallelFor(5, 5, 1, [&](int64_t, int64_t) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(ThreadPool, AChunkThatThrowsIsReportedOnTheCallingThread)
{
    std::vector<std::atomic<int>> hits(4096);
    EXPECT_THROW(ThreadPool::parallelFor(0, 4096, 8,
                                         [&](int64_t b, int64_t e) {
                                             for (int64_t i = b; i < e; ++i) hits[i]++;
                                             if (b == 0) throw std::bad_alloc();
                                         }),
                 std::bad_alloc);
    for (auto& h : hits) ASSERT_EQ(h.load(), 1);
    // The pool stays usable.
    std::atomic<int64_t> sum{0};
    ThreadPool::parallelFor(0, 1000, 8, [&](int64_t b, int64_t e) { sum += e - b; });
    EXPECT_EQ(sum.load(), 1000);
}

// A loop and a pipeline that find the workers held by another thread's
// loop (a background encoding) run at once on the calling thread instead of
// waiting for it, and cover all their work.
TEST(ThreadPool, WorkThatFindsTheWorkersBusyRunsOnTheCallingThreadAtOnce)
{
    if (ThreadPool::size() < 2) GTEST_SKIP() << "one thread: nothing to be busy";
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::thread other([&] {
        ThreadPool::parallelFor(0, 2, 1, [&](int64_t, int64_t) {
            holding = true;
            while (!release) std::this_thread::yield();
        });
    });
    const ScopeExit finish([&] {
        release = true;
        other.join();
    });
    while (!holding) std::this_thread::yield();

    const std::thread::id self = std::this_thread::get_id();
    std::vector<std::atomic<int>> hits(1000);
    std::atomic<int> elsewhere{0};
    ThreadPool::parallelFor(0, 1000, 1, [&](int64_t b, int64_t e) {
        if (std::this_thread::get_id() != self) ++elsewhere;
        for (int64_t i = b; i < e; ++i) hits[i]++;
    });
    for (auto& h : hits) ASSERT_EQ(h.load(), 1);
    EXPECT_EQ(elsewhere.load(), 0);
    bool callerHadWorkers = true;
    int workerRuns = 0;
    ThreadPool::runBeside([&](bool withWorkers) { callerHadWorkers = withWorkers; }, [&] { ++workerRuns; });
    EXPECT_FALSE(callerHadWorkers);
    EXPECT_EQ(workerRuns, 0);
}

TEST(ThreadPool, AThreadWithAYieldHookPollsBetweenBandsAndAThrowStopsTheLoop)
{
    YieldPoint::setSpacingMs(0);
    const ScopeExit spacing([] { YieldPoint::setSpacingMs(-1); });
    static thread_local bool insideChunk = false;
    int calls = 0;
    bool calledInsideChunk = false;
    // With workers, the calling thread takes no chunk: it only polls.
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> callerTookAChunk{false};
    {
        const YieldPoint::Scope hook([&] {
            ++calls;
            calledInsideChunk = calledInsideChunk || insideChunk;
        });
        std::vector<std::atomic<int>> hits(20000);
        ThreadPool::parallelFor(0, 20000, 16, [&](int64_t b, int64_t e) {
            insideChunk = true;
            if (std::this_thread::get_id() == caller) callerTookAChunk = true;
            for (int64_t i = b; i < e; ++i) {
                hits[i]++;
                busyWork();
            }
            // A nested loop never polls: its band would be left half done.
            ThreadPool::parallelFor(0, 100, 1, [](int64_t, int64_t) {});
            insideChunk = false;
        });
        for (auto& h : hits) ASSERT_EQ(h.load(), 1);
    }
    EXPECT_GE(calls, 1);
    EXPECT_FALSE(calledInsideChunk);
    EXPECT_EQ(callerTookAChunk.load(), ThreadPool::size() == 1);

    // A hook that throws stops the loop before its next band; the chunks
    // under way end whole and the throw reaches the caller.
    std::vector<std::atomic<int>> hits(20000);
    int stopsAfter = 2;
    {
        const YieldPoint::Scope hook([&] {
            if (--stopsAfter == 0) throw WorkStopped();
        });
        EXPECT_THROW(ThreadPool::parallelFor(0, 20000, 16,
                                             [&](int64_t b, int64_t e) {
                                                 for (int64_t i = b; i < e; ++i) {
                                                     hits[i]++;
                                                     busyWork();
                                                 }
                                             }),
                     WorkStopped);
    }
    int64_t done = 0;
    for (auto& h : hits) {
        ASSERT_LE(h.load(), 1);
        done += h.load();
    }
    EXPECT_GT(done, 0);
    EXPECT_LT(done, 20000);
    // Without a hook nothing polls, and the pool stays usable.
    std::atomic<int64_t> sum{0};
    ThreadPool::parallelFor(0, 1000, 8, [&](int64_t b, int64_t e) { sum += e - b; });
    EXPECT_EQ(sum.load(), 1000);
}
