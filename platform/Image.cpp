#include "platform/Image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/ImageLimits.h"
#include "platform/LargeBlockReleaser.h"
#include "platform/ThreadPool.h"
#include "platform/YieldPoint.h"

namespace kalvora::platform {

namespace {

int32_t strideFor(int32_t width, PixelFormatId format)
{
    int64_t bytes = static_cast<int64_t>(width) * bytesPerPixel(format);
    return static_cast<int32_t>((bytes + 3) & ~int64_t(3));
}

// Fresh memory from the system is backed page by page at its first touch.
// A first touch that reads maps the shared zero page, and the write that
// follows has to replace that mapping on every core: a fault and a flush of
// all cores' address caches per page, under one lock that the pool's threads
// queue on. So a large image's memory is written before anything reads it:
// the pool's threads back it in bands of this size.
constexpr int64_t kBackingBand = int64_t(2) << 20;

// Blocks from this size on come fresh from the system (smaller ones are
// mostly reused heap memory that calloc has written already).
constexpr int64_t kBackFrom = int64_t(1) << 20;

}  // namespace

Image::~Image() { LargeBlockReleaser::release(m_pixels, static_cast<size_t>(m_capacity)); }

Status Image::create(int32_t width, int32_t height, PixelFormatId format, std::unique_ptr<Image>& out)
{
    return create(width, height, format, out, true);
}

Status Image::createUnbacked(int32_t width, int32_t height, PixelFormatId format, std::unique_ptr<Image>& out)
{
    return create(width, height, format, out, false);
}

Status Image::create(int32_t width, int32_t height, PixelFormatId format, std::unique_ptr<Image>& out, bool backed)
{
    if (width < 1 || height < 1 || !isSupportedFormat(format)) return InvalidParameter;
    if (!ImageLimits::allows(width, height, bytesPerPixel(format))) return OutOfMemory;
    int32_t stride = strideFor(width, format);
    const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(height);
    if (ImageLimits::refusesAllocation(static_cast<int64_t>(bytes))) return OutOfMemory;
    // No large pages are asked for: where the system hands unused memory
    // back to its host, a fresh large page can take tens of milliseconds to
    // fault in, on the thread that first writes it. A failed allocation
    // tries again once the blocks still being freed are given back.
    void* pixels = std::calloc(bytes, 1);
    if (!pixels) {
        LargeBlockReleaser::waitUntilReleased();
        pixels = std::calloc(bytes, 1);
    }
    if (!pixels) return OutOfMemory;
    std::unique_ptr<Image> image(new (std::nothrow) Image);
    if (!image) {
        std::free(pixels);
        return OutOfMemory;
    }
    image->m_width = width;
    image->m_height = height;
    image->m_format = format;
    image->m_stride = stride;
    image->m_capacity = static_cast<int64_t>(bytes);
    image->m_pixels = static_cast<uint8_t*>(pixels);
    if (backed) image->backMemory();
    if (format == kFormat32bppRGB) {
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* r = image->row(y);
            for (int32_t x = 0; x < width; ++x) r[x * 4 + 3] = 0xFF;
        }
    }
    out = std::move(image);
    return Ok;
}

void convertRow(const uint8_t* src, PixelFormatId srcFormat, uint8_t* dst, PixelFormatId dstFormat, int32_t count)
{
    if (srcFormat == dstFormat) {
        std::memcpy(dst, src, static_cast<size_t>(count) * bytesPerPixel(srcFormat));
        return;
    }
    int sb = bytesPerPixel(srcFormat);
    int db = bytesPerPixel(dstFormat);
    for (int32_t i = 0; i < count; ++i) {
        uint32_t argb = loadArgb(src + i * sb, srcFormat);
        // RGB formats keep no alpha; converting into ARGB makes them opaque.
        storeArgb(dst + i * db, dstFormat, argb);
    }
}

