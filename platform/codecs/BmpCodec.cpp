#include "platform/codecs/BmpCodec.h"

#include <bit>
#include <cstring>

#include "platform/ImageLimits.h"
#include "platform/codecs/BmpRleDecoder.h"

namespace kalvora::platform {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;
constexpr uint32_t kSrgbColorSpace = 0x73524742;  // 'sRGB'
constexpr int32_t kPixelsPerMeter = 3780;          // 96 dots per inch

inline uint16_t read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t read32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

inline void put16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline void put32(uint8_t* p, uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

// One colour channel of a bit-field pixel: where it sits and how its values
// scale to 0..255.
struct Channel {
    bool present = false;
    int shift = 0;
    uint32_t mask = 0;
    uint8_t scale[256] = {};
};

bool makeChannel(uint32_t mask, Channel& ch)
{
    if (mask == 0) return true;
    ch.shift = std::countr_zero(mask);
    uint32_t field = mask >> ch.shift;
    if ((field & (field + 1)) != 0) return false;  // not one run of bits
    int bits = std::popcount(field);
    // Wider fields keep their top eight bits.
    if (bits > 8) {
        ch.shift += bits - 8;
        bits = 8;
    }
    ch.mask = (1u << bits) - 1;
    for (uint32_t v = 0; v <= ch.mask; ++v) ch.scale[v] = static_cast<uint8_t>((v * 255 + ch.mask / 2) / ch.mask);
    ch.present = true;
    return true;
}

inline uint8_t channelValue(const Channel& ch, uint32_t pixel) { return ch.scale[(pixel >> ch.shift) & ch.mask]; }

struct BmpHeader {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kRgb;
    uint32_t colorsUsed = 0;
    uint32_t masks[4] = {};  // red, green, blue, alpha
    bool hasMasks = false;
    size_t paletteOffset = 0;
    size_t paletteEntrySize = 4;
    uint32_t pixelOffset = 0;
};

Status parseHeader(const uint8_t* data, size_t size, BmpHeader& h)
{
    if (size < kFileHeaderSize + kCoreHeaderSize) return UnknownImageFormat;
    h.pixelOffset = read32(data + 10);
    h.headerSize = read32(data + 14);
    const uint8_t* info = data + kFileHeaderSize;
    if (h.headerSize == kCoreHeaderSize) {
        h.width = read16(info + 4);
        h.height = read16(info + 6);
        h.bits = read16(info + 10);
        h.paletteEntrySize = 3;
    } else {
        if (h.headerSize < kInfoHeaderSize || h.headerSize > size - kFileHeaderSize) return UnknownImageFormat;
        h.width = static_cast<int32_t>(read32(info + 4));
        const int32_t height = static_cast<int32_t>(read32(info + 8));
        if (height == INT32_MIN) return UnknownImageFormat;
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        h.bits = read16(info + 14);
        h.compression = read32(info + 16);
        h.colorsUsed = read32(info + 32);
    }
    size_t end = kFileHeaderSize + h.headerSize;
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        // Masks sit inside the larger headers, or right after the basic one.
        const size_t count = h.compression == kAlphaBitFields ? 4 : 3;
        const size_t at = kFileHeaderSize + kInfoHeaderSize;
        const size_t available = h.headerSize >= kInfoHeaderSize + 16 ? 4 : (h.headerSize >= kInfoHeaderSize + 12 ? 3 : 0);
        if (available == 0) {
            if (size < at + count * 4) return UnknownImageFormat;
            end = at + count * 4;
        }
        const size_t read = available ? available : count;
        for (size_t i = 0; i < read; ++i) h.masks[i] = read32(data + at + i * 4);
        h.hasMasks = true;
    }
    h.paletteOffset = end;
    if (h.width < 1 || h.height < 1) return UnknownImageFormat;
    switch (h.bits) {
    case 4:
    case 8:
        // Run-length streams fill rows bottom-up only.
        if (h.compression == (h.bits == 8 ? kRle8 : kRle4)) return h.topDown ? UnknownImageFormat : Ok;
        return h.compression == kRgb ? Ok : UnknownImageFormat;
    case 1:
    case 24:
        return h.compression == kRgb ? Ok : UnknownImageFormat;
    case 16:
    case 32:
        return (h.compression == kRgb || h.hasMasks) ? Ok : UnknownImageFormat;
    default:
        return UnknownImageFormat;
    }
}

PixelFormatId outputFormat(const BmpHeader& h)
{
    if (h.bits <= 8 || h.bits == 24) return kFormat24bppRGB;
    if (h.hasMasks && h.masks[3] != 0) return kFormat32bppARGB;
    return h.bits == 32 ? kFormat32bppRGB : kFormat24bppRGB;
}

std::vector<uint32_t> readPalette(const uint8_t* data, size_t size, const BmpHeader& h)
{
    size_t count = h.colorsUsed ? h.colorsUsed : (size_t(1) << h.bits);
    if (count > 256) count = 256;
    // The palette ends where the pixels begin (or, failing that, the file).
    const size_t end = h.pixelOffset > h.paletteOffset && h.pixelOffset <= size ? h.pixelOffset : size;
    const size_t fits = h.paletteOffset < end ? (end - h.paletteOffset) / h.paletteEntrySize : 0;
    if (count > fits) count = fits;
    std::vector<uint32_t> palette(256, 0xFF000000u);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = data + h.paletteOffset + i * h.paletteEntrySize;
        palette[i] = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    palette.resize(count);
    return palette;
}

void decodeIndexedRow(const uint8_t* src, uint8_t* dst, int32_t width, int bits, const uint32_t* lookup)
{
    const int perByte = 8 / bits;
    const unsigned valueMask = (1u << bits) - 1;
    for (int32_t x = 0; x < width; ++x, dst += 3) {
        const int shift = 8 - bits * (1 + x % perByte);
        storeArgb(dst, kFormat24bppRGB, lookup[(src[x / perByte] >> shift) & valueMask]);
    }
}

void decodeFieldRow(const uint8_t* src, uint8_t* dst, int32_t width, int bits, const Channel* ch, int dstBpp)
{
    const int srcBpp = bits / 8;
    for (int32_t x = 0; x < width; ++x, src += srcBpp, dst += dstBpp) {
        const uint32_t pixel = srcBpp == 2 ? read16(src) : read32(src);
        dst[0] = channelValue(ch[2], pixel);
        dst[1] = channelValue(ch[1], pixel);
        dst[2] = channelValue(ch[0], pixel);
        if (dstBpp == 4) dst[3] = ch[3].present ? channelValue(ch[3], pixel) : 0xFF;
    }
}

// Uncompressed rows, stored bottom-up unless the header says top-down.
void decodePlainRows(const uint8_t* pixels, uint64_t rowBytes, const BmpHeader& h, const uint32_t* lookup,
                     const Channel* channels, Image& image)
{
    for (int32_t y = 0; y < h.height; ++y) {
        const int32_t fileRow = h.topDown ? y : h.height - 1 - y;
        const uint8_t* src = pixels + rowBytes * uint64_t(fileRow);
        uint8_t* dst = image.row(y);
        if (h.bits <= 8) decodeIndexedRow(src, dst, h.width, h.bits, lookup);
        else if (h.bits == 24) std::memcpy(dst, src, size_t(h.width) * 3);
        else decodeFieldRow(src, dst, h.width, h.bits, channels, bytesPerPixel(image.format()));
    }
}

}  // namespace

