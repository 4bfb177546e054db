// Alpha filters: the soft, noise-ragged transparent border, the alpha stamp
// from a resized piece of another image, a linear alpha ramp and the alpha
// channel shown as grey. Colours always come from the snapshot.

#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "filters/cNoiseGenerator.h"
#include "filters/clsImageFilter.h"
#include "imaging/UISupport.h"
#include "platform/Numeric.h"
#include "platform/PixelFormat.h"

namespace kalvora {

namespace {

constexpr uint32_t kColourMask = 0x00FFFFFFu;

inline uint32_t withAlpha(uint32_t colour, uint32_t alpha) { return (colour & kColourMask) | (alpha << 24); }

// Reads packed ARGB pixels of an image that is expected to be w x h in
// 32bpp ARGB; any other image is read pixel by pixel, 0 where it has none.
class PixelSource {
public:
    PixelSource(const platform::Image* image, int32_t w, int32_t h)
        : m_image(image), m_direct(image && image->format() == platform::kFormat32bppARGB && image->width() == w &&
                                   image->height() == h)
    {
    }

    // Whether the image is the expected one, read directly.
    bool direct() const { return m_direct; }

    uint32_t at(int32_t x, int32_t y) const
    {
        if (m_direct) return reinterpret_cast<const uint32_t*>(m_image->row(y))[x];
        uint32_t value = 0;
        if (!m_image || m_image->getPixel(x, y, value) != platform::Ok) return 0;
        return value;
    }

private:
    const platform::Image* m_image;
    bool m_direct;
};

// Reseeds for images wider than high, so equal sizes give equal edges.
void reseedForBorder(platform::RandomGenerator& random, int32_t w, int32_t h)
{
    random.next(1.0 - std::fabs(static_cast<double>(w) / static_cast<double>(h)));
}

// A noise cell of the soft border is at least one pixel, whatever length was asked for.
int32_t borderNoiseCell(float noiseLength)
{
    const int32_t cell = platform::roundToInt32(static_cast<double>(noiseLength));
    return cell < 1 ? 1 : cell;
}

// Where the soft border cannot reach. A noise displacement moves a point by
// at most |strength| pixels along each axis, and the clamp into the image
// and every operation of the alpha rule keep their order, so testing the
// farthest points a pixel's displacement can reach tells whether its alpha
// is 255 for every noise value: its point then always lies in the middle
// band, clear of the bottom edge's ramp.
class SolidInterior {
public:
    SolidInterior(int32_t w, int32_t h, int32_t border, int32_t radius, int32_t strength)
        : m_maxX(w - 1), m_maxY(h - 1), m_strength(std::llabs(static_cast<int64_t>(strength)))
    {
        const int64_t c = static_cast<int64_t>(radius) + strength + border;
        m_low = static_cast<double>(c);
        m_highX = static_cast<double>(m_maxX - c);
        m_bottom = static_cast<float>(static_cast<int64_t>(m_maxY) - border);
        m_inset = static_cast<float>(strength);
        m_columns.resize(static_cast<size_t>(w > 0 ? w : 0));
        for (int32_t x = 0; x < w; ++x)
            m_columns[static_cast<size_t>(x)] = reach(x, -1, m_maxX) >= m_low && reach(x, 1, m_maxX) <= m_highX;
    }

    // Whether row y can hold solid pixels at all.
    bool row(int32_t y) const
    {
        if (!(reach(y, -1, m_maxY) >= m_low)) return false;
        const float distance = static_cast<float>(reach(y, 1, m_maxY)) - m_bottom + m_inset;
        return !(distance > 0.0f);
    }
    bool column(int32_t x) const { return m_columns[static_cast<size_t>(x)] != 0; }

private:
    // The displaced coordinate at the far end (direction -1 or 1), clamped
    // into 0..limit as the border clamps it.
    double reach(int32_t v, int direction, int32_t limit) const
    {
        float p = static_cast<float>(static_cast<double>(direction * m_strength) + v);
        if (p < 0.0f) p = 0.0f;
        if (p > static_cast<float>(limit)) p = static_cast<float>(limit);
        return p;
    }

