#include "filters/Convolution3x3.h"

#include <cstdlib>

#include "platform/Numeric.h"

namespace kalvora {

namespace {

// Interior sums are taken for all three channels at once in one 64-bit
// word: blue in bits 0-20, green in 21-41, red in 42-62. With the absolute
// weights adding up to at most kMaxPackedWeight, each channel's sum lies
// strictly between -2^20 and 2^20, so adding 2^20 to every field leaves
// three non-negative fields that never carry into each other.
constexpr int kFieldBits = 21;
constexpr uint64_t kFieldMask = (uint64_t{1} << kFieldBits) - 1;
constexpr int64_t kFieldOffset = int64_t{1} << (kFieldBits - 1);
constexpr uint64_t kPackedOffset = (uint64_t{1} << 20) | (uint64_t{1} << 41) | (uint64_t{1} << 62);
constexpr int64_t kMaxPackedWeight = ((int64_t{1} << 20) - 1) / 255;
constexpr int64_t kMaxTableSize = int64_t{1} << 17;

inline uint64_t expand(uint32_t argb)
{
    return (argb & 0xFFu) | (static_cast<uint64_t>((argb >> 8) & 0xFFu) << 21) |
           (static_cast<uint64_t>((argb >> 16) & 0xFFu) << 42);
}

inline uint8_t channelValue(int64_t sum, int64_t divisor, int32_t bias)
{
    return platform::roundToByte(static_cast<double>(sum) / static_cast<double>(divisor) + bias);
}

void expandRow(const uint32_t* src, int32_t width, uint64_t* out)
{
    for (int32_t x = 0; x < width; ++x) out[x] = expand(src[x]);
}

}  // namespace

Convolution3x3::Convolution3x3(ConvolutionKernel& kernel)
{
    if (kernel.Divisor < 1) kernel.Divisor = 1;
    m_kernel = kernel;
    const int32_t w[9] = {kernel.K0, kernel.K1, kernel.K2, kernel.K3, kernel.K4,
                          kernel.K5, kernel.K6, kernel.K7, kernel.K8};
    int64_t positive = 0;
    int64_t negative = 0;
    for (int i = 0; i < 9; ++i) {
        m_weights[i] = w[i];
        m_sum += w[i];
        (w[i] > 0 ? positive : negative) += std::llabs(static_cast<int64_t>(w[i]));
    }
    m_packed = positive + negative <= kMaxPackedWeight;
    const int64_t lowest = -255 * negative;
    const int64_t highest = 255 * positive;
    if (!m_packed || highest - lowest + 1 > kMaxTableSize) return;
    m_tableMin = lowest;
    m_table.resize(static_cast<size_t>(highest - lowest + 1));
    for (int64_t s = lowest; s <= highest; ++s)
        m_table[static_cast<size_t>(s - lowest)] = channelValue(s, m_kernel.Divisor, m_kernel.Bias);
}

uint32_t Convolution3x3::at(const PixelView& src, int32_t x, int32_t y) const
{
    int64_t blue = 0, green = 0, red = 0;
    int64_t neighbourWeight = 0;
    bool border = false;
    for (int32_t dy = -1; dy <= 1; ++dy) {
        const int32_t yy = y + dy;
        for (int32_t dx = -1; dx <= 1; ++dx) {
            const int32_t xx = x + dx;
            if (yy < 0 || yy >= src.height || xx < 0 || xx >= src.width) {
                border = true;
                continue;
            }
            if (dx == 0 && dy == 0) continue;
            const int64_t weight = m_weights[(dy + 1) * 3 + dx + 1];
            const uint32_t c = src.at(xx, yy);
            neighbourWeight += weight;
            blue += weight * (c & 0xFF);
            green += weight * ((c >> 8) & 0xFF);
            red += weight * ((c >> 16) & 0xFF);
        }
    }
    const uint32_t centre = src.at(x, y);
    const int64_t centreWeight = (border && isZeroSum()) ? std::llabs(neighbourWeight) : m_kernel.K4;
    blue += centreWeight * (centre & 0xFF);
    green += centreWeight * ((centre >> 8) & 0xFF);
    red += centreWeight * ((centre >> 16) & 0xFF);

    int64_t divisor = m_kernel.Divisor;
    if (border && isNormalised()) {
        divisor = neighbourWeight + m_kernel.K4;
        if (divisor == 0) divisor = 1;
    }
    return (centre & 0xFF000000u) | (static_cast<uint32_t>(channelValue(red, divisor, m_kernel.Bias)) << 16) |
           (static_cast<uint32_t>(channelValue(green, divisor, m_kernel.Bias)) << 8) |
           channelValue(blue, divisor, m_kernel.Bias);
}

uint8_t Convolution3x3::interiorChannel(int64_t sum) const
{
    if (!m_table.empty()) return m_table[static_cast<size_t>(sum - m_tableMin)];
    return channelValue(sum, m_kernel.Divisor, m_kernel.Bias);
}

void Convolution3x3::interiorPacked(const uint64_t* a, const uint64_t* h, const uint64_t* b,
                                    const uint32_t* centre, int32_t width, uint32_t* out) const
{
    const uint64_t w0 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[0]));
    const uint64_t w1 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[1]));
    const uint64_t w2 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[2]));
    const uint64_t w3 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[3]));
    const uint64_t w4 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[4]));
    const uint64_t w5 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[5]));
    const uint64_t w6 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[6]));
    const uint64_t w7 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[7]));
    const uint64_t w8 = static_cast<uint64_t>(static_cast<int64_t>(m_weights[8]));
    const uint8_t* table = m_table.empty() ? nullptr : m_table.data();
    const int64_t tableMin = m_tableMin;
    for (int32_t x = 1; x < width - 1; ++x) {
        uint64_t s = w0 * a[x - 1] + w1 * a[x] + w2 * a[x + 1];
        s += w3 * h[x - 1] + w4 * h[x] + w5 * h[x + 1];
        s += w6 * b[x - 1] + w7 * b[x] + w8 * b[x + 1];
        s += kPackedOffset;
        const int64_t blue = static_cast<int64_t>(s & kFieldMask) - kFieldOffset;
        const int64_t green = static_cast<int64_t>((s >> kFieldBits) & kFieldMask) - kFieldOffset;
        const int64_t red = static_cast<int64_t>((s >> (2 * kFieldBits)) & kFieldMask) - kFieldOffset;
        uint32_t rgb;
        if (table) {
            rgb = (static_cast<uint32_t>(table[red - tableMin]) << 16) |
                  (static_cast<uint32_t>(table[green - tableMin]) << 8) | table[blue - tableMin];
        } else {
            rgb = (static_cast<uint32_t>(interiorChannel(red)) << 16) |
                  (static_cast<uint32_t>(interiorChannel(green)) << 8) | interiorChannel(blue);
        }
        out[x] = (centre[x] & 0xFF000000u) | rgb;
    }
}

