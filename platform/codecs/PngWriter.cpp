#include "platform/codecs/PngWriter.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"

namespace kalvora::platform {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr int kLevel = 6;
constexpr int kStrategy = Z_DEFAULT_STRATEGY;  // smaller and faster than Z_FILTERED here
// zlib header of a deflate stream with a 32 KiB window at the default level.
constexpr uint8_t kZlibHeader[2] = {0x78, 0x9c};
// Filtered bytes per compressed segment (whole rows, at least one row), the
// window that primes each segment, and the filtered bytes per filtering task.
constexpr int64_t kSegmentBytes = int64_t(256) << 10;
constexpr int64_t kWindowBytes = int64_t(32) << 10;
constexpr int64_t kFilterTaskBytes = int64_t(64) << 10;
// zlib counts in 32-bit units; input and output are handed over in pieces.
constexpr int64_t kMaxZlibPiece = int64_t(1) << 30;
constexpr size_t kChunkOverhead = 12;  // length, type, CRC

enum Filter : uint8_t { FilterNone, FilterSub, FilterUp, FilterAverage, FilterPaeth };

// The filtered image: one filter byte and rowBytes data bytes per row.
struct Layout {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 0;
    int64_t rowBytes = 0;
    int64_t filteredRow = 0;
    int64_t rowsPerSegment = 0;
    int64_t segments = 0;
};

struct Segment {
    std::vector<uint8_t> bytes;
    size_t size = 0;
    int64_t inputBytes = 0;
    uLong adler = 1;
    uLong crc = 0;
    Status status = Ok;
};

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

void filterSub(const uint8_t* cur, int64_t n, int bpp, uint8_t* out)
{
    for (int64_t i = 0; i < bpp; ++i) out[i] = cur[i];
    for (int64_t i = bpp; i < n; ++i) out[i] = uint8_t(cur[i] - cur[i - bpp]);
}

void filterUp(const uint8_t* cur, const uint8_t* prev, int64_t n, uint8_t* out)
{
    for (int64_t i = 0; i < n; ++i) out[i] = uint8_t(cur[i] - prev[i]);
}

void filterAverage(const uint8_t* cur, const uint8_t* prev, int64_t n, int bpp, uint8_t* out)
{
    for (int64_t i = 0; i < bpp; ++i) out[i] = uint8_t(cur[i] - (prev[i] >> 1));
    for (int64_t i = bpp; i < n; ++i) out[i] = uint8_t(cur[i] - ((int(cur[i - bpp]) + prev[i]) >> 1));
}

void filterPaeth(const uint8_t* cur, const uint8_t* prev, int64_t n, int bpp, uint8_t* out)
{
    for (int64_t i = 0; i < bpp; ++i) out[i] = uint8_t(cur[i] - prev[i]);
    for (int64_t i = bpp; i < n; ++i) {
        const int a = cur[i - bpp];
        const int b = prev[i];
        const int c = prev[i - bpp];
        const int pa = std::abs(b - c);
        const int pb = std::abs(a - c);
        const int pc = std::abs(a + b - 2 * c);
        const int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
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
void filterRow(FilterRows& rows, int64_t n, int bpp, uint8_t* out)
{
    filterSub(rows.cur, n, bpp, rows.candidate[0]);
    filterUp(rows.cur, rows.prev, n, rows.candidate[1]);
    filterAverage(rows.cur, rows.prev, n, bpp, rows.candidate[2]);
    filterPaeth(rows.cur, rows.prev, n, bpp, rows.candidate[3]);
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

// Filters rows [first, last) into their places in `filtered`. Rows depend
// only on the image, so any split of the rows gives the same bytes.
bool filterRows(const Image& image, const Layout& layout, int64_t first, int64_t last, uint8_t* filtered)
{
    FilterRows rows;
    if (!rows.allocate(layout.rowBytes)) return false;
    if (first == 0)
        std::memset(rows.prev, 0, size_t(layout.rowBytes));
    else
        toFileOrder(image.row(int32_t(first - 1)), image.format(), layout.width, rows.prev);
    for (int64_t y = first; y < last; ++y) {
        toFileOrder(image.row(int32_t(y)), image.format(), layout.width, rows.cur);
        filterRow(rows, layout.rowBytes, layout.channels, filtered + y * layout.filteredRow);
        std::swap(rows.prev, rows.cur);
    }
    return true;
}

// Runs deflate over `in` into segment.bytes until the requested flush is
// complete, growing the output as needed.
Status deflateAll(z_stream& zs, const uint8_t* in, int64_t count, int finalFlush, Segment& segment)
{
    int64_t offset = 0;
    for (;;) {
        if (zs.avail_in == 0 && offset < count) {
            const int64_t piece = std::min(count - offset, kMaxZlibPiece);
            zs.next_in = const_cast<Bytef*>(in + offset);
            zs.avail_in = uInt(piece);
            offset += piece;
        }
        const bool allGiven = offset == count;
        const int flush = allGiven ? finalFlush : Z_NO_FLUSH;
        if (segment.size == segment.bytes.size()) segment.bytes.resize(segment.bytes.size() * 2 + 64);
        const size_t room = std::min<size_t>(segment.bytes.size() - segment.size, size_t(kMaxZlibPiece));
        zs.next_out = segment.bytes.data() + segment.size;
        zs.avail_out = uInt(room);
        const int result = deflate(&zs, flush);
        segment.size += room - zs.avail_out;
        if (result == Z_STREAM_ERROR) return GenericError;
        if (flush == Z_FINISH && result == Z_STREAM_END) return Ok;
        if (flush == Z_SYNC_FLUSH && zs.avail_out != 0) return Ok;
    }
}

// Compresses the filtered bytes [begin, end) as raw deflate primed with the
// window before `begin`; the last segment finishes the stream, the others end
// on a byte boundary so the segments can be joined.
void compressSegment(const uint8_t* filtered, int64_t begin, int64_t end, bool last, Segment& segment)
{
    z_stream zs{};
    if (deflateInit2(&zs, kLevel, Z_DEFLATED, -15, 8, kStrategy) != Z_OK) {
        segment.status = OutOfMemory;
        return;
    }
    const int64_t windowStart = std::max<int64_t>(0, begin - kWindowBytes);
    Status status = Ok;
    if (windowStart < begin &&
        deflateSetDictionary(&zs, filtered + windowStart, uInt(begin - windowStart)) != Z_OK)
        status = GenericError;
    try {
        if (status == Ok) {
            segment.bytes.resize(deflateBound(&zs, uLong(end - begin)) + 64);
            status = deflateAll(zs, filtered + begin, end - begin, last ? Z_FINISH : Z_SYNC_FLUSH, segment);
        }
    } catch (...) {
        status = OutOfMemory;
    }
    deflateEnd(&zs);
    segment.status = status;
    if (status != Ok) return;
    segment.inputBytes = end - begin;
    segment.adler = adler32_z(1, filtered + begin, size_t(end - begin));
    segment.crc = crc32_z(0, segment.bytes.data(), segment.size);
}

bool makeLayout(const Image& image, Layout& layout)
{
    layout.width = image.width();
    layout.height = image.height();
    layout.channels = image.format() == kFormat32bppARGB ? 4 : 3;
    layout.rowBytes = int64_t(layout.width) * layout.channels;
    layout.filteredRow = layout.rowBytes + 1;
    if (layout.filteredRow > PTRDIFF_MAX / layout.height) return false;
    layout.rowsPerSegment = std::max<int64_t>(1, kSegmentBytes / layout.filteredRow);
    layout.segments = (layout.height + layout.rowsPerSegment - 1) / layout.rowsPerSegment;
    return true;
}

// Filters the whole image; false when scratch memory ran out.
bool filterImage(const Image& image, const Layout& layout, uint8_t* filtered, bool parallel)
{
    std::atomic<bool> failed{false};
    auto body = [&](int64_t first, int64_t last) {
        try {
            if (!filterRows(image, layout, first, last, filtered)) failed = true;
        } catch (...) {
            failed = true;
        }
    };
    if (parallel)
        ThreadPool::parallelFor(0, layout.height, std::max<int64_t>(1, kFilterTaskBytes / layout.filteredRow), body);
    else
        body(0, layout.height);
    return !failed;
}

Status compressImage(const uint8_t* filtered, const Layout& layout, std::vector<Segment>& segments, bool parallel)
{
    const int64_t totalBytes = layout.filteredRow * layout.height;
    auto body = [&](int64_t first, int64_t last) {
        for (int64_t s = first; s < last; ++s) {
            const int64_t begin = s * layout.rowsPerSegment * layout.filteredRow;
            const int64_t end = std::min(totalBytes, begin + layout.rowsPerSegment * layout.filteredRow);
            try {
                compressSegment(filtered, begin, end, s + 1 == layout.segments, segments[size_t(s)]);
            } catch (...) {
                segments[size_t(s)].status = OutOfMemory;
            }
        }
    };
    if (parallel)
        ThreadPool::parallelFor(0, layout.segments, 1, body);
    else
        body(0, layout.segments);
    for (const Segment& segment : segments)
        if (segment.status != Ok) return segment.status;
    return Ok;
}

uint8_t* putChunkHeader(uint8_t* p, uint32_t length, const char type[4])
{
    put32(p, length);
    std::memcpy(p + 4, type, 4);
    return p + 8;
}

// Signature, IHDR, one IDAT per segment (the first opens the zlib stream, the
// last closes it with the Adler-32 of all filtered bytes), IEND.
Status assemble(const Layout& layout, const std::vector<Segment>& segments, std::vector<uint8_t>& out)
{
    uLong adler = segments.front().adler;
    for (size_t s = 1; s < segments.size(); ++s)
        adler = adler32_combine(adler, segments[s].adler, z_off_t(segments[s].inputBytes));
    uint8_t trailer[4];
    put32(trailer, uint32_t(adler));

    size_t total = sizeof(kSignature) + kChunkOverhead + 13 + kChunkOverhead;
    for (const Segment& segment : segments) total += kChunkOverhead + segment.size;
    total += sizeof(kZlibHeader) + sizeof(trailer);
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(total);
    } catch (...) {
        return OutOfMemory;
    }

    uint8_t* p = bytes.data();
    std::memcpy(p, kSignature, sizeof(kSignature));
    p += sizeof(kSignature);
    uint8_t* ihdr = p + 4;
    p = putChunkHeader(p, 13, "IHDR");
    put32(p, uint32_t(layout.width));
    put32(p + 4, uint32_t(layout.height));
    p[8] = 8;
    p[9] = layout.channels == 4 ? 6 : 2;
    p[10] = 0;
    p[11] = 0;
    p[12] = 0;
    p += 13;
    put32(p, uint32_t(crc32_z(0, ihdr, 17)));
    p += 4;

    for (size_t s = 0; s < segments.size(); ++s) {
        const bool first = s == 0;
        const bool last = s + 1 == segments.size();
        const Segment& segment = segments[s];
        const size_t length = segment.size + (first ? sizeof(kZlibHeader) : 0) + (last ? sizeof(trailer) : 0);
        uint8_t* type = p + 4;
        p = putChunkHeader(p, uint32_t(length), "IDAT");
        uLong crc = crc32_z(0, type, 4);
        if (first) {
            std::memcpy(p, kZlibHeader, sizeof(kZlibHeader));
            crc = crc32_z(crc, p, sizeof(kZlibHeader));
            p += sizeof(kZlibHeader);
        }
        std::memcpy(p, segment.bytes.data(), segment.size);
        crc = crc32_combine(crc, segment.crc, z_off_t(segment.size));
        p += segment.size;
        if (last) {
            std::memcpy(p, trailer, sizeof(trailer));
            crc = crc32_z(crc, p, sizeof(trailer));
            p += sizeof(trailer);
        }
        put32(p, uint32_t(crc));
        p += 4;
    }

    uint8_t* iend = p + 4;
    p = putChunkHeader(p, 0, "IEND");
    put32(p, uint32_t(crc32_z(0, iend, 4)));
    out = std::move(bytes);
    return Ok;
}

}  // namespace

Status PngWriter::encode(const Image& image, std::vector<uint8_t>& out, Compression mode)
{
    if (!isSupportedFormat(image.format()) || !image.data() || image.width() < 1 || image.height() < 1)
        return InvalidParameter;
    Layout layout;
    if (!makeLayout(image, layout)) return OutOfMemory;
    const bool parallel = mode == Compression::Parallel;

    std::unique_ptr<uint8_t[]> filtered(new (std::nothrow) uint8_t[size_t(layout.filteredRow * layout.height)]);
    if (!filtered) return OutOfMemory;
    if (!filterImage(image, layout, filtered.get(), parallel)) return OutOfMemory;

    std::vector<Segment> segments;
    try {
        segments.resize(size_t(layout.segments));
    } catch (...) {
        return OutOfMemory;
    }
    const Status status = compressImage(filtered.get(), layout, segments, parallel);
    if (status != Ok) return status;
    filtered.reset();
    return assemble(layout, segments, out);
}

}  // namespace kalvora::platform
