#pragma once

#include <cstdlib>
#include <string>

#include "platform/ThreadPool.h"

namespace kalvora::bench {

// The thread pool's size is fixed once per process: KALVORA_THREADS=n sets
// it (1 = serial) before any benchmark runs. Returns the size in use.
inline int poolSizeFromEnvironment()
{
    if (const char* text = std::getenv("KALVORA_THREADS")) {
        const int n = std::atoi(text);
        if (n > 0) platform::ThreadPool::setSize(n);
    }
    return platform::ThreadPool::size();
}

// "threads:1" or "threads:all", for benchmark names.
inline std::string threadsLabel() { return poolSizeFromEnvironment() == 1 ? "threads:1" : "threads:all"; }

}  // namespace kalvora::bench
