// Kernel and neighbourhood filters: 3 x 3 convolutions with border rules,
// erode, dilate, contour, pixelise, the diagonal emboss and sharpen, the
// plain copy and the error-carrying black-and-white conversion.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "filters/clsImageFilter.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

ConvolutionKernel makeKernel(std::initializer_list<int32_t> weights, int32_t divisor, int32_t bias)
{
    ConvolutionKernel k;
    int32_t* cells[9] = {&k.K0, &k.K1, &k.K2, &k.K3, &k.K4, &k.K5, &k.K6, &k.K7, &k.K8};
    int i = 0;
    for (int32_t w : weights) *cells[i++] = w;
    k.Divisor = divisor;
    k.Bias = bias;
    return k;
}

// Strength t = (min(|value|, 100) * 50) \ 100 of the two sharpen kernels.
int32_t sharpenStep(int32_t value)
{
    return clsImageFilter::limitedMagnitude(value, 100) * 50 / 100;
}

// Rows of bytes combined lane by lane; plain loops the compiler vectorises.
void combineRows(uint8_t* acc, const uint8_t* row, int64_t n, bool takeMax)
{
    if (takeMax) {
        for (int64_t i = 0; i < n; ++i) acc[i] = std::max(acc[i], row[i]);
    } else {
        for (int64_t i = 0; i < n; ++i) acc[i] = std::min(acc[i], row[i]);
    }
}

// Per channel minimum or maximum over the in-image 3 x 3 neighbourhood of
// every pixel of row y: first down the columns, then across.
void extremeRow(const PixelView& src, int32_t y, bool takeMax, std::vector<uint8_t>& column, uint8_t* out)
{
    const int32_t width = src.width;
    const int64_t n = int64_t{4} * width;
    column.resize(static_cast<size_t>(n));
    std::memcpy(column.data(), src.row(y), static_cast<size_t>(n));
    if (y > 0) combineRows(column.data(), reinterpret_cast<const uint8_t*>(src.row(y - 1)), n, takeMax);
    if (y + 1 < src.height) combineRows(column.data(), reinterpret_cast<const uint8_t*>(src.row(y + 1)), n, takeMax);

    const uint8_t* c = column.data();
    if (width == 1) {
        std::memcpy(out, c, 4);
        return;
    }
    for (int64_t i = 0; i < 4; ++i) out[i] = takeMax ? std::max(c[i], c[i + 4]) : std::min(c[i], c[i + 4]);
    const int64_t last = n - 4;
    if (takeMax) {
        for (int64_t i = 4; i < last; ++i) out[i] = std::max(std::max(c[i - 4], c[i]), c[i + 4]);
    } else {
        for (int64_t i = 4; i < last; ++i) out[i] = std::min(std::min(c[i - 4], c[i]), c[i + 4]);
    }
    for (int64_t i = last; i < n; ++i) out[i] = takeMax ? std::max(c[i - 4], c[i]) : std::min(c[i - 4], c[i]);
}

inline uint32_t channel(uint32_t p, int shift) { return (p >> shift) & 0xFFu; }

inline uint32_t grey(uint32_t v) { return kOpaque | (v << 16) | (v << 8) | v; }

}  // namespace

uint32_t clsImageFilter::Convolve3x3(int32_t x, int32_t y, ConvolutionKernel& kernel) const
{
    const Convolution3x3 convolution(kernel, false);
    return convolution.at(snapshotView(), x, y);
}

void clsImageFilter::forEachRowBlock(const RowBlockBody& body, bool parallel)
{
    platform::LockedBits bits;
    if (!lockWorking(bits)) return;
    const platform::ScopeExit unlock([&] { unlockWorking(bits); });
    const int32_t height = m_height;
    const int64_t pitch = bits.stride / 4;
    const bool pooled = parallel && m_parallelRows && platform::ThreadPool::size() > 1 && height >= 8;
    // Blocks keep Progess flowing during a long run; each block is split
    // again across the pool in runs of consecutive rows.
    const int32_t block = pooled ? std::max<int32_t>(64, platform::ThreadPool::size() * 16) : 64;
    for (int32_t first = 0; first < height; first += block) {
        const int32_t last = std::min(height, first + block);
        if (pooled) {
            platform::ThreadPool::parallelFor(first, last, 8, [&](int64_t begin, int64_t end) {
                const auto b = static_cast<int32_t>(begin);
                body(b, static_cast<int32_t>(end), lockedRow(bits, b), pitch);
            });
        } else {
            body(first, last, lockedRow(bits, first), pitch);
        }
        for (int32_t y = first; y < last; ++y) raiseProgess(y);
    }
}

void clsImageFilter::applyKernel(ConvolutionKernel kernel)
{
    const Convolution3x3 convolution(kernel);
    const PixelView src = snapshotView();
    forEachRowBlock(
        [&](int32_t begin, int32_t end, uint32_t* out, int64_t pitch) {
            convolution.filterRows(src, begin, end, out, pitch);
        },
        true);
}

