#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Image.h"

namespace kalvora::platform {

// GIF through giflib. Decoding gives the first frame on its logical screen;
// a transparent colour, or a frame that leaves part of the screen uncovered,
// gives 32bpp ARGB with those pixels transparent. Encoding quantises to at
// most 256 colours (exactly when the image has no more) and writes fully
// transparent pixels with a transparent colour.
class GifCodec {
public:
    static bool matches(const uint8_t* data, size_t size);
    static Status decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out);
    static Status encode(const Image& image, std::vector<uint8_t>& out);
};

}  // namespace kalvora::platform
