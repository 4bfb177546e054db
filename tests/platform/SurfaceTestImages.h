#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "platform/Image.h"
#include "platform/Surface.h"

namespace kalvora::testing {

using platform::Image;

// The modes that resample: bilinear, bicubic, nearest neighbour and the two high-quality ones.
constexpr platform::InterpolationMode kResamplingModes[] = {
    platform::InterpolationMode::Bilinear, platform::InterpolationMode::Bicubic,
    platform::InterpolationMode::NearestNeighbor, platform::InterpolationMode::HighQualityBilinear,
    platform::InterpolationMode::HighQualityBicubic};

// Pixel (x, y) as packed ARGB; a failed read fails the test.
inline uint32_t px(const Image& image, int32_t x, int32_t y)
{
    uint32_t argb = 0;
    EXPECT_EQ(image.getPixel(x, y, argb), platform::Ok);
    return argb;
}

inline std::unique_ptr<Image> blankImage(int32_t w, int32_t h, platform::PixelFormatId format = platform::kFormat32bppARGB)
{
    std::unique_ptr<Image> image;
    EXPECT_EQ(Image::create(w, h, format, image), platform::Ok);
    return image;
}

// A reproducible textured image; alpha random when !opaque.
inline std::unique_ptr<Image> texturedImage(int32_t w, int32_t h, uint32_t seed, bool opaque)
{
    auto image = blankImage(w, h);
    uint32_t state = seed * 2654435761u + 1u;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = image->row(y);
        for (int32_t x = 0; x < 4 * w; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = static_cast<uint8_t>(state >> 24);
        }
        if (opaque)
            for (int32_t x = 0; x < w; ++x) row[4 * x + 3] = 255;
    }
    return image;
}

inline std::unique_ptr<Image> uniformImage(int32_t w, int32_t h, uint32_t argb)
{
    auto image = blankImage(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) image->setPixel(x, y, argb);
    return image;
}

inline bool samePixels(const Image& a, const Image& b)
{
    if (a.width() != b.width() || a.height() != b.height() || a.format() != b.format()) return false;
    const size_t bytes = static_cast<size_t>(a.width()) * platform::bytesPerPixel(a.format());
    for (int32_t y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), bytes) != 0) return false;
    return true;
}

// The border padding a resize to the given size uses: 2 / (smaller scale),
// rounded half to even in single precision, plus 2.
inline int32_t resizePad(int32_t w, int32_t h, int32_t nw, int32_t nh)
{
    const float sx = static_cast<float>(double(nw) / w);
    const float sy = static_cast<float>(double(nh) / h);
    const float m = sx < sy ? sx : sy;
    return static_cast<int32_t>(std::nearbyint(2.0f / m)) + 2;
}

}  // namespace kalvora::testing
