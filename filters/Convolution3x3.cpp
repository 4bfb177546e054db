#include "filters/Convolution3x3.h"

#include <algorithm>
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
// Largest absolute weight total and bias whose channel sums, plus the bias,
// fit a signed 16-bit lane.
constexpr int32_t kMaxNarrowBias = 1024;
constexpr int64_t kMaxNarrowWeight = (32767 - kMaxNarrowBias) / 255;
constexpr int32_t kMaxNarrowSum = kMaxNarrowWeight * 255;
// Largest divisor for which a multiple lifts every narrow sum into 0..65535.
constexpr int32_t kMaxLaneDivisor = 2048;

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

// The row's bytes (B, G, R, A per pixel) as 16-bit lanes.
void widenRow(const uint32_t* src, int32_t width, int16_t* out)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(src);
    const int64_t n = int64_t{4} * width;
    for (int64_t i = 0; i < n; ++i) out[i] = bytes[i];
}

// A ring of three prepared rows, so every source row is prepared once per
// run of consecutive output rows.
template <typename Lane, int LanesPerPixel>
class RowRing {
public:
    RowRing(int32_t width, void (*prepare)(const uint32_t*, int32_t, Lane*))
        : m_width(width), m_prepare(prepare), m_buffer(size_t(width) * LanesPerPixel * 3)
    {
    }
    const Lane* get(const PixelView& src, int32_t row)
    {
        const int slot = row % 3;
        Lane* buffer = m_buffer.data() + size_t(slot) * m_width * LanesPerPixel;
        if (m_rows[slot] != row) {
            m_prepare(src.row(row), m_width, buffer);
            m_rows[slot] = row;
        }
        return buffer;
    }

private:
    int32_t m_width;
    void (*m_prepare)(const uint32_t*, int32_t, Lane*);
    std::vector<Lane> m_buffer;
    int32_t m_rows[3] = {-1, -1, -1};
};

}  // namespace

Convolution3x3::Convolution3x3(ConvolutionKernel& kernel, bool forRows)
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
    m_narrow = positive + negative <= kMaxNarrowWeight && kernel.Bias >= -kMaxNarrowBias &&
               kernel.Bias <= kMaxNarrowBias;
    for (int shift = 0; shift < 15; ++shift)
        if (kernel.Divisor == (1 << shift) && shift <= 8) m_divisorShift = shift;
    if (m_narrow && m_divisorShift < 0 && kernel.Divisor <= kMaxLaneDivisor) prepareLaneDivision();
    const int64_t lowest = -255 * negative;
    const int64_t highest = 255 * positive;
    // Lanes that divide by themselves need no table.
    const bool lanesDivide = m_narrow && (m_divisorShift >= 0 || m_laneDivision.divisor != 0);
    if (!forRows || lanesDivide || !m_packed || highest - lowest + 1 > kMaxTableSize) return;
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

