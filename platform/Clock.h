#pragma once

#include <cstdint>

namespace kalvora::platform {

// Milliseconds from a monotonic clock (64-bit, never wraps in practice).
int64_t tickCountMs();

// Seconds since local midnight, with fractions.
double secondsSinceMidnight();

void sleepMs(int64_t ms);

}  // namespace kalvora::platform