bool BmpCodec::matches(const uint8_t* data, size_t size) { return size >= 2 && data[0] == 'B' && data[1] == 'M'; }

Status BmpCodec::decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out)
{
    if (!matches(data, size)) return UnknownImageFormat;
    BmpHeader h;
    Status s = parseHeader(data, size, h);
    if (s != Ok) return s;
    const PixelFormatId format = outputFormat(h);
    if (!ImageLimits::allows(h.width, h.height, bytesPerPixel(format))) return OutOfMemory;
    const bool runLength = h.compression == kRle8 || h.compression == kRle4;
    const uint64_t rowBytes = (uint64_t(h.width) * uint64_t(h.bits) + 31) / 32 * 4;
    if (h.pixelOffset > size) return UnknownImageFormat;
    if (!runLength && rowBytes * uint64_t(h.height) > size - h.pixelOffset) return UnknownImageFormat;

    std::unique_ptr<Image> image;
    s = Image::createUnbacked(h.width, h.height, format, image);
    if (s != Ok) return s;
    try {
        std::vector<uint32_t> palette;
        uint32_t lookup[256];
        if (h.bits <= 8) {
            palette = readPalette(data, size, h);
            for (size_t i = 0; i < 256; ++i) lookup[i] = i < palette.size() ? palette[i] : 0xFF000000u;
        }
        Channel channels[4];
        if (h.bits == 16 || h.bits == 32) {
            if (!h.hasMasks) {
                h.masks[0] = h.bits == 16 ? 0x7C00 : 0xFF0000;
                h.masks[1] = h.bits == 16 ? 0x03E0 : 0x00FF00;
                h.masks[2] = h.bits == 16 ? 0x001F : 0x0000FF;
            }
            for (int i = 0; i < 4; ++i)
                if (!makeChannel(h.masks[i], channels[i])) return UnknownImageFormat;
        }
        const uint8_t* pixels = data + h.pixelOffset;
        if (runLength) s = BmpRleDecoder::decode(pixels, size - h.pixelOffset, h.bits, lookup, *image);
        else decodePlainRows(pixels, rowBytes, h, lookup, channels, *image);
        if (!palette.empty()) image->setPalette(std::move(palette));
    } catch (...) {
        return OutOfMemory;
    }
    if (s != Ok) return s;
    out = std::move(image);
    return Ok;
}

