#pragma once

#include <cstdint>
#include <optional>

#include "platform/Image.h"

namespace kalvora::platform {

class ImageSource;

// The drawing modes by the numbers project files and callers know them by.
// Scoped, so a bare number is no mode: numbers read from outside become
// modes through interpolationModeFromNumber only.
enum class InterpolationMode : int32_t {
    Default = 0,      // works as Bilinear
    LowQuality = 1,   // works as Bilinear
    HighQuality = 2,  // works as HighQualityBicubic
    Bilinear = 3,
    Bicubic = 4,  // a = -0.5
    NearestNeighbor = 5,
    // The kernels of these widen when shrinking, so each output averages the area it covers.
    HighQualityBilinear = 6,
    HighQualityBicubic = 7,
};
// Numbered from 0 in order.
enum class PixelOffsetMode : int32_t { Default, HighSpeed, HighQuality, None, Half };
enum class SmoothingMode : int32_t { Default, HighSpeed, HighQuality, None, AntiAlias };
enum class CompositingQuality : int32_t { Default, HighSpeed, HighQuality, GammaCorrected, AssumeLinear };

// The interpolation mode a number names; none for a number outside 0..7.
std::optional<InterpolationMode> interpolationModeFromNumber(int32_t number);

// Image attributes: an optional colour key. Source pixels whose R, G and B
// all lie inside [low, high] (per channel) are not drawn.
struct ImageAttributes {
    bool hasColorKey = false;
    uint32_t keyLow = 0;
    uint32_t keyHigh = 0;
};

struct RectF {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// A drawing surface on an image. Draws images with source-over compositing
// of straight (non-premultiplied) alpha, resampling with the interpolation
// mode when sizes differ. The target must outlive the surface.
//
// Geometry: pixel centres sit at half-integers in every pixel-offset mode
// (the modes are stored, and 0, 1 and 3 are treated like 2 and 4), so
// destination pixel j samples the source at
// srcX + (j + 0.5 - dstX) * srcWidth / dstWidth. A destination pixel is drawn
// when its centre lies inside the destination rectangle, inside the target,
// and maps inside the source image. The kernel may read source pixels
// outside the source rectangle but never outside the image: taps beyond the
// image are left out and the remaining weights renormalised. A draw at equal
// source and destination size at integer positions copies the source pixels
// unresampled in every mode, then composites them like any other draw.
//
// Resampling weighs premultiplied colours in single precision and returns
// straight colours clamped to 0..255 and rounded half to even, so fully
// transparent pixels lend no colour. Compositing is exact (see Compositor).
//
// Interpolation: see InterpolationMode; a value outside it works as bilinear.
class Surface {
public:
    explicit Surface(Image& target);

    Image& target() { return m_target; }

    // Fills the whole image with the colour, alpha included.
    Status clear(uint32_t argb);

    Status drawImage(const Image& src, int32_t x, int32_t y);
    Status drawImageRect(const Image& src, int32_t x, int32_t y, int32_t w, int32_t h);
    Status drawImageRectRect(const Image& src, int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx, int32_t sy,
                             int32_t sw, int32_t sh, const ImageAttributes* attributes = nullptr);
    // Rows of src from shownRows on are drawn as transparent.
    Status drawImageRectRectF(const Image& src, const RectF& dst, const RectF& srcRect,
                              const ImageAttributes* attributes = nullptr, int32_t shownRows = INT32_MAX);

    // Draws the source rectangle (pad, pad, W, H) of the edge-padded virtual
    // image of src: the (W + 2 pad) x (H + 2 pad) image whose pixel (X, Y),
    // with i = min(X, Y, Wp - 1 - X, Hp - 1 - Y, pad), has the colour of
    // src(floor((X - i + 0.5) W / (Wp - 2i)), floor((Y - i + 0.5) H / (Hp - 2i))).
    // The padded image is never allocated; the resampler reads through the rule.
    Status drawImagePadded(const Image& src, int32_t pad, int32_t dx, int32_t dy, int32_t dw, int32_t dh);

    // Covers the whole target with copies of src laid edge to edge, each the
    // whole image scaled to tile's size, on the grid through tile's corner.
    // Every target pixel is drawn from the copy its centre lies in, sampled at
    // coordinates taken modulo the image's size, so all copies are drawn in
    // one pass whatever their number, and filter kernels read across a copy's
    // edge into its neighbour. A tile narrower or lower than 1/1024 of a
    // target pixel is refused with InvalidParameter (the filters would average
    // over thousands of copies).
    // Rows of src from shownRows on are drawn as transparent.
    Status drawImageTiled(const Image& src, const RectF& tile, int32_t shownRows = INT32_MAX);

    void setInterpolationMode(InterpolationMode mode) { m_interpolation = mode; }
    InterpolationMode interpolationMode() const { return m_interpolation; }
    void setPixelOffsetMode(PixelOffsetMode mode) { m_pixelOffset = mode; }
    void setSmoothingMode(SmoothingMode mode) { m_smoothing = mode; }
    void setCompositingQuality(CompositingQuality q) { m_compositingQuality = q; }
    // Large draws split their rows over the thread pool unless this is turned
    // off; the bytes drawn are the same either way.
    void setUseThreadPool(bool on) { m_useThreadPool = on; }
    bool useThreadPool() const { return m_useThreadPool; }
    void setTextRenderingHint(int32_t h) { m_textHint = h; }

    // World transform: a translation only.
    void translateTransform(double dx, double dy);
    void resetTransform();
    double translateX() const { return m_translateX; }

private:
    Status draw(const ImageSource& source, const RectF& dst, const RectF& srcRect, const ImageAttributes* attributes);

    Image& m_target;
    InterpolationMode m_interpolation = InterpolationMode::Bilinear;
    PixelOffsetMode m_pixelOffset = PixelOffsetMode::Default;
    SmoothingMode m_smoothing = SmoothingMode::Default;
    CompositingQuality m_compositingQuality = CompositingQuality::Default;
    int32_t m_textHint = 0;
    double m_translateX = 0;
    double m_translateY = 0;
    bool m_useThreadPool = true;
};

}  // namespace kalvora::platform
