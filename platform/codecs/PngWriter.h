#pragma once

#include <cstdint>
#include <vector>

#include "platform/Image.h"

namespace kalvora::platform {

// Writes an image as a non-interlaced 8-bit PNG: 32bpp ARGB as RGBA, 24bpp and
// 32bpp RGB as RGB. Each row gets the filter with the smallest sum of absolute
// values; the filtered image is cut into segments of whole rows that are
// deflated side by side on the thread pool, each primed with the 32 KiB
// before it, and joined into one zlib stream. The segments depend only on the
// image, so the bytes are the same for every pool size.
class PngWriter {
public:
    enum class Compression { Parallel, Serial };

    // Ok, InvalidParameter for an empty or unsupported image, OutOfMemory when
    // a buffer cannot be had. `out` is replaced only on success.
    static Status encode(const Image& image, std::vector<uint8_t>& out,
                         Compression mode = Compression::Parallel);
};

}  // namespace kalvora::platform
