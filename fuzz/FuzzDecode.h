#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "fuzz/FuzzHeapMeter.h"
#include "platform/Image.h"
#include "platform/ImageLimits.h"

namespace kalvora::fuzzing {

// Images stay within 64 MB, far below the fuzzer's memory limit.
inline void limitImages()
{
    static const bool limited = [] {
        platform::ImageLimits::set(4096, 4096LL * 4096 * 4);
        return true;
    }();
    (void)limited;
}

// Runs one decoder on the fuzzer's bytes.
template <typename Decode>
int decodeOnce(const uint8_t* data, size_t size, Decode decode)
{
    limitImages();
    std::unique_ptr<platform::Image> image;
    decode(data, size, image);
    return 0;
}

// A decode's heap may hold the input a few times over (the libraries copy
// and buffer it), the image a few times over (converted and turned copies,
// whole-image coefficient or strip buffers), and a fixed amount for tables,
// row buffers and one tile. Anything more is memory out of proportion to
// the data.
inline constexpr uint64_t kHeapPerInputByte = 8;
inline constexpr uint64_t kHeapPerImageByte = 8;
inline constexpr uint64_t kHeapFixed = uint64_t(48) << 20;

[[noreturn]] inline void fail(const char* what, uint64_t found, uint64_t bound)
{
    std::fprintf(stderr, "decode check failed: %s %llu exceeds %llu\n", what, static_cast<unsigned long long>(found),
                 static_cast<unsigned long long>(bound));
    std::abort();
}

// Runs one decoder and, when it succeeds, checks that it read no more
// pixels than the data can hold (`pixelCapacity`, or UINT64_MAX where the
// format makes that bound meaningless) and that its peak heap stayed in
// proportion to the input and the image.
template <typename Decode, typename Capacity>
int decodeChecked(const uint8_t* data, size_t size, Decode decode, Capacity pixelCapacity)
{
    limitImages();
    std::unique_ptr<platform::Image> image;
    HeapMeter::start();
    const platform::Status status = decode(data, size, image);
    const uint64_t peak = HeapMeter::stop();
    if (status != platform::Ok) return 0;
    const uint64_t pixels = uint64_t(image->width()) * uint64_t(image->height());
    const uint64_t capacity = pixelCapacity(data, size);
    if (pixels > capacity) fail("pixels", pixels, capacity);
    const uint64_t heap = kHeapPerInputByte * size + kHeapPerImageByte * uint64_t(image->byteSize()) + kHeapFixed;
    if (peak > heap) fail("peak heap bytes", peak, heap);
    return 0;
}

// For formats whose compression can describe any number of pixels in a few
// bytes.
inline uint64_t anyPixelCount(const uint8_t*, size_t) { return UINT64_MAX; }

}  // namespace kalvora::fuzzing
