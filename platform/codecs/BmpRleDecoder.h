#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Image.h"

namespace kalvora::platform {

// The pixels of a run-length-encoded bitmap (RLE8 with 8-bit indices, RLE4
// with 4-bit ones), decoded into a 24bpp RGB image whose rows the stream
// fills bottom-up. Runs, literal pixels and the escapes for end of line,
// end of bitmap and delta are honoured. A run or literal that passes the
// end of its row is cut there; a delta that leaves the image, or a stream
// that ends before the bitmap is complete, is refused. Pixels the stream
// never writes get index 0.
class BmpRleDecoder {
public:
    // `bits` is 8 or 4; `lookup` gives the packed ARGB colour of all 256
    // indices. Ok or UnknownImageFormat.
    static Status decode(const uint8_t* data, size_t size, int bits, const uint32_t* lookup, Image& image);
};

}  // namespace kalvora::platform
