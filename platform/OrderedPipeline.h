#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace kalvora::platform {

// Items 0 .. count - 1 prepared on the thread pool in any order and consumed
// on the calling thread strictly in order, each after its preparation. The
// workers run ahead of the consumer without waiting for one another: a slow
// item, or a consumer that stops to do other work, holds up only the items
// that need it. Preparation is bounded: at most `slots` items are prepared
// and not yet consumed, and together they weigh at most `weightBudget`
// (the next item to consume is always allowed, whatever its weight). Item i
// may keep its prepared state in slot i % slots.
class OrderedPipeline {
public:
    // Prepares one item; safe to call on any thread for distinct items.
    using Prepare = std::function<void(size_t item)>;
    // Consumes one item on the calling thread; false stops the run (no
    // further item is consumed, and no further preparation starts).
    using Consume = std::function<bool(size_t item)>;

    // weights has one entry per item. An exception from a preparation is
    // rethrown on the calling thread when its item's turn comes; one from
    // a consumption ends the run and is rethrown at once. While the consumer
    // waits for an item it prepares others itself; on a thread with an
    // active yield hook (YieldPoint) and workers beside it, only items
    // weighing at most selfWeightLimit, and it waits in slices and polls the
    // hook between them; what the hook throws ends the run.
    static void run(const std::vector<int64_t>& weights, size_t slots, int64_t weightBudget,
                    const Prepare& prepare, const Consume& consume, int64_t selfWeightLimit = 0);
};

}  // namespace kalvora::platform
