#include "platform/Resampler.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <new>

#include "platform/Compositor.h"
#include "platform/ResampleRows.h"
#include "platform/ThreadPool.h"

namespace kalvora::platform {

namespace {

using resample::ColorKey;
using resample::Pixel4;

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

// A keyed pixel is not drawn. Alpha 0 leaves a destination with any alpha as
// it is; over a fully transparent destination a source pixel lands, so it
// takes that destination's own colour and lands as what was already there.
void keyOut(const Image& target, int32_t x, int32_t y, uint8_t* pixel)
{
    const uint32_t below = target.pixelArgb(x, y);
    if ((below >> 24) == 0) {
        pixel[0] = static_cast<uint8_t>(below);
        pixel[1] = static_cast<uint8_t>(below >> 8);
        pixel[2] = static_cast<uint8_t>(below >> 16);
    }
    pixel[3] = 0;
}

// Runs body over [0, rows) on the pool or on this thread alone.
void forRows(bool useThreadPool, int32_t rows, int64_t minChunk, const std::function<void(int64_t, int64_t)>& body)
{
    if (useThreadPool)
        ThreadPool::parallelFor(0, rows, minChunk, body);
    else
        body(0, rows);
}

// Horizontal filtering of single source rows, with its own buffers.
class RowFilter {
public:
    RowFilter(const ResampleJob& job, const ResampleAxis& ax, const std::vector<Pixel4>& spreadX, const ColorKey& key)
        : m_job(job),
          m_ax(ax),
          m_spreadX(spreadX),
          m_key(key),
          m_fetchEnd(std::min(ax.end, job.source->width())),
          m_fetch(4 * static_cast<size_t>(m_fetchEnd - ax.first)),
          m_premultiplied(static_cast<size_t>(ax.end - ax.first), Pixel4{})
    {
    }

    // Source row r through the horizontal weights into out (ax.count pixels).
    void filter(int32_t sourceRow, Pixel4* out)
    {
        premultiplySource(sourceRow);
        resample::horizontalPass(m_premultiplied.data(), m_ax, m_spreadX.data(), out);
    }

private:
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
            resample::premultiplyRow(m_job.source->row(sourceRow, lo, hi, m_fetch.data()), hi - lo, out, m_key);
            return;
        }
        if (lo < b) resample::premultiplyRow(m_job.source->row(sourceRow, lo, b, m_fetch.data()), b - lo, out, m_key);
        resample::premultiplyRow(run + 4 * static_cast<int64_t>(b - runBegin), e - b, out + (b - lo), m_key);
        if (e < hi) resample::premultiplyRow(m_job.source->row(sourceRow, e, hi, m_fetch.data()), hi - e, out + (e - lo), m_key);
    }

    const ResampleJob& m_job;
    const ResampleAxis& m_ax;
    const std::vector<Pixel4>& m_spreadX;
    const ColorKey& m_key;
    int32_t m_fetchEnd;
    std::vector<uint8_t> m_fetch;
    std::vector<Pixel4> m_premultiplied;  // zero beyond the source's last column
};

