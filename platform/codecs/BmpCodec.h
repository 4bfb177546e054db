#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Image.h"

namespace kalvora::platform {

// BMP, read and written here. Decoding accepts 1, 4, 8, 16, 24 and 32 bits
// per pixel, bit fields (with an alpha mask), bottom-up and top-down rows,
// and run-length-encoded 8-bit and 4-bit bitmaps (bottom-up).
// Encoding writes 24-bit rows, or 32-bit rows with an alpha mask for 32bpp
// ARGB images.
class BmpCodec {
public:
    static bool matches(const uint8_t* data, size_t size);
    static Status decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out);
    static Status encode(const Image& image, std::vector<uint8_t>& out);
};

}  // namespace kalvora::platform