Status BmpCodec::encode(const Image& image, std::vector<uint8_t>& out)
{
    const bool alpha = image.format() == kFormat32bppARGB;
    const uint32_t headerSize = alpha ? kV4HeaderSize : kInfoHeaderSize;
    const int bits = alpha ? 32 : 24;
    const uint64_t rowBytes = (uint64_t(image.width()) * bits + 31) / 32 * 4;
    const uint64_t pixelOffset = kFileHeaderSize + headerSize;
    const uint64_t fileSize = pixelOffset + rowBytes * uint64_t(image.height());
    if (fileSize > 0xFFFFFFFFu) return ValueOverflow;
    std::vector<uint8_t> bytes;
    try {
        bytes.assign(static_cast<size_t>(fileSize), 0);
    } catch (...) {
        return OutOfMemory;
    }
    uint8_t* p = bytes.data();
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, static_cast<uint32_t>(fileSize));
    put32(p + 10, static_cast<uint32_t>(pixelOffset));
    uint8_t* info = p + kFileHeaderSize;
    put32(info, headerSize);
    put32(info + 4, static_cast<uint32_t>(image.width()));
    put32(info + 8, static_cast<uint32_t>(image.height()));  // positive: rows bottom-up
    put16(info + 12, 1);
    put16(info + 14, static_cast<uint32_t>(bits));
    put32(info + 16, alpha ? kBitFields : kRgb);
    put32(info + 20, static_cast<uint32_t>(rowBytes * uint64_t(image.height())));
    put32(info + 24, kPixelsPerMeter);
    put32(info + 28, kPixelsPerMeter);
    if (alpha) {
        put32(info + 40, 0x00FF0000);
        put32(info + 44, 0x0000FF00);
        put32(info + 48, 0x000000FF);
        put32(info + 52, 0xFF000000);
        put32(info + 56, kSrgbColorSpace);
    }
    const int srcBpp = bytesPerPixel(image.format());
    for (int32_t y = 0; y < image.height(); ++y) {
        const uint8_t* src = image.row(y);
        uint8_t* dst = p + pixelOffset + rowBytes * uint64_t(image.height() - 1 - y);
        if (srcBpp * 8 == bits) {
            std::memcpy(dst, src, size_t(image.width()) * srcBpp);
            continue;
        }
        for (int32_t x = 0; x < image.width(); ++x, src += srcBpp, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    }
    out = std::move(bytes);
    return Ok;
}

}  // namespace kalvora::platform