namespace {

// A copy of this many bytes or more is larger than the caches: its rows are
// written with stores that go past them (see streamRow).
constexpr int64_t kStreamingCopyBytes = int64_t(8) << 20;

// Copies one row of a large copy. Ordinary stores read every destination
// line into the cache before overwriting it and push out what the caller
// works on; stores that bypass the cache save that read, so a copy of
// hundreds of megabytes takes about a third less time. The caller ends its
// rows with streamFence().
void streamRow(uint8_t* dst, const uint8_t* src, size_t bytes)
{
#if defined(__SSE2__)
    const size_t head = std::min(bytes, (16 - (reinterpret_cast<uintptr_t>(dst) & 15)) & 15);
    std::memcpy(dst, src, head);
    dst += head;
    src += head;
    bytes -= head;
    for (; bytes >= 16; bytes -= 16, dst += 16, src += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src)));
#endif
    std::memcpy(dst, src, bytes);
}

// Orders the stores of streamRow before whatever follows.
void streamFence()
{
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

}  // namespace

uint32_t Image::pixelArgb(int32_t x, int32_t y) const { return loadArgb(pixel(x, y), m_format); }

Status Image::cloneArea(int32_t w, int32_t h, PixelFormatId format, std::unique_ptr<Image>& out) const
{
    if (w < 1 || h < 1 || w > m_width || h > m_height || !isSupportedFormat(format)) return InvalidParameter;
    std::unique_ptr<Image> copy;
    Status s = create(w, h, format, copy);
    if (s != Ok) return s;
    constexpr int64_t kRowsPerChunk = 64;
    Image& target = *copy;
    ThreadPool::parallelFor(0, h, kRowsPerChunk, [&](int64_t first, int64_t last) {
        for (int64_t y = first; y < last; ++y) {
            const auto row32 = static_cast<int32_t>(y);
            convertRow(row(row32), m_format, target.row(row32), format, w);
        }
    });
    copy->m_palette = m_palette;
    out = std::move(copy);
    return Ok;
}

Status Image::copyPixelsFrom(const Image& source) { return copyPixelsFrom(source, {0, 0, m_width, m_height}); }

Status Image::copyPixelsFrom(const Image& source, const PixelRect& area)
{
    if (source.m_width != m_width || source.m_height != m_height) return InvalidParameter;
    if (m_locked) return WrongState;
    if (&source == this) return Ok;
    const int64_t left = std::clamp<int64_t>(area.x, 0, m_width);
    const int64_t top = std::clamp<int64_t>(area.y, 0, m_height);
    const int64_t right = std::clamp<int64_t>(int64_t{area.x} + area.width, left, m_width);
    const int64_t bottom = std::clamp<int64_t>(int64_t{area.y} + area.height, top, m_height);
    const auto width = static_cast<int32_t>(right - left);
    const int srcBytes = bytesPerPixel(source.m_format);
    const int dstBytes = bytesPerPixel(m_format);
    const bool streaming =
        source.m_format == m_format && int64_t{width} * dstBytes * (bottom - top) >= kStreamingCopyBytes;
    constexpr int64_t kRowsPerChunk = 64;
    ThreadPool::parallelFor(top, bottom, kRowsPerChunk, [&](int64_t first, int64_t last) {
        for (int64_t y = first; y < last; ++y) {
            const auto row32 = static_cast<int32_t>(y);
            const uint8_t* from = source.row(row32) + left * srcBytes;
            uint8_t* to = row(row32) + left * dstBytes;
            if (streaming)
                streamRow(to, from, static_cast<size_t>(width) * dstBytes);
            else
                convertRow(from, source.m_format, to, m_format, width);
        }
        if (streaming) streamFence();
    });
    m_palette = source.m_palette;
    return Ok;
}

Status Image::resetPixels()
{
    if (m_locked) return WrongState;
    const bool opaqueRgb = m_format == kFormat32bppRGB;
    constexpr int64_t kRowsPerChunk = 64;
    ThreadPool::parallelFor(0, m_height, kRowsPerChunk, [&](int64_t first, int64_t last) {
        for (int64_t y = first; y < last; ++y) {
            uint8_t* r = row(static_cast<int32_t>(y));
            std::memset(r, 0, static_cast<size_t>(m_stride));
            if (opaqueRgb)
                for (int32_t x = 0; x < m_width; ++x) r[x * 4 + 3] = 0xFF;
        }
    });
    return Ok;
}

