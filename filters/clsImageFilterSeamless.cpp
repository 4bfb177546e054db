// Seamless blending and the normal map.

#include <cmath>
#include <cstring>
#include <cstdint>
#include <limits>
#include <vector>

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

}  // namespace

void clsImageFilter::blendSeamlessColumns(int32_t band, int32_t progressTo)
{
    platform::LockedBits bits;
    if (!lockWorking(bits)) return;
    const std::vector<uint8_t> weights = bandWeights(band);
    const int32_t endStart = MaxX() - band;
    for (int32_t y = 0; y < m_height; ++y) {
        const uint32_t* in = snapshotRow(y);
        uint32_t* out = lockedRow(bits, y);
        for (int32_t x = 0; x <= band; ++x) {
            out[x] = static_cast<uint32_t>(BlendPixel(static_cast<int32_t>(in[x]),
                                                      static_cast<int32_t>(in[endStart + x]),
                                                      weights[static_cast<size_t>(x)]));
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
    unlockWorking(bits);
}

void clsImageFilter::blendSeamlessRows(int32_t band, bool afterColumns)
{
    platform::LockedBits bits;
    if (!lockWorking(bits)) return;
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
    unlockWorking(bits);
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
    stretched.ResizePicture(static_cast<int32_t>(newWidth), static_cast<int32_t>(newHeight), 7);
    // A stretch that failed leaves the instance as it was: blending the old
    // size would read past its edges.
    if (stretched.Width() != newWidth || stretched.Height() != newHeight) {
        CheckGdipStatus(stretched.CurErr() != platform::Ok ? stretched.CurErr() : platform::OutOfMemory);
        return handleResult();
    }
    SetBitmapIn(stretched);
    stretched.Dispose();
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
    const auto red = [](uint32_t p) { return (p >> 16) & 0xFFu; };
    const auto component = [](double v) { return static_cast<uint32_t>(toByte((v + 1.0) / 2.0 * 255.0)); };

    forEachRow(
        [&](int32_t y, const uint32_t* here, uint32_t* out) {
            // Neighbours wrap by the image's size, so the map tiles.
            const uint32_t* above = snapshotRow(y > 0 ? y - 1 : height - 1);
            const uint32_t* below = snapshotRow(y + 1 < height ? y + 1 : 0);
            for (int32_t x = 0; x < width; ++x) {
                const int32_t left = x > 0 ? x - 1 : width - 1;
                const int32_t right = x + 1 < width ? x + 1 : 0;
                const double a = (heights[red(above[left])] + 2.0 * heights[red(above[x])] + heights[red(above[right])]) -
                                 (heights[red(below[left])] + 2.0 * heights[red(below[x])] + heights[red(below[right])]);
                const double b = (heights[red(above[right])] + 2.0 * heights[red(here[right])] + heights[red(below[right])]) -
                                 (heights[red(above[left])] + 2.0 * heights[red(here[left])] + heights[red(below[left])]);
                const double length = std::sqrt(b * b + a * a + 1.0);
                const uint32_t alpha = HeightMapToAlpha ? red(here[x]) : 255u;
                out[x] = (alpha << 24) | (component(-b / length) << 16) | (component(-a / length) << 8) |
                         component(1.0 / length);
            }
        },
        true);
    return handleResult();
}

}  // namespace kalvora
