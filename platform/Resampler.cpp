#include "platform/Resampler.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "platform/Compositor.h"
#include "platform/ThreadPool.h"

namespace kalvora::platform {

namespace {

// Four channels B, G, R, A of one pixel; the compiler maps it onto one SIMD
// register and keeps IEEE single precision per lane.
typedef float Pixel4 __attribute__((vector_size(16)));

double kernelValue(ResampleKernel kernel, double t)
{
    t = std::fabs(t);
    if (kernel == ResampleKernel::Linear) return t < 1.0 ? 1.0 - t : 0.0;
    // Cubic convolution, a = -0.5.
    if (t < 1.0) return (1.5 * t - 2.5) * t * t + 1.0;
    if (t < 2.0) return ((-0.5 * t + 2.5) * t - 4.0) * t + 2.0;
    return 0.0;
}

double kernelRadius(ResampleKernel kernel) { return kernel == ResampleKernel::Linear ? 1.0 : 2.0; }

// Pixels whose R, G and B all lie inside the key's range are not drawn.
struct ColorKey {
    bool active = false;
    uint8_t low[3] = {};
    uint8_t high[3] = {};

    explicit ColorKey(const ImageAttributes* attributes)
    {
        if (!attributes || !attributes->hasColorKey) return;
        active = true;
        for (int c = 0; c < 3; ++c) {
            low[c] = static_cast<uint8_t>(attributes->keyLow >> (8 * c));
            high[c] = static_cast<uint8_t>(attributes->keyHigh >> (8 * c));
        }
    }

    bool keyed(const uint8_t* p) const
    {
        return p[0] >= low[0] && p[0] <= high[0] && p[1] >= low[1] && p[1] <= high[1] &&
               p[2] >= low[2] && p[2] <= high[2];
    }
};

// Straight B, G, R, A bytes to premultiplied floats: colour times alpha
// (0 .. 65025, exact) and alpha; keyed pixels become transparent.
void premultiplyRow(const uint8_t* bgra, int32_t count, Pixel4* out, const ColorKey& key)
{
    int32_t i = 0;
#if defined(__SSE2__)
    // Four pixels at a time: the products fit 16 bits, so they are formed
    // as integers and converted, the same exact values as the scalar loop.
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourLanes = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    const __m128i alphaOne = _mm_set_epi16(1, 0, 0, 0, 1, 0, 0, 0);
    for (; i + 4 <= count; i += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgra + 4 * static_cast<int64_t>(i)));
        for (int half = 0; half < 2; ++half) {
            const __m128i wide = half ? _mm_unpackhi_epi8(bytes, zero) : _mm_unpacklo_epi8(bytes, zero);
            __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
            alpha = _mm_or_si128(_mm_and_si128(alpha, colourLanes), alphaOne);
            const __m128i product = _mm_mullo_epi16(wide, alpha);
            _mm_store_ps(reinterpret_cast<float*>(out + i + 2 * half),
                         _mm_cvtepi32_ps(_mm_unpacklo_epi16(product, zero)));
            _mm_store_ps(reinterpret_cast<float*>(out + i + 2 * half + 1),
                         _mm_cvtepi32_ps(_mm_unpackhi_epi16(product, zero)));
        }
    }
#endif
    for (; i < count; ++i) {
        const uint8_t* p = bgra + 4 * static_cast<int64_t>(i);
        const Pixel4 v = {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]), 1.0f};
        out[i] = v * static_cast<float>(p[3]);
    }
    if (!key.active) return;
    for (i = 0; i < count; ++i)
        if (key.keyed(bgra + 4 * static_cast<int64_t>(i))) out[i] = Pixel4{0.0f, 0.0f, 0.0f, 0.0f};
}