Status Image::getPixel(int32_t x, int32_t y, uint32_t& argb) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return InvalidParameter;
    argb = pixelArgb(x, y);
    return Ok;
}

Status Image::setPixel(int32_t x, int32_t y, uint32_t argb)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return InvalidParameter;
    storeArgb(pixel(x, y), m_format, argb);
    return Ok;
}

Status Image::lockBits(const PixelRect& rect, uint32_t mode, LockedBits& locked)
{
    if (rect.width < 1 || rect.height < 1 || rect.x < 0 || rect.y < 0 || rect.x > m_width - rect.width ||
        rect.y > m_height - rect.height || (mode & (LockRead | LockWrite)) == 0)
        return InvalidParameter;
    if (m_locked) return WrongState;
    locked = LockedBits{};
    locked.width = rect.width;
    locked.height = rect.height;
    locked.mode = mode;
    locked.rect = rect;
    if (m_format == kFormat32bppARGB) {
        locked.direct = true;
        locked.stride = m_stride;
        locked.scan0 = row(rect.y) + static_cast<int64_t>(rect.x) * 4;
        m_locked = true;
        return Ok;
    }
    try {
        locked.buffer.resize(static_cast<size_t>(rect.width) * 4 * static_cast<size_t>(rect.height));
    } catch (...) {
        return OutOfMemory;
    }
    locked.stride = rect.width * 4;
    locked.scan0 = locked.buffer.data();
    for (int32_t y = 0; y < rect.height; ++y)
        convertRow(pixel(rect.x, rect.y + y), m_format, locked.row(y), kFormat32bppARGB, rect.width);
    m_locked = true;
    return Ok;
}

Status Image::unlockBits(LockedBits& locked)
{
    if (!m_locked || locked.scan0 == nullptr) return WrongState;
    if (!locked.direct && (locked.mode & LockWrite)) {
        const PixelRect& r = locked.rect;
        for (int32_t y = 0; y < r.height; ++y)
            convertRow(locked.row(y), kFormat32bppARGB, pixel(r.x, r.y + y), m_format, r.width);
    }
    locked = LockedBits{};
    m_locked = false;
    return Ok;
}

namespace {

// Maps a destination pixel to its source pixel for a rotate-flip type.
struct RotateMapping {
    bool swapAxes;
    bool mirrorX;  // source x counts from the right
    bool mirrorY;  // source y counts from the bottom
};

RotateMapping mappingFor(RotateFlipType type)
{
    switch (type) {
    case RotateFlipType::Rotate90FlipNone: return {true, false, true};   // 90 clockwise: dst(x,y) = src(y, H-1-x)
    case RotateFlipType::Rotate180FlipNone: return {false, true, true};  // 180
    case RotateFlipType::Rotate270FlipNone: return {true, true, false};  // 270 clockwise: dst(x,y) = src(W-1-y, x)
    case RotateFlipType::RotateNoneFlipX: return {false, true, false};   // flip horizontally
    case RotateFlipType::Rotate90FlipX: return {true, false, false};  // 90 then flip horizontally: dst(x,y) = src(y, x)
    case RotateFlipType::Rotate180FlipX: return {false, false, true};  // flip vertically
    case RotateFlipType::Rotate270FlipX: return {true, true, true};    // 270 then flip horizontally
    default: return {false, false, false};
    }
}

}  // namespace

void Image::flipRows(Image& out, bool mirrorX, bool mirrorY) const
{
    const int bpp = bytesPerPixel(m_format);
    const size_t bytes = static_cast<size_t>(m_width) * bpp;
    const auto flipRow = [&](int32_t y) {
        const uint8_t* s = row(mirrorY ? m_height - 1 - y : y);
        uint8_t* d = out.row(y);
        if (!mirrorX) {
            std::memcpy(d, s, bytes);
        } else if (bpp == 4) {
            // Whole pixels in reverse order, four bytes at a time.
            for (int32_t x = 0; x < m_width; ++x)
                std::memcpy(d + 4 * static_cast<int64_t>(x), s + 4 * static_cast<int64_t>(m_width - 1 - x), 4);
        } else {
            for (int32_t x = 0; x < m_width; ++x)
                std::memcpy(d + static_cast<int64_t>(x) * bpp, s + static_cast<int64_t>(m_width - 1 - x) * bpp, bpp);
        }
    };
    constexpr int64_t kRowsPerChunk = 64;
    ThreadPool::parallelFor(0, m_height, kRowsPerChunk, [&](int64_t first, int64_t last) {
        for (int64_t y = first; y < last; ++y) flipRow(static_cast<int32_t>(y));
    });
}