// The vertical pass and output of one chunk of destination rows.
class FilterWorker {
public:
    FilterWorker(const ResampleJob& job, const ResampleAxis& ax, const std::vector<Pixel4>& spreadX,
                 const ResampleAxis& ay, const ColorKey& key, int32_t slots)
        : m_job(job),
          m_rowFilter(job, ax, spreadX, key),
          m_ay(ay),
          m_width(ax.count),
          m_slots(slots),
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
                m_rowFilter.filter(r, slotRow(slot));
                m_slotRow[slot] = r;
            }
            std::fill(acc, acc + m_width, Pixel4{});
            const float* w = m_ay.weights.data() + static_cast<int64_t>(j) * m_ay.taps;
            for (int32_t k = 0; k < used; ++k) resample::addScaled(acc, w[k], slotRow((first + k) % m_slots), m_width);
            emit(j, acc);
        }
    }

    // Vertical pass that adds each filtered source row into the open output
    // rows; suits reductions, where few outputs share a source row. The sums
    // come out the same as runRing's: zero, then the taps in order.
    void runAccumulate(int32_t begin, int32_t end)
    {
        accumulate(begin, end, [this](int32_t r) {
            m_rowFilter.filter(r, m_line.data());
            return static_cast<const Pixel4*>(m_line.data());
        });
    }

    // runAccumulate with the filtered rows from rowAt, which is called once
    // for every source row some output reads, in increasing order.
    template <typename RowAt>
    void accumulate(int32_t begin, int32_t end, RowAt rowAt)
    {
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
            const Pixel4* line = rowAt(r);
            for (int32_t j = oldest; j < next; ++j) {
                const int32_t k = r - m_ay.start[j];
                if (k < m_ay.used[j])
                    resample::addScaled(slotRow(j % m_slots), m_ay.weights[static_cast<int64_t>(j) * m_ay.taps + k], line, m_width);
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

    void emit(int32_t j, const Pixel4* acc)
    {
        resample::unpremultiplyRow(acc, m_width, m_out.data());
        Compositor::blendIntoImage(*m_job.target, m_job.x0, m_job.y0 + j, m_out.data(), m_width, m_blend.data());
    }

    const ResampleJob& m_job;
    RowFilter m_rowFilter;
    const ResampleAxis& m_ay;
    int32_t m_width;
    int32_t m_slots;
    std::vector<Pixel4> m_rows;
    std::vector<int32_t> m_slotRow;
    std::vector<Pixel4> m_line;
    std::vector<uint8_t> m_out;
    std::vector<uint8_t> m_blend;
};

// The source rows some output reads, in increasing order (windows moving
// forward).
std::vector<int32_t> rowsRead(const ResampleAxis& axis)
{
    std::vector<int32_t> rows;
    int32_t covered = axis.first;
    for (int32_t j = 0; j < axis.count; ++j) {
        const int32_t end = axis.start[j] + axis.used[j];
        for (int32_t r = std::max(covered, axis.start[j]); r < end; ++r) rows.push_back(r);
        covered = std::max(covered, end);
    }
    return rows;
}

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

// Few output rows over many source rows: splitting the outputs would leave
// the pool idle, so blocks of source rows are filtered in parallel instead
// and added up in order on this thread. Each filtered row is the same
// whichever thread made it, and the sums keep their order.
Status runFewRows(const ResampleJob& job, const ResampleAxis& ax, const std::vector<Pixel4>& spreadX,
                  const ResampleAxis& ay, const ColorKey& key, int32_t slots)
{
    const int64_t rowBytes = static_cast<int64_t>(ax.count) * sizeof(Pixel4);
    // About 4 MB of filtered rows a block, at least two rows a thread.
    const int32_t block = static_cast<int32_t>(std::max<int64_t>(
        2 * int64_t(ThreadPool::size()), std::min<int64_t>((int64_t(1) << 22) / rowBytes, 256)));
    std::vector<int32_t> rows;
    std::vector<Pixel4> filtered;
    try {
        rows = rowsRead(ay);
        filtered.resize(static_cast<size_t>(block) * ax.count);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    std::atomic<bool> failed{false};
    // accumulate asks for exactly the rows of rowsRead, in their order, so
    // the next block is simply the next rows of the list.
    size_t served = 0;
    size_t blockStart = 0;
    size_t blockCount = 0;
    auto rowAt = [&](int32_t) -> const Pixel4* {
        if (served == blockStart + blockCount) {
            blockStart = served;
            blockCount = std::min<size_t>(block, rows.size() - served);
            ThreadPool::parallelFor(0, static_cast<int64_t>(blockCount), 1, [&](int64_t b, int64_t e) {
                try {
                    RowFilter filter(job, ax, spreadX, key);
                    for (int64_t i = b; i < e; ++i) filter.filter(rows[blockStart + i], filtered.data() + i * ax.count);
                } catch (const std::bad_alloc&) {
                    failed = true;
                }
            });
        }
        return filtered.data() + (served++ - blockStart) * ax.count;
    };
    try {
        FilterWorker worker(job, ax, spreadX, ay, key, slots);
        worker.accumulate(0, ay.count, rowAt);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return failed ? OutOfMemory : Ok;
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
    // Columns rise with the destination, except on a periodic axis, where
    // they start again at each copy's edge.
    const auto [lowest, highest] = std::minmax_element(columns.begin(), columns.end());
    const int32_t first = *lowest;
    const int32_t end = *highest + 1;
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
                    if (key.active && key.keyed(out))
                        keyOut(*job.target, job.x0 + k, job.y0 + static_cast<int32_t>(r), out);
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
        spreadX = resample::spreadWeights(ax);
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

    // One worker's buffers are tried here first, so a draw too large for
    // memory fails before it touches the target.
    try {
        FilterWorker probe(job, ax, spreadX, ay, key, slots);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    if (accumulate && job.useThreadPool && ThreadPool::size() > 1 && ay.count < 2 * minChunk)
        return runFewRows(job, ax, spreadX, ay, key, slots);

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
    forRows(job.useThreadPool, ay.count, minChunk, body);
    return failed ? OutOfMemory : Ok;
}

}  // namespace kalvora::platform
