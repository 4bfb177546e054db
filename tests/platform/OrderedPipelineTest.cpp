#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/OrderedPipeline.h"

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