// Premultiplied floats back to straight bytes, clamped and rounded half to
// even. A pixel whose alpha rounds to 0 becomes transparent black.
void unpremultiplyRow(const Pixel4* in, int32_t count, uint8_t* out)
{
#if defined(__SSE2__)
    // The scalar steps below on all lanes at once and without branches: max
    // with 0 first (which also maps NaN to 0), then min with 255, then
    // conversion under the default rounding mode, to nearest with halves to
    // even; a pixel whose alpha rounds to 0 is masked to transparent black.
    const __m128 zero = _mm_setzero_ps();
    const __m128 top = _mm_set1_ps(255.0f);
    const __m128i colourLanes = _mm_set_epi32(0, -1, -1, -1);
    for (int32_t i = 0; i < count; ++i, out += 4) {
        const __m128 v = in[i];
        const __m128 a = _mm_shuffle_ps(v, v, 0xFF);
        const __m128i alpha = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(a, zero), top));
        const __m128 c = _mm_min_ps(_mm_max_ps(_mm_div_ps(v, a), zero), top);
        __m128i pixel = _mm_or_si128(_mm_and_si128(_mm_cvtps_epi32(c), colourLanes),
                                     _mm_andnot_si128(colourLanes, alpha));
        pixel = _mm_andnot_si128(_mm_cmpeq_epi32(alpha, _mm_setzero_si128()), pixel);
        const __m128i words = _mm_packs_epi32(pixel, pixel);
        const uint32_t packed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
        std::memcpy(out, &packed, 4);
    }
#else
    // Rounds a value in [0, 2^22) to an integer, halves to even: adding
    // 1.5 * 2^23 leaves no fraction bits, so the addition itself rounds.
    const auto roundEven = [](float v) { return (v + 12582912.0f) - 12582912.0f; };
    const auto clampByte = [](float v) { return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f; };
    for (int32_t i = 0; i < count; ++i, out += 4) {
        const Pixel4 v = in[i];
        const float alpha = roundEven(clampByte(v[3]));
        if (alpha == 0.0f) {
            std::memset(out, 0, 4);
            continue;
        }
        const Pixel4 c = v / v[3];
        out[0] = static_cast<uint8_t>(roundEven(clampByte(c[0])));
        out[1] = static_cast<uint8_t>(roundEven(clampByte(c[1])));
        out[2] = static_cast<uint8_t>(roundEven(clampByte(c[2])));
        out[3] = static_cast<uint8_t>(alpha);
    }
#endif
}

// The horizontal weights, each repeated over the four channels so the inner
// loops multiply whole pixels without broadcasting, and stored by pairs of
// destination pixels: tap k of pixels 2q and 2q + 1 sit side by side at
// (q * taps + k) * 2, the partner of an odd last pixel weighing 0.
std::vector<Pixel4> spreadWeights(const ResampleAxis& ax)
{
    const int64_t pairs = (static_cast<int64_t>(ax.count) + 1) / 2;
    std::vector<Pixel4> spread(static_cast<size_t>(pairs * ax.taps * 2), Pixel4{});
    for (int32_t x = 0; x < ax.count; ++x)
        for (int32_t k = 0; k < ax.taps; ++k) {
            const float w = ax.weights[static_cast<int64_t>(x) * ax.taps + k];
            spread[((x / 2) * static_cast<int64_t>(ax.taps) + k) * 2 + (x & 1)] = Pixel4{w, w, w, w};
        }
    return spread;
}

