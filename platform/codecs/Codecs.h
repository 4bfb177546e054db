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

// Class identifiers of the program's own encoders (fixed constants).
inline constexpr EncoderClsid kBmpEncoderClsid = {0x4b, 0x56, 0x52, 0x41, 0x8c, 0x1e, 0x4d, 0x07,
                                                  0x9a, 0x52, 0x63, 0x6f, 0x64, 0x65, 0x63, 0x01};
inline constexpr EncoderClsid kJpegEncoderClsid = {0x4b, 0x56, 0x52, 0x41, 0x8c, 0x1e, 0x4d, 0x07,
                                                   0x9a, 0x52, 0x63, 0x6f, 0x64, 0x65, 0x63, 0x02};
inline constexpr EncoderClsid kGifEncoderClsid = {0x4b, 0x56, 0x52, 0x41, 0x8c, 0x1e, 0x4d, 0x07,
                                                  0x9a, 0x52, 0x63, 0x6f, 0x64, 0x65, 0x63, 0x03};
inline constexpr EncoderClsid kTiffEncoderClsid = {0x4b, 0x56, 0x52, 0x41, 0x8c, 0x1e, 0x4d, 0x07,
                                                   0x9a, 0x52, 0x63, 0x6f, 0x64, 0x65, 0x63, 0x04};
inline constexpr EncoderClsid kPngEncoderClsid = {0x4b, 0x56, 0x52, 0x41, 0x8c, 0x1e, 0x4d, 0x07,
                                                  0x9a, 0x52, 0x63, 0x6f, 0x64, 0x65, 0x63, 0x05};

// The encoders in their fixed order: BMP, JPEG, GIF, TIFF, PNG.
const std::vector<EncoderInfo>& imageEncoders();

// Values of EncoderParameters::saveFlag, the platform's own numbers.
inline constexpr int kEncoderValueMultiFrame = 18;
inline constexpr int kEncoderValueFlush = 20;
inline constexpr int kEncoderValueFrameDimensionPage = 23;

// Encoder options; quality 0..100 is used by JPEG only (-1 or no parameters:
// quality 90). Values outside 0..100 are clamped. saveFlag is 0 for a plain
// save; the other values drive a multi-page file (TIFF only, see cBitmap's
// SaveAdd) and are refused by the one-shot encoders below.
struct EncoderParameters {
    int quality = -1;
    int saveFlag = 0;
};

// Decodes PNG, JPEG, GIF, TIFF or BMP, chosen by content (only the first
// frame or page of a multi-image file). Opaque images come out as 24bpp RGB
// (32-bit BMPs without an alpha mask as 32bpp RGB); images with an alpha
// channel or a transparent colour as 32bpp ARGB. Palette images are expanded
// and keep their palette in Image::palette().
// Undecodable, truncated or corrupt bytes: UnknownImageFormat (data that
// ends early is refused, not filled in); a declared size beyond ImageLimits
// or a failed allocation: OutOfMemory, found before the pixels are
// allocated; data null with a non-zero size: InvalidParameter.
Status decodeImage(const uint8_t* data, size_t size, std::unique_ptr<Image>& out);

// Decodes a file; a missing file gives FileNotFound, an unreadable one
// AccessDenied.
Status decodeImageFile(const std::string& path, std::unique_ptr<Image>& out);

// Encodes with the encoder of that class identifier; an unknown identifier
// gives UnknownImageFormat, a non-zero saveFlag InvalidParameter. A 32bpp ARGB image is written with its alpha
// channel where the format has one (PNG, TIFF, BMP as 32-bit); GIF keeps
// fully transparent pixels as its transparent colour; JPEG drops alpha.
Status encodeImage(const Image& image, const EncoderClsid& encoder, const EncoderParameters* params,
                   std::vector<uint8_t>& out);

// Encodes into a file: written to a temporary file in the same folder and
// renamed over the target, so a failure leaves an existing file whole.
// A missing folder gives FileNotFound, no permission AccessDenied, other
// write failures Win32Error. writeError, when given, receives the system's
// error number of a failed file operation (ENOSPC for a full disk), so a
// message can name the cause the status cannot; 0 when nothing failed in
// the system.
Status encodeImageFile(const Image& image, const std::string& path, const EncoderClsid& encoder,
                       const EncoderParameters* params, int* writeError = nullptr);

// The status of a failed file operation's error number.
Status statusForErrno(int error);

// The system's text for an error number, such as "No space left on device".
std::string errorNumberText(int error);

}  // namespace kalvora::platform
