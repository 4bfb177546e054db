#include "platform/codecs/PngWriter.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"
#include "platform/codecs/DeflateJoin.h"

namespace kalvora::platform {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr int kLevel = 6;
// zlib header of a deflate stream with a 32 KiB window at the default level.
constexpr uint8_t kZlibHeader[2] = {0x78, 0x9c};
// Filtered bytes per segment (whole rows, at least one row) and the segments
// per thread compressed before the window goes to the sink.
constexpr int64_t kSegmentBytes = int64_t(512) << 10;
constexpr int64_t kSegmentsPerThread = 3;
// A segment's buffer: chunk length and type, room for the zlib header, the
// deflate data, room to join it to the next, then the Adler-32 and the CRC.
constexpr size_t kChunkHeader = 8;
constexpr size_t kDataOffset = kChunkHeader + sizeof(kZlibHeader);
constexpr size_t kTrailer = 4;
constexpr size_t kCrc = 4;

enum Filter : uint8_t { FilterNone, FilterSub, FilterUp, FilterAverage, FilterPaeth };

void put32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// One image row in file order: R, G, B and, for ARGB, A.
void toFileOrder(const uint8_t* src, PixelFormatId format, int32_t width, uint8_t* dst)
{
    if (format == kFormat32bppARGB) {
        for (int32_t x = 0; x < width; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
        return;
    }
    const int step = format == kFormat24bppRGB ? 3 : 4;
    for (int32_t x = 0; x < width; ++x, src += step, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

// Sum of the filtered bytes read as signed values, without sign.
uint32_t absoluteSum(const uint8_t* p, int64_t n)
{
    uint32_t sum = 0;
    for (int64_t i = 0; i < n; ++i) sum += uint32_t(std::abs(int(int8_t(p[i]))));
    return sum;
}

// The filters take the bytes per pixel as a constant, so that the compiler
// can turn their loops into vector code.
template <int Bpp>
void filterSub(const uint8_t* cur, int64_t n, uint8_t* out)
{
    for (int64_t i = 0; i < Bpp; ++i) out[i] = cur[i];
    for (int64_t i = Bpp; i < n; ++i) out[i] = uint8_t(cur[i] - cur[i - Bpp]);
}

void filterUp(const uint8_t* cur, const uint8_t* prev, int64_t n, uint8_t* out)
{
    for (int64_t i = 0; i < n; ++i) out[i] = uint8_t(cur[i] - prev[i]);
}

template <int Bpp>
void filterAverage(const uint8_t* cur, const uint8_t* prev, int64_t n, uint8_t* out)
{
    for (int64_t i = 0; i < Bpp; ++i) out[i] = uint8_t(cur[i] - (prev[i] >> 1));
    for (int64_t i = Bpp; i < n; ++i) out[i] = uint8_t(cur[i] - ((int(cur[i - Bpp]) + prev[i]) >> 1));
}

// The predictor is chosen with masks instead of branches: on photographs
// the choice changes from byte to byte, and mispredicted branches made this
// the slowest filter by far.
template <int Bpp>
void filterPaeth(const uint8_t* __restrict cur, const uint8_t* __restrict prev, int64_t n, uint8_t* __restrict out)
{
    for (int64_t i = 0; i < Bpp; ++i) out[i] = uint8_t(cur[i] - prev[i]);
    for (int64_t i = Bpp; i < n; ++i) {
        const int16_t a = cur[i - Bpp];
        const int16_t b = prev[i];
        const int16_t c = prev[i - Bpp];
        const int16_t pa = int16_t(std::abs(b - c));
        const int16_t pb = int16_t(std::abs(a - c));
        const int16_t pc = int16_t(std::abs(a + b - 2 * c));
        const int16_t useA = int16_t(-int16_t((pa <= pb) & (pa <= pc)));
        const int16_t useB = int16_t(-int16_t(pb <= pc) & ~useA);
        const int16_t predictor = int16_t((a & useA) | (b & useB) | (c & ~(useA | useB)));
        out[i] = uint8_t(cur[i] - predictor);
    }
}

// Scratch rows of one filtering task: the previous and current row in file
// order and the four filtered candidates.
struct FilterRows {
    std::unique_ptr<uint8_t[]> storage;
    uint8_t* prev = nullptr;
    uint8_t* cur = nullptr;
    uint8_t* candidate[4] = {};

    bool allocate(int64_t rowBytes)
    {
        storage.reset(new (std::nothrow) uint8_t[size_t(rowBytes) * 6]);
        if (!storage) return false;
        prev = storage.get();
        cur = prev + rowBytes;
        for (int k = 0; k < 4; ++k) candidate[k] = cur + rowBytes * (k + 1);
        return true;
    }
};

// Writes the filter byte and the filtered row with the filter whose bytes
// have the smallest absolute sum; ties keep the lower filter number.
template <int Bpp>
void filterRow(FilterRows& rows, int64_t n, uint8_t* out)
{
    filterSub<Bpp>(rows.cur, n, rows.candidate[0]);
    filterUp(rows.cur, rows.prev, n, rows.candidate[1]);
    filterAverage<Bpp>(rows.cur, rows.prev, n, rows.candidate[2]);
    filterPaeth<Bpp>(rows.cur, rows.prev, n, rows.candidate[3]);
    const uint8_t* best = rows.cur;
    uint8_t bestFilter = FilterNone;
    uint32_t bestSum = absoluteSum(rows.cur, n);
    for (int k = 0; k < 4; ++k) {
        const uint32_t sum = absoluteSum(rows.candidate[k], n);
        if (sum < bestSum) {
            bestSum = sum;
            best = rows.candidate[k];
            bestFilter = uint8_t(FilterSub + k);
        }
    }
    out[0] = bestFilter;
    std::memcpy(out + 1, best, size_t(n));
}

// The filtered image: one filter byte and rowBytes data bytes per row.
struct Layout {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 0;
    int64_t rowBytes = 0;
    int64_t filteredRow = 0;
    int64_t rowsPerSegment = 0;
    int64_t segments = 0;
    size_t segmentCapacity = 0;  // one segment's buffer
};

void makeLayout(const Image& image, Layout& layout)
{
    layout.width = image.width();
    layout.height = image.height();
    layout.channels = image.format() == kFormat32bppARGB ? 4 : 3;
    layout.rowBytes = int64_t(layout.width) * layout.channels;
    layout.filteredRow = layout.rowBytes + 1;
    layout.rowsPerSegment = std::max<int64_t>(1, kSegmentBytes / layout.filteredRow);
    layout.segments = (layout.height + layout.rowsPerSegment - 1) / layout.rowsPerSegment;
    const size_t bound = libdeflate_deflate_compress_bound(nullptr, size_t(layout.rowsPerSegment * layout.filteredRow));
    layout.segmentCapacity = kDataOffset + bound + DeflateJoin::kRoomNeeded + kTrailer + kCrc;
}

// What one thread needs to filter and compress a segment; reused from
// segment to segment.
struct Workspace {
    libdeflate_compressor* compressor = nullptr;
    std::unique_ptr<uint8_t[]> filtered;
    FilterRows rows;

    ~Workspace() { libdeflate_free_compressor(compressor); }

    bool allocate(const Layout& layout)
    {
        compressor = libdeflate_alloc_compressor(kLevel);
        filtered.reset(new (std::nothrow) uint8_t[size_t(layout.rowsPerSegment * layout.filteredRow)]);
        return compressor && filtered && rows.allocate(layout.rowBytes);
    }
};

// Workspaces handed to whichever thread takes the next segment; there are
// never more than threads at work.
class Workspaces {
public:
    explicit Workspaces(const Layout& layout) : m_layout(layout) {}

    // Null when memory ran out.
    Workspace* acquire()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_free.empty()) {
            Workspace* w = m_free.back();
            m_free.pop_back();
            return w;
        }
        auto w = std::make_unique<Workspace>();
        if (!w->allocate(m_layout)) return nullptr;
        m_all.push_back(std::move(w));
        return m_all.back().get();
    }

    void release(Workspace* w)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_free.push_back(w);
    }

private:
    const Layout& m_layout;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Workspace>> m_all;
    std::vector<Workspace*> m_free;
};

// One compressed segment in the buffer laid out for its IDAT chunk.
struct Segment {
    std::unique_ptr<uint8_t[]> buffer;
    size_t dataSize = 0;
    int64_t inputBytes = 0;
    uint32_t adler = 1;
};

// Filters rows [first, last) into `filtered`, starting at its beginning.
void filterRows(const Image& image, const Layout& layout, int64_t first, int64_t last, FilterRows& rows,
                uint8_t* filtered)
{
    if (first == 0)
        std::memset(rows.prev, 0, size_t(layout.rowBytes));
    else
        toFileOrder(image.row(int32_t(first - 1)), image.format(), layout.width, rows.prev);
    for (int64_t y = first; y < last; ++y) {
        toFileOrder(image.row(int32_t(y)), image.format(), layout.width, rows.cur);
        uint8_t* out = filtered + (y - first) * layout.filteredRow;
        if (layout.channels == 4)
            filterRow<4>(rows, layout.rowBytes, out);
        else
            filterRow<3>(rows, layout.rowBytes, out);
        std::swap(rows.prev, rows.cur);
    }
}

// Filters and deflates segment `index` on its own; every segment but the
// last is left open at a byte boundary so that the next one can follow.
Status compressSegment(const Image& image, const Layout& layout, int64_t index, Workspace& work,
                       Segment& segment)
{
    const int64_t first = index * layout.rowsPerSegment;
    const int64_t last = std::min<int64_t>(layout.height, first + layout.rowsPerSegment);
    filterRows(image, layout, first, last, work.rows, work.filtered.get());
    const size_t inputBytes = size_t((last - first) * layout.filteredRow);
    uint8_t* data = segment.buffer.get() + kDataOffset;
    const size_t room = layout.segmentCapacity - kDataOffset - DeflateJoin::kRoomNeeded - kTrailer - kCrc;
    size_t size = libdeflate_deflate_compress(work.compressor, work.filtered.get(), inputBytes, data, room);
    if (size == 0) return GenericError;
    if (index + 1 < layout.segments) size = DeflateJoin::openFinalBlock(data, size);
    if (size == 0) return GenericError;
    segment.dataSize = size;
    segment.inputBytes = int64_t(inputBytes);
    segment.adler = libdeflate_adler32(1, work.filtered.get(), inputBytes);
    return Ok;
}

uint8_t* putChunkHeader(uint8_t* p, uint32_t length, const char type[4])
{
    put32(p, length);
    std::memcpy(p + 4, type, 4);
    return p + 8;
}

// Puts the CRC of the chunk's type and data after them; returns the end.
uint8_t* putChunkCrc(uint8_t* chunk, uint8_t* dataEnd)
{
    put32(dataEnd, libdeflate_crc32(0, chunk + 4, size_t(dataEnd - (chunk + 4))));
    return dataEnd + kCrc;
}

bool writeSignatureAndHeader(const Layout& layout, const PngWriter::Sink& sink)
{
    uint8_t bytes[sizeof(kSignature) + kChunkHeader + 13 + kCrc];
    std::memcpy(bytes, kSignature, sizeof(kSignature));
    uint8_t* chunk = bytes + sizeof(kSignature);
    uint8_t* p = putChunkHeader(chunk, 13, "IHDR");
    put32(p, uint32_t(layout.width));
    put32(p + 4, uint32_t(layout.height));
    p[8] = 8;
    p[9] = layout.channels == 4 ? 6 : 2;
    p[10] = 0;
    p[11] = 0;
    p[12] = 0;
    putChunkCrc(chunk, p + 13);
    return sink(bytes, sizeof(bytes));
}

// One IDAT per segment: the first opens the zlib stream, the last closes it
// with the Adler-32 of all filtered bytes.
bool writeSegment(Segment& segment, bool first, bool last, uint32_t adler, const PngWriter::Sink& sink)
{
    uint8_t* chunk = segment.buffer.get() + (first ? 0 : sizeof(kZlibHeader));
    uint8_t* end = segment.buffer.get() + kDataOffset + segment.dataSize;
    if (first) std::memcpy(chunk + kChunkHeader, kZlibHeader, sizeof(kZlibHeader));
    if (last) {
        put32(end, adler);
        end += kTrailer;
    }
    putChunkHeader(chunk, uint32_t(end - chunk - kChunkHeader), "IDAT");
    end = putChunkCrc(chunk, end);
    return sink(chunk, size_t(end - chunk));
}

bool writeEnd(const PngWriter::Sink& sink)
{
    uint8_t bytes[kChunkHeader + kCrc];
    putChunkCrc(bytes, putChunkHeader(bytes, 0, "IEND"));
    return sink(bytes, sizeof(bytes));
}

// Hands out the segments in image order to the threads that compress them
// and writes finished ones to the sink in order, under one lock. A thread
// waits before it starts a segment more than `window` ahead of the next one
// to be written, so at most that many compressed segments are held; their
// buffers are reused.
class SegmentPipeline {
public:
    SegmentPipeline(const Image& image, const Layout& layout, const PngWriter::Sink& sink, int64_t window)
        : m_image(image), m_layout(layout), m_sink(sink), m_window(window), m_workspaces(layout)
    {
        m_finished.resize(size_t(window));
        m_spare.reserve(size_t(window));
    }

