// The random fill behind the value-noise generator: every pixel of the
// loaded image becomes random, opaque.

#include "filters/clsImageFilter.h"

namespace kalvora {

platform::Image* clsImageFilter::CreateNoise(bool MonochromeNoise)
{
    if (!hasSession()) return nullptr;
    platform::RandomGenerator& random = *m_random;
    const int32_t width = loadedWidth();
    // Serial rows: the draws follow the pixel order, red, green, blue.
    forEachRow([&](int32_t, const uint32_t*, uint32_t* out) {
        for (int32_t x = 0; x < width; ++x) {
            if (MonochromeNoise) {
                const uint32_t v = toByte(static_cast<double>(random.next()) * 255.0);
                out[x] = 0xFF000000u | (v << 16) | (v << 8) | v;
            } else {
                const uint32_t r = toByte(static_cast<double>(random.next()) * 255.0);
                const uint32_t g = toByte(static_cast<double>(random.next()) * 255.0);
                const uint32_t b = toByte(static_cast<double>(random.next()) * 255.0);
                out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
            }
        }
    });
    return handleResult();
}

}  // namespace kalvora
