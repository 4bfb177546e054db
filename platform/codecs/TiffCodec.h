#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Image.h"

namespace kalvora::platform {

// TIFF through libtiff, read from memory. Decoding gives the first page,
// turned upright by its orientation: RGB, RGBA with unassociated or
// associated alpha, greyscale (with alpha), palette, contiguous or in
// planes, and whatever else libtiff can turn into RGBA. A page whose strips
// or tiles are missing, empty, outside the file or short is refused as a
// whole. Encoding is lossless (LZW): RGB, or RGBA with unassociated alpha
// for 32bpp ARGB.
class TiffCodec {
public:
    static bool matches(const uint8_t* data, size_t size);
    static Status decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out);
    static Status encode(const Image& image, std::vector<uint8_t>& out);
};

}  // namespace kalvora::platform