    // Compresses segments until none is left or one step failed; runs on
    // every thread of the pool at once, or alone.
    void run()
    {
        try {
            for (;;) {
                const int64_t index = m_next.fetch_add(1);
                if (index >= m_layout.segments || !waitForRoom(index)) return;
                std::unique_ptr<Segment> segment = takeSpare();
                Workspace* work = m_workspaces.acquire();
                const Status status =
                    segment && work ? compressSegment(m_image, m_layout, index, *work, *segment) : OutOfMemory;
                if (work) m_workspaces.release(work);
                finish(index, std::move(segment), status);
            }
        } catch (...) {
            fail(OutOfMemory);
        }
    }

    Status status()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_failure;
    }

private:
    // False when the encoding failed meanwhile.
    bool waitForRoom(int64_t index)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [&] { return m_failure != Ok || index < m_written + m_window; });
        return m_failure == Ok;
    }

    std::unique_ptr<Segment> takeSpare()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_spare.empty()) {
                std::unique_ptr<Segment> segment = std::move(m_spare.back());
                m_spare.pop_back();
                return segment;
            }
        }
        auto segment = std::make_unique<Segment>();
        segment->buffer.reset(new (std::nothrow) uint8_t[m_layout.segmentCapacity]);
        return segment->buffer ? std::move(segment) : nullptr;
    }

    void fail(Status status)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failure == Ok) m_failure = status;
        m_room.notify_all();
    }

    // Files the segment and writes every finished one that is next in order.
    void finish(int64_t index, std::unique_ptr<Segment> segment, Status status)
    {
        if (status != Ok) return fail(status);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished[size_t(index % m_window)] = std::move(segment);
        for (;;) {
            std::unique_ptr<Segment>& next = m_finished[size_t(m_written % m_window)];
            if (m_failure != Ok || m_written == m_layout.segments || !next) break;
            m_adler = uint32_t(adler32_combine(m_adler, next->adler, z_off_t(next->inputBytes)));
            if (!writeSegment(*next, m_written == 0, m_written + 1 == m_layout.segments, m_adler, m_sink))
                m_failure = Win32Error;
            m_spare.push_back(std::move(next));
            ++m_written;
        }
        m_room.notify_all();
    }

    const Image& m_image;
    const Layout& m_layout;
    const PngWriter::Sink& m_sink;
    const int64_t m_window;
    Workspaces m_workspaces;
    std::atomic<int64_t> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_room;
    std::vector<std::unique_ptr<Segment>> m_finished;  // by index modulo the window
    std::vector<std::unique_ptr<Segment>> m_spare;
    int64_t m_written = 0;
    uint32_t m_adler = 1;
    Status m_failure = Ok;
};

}  // namespace

