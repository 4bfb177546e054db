#pragma once

#include <tiffio.h>

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
// for 32bpp ARGB. A file of several pages is written through
// openFileForWriting, one writePage per page.
class TiffCodec {
public:
    static bool matches(const uint8_t* data, size_t size);
    static Status decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out);
    static Status encode(const Image& image, std::vector<uint8_t>& out);
    // A TIFF written into the open, readable file at its start, quiet on
    // errors; the descriptor stays the caller's. nullptr on failure.
    static TIFF* openFileForWriting(int fd);
    // Writes the image as the next page.
    static Status writePage(TIFF* tif, const Image& image);
};

}  // namespace kalvora::platform
