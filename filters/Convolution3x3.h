#pragma once

#include <cstdint>
#include <vector>

namespace kalvora {

// A 3 x 3 kernel: K0..K2 weigh the row above (x-1, x, x+1), K3..K5 the
// pixel's own row, K6..K8 the row below. The weighted sum is divided by
// Divisor and Bias is added.
struct ConvolutionKernel {
    int32_t K0 = 0, K1 = 0, K2 = 0;
    int32_t K3 = 0, K4 = 0, K5 = 0;
    int32_t K6 = 0, K7 = 0, K8 = 0;
    int32_t Divisor = 1;
    int32_t Bias = 0;
};

// Read-only packed ARGB pixels (alpha in the top byte), row-major with
// rowPitch pixels between row starts.
struct PixelView {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int64_t rowPitch = 0;

    const uint32_t* row(int32_t y) const { return pixels + static_cast<int64_t>(y) * rowPitch; }
    uint32_t at(int32_t x, int32_t y) const { return row(y)[x]; }
};

// Division of 16-bit lane sums by a fixed divisor: the sum is raised by
// offset (a multiple K of the divisor) into 0..65535 and divided with a
// multiply-high by magic and a shift; base is the bias minus K, parity its
// lowest bit. divisor 0 means none.
struct LaneDivision {
    uint16_t offset = 0;
    uint16_t magic = 0;
    int shift = 0;
    uint16_t divisor = 0;
    int16_t base = 0;
    int16_t parity = 0;
};

// One 3 x 3 convolution over an image with border rules: a pixel whose
// neighbourhood leaves the image uses only its in-image cells. A kernel
// whose weights add up to its divisor (normalised) then divides by the sum
// of those cells' weights (1 where that is 0); a kernel whose weights add up
// to 0 (zero-sum) replaces the centre weight by the absolute sum of the
// in-image neighbours' weights. Interior pixels use the kernel as it is.
// Each colour channel is rounded half to even and limited to 0..255; the
// alpha is the source pixel's.
class Convolution3x3 {
public:
    // Raises a divisor below 1 to 1 in the caller's kernel, as the filters
    // promise, and prepares the interior lookup table unless only single
    // pixels (at) will be asked for.
    explicit Convolution3x3(ConvolutionKernel& kernel, bool forRows = true);

    // The filtered pixel at (x, y), for any pixel of the image.
    uint32_t at(const PixelView& src, int32_t x, int32_t y) const;

    // The filtered rows yBegin..yEnd-1; row y goes to out + (y - yBegin) *
    // outPitch. The interior runs without bounds tests.
    void filterRows(const PixelView& src, int32_t yBegin, int32_t yEnd, uint32_t* out, int64_t outPitch) const;

    bool isNormalised() const { return m_sum == m_kernel.Divisor; }
    bool isZeroSum() const { return m_sum == 0; }

private:
    uint8_t interiorChannel(int64_t sum) const;
    void prepareLaneDivision();
    void interiorPacked(const uint64_t* above, const uint64_t* here, const uint64_t* below,
                        const uint32_t* centre, int32_t width, uint32_t* out) const;
    void interiorPlain(const PixelView& src, int32_t y, uint32_t* out) const;
    void interiorNarrow(const int16_t* above, const int16_t* here, const int16_t* below,
                        const uint32_t* centre, int32_t width, int16_t* sums, uint32_t* out) const;

    ConvolutionKernel m_kernel;
    int32_t m_weights[9];
    int64_t m_sum = 0;
    // Interior channel value by weighted sum, from m_tableMin upward; empty
    // when the kernel's range is too wide for a table.
    std::vector<uint8_t> m_table;
    int64_t m_tableMin = 0;
    bool m_packed = false;
    // Sums fit 16-bit lanes: the interior is summed channel-interleaved in
    // plain loops the compiler turns into vector code.
    bool m_narrow = false;
    // log2 of the divisor when it is a power of two, else -1.
    int m_divisorShift = -1;
    // Other divisors of narrow kernels, divided in the lanes.
    LaneDivision m_laneDivision;
};

}  // namespace kalvora
