#pragma once

#include <cstdint>

namespace kalvora::platform {

// Pixel format identifiers, by the numbers the rest of the program uses.
using PixelFormatId = int32_t;

constexpr PixelFormatId kFormat24bppRGB = 0x21808;
constexpr PixelFormatId kFormat32bppRGB = 0x22009;
constexpr PixelFormatId kFormat32bppARGB = 0x26200A;

inline bool isSupportedFormat(PixelFormatId f)
{
    return f == kFormat24bppRGB || f == kFormat32bppRGB || f == kFormat32bppARGB;
}

inline int bytesPerPixel(PixelFormatId f) { return f == kFormat24bppRGB ? 3 : 4; }

inline bool formatHasAlpha(PixelFormatId f) { return f == kFormat32bppARGB; }

}  // namespace kalvora::platform