    int32_t m_maxX;
    int32_t m_maxY;
    int64_t m_strength;
    double m_low = 0;
    double m_highX = 0;
    float m_bottom = 0;
    float m_inset = 0;
    std::vector<char> m_columns;
};

// The noise stretched to w x h, read only where the outline can reach:
// outside the solid interior. When that interior is one block, only the
// bands around it are stretched (a part of a stretch has the same pixels as
// the whole); otherwise, or when a band cannot be made, the whole image is.
class StretchedNoise {
public:
    StretchedNoise(cNoiseGenerator& noise, int32_t w, int32_t h, const SolidInterior& solid) : m_w(w), m_h(h)
    {
        if (noise.Bitmap.Width() != w || noise.Bitmap.Height() != h) {
            if (!stretchBands(noise.Bitmap, solid)) noise.Interpolate(w, h, platform::InterpolationMode::Bicubic);
        }
        if (!m_banded) m_whole.emplace(noise.Bitmap.Handle(), w, h);
    }

    // Whether the noise has its w x h pixels: not when it could not be made.
    bool complete() const { return m_banded || m_whole->direct(); }

    uint32_t at(int32_t x, int32_t y) const
    {
        if (!m_banded) return m_whole->at(x, y);
        if (y < m_rows.first) return pixel(*m_top, x, y);
        if (y >= m_rows.end) return pixel(*m_bottom, x, y - m_rows.end);
        if (x < m_columns.first) return pixel(*m_left, x, y - m_rows.first);
        if (x >= m_columns.end) return pixel(*m_right, x - m_columns.end, y - m_rows.first);
        return 0;
    }

private:
    struct Span {
        int32_t first = 0;
        int32_t end = 0;
    };

    static uint32_t pixel(const platform::Image& image, int32_t x, int32_t y)
    {
        return reinterpret_cast<const uint32_t*>(image.row(y))[x];
    }

    // The one run of indices 0..count - 1 for which solidAt holds; false
    // when there is none or more than one.
    template <typename SolidAt>
    static bool oneRun(int32_t count, SolidAt solidAt, Span& run)
    {
        int32_t v = 0;
        while (v < count && !solidAt(v)) ++v;
        run.first = v;
        while (v < count && solidAt(v)) ++v;
        run.end = v;
        while (v < count && !solidAt(v)) ++v;
        return run.first < run.end && v == count;
    }

    bool stretchBands(cBitmap& grid, const SolidInterior& solid)
    {
        if (!oneRun(m_h, [&](int32_t y) { return solid.row(y); }, m_rows)) return false;
        if (!oneRun(m_w, [&](int32_t x) { return solid.column(x); }, m_columns)) return false;
        const auto part = [&](int32_t x, int32_t y, int32_t width, int32_t height, std::unique_ptr<platform::Image>& out) {
            if (width < 1 || height < 1) return true;
            out = grid.resizedArea(m_w, m_h, platform::InterpolationMode::Bicubic, {x, y, width, height});
            return out != nullptr;
        };
        const int32_t middle = m_rows.end - m_rows.first;
        m_banded = part(0, 0, m_w, m_rows.first, m_top) && part(0, m_rows.end, m_w, m_h - m_rows.end, m_bottom) &&
                   part(0, m_rows.first, m_columns.first, middle, m_left) &&
                   part(m_columns.end, m_rows.first, m_w - m_columns.end, middle, m_right);
        return m_banded;
    }

