#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/OrderedPipeline.h"
#include "platform/ScopeExit.h"
#include "platform/ThreadPool.h"
#include "platform/YieldPoint.h"

using namespace kalvora::platform;

namespace {

// Items of varied weight, some heavier than the whole budget.
std::vector<int64_t> weights(size_t count)
{
    std::vector<int64_t> w(count);
    for (size_t i = 0; i < count; ++i) w[i] = (i % 37 == 0) ? 500 : static_cast<int64_t>(1 + i % 7);
    return w;
}

}  // namespace

TEST(OrderedPipeline, ConsumesInOrderAfterPreparationWithinItsBoundsAndStopsWhenAsked)
{
    constexpr size_t kCount = 2000;
    constexpr size_t kSlots = 12;
    constexpr int64_t kBudget = 40;
    const std::vector<int64_t> w = weights(kCount);
    std::vector<std::atomic<int>> prepared(kCount);
    std::atomic<size_t> consumed{0};
    std::atomic<int> boundsBroken{0};
    std::atomic<size_t> started{0};
    const std::thread::id caller = std::this_thread::get_id();
    bool onCaller = true;
    size_t expected = 0;
    bool inOrder = true;

    OrderedPipeline::run(
        w, kSlots, kBudget,
        [&](size_t i) {
            ++started;
            // Seen from here the consumer may be further along than when the
            // item was claimed, so these bounds are the claim's or looser.
            const size_t c = consumed.load();
            const int64_t ahead = std::accumulate(w.begin() + static_cast<std::ptrdiff_t>(std::min(c, i)),
                                                  w.begin() + static_cast<std::ptrdiff_t>(i) + 1, int64_t{0});
            if (i >= c + kSlots || (i != c && ahead > kBudget)) ++boundsBroken;
            prepared[i].fetch_add(1);
        },
        [&](size_t i) {
            onCaller = onCaller && std::this_thread::get_id() == caller;
            inOrder = inOrder && i == expected++ && prepared[i].load() == 1;
            consumed = i + 1;
            return i + 1 < 1500;
        });

    EXPECT_TRUE(onCaller);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(consumed.load(), 1500u);
    EXPECT_EQ(boundsBroken.load(), 0);
    // After the stop no preparation started beyond the window.
    EXPECT_LE(started.load(), 1500u + kSlots);
    for (size_t i = 0; i < kCount; ++i) ASSERT_LE(prepared[i].load(), 1) << i;
}

TEST(OrderedPipeline, AFailedPreparationIsRethrownWhenItsItemIsDue)
{
    std::vector<size_t> consumedItems;
    EXPECT_THROW(OrderedPipeline::run(
                     weights(300), 8, 100,
                     [](size_t i) {
                         if (i == 120) throw std::runtime_error("no memory for item 120");
                     },
                     [&](size_t i) {
                         consumedItems.push_back(i);
                         return true;
                     }),
                 std::runtime_error);
    ASSERT_EQ(consumedItems.size(), 120u);
    EXPECT_EQ(consumedItems.back(), 119u);
}

TEST(OrderedPipeline, NoPreparationStartsOnceAConsumptionStopsTheRun)
{
    // Stops at every item in turn, many times over. Until the stop at item
    // k, items below k + slots may be claimed; the stop must not make room
    // for the next one.
    constexpr size_t kCount = 48;
    constexpr size_t kSlots = 4;
    std::atomic<int> preparedAfterStop{0};
    for (int round = 0; round < 3000; ++round) {
        const size_t stopAt = static_cast<size_t>(round) % kCount;
        OrderedPipeline::run(
            std::vector<int64_t>(kCount, 1), kSlots, 1000,
            [&](size_t i) {
                if (i >= stopAt + kSlots) ++preparedAfterStop;
            },
            [&](size_t i) { return i < stopAt; });
    }
    EXPECT_EQ(preparedAfterStop.load(), 0);
}

TEST(OrderedPipeline, AConsumerWithAYieldHookPollsWhileALargeItemIsPreparedElsewhere)
{
    if (!ThreadPool::workersBeside()) GTEST_SKIP() << "no worker threads";
    YieldPoint::setSpacingMs(0);
    const ScopeExit spacing([] { YieldPoint::setSpacingMs(-1); });
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> polls{0};
    std::atomic<bool> largeOnCaller{false};
    std::vector<size_t> consumed;
    // The first item is large: a worker prepares it and finishes only once
    // the consumer has polled a few times while it waited.
    const auto prepare = [&](size_t i) {
        if (i != 0) return;
        largeOnCaller = std::this_thread::get_id() == caller;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (polls.load() < 3 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    };
    const auto consume = [&](size_t i) {
        consumed.push_back(i);
        return true;
    };
    {
        const YieldPoint::Scope hook([&] { ++polls; });
        OrderedPipeline::run({1000, 1, 1}, 4, 2000, prepare, consume, 10);
    }
    EXPECT_FALSE(largeOnCaller.load());
    EXPECT_GE(polls.load(), 3);
    EXPECT_EQ(consumed, (std::vector<size_t>{0, 1, 2}));

    // A hook that throws while the consumer waits ends the run.
    polls = 0;
    consumed.clear();
    {
        const YieldPoint::Scope hook([&] {
            if (++polls == 3) throw WorkStopped();
        });
        EXPECT_THROW(OrderedPipeline::run({1000, 1, 1}, 4, 2000, prepare, consume, 10), WorkStopped);
    }
    EXPECT_TRUE(consumed.empty());
}
