#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Image.h"

namespace kalvora::platform {

// JPEG through libjpeg-turbo. Decoding accepts greyscale, RGB (YCbCr) and CMYK
// (YCCK, Adobe-inverted or not) and gives 24bpp RGB; a file whose image data
// ends early or is damaged is refused at the first such place. Encoding drops
// alpha and uses the quality given (0..100); a side above 65500 pixels, the
// format's limit, gives ValueOverflow.
class JpegCodec {
public:
    static bool matches(const uint8_t* data, size_t size);
    static Status decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out);
    static Status encode(const Image& image, int quality, std::vector<uint8_t>& out);
};

}  // namespace kalvora::platform
