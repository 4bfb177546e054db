#include <gtest/gtest.h>

#include <atomic>
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