void Convolution3x3::prepareLaneDivision()
{
    const int32_t d = m_kernel.Divisor;
    int l = 0;
    while ((1 << l) < d) ++l;
    const int32_t k = (kMaxNarrowSum + d - 1) / d;
    LaneDivision& dv = m_laneDivision;
    dv.offset = uint16_t(k * d);
    dv.magic = uint16_t((uint64_t{1} << 16) * ((uint64_t{1} << l) - uint64_t(d)) / uint64_t(d) + 1);
    dv.shift = l - 1;
    dv.divisor = uint16_t(d);
    dv.base = int16_t(m_kernel.Bias - k);
    dv.parity = int16_t((m_kernel.Bias - k) & 1);
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

namespace {

// The 16-bit lane loops are built twice on x86-64 with GCC: for the baseline
// and for AVX2, picked once at load time. Integer lanes give the same result
// either way.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define KALVORA_LANE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KALVORA_LANE_CLONES
#endif

struct LaneRows {
    const int16_t* a;  // row above
    const int16_t* h;  // the pixel's row
    const int16_t* b;  // row below
    int16_t w[9];
};

inline uint8_t clampToByte16(int16_t v)
{
    const int16_t low = std::max<int16_t>(v, 0);
    return uint8_t(std::min<int16_t>(low, 255));
}

// Lanes i = 4 .. end-1: the weighted sum of lane i's channel over the 3 x 3
// neighbourhood (the neighbours of a lane sit 4 lanes to either side).
#define KALVORA_LANE_SUM(r, i)                                                                                   \
    int16_t(w0 * r.a[i - 4] + w1 * r.a[i] + w2 * r.a[i + 4] + w3 * r.h[i - 4] + w4 * r.h[i] + w5 * r.h[i + 4] + \
            w6 * r.b[i - 4] + w7 * r.b[i] + w8 * r.b[i + 4])
#define KALVORA_LANE_WEIGHTS(r)                                                               \
    const int16_t w0 = r.w[0], w1 = r.w[1], w2 = r.w[2], w3 = r.w[3], w4 = r.w[4], w5 = r.w[5]; \
    const int16_t w6 = r.w[6], w7 = r.w[7], w8 = r.w[8]

KALVORA_LANE_CLONES void laneSums(const LaneRows r, int64_t end, int16_t* __restrict sums)
{
    KALVORA_LANE_WEIGHTS(r);
    for (int64_t i = 4; i < end; ++i) sums[i] = KALVORA_LANE_SUM(r, i);
}

// Divisor 1: the value is the sum plus the bias, limited to 0..255.
KALVORA_LANE_CLONES void laneWhole(const LaneRows r, int64_t end, int16_t bias, uint8_t* __restrict bytes)
{
    KALVORA_LANE_WEIGHTS(r);
    for (int64_t i = 4; i < end; ++i) bytes[i] = clampToByte16(int16_t(KALVORA_LANE_SUM(r, i) + bias));
}

// A divisor of 2^Shift: (s + d/2 - 1 + odd) / d, floored, is s / d rounded
// half to even, where odd tells whether floor(s / d) + bias is odd (the bias
// is added before rounding, so its parity picks the even neighbour).
template <int Shift>
KALVORA_LANE_CLONES void laneShift(const LaneRows r, int64_t end, int16_t bias, uint8_t* __restrict bytes)
{
    KALVORA_LANE_WEIGHTS(r);
    constexpr int16_t halfLess = int16_t((1 << (Shift - 1)) - 1);
    const int16_t biasParity = int16_t(bias & 1);
    for (int64_t i = 4; i < end; ++i) {
        const int16_t s = KALVORA_LANE_SUM(r, i);
        const int16_t odd = int16_t(((s >> Shift) ^ biasParity) & 1);
        const int16_t q = int16_t(int16_t(s + halfLess + odd) >> Shift);
        bytes[i] = clampToByte16(int16_t(q + bias));
    }
}

void laneShift(const LaneRows& r, int64_t end, int shift, int16_t bias, uint8_t* bytes)
{
    switch (shift) {
    case 1: laneShift<1>(r, end, bias, bytes); break;
    case 2: laneShift<2>(r, end, bias, bytes); break;
    case 3: laneShift<3>(r, end, bias, bytes); break;
    case 4: laneShift<4>(r, end, bias, bytes); break;
    case 5: laneShift<5>(r, end, bias, bytes); break;
    case 6: laneShift<6>(r, end, bias, bytes); break;
    case 7: laneShift<7>(r, end, bias, bytes); break;
    default: laneShift<8>(r, end, bias, bytes); break;
    }
}

// Any other divisor d up to kMaxLaneDivisor. The sum is first raised by a
// multiple K of d into 0..65535, then divided by d with a 16-bit
// multiply-high (exact for every 16-bit value and such d); the remainder
// decides the rounding, half to even on the parity of q - K + bias.
template <int Shift>
KALVORA_LANE_CLONES void laneDivide(const LaneRows r, int64_t end, const LaneDivision dv, uint8_t* __restrict bytes)
{
    KALVORA_LANE_WEIGHTS(r);
    const uint16_t offset = dv.offset, magic = dv.magic, divisor = dv.divisor;
    constexpr int shift = Shift;
    // Lane arithmetic wraps in 16 bits; the final value q + up + base lies
    // well inside the signed range.
    const uint16_t base = uint16_t(dv.base), parity = uint16_t(dv.parity);
    for (int64_t i = 4; i < end; ++i) {
        const uint16_t u = uint16_t(uint16_t(KALVORA_LANE_SUM(r, i)) + offset);
        const uint16_t t = uint16_t((uint32_t(u) * magic) >> 16);
        const uint16_t q = uint16_t(uint16_t(t + uint16_t(uint16_t(u - t) >> 1)) >> shift);
        const uint16_t twice = uint16_t(uint16_t(u - uint16_t(q * divisor)) << 1);
        const uint16_t odd = uint16_t(uint16_t(q ^ parity) & 1u);
        const uint16_t up = uint16_t(uint16_t(twice > divisor) | uint16_t(uint16_t(twice == divisor) & odd));
        bytes[i] = clampToByte16(int16_t(uint16_t(q + up + base)));
    }
}

void laneDivide(const LaneRows& r, int64_t end, const LaneDivision& dv, uint8_t* bytes)
{
    switch (dv.shift) {
    case 1: laneDivide<1>(r, end, dv, bytes); break;
    case 2: laneDivide<2>(r, end, dv, bytes); break;
    case 3: laneDivide<3>(r, end, dv, bytes); break;
    case 4: laneDivide<4>(r, end, dv, bytes); break;
    case 5: laneDivide<5>(r, end, dv, bytes); break;
    case 6: laneDivide<6>(r, end, dv, bytes); break;
    case 7: laneDivide<7>(r, end, dv, bytes); break;
    case 8: laneDivide<8>(r, end, dv, bytes); break;
    case 9: laneDivide<9>(r, end, dv, bytes); break;
    default: laneDivide<10>(r, end, dv, bytes); break;
    }
}

#undef KALVORA_LANE_SUM
#undef KALVORA_LANE_WEIGHTS

}  // namespace

void Convolution3x3::interiorNarrow(const int16_t* a, const int16_t* h, const int16_t* b,
                                    const uint32_t* centre, int32_t width, int16_t* sums, uint32_t* out) const
{
    LaneRows rows{a, h, b, {}};
    for (int i = 0; i < 9; ++i) rows.w[i] = int16_t(m_weights[i]);
    const int64_t end = int64_t{4} * (width - 1);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(out);
    const int16_t bias = int16_t(m_kernel.Bias);
    if (m_divisorShift == 0) {
        laneWhole(rows, end, bias, bytes);
    } else if (m_divisorShift > 0) {
        laneShift(rows, end, m_divisorShift, bias, bytes);
    } else if (m_laneDivision.divisor != 0) {
        laneDivide(rows, end, m_laneDivision, bytes);
    } else {
        laneSums(rows, end, sums);
        for (int32_t x = 1; x < width - 1; ++x) {
            const int16_t* s = sums + int64_t{4} * x;
            out[x] = (static_cast<uint32_t>(interiorChannel(s[2])) << 16) |
                     (static_cast<uint32_t>(interiorChannel(s[1])) << 8) | interiorChannel(s[0]);
        }
    }
    for (int32_t x = 1; x < width - 1; ++x) out[x] = (out[x] & 0x00FFFFFFu) | (centre[x] & 0xFF000000u);
}

void Convolution3x3::filterRows(const PixelView& src, int32_t yBegin, int32_t yEnd, uint32_t* out,
                                int64_t outPitch) const
{
    const int32_t width = src.width;
    const bool anyInterior = width >= 3 && src.height >= 3;
    const bool narrow = anyInterior && m_narrow;
    const bool packed = anyInterior && m_packed && !m_narrow;
    RowRing<int16_t, 4> narrowRing(narrow ? width : 0, widenRow);
    RowRing<uint64_t, 1> packedRing(packed ? width : 0, expandRow);
    std::vector<int16_t> sums(narrow ? size_t(width) * 4 : 0);

    for (int32_t y = yBegin; y < yEnd; ++y) {
        uint32_t* dst = out + static_cast<int64_t>(y - yBegin) * outPitch;
        const bool interiorRow = anyInterior && y > 0 && y < src.height - 1;
        if (!interiorRow) {
            for (int32_t x = 0; x < width; ++x) dst[x] = at(src, x, y);
            continue;
        }
        dst[0] = at(src, 0, y);
        if (narrow) {
            interiorNarrow(narrowRing.get(src, y - 1), narrowRing.get(src, y), narrowRing.get(src, y + 1),
                           src.row(y), width, sums.data(), dst);
        } else if (packed) {
            interiorPacked(packedRing.get(src, y - 1), packedRing.get(src, y), packedRing.get(src, y + 1),
                           src.row(y), width, dst);
        } else {
            interiorPlain(src, y, dst);
        }
        dst[width - 1] = at(src, width - 1, y);
    }
}

}  // namespace kalvora
