#include "platform/Compositor.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/ThreadPool.h"

namespace kalvora::platform {

namespace {

// n / d rounded to nearest, halves to even (n >= 0, d > 0).
inline uint32_t divideRounded(uint32_t n, uint32_t d)
{
    uint32_t q = n / d;
    uint32_t twice = 2 * (n - q * d);
    if (twice > d || (twice == d && (q & 1u))) ++q;
    return q;
}

}  // namespace

void Compositor::blendPixel(uint8_t* dst, const uint8_t* src)
{
    const uint32_t sa = src[3];
    const uint32_t da = dst[3];
    if (sa == 255 || da == 0) {
        std::memcpy(dst, src, 4);
        return;
    }
    if (sa == 0) return;
    // Everything in units of 1/255 of a byte step: alpha times 255 and the
    // premultiplied colours times 255, so the sums stay exact integers.
    const uint32_t rest = da * (255 - sa);
    const uint32_t alpha255 = sa * 255 + rest;
    for (int c = 0; c < 3; ++c)
        dst[c] = static_cast<uint8_t>(divideRounded(src[c] * sa * 255 + dst[c] * rest, alpha255));
    dst[3] = static_cast<uint8_t>(divideRounded(alpha255, 255));
}

void Compositor::blendRow(uint8_t* dst, const uint8_t* src, int32_t count)
{
    // The opaque copy stays in the loop itself: opaque rows (mortar, most of
    // a brick) then never reach the general blend, which is several times
    // slower per pixel. Four opaque pixels in a row are copied at once.
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
    while (i + 4 <= count) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        if ((_mm_movemask_epi8(_mm_cmpeq_epi8(pixels, opaque)) & 0x8888) == 0x8888) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), pixels);
            i += 4;
            continue;
        }
        for (const int32_t end = i + 4; i < end; ++i) blendOne(dst + 4 * i, src + 4 * i);
    }
#endif
    for (; i < count; ++i) blendOne(dst + 4 * i, src + 4 * i);
}

void Compositor::blendOne(uint8_t* dst, const uint8_t* src)
{
    if (src[3] == 255)
        std::memcpy(dst, src, 4);
    else
        blendPixel(dst, src);
}

void Compositor::blendIntoImage(Image& target, int32_t x, int32_t y, const uint8_t* src,
                                int32_t count, uint8_t* scratch)
{
    const PixelFormatId format = target.format();
    uint8_t* line = target.pixel(x, y);
    if (format == kFormat32bppARGB) {
        blendRow(line, src, count);
        return;
    }
    convertRow(line, format, scratch, kFormat32bppARGB, count);
    blendRow(scratch, src, count);
    convertRow(scratch, kFormat32bppARGB, line, format, count);
}

void Compositor::flattenOverBlack(const uint8_t* src, uint8_t* dst, int32_t count)
{
    for (int32_t i = 0; i < count; ++i, src += 4, dst += 3) {
        const uint32_t a = src[3];
        // Opaque pixels, the common case, keep their colour unchanged.
        if (a == 255) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            continue;
        }
        for (int c = 0; c < 3; ++c) dst[c] = static_cast<uint8_t>((src[c] * a + 127) / 255);
    }
}

void Compositor::fill(Image& target, uint32_t argb)
{
    const PixelFormatId format = target.format();
    const int bpp = bytesPerPixel(format);
    uint8_t converted[4] = {};
    storeArgb(converted, format, argb);
    uint8_t* first = target.row(0);
    for (int32_t x = 0; x < target.width(); ++x) std::memcpy(first + x * bpp, converted, bpp);
    const size_t bytes = static_cast<size_t>(target.width()) * bpp;
    constexpr int64_t kRowsPerChunk = 64;
    ThreadPool::parallelFor(1, target.height(), kRowsPerChunk, [&](int64_t begin, int64_t end) {
        for (int64_t y = begin; y < end; ++y) std::memcpy(target.row(static_cast<int32_t>(y)), first, bytes);
    });
}

}  // namespace kalvora::platform
