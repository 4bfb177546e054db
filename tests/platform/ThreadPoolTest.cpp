#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <vector>

#include "platform/ThreadPool.h"

using namespace kalvora::platform;

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