Status Image::rotateFlip(RotateFlipType type)
{
    const int32_t number = static_cast<int32_t>(type);
    if (number < 0 || number > static_cast<int32_t>(RotateFlipType::Rotate270FlipX)) return InvalidParameter;
    if (m_locked) return WrongState;
    if (type == RotateFlipType::RotateNoneFlipNone) return Ok;
    RotateMapping m = mappingFor(type);
    int32_t newW = m.swapAxes ? m_height : m_width;
    int32_t newH = m.swapAxes ? m_width : m_height;
    std::unique_ptr<Image> out;
    Status s = create(newW, newH, m_format, out);
    if (s != Ok) return s;
    const int bpp = bytesPerPixel(m_format);
    if (!m.swapAxes) {
        flipRows(*out, m.mirrorX, m.mirrorY);
    } else {
        for (int32_t y = 0; y < newH; ++y) {
            uint8_t* d = out->row(y);
        for (int32_t x = 0; x < newW; ++x) {
            int32_t sx = m.swapAxes ? y : x;
            int32_t sy = m.swapAxes ? x : y;
            if (m.mirrorX) sx = m_width - 1 - sx;
            if (m.mirrorY) sy = m_height - 1 - sy;
            std::memcpy(d + x * bpp, row(sy) + static_cast<int64_t>(sx) * bpp, bpp);
            }
        }
    }
    std::swap(m_pixels, out->m_pixels);
    std::swap(m_capacity, out->m_capacity);
    m_width = newW;
    m_height = newH;
    m_stride = out->m_stride;
    return Ok;
}

int64_t Image::byteSizeFor(int32_t width, int32_t height, PixelFormatId format)
{
    return static_cast<int64_t>(strideFor(width, format)) * height;
}

Status Image::reshape(int32_t width, int32_t height, PixelFormatId format)
{
    if (width < 1 || height < 1 || !isSupportedFormat(format)) return InvalidParameter;
    if (m_locked) return WrongState;
    if (byteSizeFor(width, height, format) > m_capacity) return OutOfMemory;
    m_width = width;
    m_height = height;
    m_format = format;
    m_stride = strideFor(width, format);
    m_palette.clear();
    return Ok;
}

void Image::backMemory()
{
    if (m_capacity < kBackFrom) return;
    const int64_t bands = (m_capacity + kBackingBand - 1) / kBackingBand;
    // The event queue may run between bands, but nothing may stop the
    // creation of an image halfway.
    const YieldPoint::WholeStep whole;
    ThreadPool::parallelFor(0, bands, 1, [this](int64_t first, int64_t last) {
        touchMemory(first * kBackingBand, (last - first) * kBackingBand);
    });
}

void Image::touchMemory(int64_t offset, int64_t length)
{
    offset = std::clamp<int64_t>(offset, 0, m_capacity);
    length = std::clamp<int64_t>(length, 0, m_capacity - offset);
    if (length == 0) return;
    constexpr int64_t kPage = 4096;
#if defined(__linux__)
#ifndef MADV_POPULATE_WRITE
    constexpr int MADV_POPULATE_WRITE = 23;
#endif
    // The system fills the whole pages of the range in one call; the pages
    // at its ends are this image's memory too, so rounding out is safe.
    const auto begin = reinterpret_cast<uintptr_t>(m_pixels + offset) & ~uintptr_t(kPage - 1);
    const auto end = (reinterpret_cast<uintptr_t>(m_pixels + offset + length) + kPage - 1) & ~uintptr_t(kPage - 1);
    if (madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE) == 0) return;
#endif
    // Without that call every page is written once, with the byte it holds.
    volatile uint8_t* bytes = m_pixels + offset;
    for (int64_t i = 0; i < length; i += kPage) bytes[i] = bytes[i];
}

}  // namespace kalvora::platform