    int32_t m_w;
    int32_t m_h;
    bool m_banded = false;
    Span m_rows;
    Span m_columns;
    std::unique_ptr<platform::Image> m_top, m_bottom, m_left, m_right;
    std::optional<PixelSource> m_whole;
};

}  // namespace

void clsImageFilter::skipTransparentBorderDraws(platform::RandomGenerator& random, int32_t width, int32_t height,
                                                float NoiseLength)
{
    if (height <= 0) return;
    reseedForBorder(random, width, height);
    const int32_t cell = borderNoiseCell(NoiseLength);
    cNoiseGenerator::skipNoiseDraws(random, width / cell, height / cell, false);
}

uint8_t clsImageFilter::EdgeAlpha(float Distance, int32_t Softness)
{
    if (!(Distance > 0.0f)) return 255;
    const double rampEnd = static_cast<double>(Softness) + 1.0;
    if (static_cast<double>(Distance) >= rampEnd) return 0;
    return toByte(UISupport::MapRange(Distance, 0.0f, static_cast<float>(rampEnd), 255.0f, 0.0f));
}

uint8_t clsImageFilter::CornerAlpha(float dx, float dy, int32_t Radius, int32_t Softness)
{
    const float squares = dx * dx + dy * dy;
    const auto d = static_cast<float>(std::sqrt(static_cast<double>(squares)) - static_cast<double>(Radius));
    return EdgeAlpha(d, Softness);
}

uint8_t clsImageFilter::RoundRectAlpha(float X, float Y, int32_t MaxX, int32_t MaxY, int32_t Border, int32_t Radius,
                                       int32_t Softness, int32_t Inset)
{
    // Sums of the parameters in 64 bits, so no size overflows.
    const int64_t c = static_cast<int64_t>(Radius) + Inset + Border;
    const auto side = static_cast<float>(static_cast<int64_t>(Border) + Inset);
    const auto cf = static_cast<float>(c);
    const double x = X;
    const double y = Y;
    const auto lowX = static_cast<double>(c);
    const auto highX = static_cast<double>(MaxX - c);
    const auto lowY = static_cast<double>(c);
    const auto highY = static_cast<double>(MaxY - c);
    const auto farX = static_cast<float>(static_cast<int64_t>(MaxX) - c);
    const auto farY = static_cast<float>(static_cast<int64_t>(MaxY) - c);
    const auto inset = static_cast<float>(Inset);

    if (x < lowX) {
        if (y < lowY) return CornerAlpha(cf - X, cf - Y, Radius, Softness);
        if (y <= highY) return EdgeAlpha(side - X, Softness);
        return CornerAlpha(cf - X, Y - farY, Radius, Softness);
    }
    if (x <= highX) {
        if (y < lowY) return EdgeAlpha(side - Y, Softness);
        return EdgeAlpha(Y - static_cast<float>(static_cast<int64_t>(MaxY) - Border) + inset, Softness);
    }
    if (y < lowY) return CornerAlpha(X - farX, cf - Y, Radius, Softness);
    if (y <= highY) return EdgeAlpha(X - static_cast<float>(static_cast<int64_t>(MaxX) - Border) + inset, Softness);
    return CornerAlpha(X - farX, Y - farY, Radius, Softness);
}

platform::Image* clsImageFilter::CreateTransparentBorder(int32_t BorderSize, int32_t RoundedEdgeSize,
                                                         int32_t NoiseStrength, float NoiseLength, int32_t AntiAlias)
{
    const int32_t w = loadedWidth();
    const int32_t h = loadedHeight();
    const SolidInterior solid(w, h, BorderSize, RoundedEdgeSize, NoiseStrength);
    cNoiseGenerator noise(m_random);
    if (h > 0) {
        reseedForBorder(*m_random, w, h);
        const int32_t cell = borderNoiseCell(NoiseLength);
        noise.CreateNoise(w / cell, h / cell, false);
    }
    const StretchedNoise noisePixels(noise, w, h, solid);
    if (!hasSession()) return nullptr;
    // Without its noise (memory ran out making it) the outline would come
    // out smooth: no result.
    if (h > 0 && !noisePixels.complete()) {
        const platform::Status failure = noise.failureStatus();
        CheckGdipStatus(failure != platform::Ok ? failure : platform::GenericError);
        return nullptr;
    }

    // Displacement by noise byte: (n x S x 2) / 255 - S, in double.
    std::vector<double> displacement(256);
    const int64_t strength = NoiseStrength;
    for (int64_t n = 0; n < 256; ++n)
        displacement[static_cast<size_t>(n)] = static_cast<double>(n * strength * 2) / 255.0 -
                                               static_cast<double>(strength);
    const double* shift = displacement.data();
    const int32_t maxX = MaxX();
    const int32_t maxY = MaxY();
    forEachRow(
        [&](int32_t y, const uint32_t* in, uint32_t* out) {
            const bool solidRow = solid.row(y);
            for (int32_t x = 0; x < w; ++x) {
                if (solidRow && solid.column(x)) {
                    out[x] = withAlpha(in[x], 255);
                    continue;
                }
                const uint32_t n = noisePixels.at(x, y);
                float px = static_cast<float>(shift[(n >> 16) & 0xFF] + x);
                float py = static_cast<float>(shift[(n >> 8) & 0xFF] + y);
                if (px < 0.0f) px = 0.0f;
                if (px > static_cast<float>(maxX)) px = static_cast<float>(maxX);
                if (py < 0.0f) py = 0.0f;
                if (py > static_cast<float>(maxY)) py = static_cast<float>(maxY);
                const uint8_t alpha = RoundRectAlpha(px, py, maxX, maxY, BorderSize, RoundedEdgeSize, AntiAlias,
                                                     NoiseStrength);
                out[x] = withAlpha(in[x], alpha);
            }
        },
        true);
    return handleResult();
}

platform::Image* clsImageFilter::CreateDrawAlphaOnly(cBitmap& SourceBitmap, int32_t dstx, int32_t dsty, int32_t DstW,
                                                     int32_t DstH, int32_t srcx, int32_t srcy, int32_t SrcW,
                                                     int32_t SrcH, bool MultiplyAlpha, bool InvertAlpha)
{
    // An empty destination changes nothing.
    if (DstW <= 0 || DstH <= 0) return handleResult();

    cBitmap mask;
    mask.CreateFromClone(SourceBitmap.Width(), SourceBitmap.Height(), SourceBitmap.Handle(),
                         SourceBitmap.PixelFormat());
    mask.CropPicture(srcx, srcy, SrcW, SrcH);
    mask.ResizePicture(DstW, DstH, platform::InterpolationMode::HighQualityBicubic);
    if (!hasSession()) return nullptr;

    platform::LockedBits bits;
    if (!lockWorking(bits)) return handleResult();
    const platform::ScopeExit unlock([&] { unlockWorking(bits); });
    // Only the part of the rectangle that lies inside the image.
    const int64_t firstX = std::max<int64_t>(dstx, 0);
    const int64_t lastX = std::min<int64_t>(static_cast<int64_t>(dstx) + DstW - 1, MaxX());
    const int64_t firstY = std::max<int64_t>(dsty, 0);
    const int64_t lastY = std::min<int64_t>(static_cast<int64_t>(dsty) + DstH - 1, MaxY());
    const PixelSource maskPixels(mask.Handle(), DstW, DstH);
    for (int64_t y = firstY; y <= lastY; ++y) {
        const auto row = static_cast<int32_t>(y);
        const uint32_t* in = snapshotRow(row);
        uint32_t* out = lockedRow(bits, row);
        const auto maskY = static_cast<int32_t>(y - dsty);
        for (int64_t x = firstX; x <= lastX; ++x) {
            const uint32_t p = in[x];
            uint32_t m = maskPixels.at(static_cast<int32_t>(x - dstx), maskY) >> 24;
            if (InvertAlpha) m = 255 - m;
            const uint32_t alpha = MultiplyAlpha ? ((p >> 24) * m) / 255 : m;
            out[x] = withAlpha(p, alpha);
        }
        raiseProgess(row);
    }
    return handleResult();
}

platform::Image* clsImageFilter::CreateAlphaAsGray()
{
    if (!hasSession()) return nullptr;
    const int32_t width = loadedWidth();
    forEachRow(
        [=](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t a = in[x] >> 24;
                out[x] = 0xFF000000u | (a << 16) | (a << 8) | a;
            }
        },
        true);
    return handleResult();
}

