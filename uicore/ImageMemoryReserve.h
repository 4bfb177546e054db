#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/Image.h"

namespace kalvora {

// Memory for a picture of a size still to come, readied ahead by a thread
// of its own. A large image in fresh memory takes a page fault for every
// page at its first write, a good part of a second for 1 GiB, which a window
// cannot spend inside one report of a run; that thread spends it beside the
// run, and the window takes the memory once it is ready.
class ImageMemoryReserve {
public:
    ImageMemoryReserve() = default;
    ~ImageMemoryReserve();
    ImageMemoryReserve(const ImageMemoryReserve&) = delete;
    ImageMemoryReserve& operator=(const ImageMemoryReserve&) = delete;

    // Whether memory of capacity bytes is the right memory for an image of
    // bytes: large enough, and at most twice as large, so that a
    // smaller picture gives the rest back.
    static bool suits(int64_t capacity, int64_t bytes);

    // Memory for an image of that shape. Memory held already is kept when it
    // suits the shape; otherwise it is replaced by fresh memory, which
    // starts being readied at once (nothing is held when none can be had).
    void reserve(int32_t width, int32_t height, platform::PixelFormatId format);
    bool isReady() const { return m_image && m_ready.load(std::memory_order_acquire); }
    // Whether the memory held suits an image of that shape.
    bool holds(int32_t width, int32_t height, platform::PixelFormatId format) const;
    // Hands the memory held over as an image of that shape, ready or not
    // (its pixels are whatever the memory held); null when it does not hold
    // the shape.
    std::unique_ptr<platform::Image> take(int32_t width, int32_t height, platform::PixelFormatId format);
    // Gives the memory held back.
    void release();

private:
    // Stops the readying thread and waits for it (a step at most).
    void stopReadying();

    std::unique_ptr<platform::Image> m_image;
    std::thread m_readier;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ready{false};
};

}  // namespace kalvora
