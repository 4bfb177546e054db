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

// One pixel of a supported format (bytes B, G, R[, A]) as packed ARGB, alpha
// in the top byte; formats without alpha read as opaque.
inline uint32_t loadArgb(const uint8_t* p, PixelFormatId format)
{
    const uint32_t alpha = format == kFormat32bppARGB ? p[3] : 0xFFu;
    return (alpha << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

// Packed ARGB into one pixel of a supported format: 24bpp RGB keeps the
// colour only, 32bpp RGB writes its fourth byte as 0xFF.
inline void storeArgb(uint8_t* p, PixelFormatId format, uint32_t argb)
{
    p[0] = uint8_t(argb);
    p[1] = uint8_t(argb >> 8);
    p[2] = uint8_t(argb >> 16);
    if (format == kFormat32bppARGB) p[3] = uint8_t(argb >> 24);
    else if (format == kFormat32bppRGB) p[3] = 0xFF;
}

}  // namespace kalvora::platform