Status PngWriter::encode(const Image& image, const Sink& sink, Compression mode)
{
    if (!isSupportedFormat(image.format()) || !image.data() || image.width() < 1 || image.height() < 1)
        return InvalidParameter;
    Layout layout;
    makeLayout(image, layout);
    const bool parallel = mode == Compression::Parallel;
    const int threads = parallel ? ThreadPool::size() : 1;
    if (!writeSignatureAndHeader(layout, sink)) return Win32Error;
    try {
        SegmentPipeline pipeline(image, layout, sink, int64_t(threads) * kSegmentsPerThread);
        // One loop per thread, each taking the next segment in turn (a loop
        // nested in another runs alone and takes them all).
        if (parallel)
            ThreadPool::parallelFor(0, threads, 1, [&pipeline](int64_t, int64_t) { pipeline.run(); });
        else
            pipeline.run();
        if (const Status status = pipeline.status(); status != Ok) return status;
    } catch (...) {
        return OutOfMemory;
    }
    return writeEnd(sink) ? Ok : Win32Error;
}

Status PngWriter::encode(const Image& image, std::vector<uint8_t>& out, Compression mode)
{
    std::vector<uint8_t> bytes;
    // Room for the file at the size of its filtered rows, so that the bytes
    // are not copied as they grow (pages the file does not reach are never
    // touched); when the address space is short, it simply grows.
    try {
        bytes.reserve(size_t(image.width()) * size_t(image.height()) * 4 + size_t(image.height()));
    } catch (...) {
    }
    const Status status = encode(
        image,
        [&bytes](const uint8_t* data, size_t size) {
            try {
                bytes.insert(bytes.end(), data, data + size);
            } catch (...) {
                return false;
            }
            return true;
        },
        mode);
    if (status == Win32Error) return OutOfMemory;
    if (status != Ok) return status;
    out = std::move(bytes);
    return Ok;
}

}  // namespace kalvora::platform