void Convolution3x3::interiorPlain(const PixelView& src, int32_t y, uint32_t* out) const
{
    const uint32_t* rows[3] = {src.row(y - 1), src.row(y), src.row(y + 1)};
    for (int32_t x = 1; x < src.width - 1; ++x) {
        int64_t sums[3] = {0, 0, 0};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                const int64_t weight = m_weights[r * 3 + c];
                const uint32_t p = rows[r][x - 1 + c];
                sums[0] += weight * (p & 0xFF);
                sums[1] += weight * ((p >> 8) & 0xFF);
                sums[2] += weight * ((p >> 16) & 0xFF);
            }
        }
        out[x] = (rows[1][x] & 0xFF000000u) | (static_cast<uint32_t>(interiorChannel(sums[2])) << 16) |
                 (static_cast<uint32_t>(interiorChannel(sums[1])) << 8) | interiorChannel(sums[0]);
    }
}

void Convolution3x3::filterRows(const PixelView& src, int32_t yBegin, int32_t yEnd, uint32_t* out,
                                int64_t outPitch) const
{
    const int32_t width = src.width;
    std::vector<uint64_t> ring;
    int32_t ringRow[3] = {-1, -1, -1};
    if (m_packed && width >= 3) ring.resize(static_cast<size_t>(width) * 3);
    auto expanded = [&](int32_t row) -> const uint64_t* {
        const int slot = row % 3;
        uint64_t* buffer = ring.data() + static_cast<size_t>(slot) * width;
        if (ringRow[slot] != row) {
            expandRow(src.row(row), width, buffer);
            ringRow[slot] = row;
        }
        return buffer;
    };

    for (int32_t y = yBegin; y < yEnd; ++y) {
        uint32_t* dst = out + static_cast<int64_t>(y - yBegin) * outPitch;
        const bool interiorRow = y > 0 && y < src.height - 1 && width >= 3;
        if (!interiorRow) {
            for (int32_t x = 0; x < width; ++x) dst[x] = at(src, x, y);
            continue;
        }
        dst[0] = at(src, 0, y);
        if (m_packed) {
            const uint64_t* above = expanded(y - 1);
            const uint64_t* here = expanded(y);
            const uint64_t* below = expanded(y + 1);
            interiorPacked(above, here, below, src.row(y), width, dst);
        } else {
            interiorPlain(src, y, dst);
        }
        dst[width - 1] = at(src, width - 1, y);
    }
}

}  // namespace kalvora
