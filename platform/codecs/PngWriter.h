#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Image.h"

namespace kalvora::platform {

// Writes an image as a non-interlaced 8-bit PNG: 32bpp ARGB as RGBA, 24bpp and
// 32bpp RGB as RGB. Each row gets the filter with the smallest sum of absolute
// values. The image is cut into segments of whole rows that are filtered and
// deflated independently, side by side on the thread pool, then joined into
// one zlib stream (one IDAT chunk per segment). The segments depend only on
// the image, so the bytes are the same for every pool size. Only a window of
// a few segments per thread is held before it goes to the sink, so memory
// does not grow with the image.
class PngWriter {
public:
    enum class Compression { Parallel, Serial };

    // Receives the file's bytes in order; false stops the encoding.
    using Sink = std::function<bool(const uint8_t* data, size_t size)>;

    // Ok, InvalidParameter for an empty or unsupported image, OutOfMemory when
    // a buffer cannot be had, Win32Error when the sink refused bytes (the
    // bytes it took before are then a truncated file).
    static Status encode(const Image& image, const Sink& sink, Compression mode = Compression::Parallel);

    // The same into memory; `out` is replaced only on success.
    static Status encode(const Image& image, std::vector<uint8_t>& out, Compression mode = Compression::Parallel);
};

}  // namespace kalvora::platform
