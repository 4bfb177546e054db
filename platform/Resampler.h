#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/Image.h"
#include "platform/ImageSource.h"
#include "platform/Status.h"
#include "platform/Surface.h"

namespace kalvora::platform {

// How one destination axis maps onto the source. Pixel centres sit at
// half-integers on both sides: destination pixel j samples the source at
// src + (j + 0.5 - dst) * srcLen / dstLen, and source pixel i covers [i, i + 1).
//
// A periodic axis (period > 0) repeats the source: every coordinate is
// reduced into [periodStart, periodStart + period), so a tiled draw reads the
// same source pixels for every copy and no coordinate grows with the copy
// number.
struct AxisMapping {
    double dst = 0;
    double dstLen = 1;
    double src = 0;
    double srcLen = 1;
    double period = 0;
    double periodStart = 0;

    double sourceAt(int64_t j) const
    {
        const double v = src + ((static_cast<double>(j) + 0.5 - dst) * srcLen) / dstLen;
        return period > 0 ? reduced(v) : v;
    }

private:
    double reduced(double v) const
    {
        double r = std::fmod(v - periodStart, period);
        if (r < 0) r += period;
        // A tiny negative remainder plus the period can round up to it.
        if (r >= period) r = 0;
        return periodStart + r;
    }
};

enum class ResampleKernel {
    Nearest,
    Linear,
    Cubic,  // Keys' cubic convolution with a = -0.5
};

// The weights of one axis: every destination pixel reads `used` source pixels
// from `start`; weights are stored `taps` to a pixel, the unused ones zero.
struct ResampleAxis {
    int32_t count = 0;
    int32_t taps = 0;
    int32_t first = 0;  // smallest source index read
    int32_t end = 0;    // one past the last index any stored weight refers to
    std::vector<int32_t> start;
    std::vector<int32_t> used;
    std::vector<float> weights;
};

// One draw: the target pixels [x0, x1) x [y0, y1), every one of whose centres
// maps inside the source image, resampled and composited source-over.
struct ResampleJob {
    const ImageSource* source = nullptr;
    Image* target = nullptr;
    AxisMapping mapX;
    AxisMapping mapY;
    int32_t x0 = 0;
    int32_t x1 = 0;
    int32_t y0 = 0;
    int32_t y1 = 0;
    ResampleKernel kernel = ResampleKernel::Linear;
    bool widen = false;  // widen the kernel when shrinking so it averages the area covered
    const ImageAttributes* attributes = nullptr;
    bool useThreadPool = true;
};

// Separable resampling of premultiplied colours in single precision, with
// the weight tables of both axes computed once per draw. Rows may be split
// over the thread pool: every destination row is computed by the same
// sequence of operations whatever the split, so the bytes do not depend on
// the number of threads.
class Resampler {
public:
    static Status run(const ResampleJob& job);

    // Weights for destination pixels [j0, j1) over a source axis of n pixels.
    // Source pixels outside [0, n) are left out and the rest renormalised.
    static Status buildAxis(const AxisMapping& map, int32_t j0, int32_t j1, int32_t n,
                            ResampleKernel kernel, bool widen, ResampleAxis& axis);

    // Nearest source pixel of each destination pixel [j0, j1), within [0, n).
    static Status buildNearest(const AxisMapping& map, int32_t j0, int32_t j1, int32_t n,
                               std::vector<int32_t>& index);

private:
    static Status runNearest(const ResampleJob& job);
    static Status runFiltered(const ResampleJob& job);
};

}  // namespace kalvora::platform
