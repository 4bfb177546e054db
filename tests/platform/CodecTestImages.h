#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Image.h"
#include "platform/codecs/Codecs.h"

namespace kalvora::testing {

// A small image whose pixels all differ: gradients plus a hashed pattern,
// with alpha running through 0, partial values and 255 for ARGB. Fully
// transparent pixels are transparent black.
inline std::unique_ptr<platform::Image> makePatternImage(int w, int h, platform::PixelFormatId format)
{
    std::unique_ptr<platform::Image> image;
    EXPECT_EQ(platform::Image::create(w, h, format, image), platform::Ok);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t hash = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u;
            uint32_t r = uint32_t(x * 255 / (w > 1 ? w - 1 : 1));
            uint32_t g = uint32_t(y * 255 / (h > 1 ? h - 1 : 1));
            uint32_t b = (hash >> 7) & 0xFF;
            uint32_t a = uint32_t((x + y * 3) * 37) & 0xFF;
            if ((x + y) % 7 == 0) a = 255;
            uint32_t argb = a << 24 | r << 16 | g << 8 | b;
            if (a == 0) argb = 0;
            image->setPixel(x, y, argb);
        }
    return image;
}

// A smooth image with a little texture, as a photograph would be.
inline std::unique_ptr<platform::Image> makeSmoothImage(int w, int h)
{
    std::unique_ptr<platform::Image> image;
    EXPECT_EQ(platform::Image::create(w, h, platform::kFormat24bppRGB, image), platform::Ok);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t r = uint32_t(40 + x * 160 / w);
            uint32_t g = uint32_t(60 + y * 150 / h);
            uint32_t b = uint32_t(120 + ((x + y) % 16));
            image->setPixel(x, y, 0xFF000000u | r << 16 | g << 8 | b);
        }
    return image;
}

// An image of exactly `colors` distinct opaque colours (at most 256), with
// some fully transparent pixels when `transparent` is set.
inline std::unique_ptr<platform::Image> makePaletteLikeImage(int w, int h, int colors, bool transparent)
{
    std::unique_ptr<platform::Image> image;
    EXPECT_EQ(platform::Image::create(w, h, platform::kFormat32bppARGB, image), platform::Ok);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = (x * 7 + y * 13) % colors;
            uint32_t argb = 0xFF000000u | uint32_t(i * 97 % 256) << 16 | uint32_t(i) << 8 | uint32_t(255 - i);
            if (transparent && (x + y) % 5 == 0) argb = 0;
            image->setPixel(x, y, argb);
        }
    return image;
}

inline std::vector<uint8_t> encodeOrFail(const platform::Image& image, const platform::EncoderClsid& clsid,
                                         const platform::EncoderParameters* params = nullptr)
{
    std::vector<uint8_t> bytes;
    EXPECT_EQ(platform::encodeImage(image, clsid, params, bytes), platform::Ok);
    return bytes;
}

// Number of pixels whose packed ARGB values differ.
inline int countDifferences(const platform::Image& a, const platform::Image& b)
{
    if (a.width() != b.width() || a.height() != b.height()) return -1;
    int differences = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixelArgb(x, y) != b.pixelArgb(x, y)) ++differences;
    return differences;
}

}  // namespace kalvora::testing