// One row through the horizontal weights. in[0] is source index ax.first.
// Four destination pixels at a time keep four independent sums in flight;
// each sum still adds its taps in order from zero.
void horizontalPass(const Pixel4* in, const ResampleAxis& ax, const Pixel4* w, Pixel4* out)
{
    const int32_t taps = ax.taps;
    const int32_t* start = ax.start.data();
    const int32_t first = ax.first;
    int32_t x = 0;
    for (; x + 4 <= ax.count; x += 4) {
        const Pixel4* p0 = in + (start[x] - first);
        const Pixel4* p1 = in + (start[x + 1] - first);
        const Pixel4* p2 = in + (start[x + 2] - first);
        const Pixel4* p3 = in + (start[x + 3] - first);
        const Pixel4* wa = w + static_cast<int64_t>(x) * taps;
        const Pixel4* wb = wa + 2 * taps;
        Pixel4 s0 = {}, s1 = {}, s2 = {}, s3 = {};
        for (int32_t k = 0; k < taps; ++k) {
            s0 += wa[2 * k] * p0[k];
            s1 += wa[2 * k + 1] * p1[k];
            s2 += wb[2 * k] * p2[k];
            s3 += wb[2 * k + 1] * p3[k];
        }
        out[x] = s0;
        out[x + 1] = s1;
        out[x + 2] = s2;
        out[x + 3] = s3;
    }
    for (; x < ax.count; ++x) {
        const Pixel4* p = in + (start[x] - first);
        const Pixel4* wx = w + static_cast<int64_t>(x & ~1) * taps + (x & 1);
        Pixel4 s = {};
        for (int32_t k = 0; k < taps; ++k) s += wx[2 * k] * p[k];
        out[x] = s;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define KALVORA_HORIZONTAL_AVX 1

// horizontalPass with two destination pixels to a 256-bit register: the
// same multiplications and additions in the same order per pixel (AVX
// without fused multiply-add), so the bytes match the 128-bit loop.
__attribute__((target("avx"))) void horizontalPassAvx(const Pixel4* in, const ResampleAxis& ax,
                                                       const Pixel4* w, Pixel4* out)
{
    const int32_t taps = ax.taps;
    const int32_t* start = ax.start.data();
    const int32_t first = ax.first;
    const float* inF = reinterpret_cast<const float*>(in);
    const float* wF = reinterpret_cast<const float*>(w);
    float* outF = reinterpret_cast<float*>(out);
    int32_t x = 0;
    for (; x + 4 <= ax.count; x += 4) {
        const float* p0 = inF + 4 * static_cast<int64_t>(start[x] - first);
        const float* p1 = inF + 4 * static_cast<int64_t>(start[x + 1] - first);
        const float* p2 = inF + 4 * static_cast<int64_t>(start[x + 2] - first);
        const float* p3 = inF + 4 * static_cast<int64_t>(start[x + 3] - first);
        const float* wa = wF + 4 * static_cast<int64_t>(x) * taps;
        const float* wb = wa + 8 * static_cast<int64_t>(taps);
        __m256 s01 = _mm256_setzero_ps();
        __m256 s23 = _mm256_setzero_ps();
        for (int32_t k = 0; k < taps; ++k) {
            const __m256 pa = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(p0 + 4 * k)), _mm_load_ps(p1 + 4 * k), 1);
            const __m256 pb = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(p2 + 4 * k)), _mm_load_ps(p3 + 4 * k), 1);
            s01 = _mm256_add_ps(s01, _mm256_mul_ps(_mm256_loadu_ps(wa + 8 * k), pa));
            s23 = _mm256_add_ps(s23, _mm256_mul_ps(_mm256_loadu_ps(wb + 8 * k), pb));
        }
        _mm256_storeu_ps(outF + 4 * static_cast<int64_t>(x), s01);
        _mm256_storeu_ps(outF + 4 * static_cast<int64_t>(x) + 8, s23);
    }
    for (; x < ax.count; ++x) {
        const float* p = inF + 4 * static_cast<int64_t>(start[x] - first);
        const float* wx = wF + 4 * (static_cast<int64_t>(x & ~1) * taps + (x & 1));
        __m128 sum = _mm_setzero_ps();
        for (int32_t k = 0; k < taps; ++k) sum = _mm_add_ps(sum, _mm_mul_ps(_mm_load_ps(wx + 8 * k), _mm_load_ps(p + 4 * k)));
        _mm_store_ps(outF + 4 * static_cast<int64_t>(x), sum);
    }
}