platform::Image* clsImageFilter::CreateAlphaRamp(uint8_t StartAlpha, uint8_t EndAlpha, bool HorizontalDirection)
{
    if (!hasSession()) return nullptr;
    // From StartAlpha at position 0 to EndAlpha at the last column (or row);
    // a single column (or row) keeps StartAlpha.
    const int32_t last = HorizontalDirection ? MaxX() : MaxY();
    const double step = last > 0 ? (static_cast<double>(EndAlpha) - StartAlpha) / last : 0.0;
    std::vector<uint8_t> ramp(static_cast<size_t>(std::max(last + 1, 1)));
    for (int32_t p = 0; p <= last; ++p) ramp[static_cast<size_t>(p)] = platform::roundToByte(p * step + StartAlpha);

    const uint8_t* alpha = ramp.data();
    const int32_t width = loadedWidth();
    forEachRow(
        [=](int32_t y, const uint32_t* in, uint32_t* out) {
            if (HorizontalDirection) {
                for (int32_t x = 0; x < width; ++x) out[x] = withAlpha(in[x], alpha[x]);
            } else {
                const uint32_t a = alpha[y];
                for (int32_t x = 0; x < width; ++x) out[x] = withAlpha(in[x], a);
            }
        },
        true);
    return handleResult();
}

}  // namespace kalvora
