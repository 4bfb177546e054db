#pragma once

#include <cstdint>
#include <memory>

#include "imaging/cBitmap.h"
#include "platform/RandomGenerator.h"
#include "platform/Status.h"

namespace kalvora {

class clsImageFilter;

// Smooth value noise: a grid of random pixels (at least 2 x 2) that a later
// resize stretches to the wanted size, read pixel by pixel.
class cNoiseGenerator {
public:
    // The noise image; empty until CreateNoise.
    cBitmap Bitmap;

    // Draws from the given generator (nullptr: the process-wide one).
    explicit cNoiseGenerator(platform::RandomGenerator* generator = nullptr);
    ~cNoiseGenerator();
    cNoiseGenerator(const cNoiseGenerator&) = delete;
    cNoiseGenerator& operator=(const cNoiseGenerator&) = delete;

    // Width x Height random pixels (each side at least 2), 32bpp ARGB;
    // three random values a pixel, or one for monochrome noise.
    void CreateNoise(int32_t Width, int32_t Height, bool MonochromeNoise);
    // Stretches the noise image with the given interpolation mode.
    void Interpolate(int32_t NewWidth, int32_t NewHeight, platform::InterpolationMode Interpolation_Mode);
    // Packed ARGB at (x, y); 0 outside the image.
    int32_t GetPixel(int32_t x, int32_t y);
    // The status of the first step that failed in the last CreateNoise and
    // the stretches after it (Ok when none did).
    platform::Status failureStatus() const { return m_failure; }

    // Advances the generator exactly as CreateNoise of Width x Height draws
    // from it, without making the image.
    static void skipNoiseDraws(platform::RandomGenerator& random, int32_t Width, int32_t Height, bool MonochromeNoise);

private:
    // A side of the random grid: at least 2.
    static int32_t gridSide(int32_t side) { return side < 2 ? 2 : side; }
    // Keeps the status when it is the first failure.
    void keep(platform::Status status);

    std::unique_ptr<clsImageFilter> m_filter;
    platform::Status m_failure = platform::Ok;
};

}  // namespace kalvora
