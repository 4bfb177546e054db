#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Image.h"
#include "platform/ImageLimits.h"

namespace kalvora::fuzzing {

// Runs one decoder on the fuzzer's bytes. Images stay within 64 MB, far
// below the fuzzer's memory limit.
template <typename Decode>
int decodeOnce(const uint8_t* data, size_t size, Decode decode)
{
    static const bool limited = [] {
        platform::ImageLimits::set(4096, 4096LL * 4096 * 4);
        return true;
    }();
    (void)limited;
    std::unique_ptr<platform::Image> image;
    decode(data, size, image);
    return 0;
}

}  // namespace kalvora::fuzzing