// acc[x] += w * row[x] eight floats at a time; the same operations per lane.
__attribute__((target("avx"))) void addScaledAvx(Pixel4* acc, float w, const Pixel4* row, int32_t count)
{
    float* a = reinterpret_cast<float*>(acc);
    const float* r = reinterpret_cast<const float*>(row);
    const __m256 weight = _mm256_set1_ps(w);
    const int64_t n = 4 * static_cast<int64_t>(count);
    int64_t i = 0;
    for (; i + 8 <= n; i += 8)
        _mm256_storeu_ps(a + i, _mm256_add_ps(_mm256_loadu_ps(a + i), _mm256_mul_ps(weight, _mm256_loadu_ps(r + i))));
    for (; i < n; i += 4)
        _mm_store_ps(a + i, _mm_add_ps(_mm_load_ps(a + i), _mm_mul_ps(_mm_set1_ps(w), _mm_load_ps(r + i))));
}

bool cpuHasAvx()
{
    static const bool has = __builtin_cpu_supports("avx");
    return has;
}
#endif

inline void addScaled(Pixel4* acc, float w, const Pixel4* row, int32_t count)
{
#if defined(KALVORA_HORIZONTAL_AVX)
    if (cpuHasAvx()) {
        addScaledAvx(acc, w, row, count);
        return;
    }
#endif
    for (int32_t x = 0; x < count; ++x) acc[x] += w * row[x];
}

// Runs body over [0, rows) on the pool or on this thread alone.
void forRows(bool useThreadPool, int32_t rows, int64_t minChunk, const std::function<void(int64_t, int64_t)>& body)
{
    if (useThreadPool)
        ThreadPool::parallelFor(0, rows, minChunk, body);
    else
        body(0, rows);
}

// The buffers and steps of one chunk of destination rows.
class FilterWorker {
public:
    FilterWorker(const ResampleJob& job, const ResampleAxis& ax, const std::vector<Pixel4>& spreadX,
                 const ResampleAxis& ay, const ColorKey& key, int32_t slots)
        : m_job(job),
          m_ax(ax),
          m_spreadX(spreadX),
          m_ay(ay),
          m_key(key),
          m_width(ax.count),
          m_slots(slots),
          m_fetchEnd(std::min(ax.end, job.source->width())),
          m_fetch(4 * static_cast<size_t>(m_fetchEnd - ax.first)),
          m_premultiplied(static_cast<size_t>(ax.end - ax.first), Pixel4{}),
          m_rows(static_cast<size_t>(slots) * ax.count),
          m_slotRow(slots, -1),
          m_line(ax.count),
          m_out(4 * static_cast<size_t>(ax.count)),
          m_blend(4 * static_cast<size_t>(ax.count))
    {
    }

    // Vertical pass over a ring of horizontally filtered rows, each computed
    // once; suits enlargements, where one source row serves many outputs.
    void runRing(int32_t begin, int32_t end)
    {
        Pixel4* acc = m_line.data();
        for (int32_t j = begin; j < end; ++j) {
            const int32_t first = m_ay.start[j];
            const int32_t used = m_ay.used[j];
            for (int32_t k = 0; k < used; ++k) {
                const int32_t r = first + k;
                const int32_t slot = r % m_slots;
                if (m_slotRow[slot] == r) continue;
                horizontal(r, slotRow(slot));
                m_slotRow[slot] = r;
            }
            std::fill(acc, acc + m_width, Pixel4{});
            const float* w = m_ay.weights.data() + static_cast<int64_t>(j) * m_ay.taps;
            for (int32_t k = 0; k < used; ++k) addScaled(acc, w[k], slotRow((first + k) % m_slots), m_width);
            emit(j, acc);
        }
    }