std::unique_ptr<platform::Image> clsImageFilter::kernelPicture(const ConvolutionKernel& kernel)
{
    if (!hasSession()) return nullptr;
    applyKernel(kernel);
    return pictureResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateBasisMatrixFilter()
{
    return kernelPicture(makeKernel({0, 0, 0, 0, 1, 0, 0, 0, 0}, 1, 0));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEdgeDedectionFilter()
{
    return kernelPicture(makeKernel({1, 1, 1, 1, 1, -1, -1, -1, -1}, 1, 0));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateRelieveFilter()
{
    return kernelPicture(makeKernel({0, 1, 1, 1, 1, -1, -1, -1, 0}, 1, 0));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEmbossFilter1()
{
    return kernelPicture(makeKernel({-1, 0, -1, 0, 4, 0, -1, 0, -1}, 1, 127));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEmbossFilter2()
{
    return kernelPicture(makeKernel({-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 127));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEmbossFilter3()
{
    return kernelPicture(makeKernel({1, -2, 1, -2, 4, -2, -2, 1, -2}, 1, 127));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEmbossFilter4()
{
    return kernelPicture(makeKernel({0, -1, 0, -1, 4, -1, 0, -1, 0}, 1, 127));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEmbossFilter5()
{
    return kernelPicture(makeKernel({0, 0, 0, -1, 2, -1, 0, 0, 0}, 1, 127));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEmbossFilter6()
{
    return kernelPicture(makeKernel({0, -1, 0, 0, 2, 0, 0, -1, 0}, 1, 127));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateSharpenFilter3(int32_t lFilterValue)
{
    const int32_t t = sharpenStep(lFilterValue);
    return kernelPicture(makeKernel({-1, -1, -1, -1, 59 - t, -1, -1, -1, -1}, 51 - t, 0));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateSharpenFilter2(int32_t lFilterValue)
{
    const int32_t t = sharpenStep(lFilterValue);
    return kernelPicture(makeKernel({0, -2, 0, -2, 61 - t, -2, 0, -2, 0}, 53 - t, 0));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateBlurFilter1()
{
    return kernelPicture(makeKernel({1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0));
}

std::unique_ptr<platform::Image> clsImageFilter::CreateBlurFilter2()
{
    return kernelPicture(makeKernel({0, 1, 0, 1, 1, 1, 0, 1, 0}, 5, 0));
}

void clsImageFilter::applyNeighbourhood(NeighbourhoodRule rule)
{
    const PixelView src = snapshotView();
    const bool takeMax = rule != NeighbourhoodRule::Minimum;
    forEachRowBlock(
        [&](int32_t begin, int32_t end, uint32_t* out, int64_t pitch) {
            std::vector<uint8_t> column;
            for (int32_t y = begin; y < end; ++y) {
                uint32_t* dst = out + (y - begin) * pitch;
                extremeRow(src, y, takeMax, column, reinterpret_cast<uint8_t*>(dst));
                const uint32_t* in = src.row(y);
                if (rule == NeighbourhoodRule::Contour) {
                    // 255 - (max - c) per channel: c never exceeds the maximum.
                    for (int32_t x = 0; x < src.width; ++x)
                        dst[x] = (0x00FFFFFFu - (dst[x] & 0x00FFFFFFu) + (in[x] & 0x00FFFFFFu)) | kOpaque;
                } else {
                    for (int32_t x = 0; x < src.width; ++x) dst[x] |= kOpaque;
                }
            }
        },
        true);
}

std::unique_ptr<platform::Image> clsImageFilter::CreateErodeFilter()
{
    if (!hasSession()) return nullptr;
    applyNeighbourhood(NeighbourhoodRule::Minimum);
    return pictureResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateDilateFilter()
{
    if (!hasSession()) return nullptr;
    applyNeighbourhood(NeighbourhoodRule::Maximum);
    return pictureResult();
}

platform::Image* clsImageFilter::CreateConturFilter()
{
    if (!hasSession()) return nullptr;
    applyNeighbourhood(NeighbourhoodRule::Contour);
    return handleResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreatePixelizeFilter(int32_t lFilterValue)
{
    if (!hasSession()) return nullptr;
    const int32_t block = limitedMagnitude(lFilterValue, 10) + 1;
    platform::LockedBits bits;
    if (lockWorking(bits)) {
        const platform::ScopeExit unlock([&] { unlockWorking(bits); });
        for (int32_t top = 0; top < m_height; top += block) {
            const int32_t bottom = std::min(m_height, top + block);
            const uint32_t* corners = snapshotRow(top);
            for (int32_t y = top; y < bottom; ++y) {
                uint32_t* dst = lockedRow(bits, y);
                for (int32_t left = 0; left < m_width; left += block) {
                    const int32_t right = std::min(m_width, left + block);
                    std::fill(dst + left, dst + right, corners[left] | kOpaque);
                }
            }
            raiseProgess(top);
        }
    }
    return pictureResult();
}

void clsImageFilter::applyDiagonalEmboss(bool engrave)
{
    const PixelView src = snapshotView();
    forEachRowBlock(
        [&](int32_t begin, int32_t end, uint32_t* out, int64_t pitch) {
            for (int32_t y = begin; y < end; ++y) {
                const uint32_t* here = src.row(y);
                const uint32_t* below = src.row(std::min(y + 1, src.height - 1));
                uint32_t* dst = out + (y - begin) * pitch;
                for (int32_t x = 0; x < src.width; ++x) {
                    const uint32_t c = here[x];
                    const uint32_t n = below[x > 0 ? x - 1 : 0];
                    uint32_t d[3];
                    for (int i = 0; i < 3; ++i) {
                        const int32_t a = static_cast<int32_t>(channel(c, 8 * i));
                        const int32_t b = static_cast<int32_t>(channel(n, 8 * i));
                        const int32_t diff = engrave ? b - a + 128 : a - b + 128;
                        d[i] = static_cast<uint32_t>(std::min(std::abs(diff), 255));
                    }
                    dst[x] = grey((77u * d[2] + 150u * d[1] + 28u * d[0]) / 255u);
                }
            }
        },
        true);
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEmbossFilter7()
{
    if (!hasSession()) return nullptr;
    applyDiagonalEmboss(false);
    return pictureResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateEngraveFilter7()
{
    if (!hasSession()) return nullptr;
    applyDiagonalEmboss(true);
    return pictureResult();
}

platform::Image* clsImageFilter::CreateSharpenFilter1(double dblFilterValue)
{
    if (!hasSession()) return nullptr;
    // A strength that is not a number sharpens nothing.
    const double k = std::isnan(dblFilterValue) ? 0.0 : std::min(std::fabs(dblFilterValue) / 128.0, 2.0);
    const PixelView src = snapshotView();
    forEachRowBlock(
        [&](int32_t begin, int32_t end, uint32_t* out, int64_t pitch) {
            for (int32_t y = begin; y < end; ++y) {
                const uint32_t* here = src.row(y);
                uint32_t* dst = out + (y - begin) * pitch;
                if (y == 0 || src.width == 0) {
                    for (int32_t x = 0; x < src.width; ++x) dst[x] = here[x] | kOpaque;
                    continue;
                }
                const uint32_t* above = src.row(y - 1);
                dst[0] = here[0] | kOpaque;
                for (int32_t x = 1; x < src.width; ++x) {
                    uint32_t result = kOpaque;
                    for (int shift = 0; shift <= 16; shift += 8) {
                        const double c = channel(here[x], shift);
                        const double diagonal = channel(above[x - 1], shift);
                        const double v = std::min(std::fabs((c - diagonal) * k + c), 255.0);
                        result |= static_cast<uint32_t>(platform::roundToByte(v)) << shift;
                    }
                    dst[x] = result;
                }
            }
        },
        true);
    return handleResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateBasisFilter()
{
    if (!hasSession()) return nullptr;
    forEachRowBlock(
        [&](int32_t begin, int32_t end, uint32_t* out, int64_t pitch) {
            for (int32_t y = begin; y < end; ++y)
                std::memcpy(out + (y - begin) * pitch, snapshotRow(y), static_cast<size_t>(m_width) * 4);
        },
        true);
    return pictureResult();
}

std::unique_ptr<platform::Image> clsImageFilter::CreateBlackWhiteFilter2()
{
    if (!hasSession()) return nullptr;
    const auto average = [](uint32_t p) {
        return static_cast<int32_t>((channel(p, 16) + channel(p, 8) + channel(p, 0)) / 3);
    };

    // Pass 1: the mean grey. The sum is 64-bit: 255 times the pixel count
    // passes 32 bits from about 8 megapixels on.
    int64_t sum = 0;
    for (int32_t y = 0; y < m_height; ++y) {
        const uint32_t* row = snapshotRow(y);
        for (int32_t x = 0; x < m_width; ++x) sum += average(row[x]);
        raiseProgess(y);
    }
    const int64_t count = static_cast<int64_t>(m_width) * m_height;
    const int64_t mean = count > 0 ? sum / count : 0;

    // Pass 2: threshold the sharpened image, carrying a quarter of each
    // pixel's error into the next one, across row ends too.
    ConvolutionKernel kernel = makeKernel({-1, -1, -1, -1, 10, -1, -1, -1, -1}, 2, 0);
    const Convolution3x3 sharpen(kernel);
    const PixelView src = snapshotView();
    int32_t carry = 0;
    forEachRowBlock(
        [&](int32_t begin, int32_t end, uint32_t* out, int64_t pitch) {
            sharpen.filterRows(src, begin, end, out, pitch);
            for (int32_t y = begin; y < end; ++y) {
                uint32_t* dst = out + (y - begin) * pitch;
                for (int32_t x = 0; x < m_width; ++x) {
                    const int32_t v = std::clamp(average(dst[x]) + carry, 0, 255);
                    const int32_t output = v < mean ? 0 : 255;
                    dst[x] = grey(static_cast<uint32_t>(output));
                    carry = (v - output) / 4;
                }
            }
        },
        false);
    return pictureResult();
}

}  // namespace kalvora
