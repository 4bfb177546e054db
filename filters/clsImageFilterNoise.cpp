// Random-number filters: the blend with value noise, the discrete noise and
// the diffusion. The random values are drawn serially, row by row and pixel
// by pixel, so a seed gives the same image on every machine.

#include <algorithm>
#include <vector>

#include "filters/cNoiseGenerator.h"
#include "filters/clsImageFilter.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// Noise cells for a side: frequency cells per 100 pixels, rounded half to even.
int32_t noiseCells(int32_t frequency, int32_t side)
{
    const int32_t product = frequency * side;
    return platform::roundToInt32(static_cast<double>(product) / 100.0);
}

}  // namespace

platform::Image* clsImageFilter::CreateNoiseFilter(uint8_t NoiseStrength, uint8_t NoiseFrequency,
                                                   platform::InterpolationMode lInterpolationMode,
                                                   bool lMonochromeNoise)
{
    const int32_t width = m_width;
    const int32_t height = m_height;
    cNoiseGenerator noise(m_random);
    noise.CreateNoise(noiseCells(NoiseFrequency, width), noiseCells(NoiseFrequency, height), lMonochromeNoise);
    noise.Interpolate(width, height, lInterpolationMode);
    if (!hasSession()) return nullptr;

    // The stretched noise is read row by row; where it is smaller than the
    // image (a failed stretch) its missing pixels count as 0, as a pixel
    // read outside an image does.
    platform::LockedBits noiseBits;
    const int32_t noiseWidth = std::min(width, noise.Bitmap.Width());
    const int32_t noiseHeight = std::min(height, noise.Bitmap.Height());
    const bool haveNoise = noiseWidth > 0 && noiseHeight > 0 &&
                           noise.Bitmap.LockBits({0, 0, noiseWidth, noiseHeight}, platform::LockRead,
                                                 platform::kFormat32bppARGB, noiseBits) == platform::Ok;
    // The cross-fade of one channel with the noise by the fixed strength,
    // for every pair of channel values.
    std::vector<uint8_t> fade(size_t{256} * 256);
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t b = 0; b < 256; ++b)
            fade[(a << 8) | b] = static_cast<uint8_t>(BlendPixel(int32_t(a), int32_t(b), NoiseStrength) & 0xFF);
    forEachRow(
        [&](int32_t y, const uint32_t* in, uint32_t* out) {
            const uint32_t* noiseRow = haveNoise && y < noiseHeight ? lockedRow(noiseBits, y) : nullptr;
            const int32_t readable = noiseRow ? noiseWidth : 0;
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t n = x < readable ? noiseRow[x] : 0u;
                const uint32_t p = in[x];
                out[x] = (p & 0xFF000000u) | (uint32_t(fade[((p >> 8) & 0xFF00u) | ((n >> 16) & 0xFFu)]) << 16) |
                         (uint32_t(fade[(p & 0xFF00u) | ((n >> 8) & 0xFFu)]) << 8) |
                         fade[((p << 8) & 0xFF00u) | (n & 0xFFu)];
            }
        },
        true);
    if (haveNoise) noise.Bitmap.UnlockBits(noiseBits);
    return handleResult();
}

platform::Image* clsImageFilter::CreateDiscreteNoiseFilter(int32_t lFilterValue)
{
    if (!hasSession()) return nullptr;
    const int32_t amplitude = limitedMagnitude(lFilterValue, 255);
    const double span = 2.0 * amplitude;
    const int32_t width = m_width;
    platform::RandomGenerator& random = *m_random;
    forEachRow(
        [&](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const double r = random.next();
                const int32_t d = platform::roundToInt32(r * span - amplitude);
                const uint32_t p = in[x];
                uint32_t result = kOpaque;
                for (int shift = 0; shift <= 16; shift += 8) {
                    const int32_t c = static_cast<int32_t>((p >> shift) & 0xFFu) + d;
                    result |= static_cast<uint32_t>(std::clamp(c, 0, 255)) << shift;
                }
                out[x] = result;
            }
        },
        false);
    return handleResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateDiffuseFilter(int32_t lFilterValue)
{
    if (!hasSession()) return nullptr;
    const double radius = limitedMagnitude(lFilterValue, 10);
    const int32_t width = m_width;
    const int32_t maxX = MaxX();
    const int32_t maxY = MaxY();
    platform::RandomGenerator& random = *m_random;
    forEachRow(
        [&](int32_t y, const uint32_t*, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const double ry = random.next();
                const double rx = random.next();
                const int32_t sy = std::clamp(platform::roundToInt32(ry * radius + y), 0, maxY);
                const int32_t sx = std::clamp(platform::roundToInt32(rx * radius + x), 0, maxX);
                out[x] = snapshotAt(sx, sy) | kOpaque;
            }
        },
        false);
    return pictureResult();
}

}  // namespace kalvora