    // Vertical pass that adds each filtered source row into the open output
    // rows; suits reductions, where few outputs share a source row. The sums
    // come out the same as runRing's: zero, then the taps in order.
    void runAccumulate(int32_t begin, int32_t end)
    {
        Pixel4* line = m_line.data();
        int32_t next = begin;
        int32_t oldest = begin;
        int32_t r = m_ay.start[begin];
        const int32_t last = m_ay.start[end - 1] + m_ay.used[end - 1];
        while (r < last && oldest < end) {
            while (next < end && m_ay.start[next] <= r) {
                std::fill(slotRow(next % m_slots), slotRow(next % m_slots) + m_width, Pixel4{});
                ++next;
            }
            if (oldest == next) {
                r = m_ay.start[next];
                continue;
            }
            horizontal(r, line);
            for (int32_t j = oldest; j < next; ++j) {
                const int32_t k = r - m_ay.start[j];
                if (k < m_ay.used[j])
                    addScaled(slotRow(j % m_slots), m_ay.weights[static_cast<int64_t>(j) * m_ay.taps + k], line, m_width);
            }
            while (oldest < next && m_ay.start[oldest] + m_ay.used[oldest] <= r + 1) {
                emit(oldest, slotRow(oldest % m_slots));
                ++oldest;
            }
            ++r;
        }
    }

private:
    Pixel4* slotRow(int32_t slot) { return m_rows.data() + static_cast<int64_t>(slot) * m_width; }

    void horizontal(int32_t sourceRow, Pixel4* out)
    {
        premultiplySource(sourceRow);
#if defined(KALVORA_HORIZONTAL_AVX)
        if (cpuHasAvx()) {
            horizontalPassAvx(m_premultiplied.data(), m_ax, m_spreadX.data(), out);
            return;
        }
#endif
        horizontalPass(m_premultiplied.data(), m_ax, m_spreadX.data(), out);
    }

    // Source pixels [ax.first, fetchEnd) of the row, premultiplied; a run the
    // source holds in place is read directly, the rest through row().
    void premultiplySource(int32_t sourceRow)
    {
        const int32_t lo = m_ax.first;
        const int32_t hi = m_fetchEnd;
        Pixel4* out = m_premultiplied.data();
        int32_t runBegin = 0;
        int32_t runEnd = 0;
        const uint8_t* run = m_job.source->inPlace(sourceRow, runBegin, runEnd);
        const int32_t b = std::max(runBegin, lo);
        const int32_t e = std::min(runEnd, hi);
        if (!run || b >= e) {
            premultiplyRow(m_job.source->row(sourceRow, lo, hi, m_fetch.data()), hi - lo, out, m_key);
            return;
        }
        if (lo < b) premultiplyRow(m_job.source->row(sourceRow, lo, b, m_fetch.data()), b - lo, out, m_key);
        premultiplyRow(run + 4 * static_cast<int64_t>(b - runBegin), e - b, out + (b - lo), m_key);
        if (e < hi) premultiplyRow(m_job.source->row(sourceRow, e, hi, m_fetch.data()), hi - e, out + (e - lo), m_key);
    }

    void emit(int32_t j, const Pixel4* acc)
    {
        unpremultiplyRow(acc, m_width, m_out.data());
        Compositor::blendIntoImage(*m_job.target, m_job.x0, m_job.y0 + j, m_out.data(), m_width, m_blend.data());
    }

    const ResampleJob& m_job;
    const ResampleAxis& m_ax;
    const std::vector<Pixel4>& m_spreadX;
    const ResampleAxis& m_ay;
    const ColorKey& m_key;
    int32_t m_width;
    int32_t m_slots;
    int32_t m_fetchEnd;
    std::vector<uint8_t> m_fetch;
    std::vector<Pixel4> m_premultiplied;  // zero beyond the source's last column
    std::vector<Pixel4> m_rows;
    std::vector<int32_t> m_slotRow;
    std::vector<Pixel4> m_line;
    std::vector<uint8_t> m_out;
    std::vector<uint8_t> m_blend;
};

// Windows that only move forward let the accumulating pass close rows in order.
bool windowsMoveForward(const ResampleAxis& axis)
{
    for (int32_t j = 1; j < axis.count; ++j) {
        if (axis.start[j] < axis.start[j - 1]) return false;
        if (axis.start[j] + axis.used[j] < axis.start[j - 1] + axis.used[j - 1]) return false;
    }
    return true;
}

