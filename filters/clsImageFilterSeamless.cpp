// Seamless blending and the normal map.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "filters/clsImageFilter.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

// Weight of the end's colour at step i of a band of n: round((n - i) / n * 255),
// 255 at the band's start and 0 at its end.
std::vector<uint8_t> bandWeights(int32_t band)
{
    std::vector<uint8_t> weights(static_cast<size_t>(band) + 1);
    for (int32_t i = 0; i <= band; ++i) {
        const double w = static_cast<double>(band - i) / static_cast<double>(band) * 255.0;
        weights[static_cast<size_t>(i)] = platform::roundToByte(w);
    }
    return weights;
}

inline uint32_t redOf(uint32_t p) { return (p >> 16) & 0xFFu; }

// One row of the normal map: the Sobel slopes A (rows above minus below)
// and B (right column minus left) of every pixel, then the normal
// (-B, -A, 1) / sqrt(B^2 + A^2 + 1) with each component v written as
// (v + 1) / 2 * 255, two pixels at a time where the processor allows.
class NormalMapRow {
public:
    void slopes(const double* heights, const uint32_t* above, const uint32_t* here, const uint32_t* below,
                int32_t width)
    {
        const size_t n = static_cast<size_t>(width);
        m_above.resize(n);
        m_below.resize(n);
        m_column.resize(n);
        m_a.resize(n);
        m_b.resize(n);
        for (size_t x = 0; x < n; ++x) {
            m_above[x] = heights[redOf(above[x])];
            m_below[x] = heights[redOf(below[x])];
            // The column's weighted sum, h(x, y-1) + 2 h(x, y) + h(x, y+1).
            m_column[x] = m_above[x] + 2.0 * heights[redOf(here[x])] + m_below[x];
        }
        for (int32_t x = 0; x < width; ++x) {
            const int32_t left = x > 0 ? x - 1 : width - 1;
            const int32_t right = x + 1 < width ? x + 1 : 0;
            m_a[size_t(x)] = (m_above[size_t(left)] + 2.0 * m_above[size_t(x)] + m_above[size_t(right)]) -
                             (m_below[size_t(left)] + 2.0 * m_below[size_t(x)] + m_below[size_t(right)]);
            m_b[size_t(x)] = m_column[size_t(right)] - m_column[size_t(left)];
        }
    }

    void write(const uint32_t* here, bool heightToAlpha, int32_t width, uint32_t* out) const
    {
        int32_t x = 0;
#if defined(__SSE2__)
        const __m128d one = _mm_set1_pd(1.0);
        const __m128d half = _mm_set1_pd(0.5);
        const __m128d scale = _mm_set1_pd(255.0);
        const __m128d zero = _mm_setzero_pd();
        const __m128d sign = _mm_set1_pd(-0.0);
        // (v + 1) / 2 * 255 in 0..255, rounded half to even (the default
        // rounding of the conversion).
        const auto bytes = [&](__m128d v) {
            __m128d c = _mm_mul_pd(_mm_mul_pd(_mm_add_pd(v, one), half), scale);
            c = _mm_min_pd(_mm_max_pd(c, zero), scale);
            return _mm_cvtpd_epi32(c);
        };
        for (; x + 2 <= width; x += 2) {
            const __m128d a = _mm_loadu_pd(m_a.data() + x);
            const __m128d b = _mm_loadu_pd(m_b.data() + x);
            const __m128d length = _mm_sqrt_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(b, b), _mm_mul_pd(a, a)), one));
            const __m128i nx = bytes(_mm_div_pd(_mm_xor_pd(b, sign), length));
            const __m128i ny = bytes(_mm_div_pd(_mm_xor_pd(a, sign), length));
            const __m128i nz = bytes(_mm_div_pd(one, length));
            alignas(16) int32_t r[4], g[4], bl[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(r), nx);
            _mm_store_si128(reinterpret_cast<__m128i*>(g), ny);
            _mm_store_si128(reinterpret_cast<__m128i*>(bl), nz);
            for (int i = 0; i < 2; ++i) {
                const uint32_t alpha = heightToAlpha ? redOf(here[x + i]) : 255u;
                out[x + i] = (alpha << 24) | (uint32_t(r[i]) << 16) | (uint32_t(g[i]) << 8) | uint32_t(bl[i]);
            }
        }
#endif
        for (; x < width; ++x) {
            const double a = m_a[size_t(x)];
            const double b = m_b[size_t(x)];
            const double length = std::sqrt(b * b + a * a + 1.0);
            const uint32_t alpha = heightToAlpha ? redOf(here[x]) : 255u;
            out[x] = (alpha << 24) | (component(-b / length) << 16) | (component(-a / length) << 8) |
                     component(1.0 / length);
        }
    }

private:
    static uint32_t component(double v) { return platform::roundToByte((v + 1.0) / 2.0 * 255.0); }

    std::vector<double> m_above, m_below, m_column, m_a, m_b;
};

}  // namespace

