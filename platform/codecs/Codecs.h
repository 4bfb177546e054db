#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Image.h"

namespace kalvora::platform {

using EncoderClsid = std::array<uint8_t, 16>;

struct EncoderInfo {
    EncoderClsid clsid;
    std::string codecName;
    std::string formatDescription;
    std::string fileExtensions;  // such as "*.BMP;*.DIB;*.RLE"
    std::string mimeType;        // such as "image/bmp"
};

// The encoders in their fixed order: BMP, JPEG, GIF, TIFF, PNG.
const std::vector<EncoderInfo>& imageEncoders();

// Encoder options; quality 0..100 is used by JPEG only (-1: the encoder's default).
struct EncoderParameters {
    int quality = -1;
};

// Decodes PNG, JPEG, GIF, TIFF or BMP, chosen by content. Palette images are
// expanded to 32bpp ARGB when they have transparency, else to 24bpp RGB.
// Undecodable bytes: UnknownImageFormat; size beyond ImageLimits: OutOfMemory.
Status decodeImage(const uint8_t* data, size_t size, std::unique_ptr<Image>& out);

// Decodes a file; a missing file gives FileNotFound.
Status decodeImageFile(const std::string& path, std::unique_ptr<Image>& out);

// Encodes with the encoder of that class identifier; an unknown identifier
// gives InvalidParameter... UnknownImageFormat.
Status encodeImage(const Image& image, const EncoderClsid& encoder, const EncoderParameters* params,
                   std::vector<uint8_t>& out);

// Encodes into a file: written to a temporary file in the same folder and
// renamed over the target, so a failure leaves an existing file whole.
Status encodeImageFile(const Image& image, const std::string& path, const EncoderClsid& encoder,
                       const EncoderParameters* params);

}  // namespace kalvora::platform