// The largest number of output rows that read one source row.
int32_t maxSharing(const ResampleAxis& axis)
{
    std::vector<int32_t> delta(static_cast<size_t>(axis.end - axis.first) + 1, 0);
    for (int32_t j = 0; j < axis.count; ++j) {
        ++delta[axis.start[j] - axis.first];
        --delta[axis.start[j] + axis.used[j] - axis.first];
    }
    int32_t open = 0;
    int32_t most = 0;
    for (int32_t d : delta) {
        open += d;
        most = std::max(most, open);
    }
    return most;
}

}  // namespace

Status Resampler::buildNearest(const AxisMapping& map, int32_t j0, int32_t j1, int32_t n,
                               std::vector<int32_t>& index)
{
    try {
        index.resize(static_cast<size_t>(j1 - j0));
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    for (int32_t j = j0; j < j1; ++j) {
        const double u = std::floor(map.sourceAt(j));
        index[j - j0] = u < 0.0 ? 0 : (u >= n ? n - 1 : static_cast<int32_t>(u));
    }
    return Ok;
}

Status Resampler::buildAxis(const AxisMapping& map, int32_t j0, int32_t j1, int32_t n,
                            ResampleKernel kernel, bool widen, ResampleAxis& axis)
{
    const int32_t count = j1 - j0;
    const double scale = map.srcLen / map.dstLen;
    const double stretch = widen ? std::max(1.0, scale) : 1.0;
    const double support = kernelRadius(kernel) * stretch;
    const double last = static_cast<double>(n - 1);
    try {
        axis.count = count;
        axis.start.assign(count, 0);
        axis.used.assign(count, 0);
        // Window of source pixels strictly inside the support, clipped to the image.
        int32_t taps = 1;
        for (int32_t j = 0; j < count; ++j) {
            const double c = map.sourceAt(j0 + j) - 0.5;
            const double lo = std::clamp(std::floor(c - support) + 1.0, 0.0, last);
            const double hi = std::clamp(std::ceil(c + support) - 1.0, lo, last);
            axis.start[j] = static_cast<int32_t>(lo);
            axis.used[j] = static_cast<int32_t>(hi - lo) + 1;
            taps = std::max(taps, axis.used[j]);
        }
        axis.taps = taps;
        axis.weights.assign(static_cast<size_t>(count) * taps, 0.0f);
        std::vector<double> w(taps);
        for (int32_t j = 0; j < count; ++j) {
            const double c = map.sourceAt(j0 + j) - 0.5;
            double sum = 0.0;
            for (int32_t k = 0; k < axis.used[j]; ++k) {
                w[k] = kernelValue(kernel, (axis.start[j] + k - c) / stretch);
                sum += w[k];
            }
            float* out = axis.weights.data() + static_cast<int64_t>(j) * taps;
            if (!(sum > 1e-9)) {
                // Only the nearest pixel: no weight worth normalising is left.
                const double u = std::clamp(std::floor(c + 0.5), 0.0, last);
                axis.start[j] = static_cast<int32_t>(u);
                axis.used[j] = 1;
                out[0] = 1.0f;
                continue;
            }
            for (int32_t k = 0; k < axis.used[j]; ++k) out[k] = static_cast<float>(w[k] / sum);
        }
        axis.first = axis.start[0];
        axis.end = 0;
        for (int32_t j = 0; j < count; ++j) {
            axis.first = std::min(axis.first, axis.start[j]);
            axis.end = std::max(axis.end, axis.start[j] + taps);
        }
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return Ok;
}

Status Resampler::run(const ResampleJob& job)
{
    if (job.x1 <= job.x0 || job.y1 <= job.y0) return Ok;
    return job.kernel == ResampleKernel::Nearest ? runNearest(job) : runFiltered(job);
}

Status Resampler::runNearest(const ResampleJob& job)
{
    std::vector<int32_t> columns;
    std::vector<int32_t> rows;
    Status s = buildNearest(job.mapX, job.x0, job.x1, job.source->width(), columns);
    if (s == Ok) s = buildNearest(job.mapY, job.y0, job.y1, job.source->height(), rows);
    if (s != Ok) return s;
    const int32_t width = job.x1 - job.x0;
    const int32_t first = columns.front();
    const int32_t end = columns.back() + 1;
    bool identity = end - first == width;
    for (int32_t k = 0; identity && k < width; ++k) identity = columns[k] == first + k;
    const ColorKey key(job.attributes);
    std::atomic<bool> failed{false};
    auto body = [&](int64_t begin, int64_t stop) {
        std::vector<uint8_t> fetch, gathered, blend;
        try {
            fetch.resize(4 * static_cast<size_t>(end - first));
            gathered.resize(4 * static_cast<size_t>(width));
            blend.resize(4 * static_cast<size_t>(width));
        } catch (const std::bad_alloc&) {
            failed = true;
            return;
        }
        for (int64_t r = begin; r < stop; ++r) {
            const uint8_t* line = job.source->row(rows[r], first, end, fetch.data());
            const uint8_t* pixels = line;
            if (!identity || key.active) {
                uint8_t* out = gathered.data();
                for (int32_t k = 0; k < width; ++k, out += 4) {
                    std::memcpy(out, line + 4 * static_cast<int64_t>(columns[k] - first), 4);
                    if (key.active && key.keyed(out)) out[3] = 0;
                }
                pixels = gathered.data();
            }
            Compositor::blendIntoImage(*job.target, job.x0, job.y0 + static_cast<int32_t>(r), pixels, width,
                                       blend.data());
        }
    };
    forRows(job.useThreadPool, static_cast<int32_t>(rows.size()), std::max<int64_t>(1, 65536 / width), body);
    return failed ? OutOfMemory : Ok;
}

Status Resampler::runFiltered(const ResampleJob& job)
{
    ResampleAxis ax;
    ResampleAxis ay;
    Status s = buildAxis(job.mapX, job.x0, job.x1, job.source->width(), job.kernel, job.widen, ax);
    if (s == Ok) s = buildAxis(job.mapY, job.y0, job.y1, job.source->height(), job.kernel, job.widen, ay);
    if (s != Ok) return s;

    // The vertical pass keeps either the rows one output reads or the
    // outputs one row feeds, whichever is fewer.
    int32_t sharing = 0;
    std::vector<Pixel4> spreadX;
    try {
        sharing = maxSharing(ay);
        spreadX = spreadWeights(ax);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    const bool accumulate = sharing < ay.taps && windowsMoveForward(ay);
    const int32_t slots = accumulate ? sharing : ay.taps;
    const ColorKey key(job.attributes);

    // Chunks long enough that rows filtered twice at their seams stay few,
    // and large enough to be worth a thread.
    const double rowsPerOutput = std::max(job.mapY.srcLen / job.mapY.dstLen, 1.0 / 64.0);
    const int64_t seamChunk = static_cast<int64_t>(std::ceil(4.0 * ay.taps / std::max(rowsPerOutput, 1.0)));
    const int64_t workChunk = 1 + (int64_t(1) << 18) / (static_cast<int64_t>(ax.count) * (ay.taps + ax.taps));
    const int64_t minChunk = std::max<int64_t>({4, std::min<int64_t>(seamChunk, 256), workChunk});

    std::atomic<bool> failed{false};
    auto body = [&](int64_t begin, int64_t end) {
        try {
            FilterWorker worker(job, ax, spreadX, ay, key, slots);
            if (accumulate)
                worker.runAccumulate(static_cast<int32_t>(begin), static_cast<int32_t>(end));
            else
                worker.runRing(static_cast<int32_t>(begin), static_cast<int32_t>(end));
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    // One worker's buffers are tried here first, so a draw too large for
    // memory fails before it touches the target.
    try {
        FilterWorker probe(job, ax, spreadX, ay, key, slots);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    forRows(job.useThreadPool, ay.count, minChunk, body);
    return failed ? OutOfMemory : Ok;
}

}  // namespace kalvora::platform
