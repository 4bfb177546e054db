#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Image.h"
#include "platform/codecs/PngWriter.h"

namespace kalvora::platform {

// PNG. Decoding goes through libpng and accepts every colour type and bit
// depth, interlacing and tRNS; 16-bit samples are scaled to 8 bits.
// Encoding goes through PngWriter and is lossless: 24bpp and 32bpp RGB
// images as RGB, 32bpp ARGB as RGBA.
class PngCodec {
public:
    static bool matches(const uint8_t* data, size_t size);
    static Status decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out);
    static Status encode(const Image& image, std::vector<uint8_t>& out);
    // Streams the file to `sink` (see PngWriter::encode).
    static Status encode(const Image& image, const PngWriter::Sink& sink);
};

}  // namespace kalvora::platform