void clsImageFilter::blendSeamlessColumns(int32_t band, int32_t progressTo)
{
    platform::LockedBits bits;
    if (!lockWorking(bits)) return;
    const platform::ScopeExit unlock([&] { unlockWorking(bits); });
    const std::vector<uint8_t> weights = bandWeights(band);
    const int32_t endStart = MaxX() - band;
    for (int32_t y = 0; y < m_height; ++y) {
        const uint32_t* in = snapshotRow(y);
        uint32_t* out = lockedRow(bits, y);
        for (int32_t x = 0; x <= band; ++x) {
            out[x] = static_cast<uint32_t>(BlendPixel(
                static_cast<int32_t>(in[x]), static_cast<int32_t>(in[endStart + x]), weights[static_cast<size_t>(x)]));
        }
        // The next pass reads the blended strip: the snapshot follows the
        // working bitmap (both ARGB after the stretch).
        std::memcpy(m_snapshot.data() + int64_t{y} * m_width, out, (static_cast<size_t>(band) + 1) * 4);
        if (Progess) {
            // Rises with the rows up to progressTo (50 when rows follow).
            int32_t value = MaxY() > 0 ? static_cast<int32_t>(int64_t{y} * progressTo / MaxY()) : progressTo;
            Progess(value);
        }
    }
}

void clsImageFilter::blendSeamlessRows(int32_t band, bool afterColumns)
{
    platform::LockedBits bits;
    if (!lockWorking(bits)) return;
    const platform::ScopeExit unlock([&] { unlockWorking(bits); });
    const std::vector<uint8_t> weights = bandWeights(band);
    const int32_t endStart = MaxY() - band;
    for (int32_t y = 0; y <= band; ++y) {
        const uint32_t* start = snapshotRow(y);
        const uint32_t* end = snapshotRow(endStart + y);
        uint32_t* out = lockedRow(bits, y);
        const uint8_t weight = weights[static_cast<size_t>(y)];
        for (int32_t x = 0; x < m_width; ++x)
            out[x] = static_cast<uint32_t>(
                BlendPixel(static_cast<int32_t>(start[x]), static_cast<int32_t>(end[x]), weight));
        if (Progess) {
            int32_t value = afterColumns ? static_cast<int32_t>(int64_t{y} * 50 / band + 50)
                                         : static_cast<int32_t>(int64_t{y} * 100 / band);
            Progess(value);
        }
    }
    // Every row of the strip read the snapshot as it was; now it follows the
    // working bitmap.
    for (int32_t y = 0; y <= band; ++y)
        std::memcpy(m_snapshot.data() + int64_t{y} * m_width, lockedRow(bits, y), static_cast<size_t>(m_width) * 4);
}

platform::Image* clsImageFilter::CreateSeamlessTextureFilter(int32_t lBorderSize, bool HorizontalSeamless,
                                                             bool VerticalSeamless)
{
    // No band (or a negative one, which would shrink the image): nothing to do.
    if (lBorderSize <= 0) return handleResult();
    if (!hasSession() || !m_working) return handleResult();

    const int64_t newWidth = int64_t{m_width} + (HorizontalSeamless ? lBorderSize : 0);
    const int64_t newHeight = int64_t{m_height} + (VerticalSeamless ? lBorderSize : 0);
    if (newWidth > std::numeric_limits<int32_t>::max() || newHeight > std::numeric_limits<int32_t>::max()) {
        CheckGdipStatus(platform::ValueOverflow);
        return handleResult();
    }

    cBitmap stretched;
    if (CheckGdipStatus(stretched.CreateFromClone(m_width, m_height, m_working.get(), platform::kFormat32bppARGB)) !=
        platform::Ok)
        return handleResult();
    stretched.ResizePicture(static_cast<int32_t>(newWidth), static_cast<int32_t>(newHeight),
                            platform::InterpolationMode::HighQualityBicubic);
    // A stretch that failed leaves the instance as it was: blending the old
    // size would read past its edges.
    if (stretched.Width() != newWidth || stretched.Height() != newHeight) {
        CheckGdipStatus(stretched.CurErr() != platform::Ok ? stretched.CurErr() : platform::OutOfMemory);
        return handleResult();
    }
    // The stretched image becomes the working image itself: no copy of it.
    adoptImage(stretched.releaseImage());
    if (m_width != newWidth || m_height != newHeight) return handleResult();

    if (HorizontalSeamless) blendSeamlessColumns(lBorderSize, VerticalSeamless ? 50 : 100);
    if (VerticalSeamless) blendSeamlessRows(lBorderSize, HorizontalSeamless);
    return handleResult();
}

platform::Image* clsImageFilter::CreateNormalMap(bool HeightMapToAlpha)
{
    if (!hasSession()) return nullptr;
    double heights[256];
    for (int i = 0; i < 256; ++i) heights[i] = static_cast<double>(i) / 255.0;
    const int32_t width = m_width;
    const int32_t height = m_height;

    forEachRow(
        [&](int32_t y, const uint32_t* here, uint32_t* out) {
            // Neighbours wrap by the image's size, so the map tiles.
            const uint32_t* above = snapshotRow(y > 0 ? y - 1 : height - 1);
            const uint32_t* below = snapshotRow(y + 1 < height ? y + 1 : 0);
            thread_local NormalMapRow row;
            row.slopes(heights, above, here, below, width);
            row.write(here, HeightMapToAlpha, width, out);
        },
        true);
    return handleResult();
}

}  // namespace kalvora
